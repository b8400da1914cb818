// make-sample: writes the demonstration data set shipped in data/sample/.
//
//   make-sample <folder>      writes <folder>/texas.dat and <folder>/texas.csv
//
// The figures are made up. The larger counties, the border counties and a few
// telling small ones carry rough real-world anchors (population, ethnic
// make-up, and for the best known also vote share, income and age) so the map
// looks like Texas; every other figure is drawn from a simple regional model,
// and the modelled populations are scaled to a state total of about 29.1
// million. The draws come from our own splitmix64 generator with a fixed seed
// and one stream per county, so every run writes the same bytes, and editing
// one county's anchor changes no other county's draws.
//
// Record i is county i of county_table; record 254 is the state-wide record
// "TEXAS". Derived fields are computed from their bases as stored (single
// precision), so anyone who reads the file can check them the same way.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "data/data.h"

namespace {

// Field numbers, in the catalogue's order.
enum {
    F_REP = 0,          // REP VOTE%: Republican share of the votes cast
    F_LN_INCOME = 1,    // LN(MED INCOME/$1000)
    F_AGE = 2,          // MED AGE, years
    F_WHITE_VAP = 3,    // shares of the voting-age population, %
    F_BLACK_VAP = 4,
    F_HISP_VAP = 5,
    F_ASIAN_VAP = 6,
    F_REP_MINUS_TURNOUT = 7,
    F_HISP_MINUS_BLACK = 8,  // (HISP VAP% ^ 1.5) - (BLACK VAP% ^ 0.7)
    F_BLACK_MINUS_HISP = 9,  // its negative
    F_URBAN = 10,
    F_POP = 11,
    F_TURNOUT = 12,     // 100 * votes / registered voters
    F_REG_PER_VAP = 13, // 100 * registered voters / VAP
    F_REG = 14,
    F_VOTES = 15,
    F_VAP = 16,
    F_STATE_POP = 17,   // 100 * population / state population
    F_INCOME = 18,      // median household income, $1000
    F_WHITE_POP = 19,   // shares of the whole population, %
    F_BLACK_POP = 20,
    F_HISP_POP = 21,
    F_ASIAN_POP = 22,
    F_HISP_POW = 23,    // HISP VAP% ^ 1.5
    F_BLACK_POW = 24,   // BLACK VAP% ^ 0.7
};

constexpr uint64_t SEED = 0x54584b5254303400ull;  // fixed: the data set must not change between runs

// Roughly 29.1 million Texans; the modelled counties are scaled so the state
// comes out at this total.
constexpr double STATE_POPULATION = 29145000.0;

// ---- Random numbers -------------------------------------------------------

// splitmix64 (Steele, Lea, Flood): tiny, fast and fully defined, unlike the
// std:: distributions whose output differs between library versions.
struct rng {
    uint64_t state;
};

uint64_t next_u64(rng& r) {
    uint64_t z = (r.state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// Uniform in [0, 1) with 53 random bits.
double uniform(rng& r) { return static_cast<double>(next_u64(r) >> 11) * 0x1.0p-53; }

// Approximately standard normal: the sum of twelve uniforms, less six. Plain
// arithmetic, so no library function can change the draws; the tails stop at
// +-6, which suits figures that must stay plausible.
double normal(rng& r) {
    double s = 0.0;
    for (int i = 0; i < 12; ++i) s += uniform(r);
    return s - 6.0;
}

// One stream per county, independent of how many draws the others took.
rng county_stream(int county) {
    rng r{SEED ^ (static_cast<uint64_t>(county + 1) * 0xd1b54a32d192ed03ull)};
    next_u64(r);
    return r;
}

double clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// ---- Anchors --------------------------------------------------------------

// Rough figures for the counties a reader would look up first: the big metro
// counties, the border counties, the smallest counties, then the mid-size
// counties and those whose make-up stands out. -1 leaves a figure to the model. Population shares are of the
// whole population, in %; rep is the Republican share of the votes, %; income
// is the median household income in $1000; age the median age in years.
struct anchor {
    const char* name;
    double pop, hisp, black, asian, rep, income, age;
};

constexpr double M = -1.0;  // "model it"

const anchor ANCHORS[] = {
    // name            pop       hisp  black asian rep   income age
    {"Harris",       4731145, 43.0, 18.7, 7.3, 42.7, 64, 34},
    {"Dallas",       2613539, 40.5, 21.4, 6.8, 33.0, 63, 34},
    {"Tarrant",      2110640, 29.7, 17.3, 5.8, 49.1, 72, 35},
    {"Bexar",        2009324, 60.7, 7.6, 3.3, 40.0, 59, 34},
    {"Travis",       1290188, 32.9, 7.6, 7.8, 26.4, 86, 34},
    {"Collin",       1064465, 16.0, 10.5, 18.2, 51.4, 104, 37},
    {"Denton",        906422, 20.0, 10.5, 9.9, 53.2, 92, 36},
    {"Hidalgo",       870781, 92.0, 0.6, 1.1, 41.0, 44, 30},
    {"El Paso",       865657, 82.9, 3.0, 1.3, 31.6, 51, 33},
    {"Fort Bend",     822779, 24.5, 20.9, 22.0, 44.0, 103, 37},
    {"Montgomery",    620443, 25.0, 5.5, 3.3, 71.2, 85, 37},
    {"Williamson",    609017, 25.5, 7.2, 9.0, 48.2, 88, 36},
    {"Cameron",       421017, 89.6, 0.6, 0.7, 43.1, 43, 32},
    {"Brazoria",      372031, 31.4, 13.5, 7.2, 58.4, 86, 36},
    {"Bell",          370647, 26.0, 22.0, 3.0, 53.1, 60, 30},
    {"Nueces",        353178, 63.8, 3.6, 2.0, 51.0, 58, 36},
    {"Galveston",     350682, 26.0, 12.0, 3.5, 61.3, 75, 39},
    {"Lubbock",       310639, 37.5, 7.8, 2.8, 65.3, 56, 30},
    {"Webb",          267114, 95.2, 0.4, 0.6, 37.9, 53, 29},
    {"McLennan",      260579, 27.0, 15.0, 1.8, 61.3, 54, 33},
    {"Jefferson",     256526, 21.5, 33.5, 3.5, 50.5, 54, 36},
    {"Hays",          241067, 39.0, 4.0, 2.0, 44.6, 73, 31},
    {"Brazos",        233849, 26.5, 11.0, 6.0, 55.6, 52, 25},
    {"Smith",         233479, 20.5, 17.0, 1.8, 69.0, 63, 37},
    {"Ellis",         192455, 26.0, 12.0, 1.2, 67.1, 82, 36},
    {"Johnson",       179927, 24.0, 4.0, 1.2, 76.5, 72, 37},
    {"Guadalupe",     172706, 38.5, 7.5, 2.0, 60.6, 82, 37},
    {"Midland",       169983, 46.0, 7.0, 2.0, 77.4, 87, 33},
    {"Ector",         165171, 64.0, 4.6, 1.0, 73.4, 70, 31},
    {"Comal",         161501, 27.5, 2.5, 1.5, 71.5, 93, 42},
    {"Parker",        148222, 15.0, 2.0, 1.0, 81.3, 89, 40},
    {"Kaufman",       145310, 22.0, 14.0, 1.0, 67.5, 76, 36},
    {"Taylor",        143208, 26.0, 8.0, 2.0, 73.3, 57, 33},
    {"Randall",       140753, 22.0, 3.0, 1.8, 80.0, 73, 36},
    {"Grayson",       135543, 15.0, 6.0, 1.3, 75.3, 60, 40},
    {"Wichita",       129350, 20.0, 10.0, 2.5, 69.6, 54, 35},
    {"Gregg",         124239, 13.0, 20.0, 1.2, 68.7, 56, 36},
    {"Tom Green",     120003, 41.0, 4.0, 1.3, 72.3, 58, 35},
    {"Potter",        118525, 38.0, 10.0, 4.0, 69.0, 46, 34},
    {"Rockwall",      107819, 20.0, 8.0, 3.5, 66.1, 104, 37},
    {"Hunt",           99956, 18.0, 8.0, 1.0, 75.8, 58, 38},
    {"Bowie",          92893, 9.0, 23.5, 1.0, 71.3, 52, 38},
    {"Victoria",       91319, 47.0, 6.0, 1.0, 67.0, 59, 37},
    {"Angelina",       86395, 23.0, 14.0, 1.0, 72.3, 51, 37},
    {"Orange",         84808, 9.0, 8.5, 1.0, 80.0, 57, 38},
    {"Walker",         76400, 22.0, 22.0, 1.5, 68.0, 46, 32},
    {"Harrison",       68839, 12.0, 21.0, 0.6, 72.0, 56, 39},
    {"San Patricio",   68755, 58.0, 1.5, 0.8, 64.0, 60, 36},
    {"Starr",          65920, 96.0, 0.2, 0.3, 47.1, 33, 30},
    {"Nacogdoches",    64653, 20.0, 19.0, 1.2, 67.0, 45, 30},
    {"Maverick",       57887, 95.0, 0.3, 0.5, 44.8, 42, 31},
    {"Kerr",           52598, 28.0, 1.6, 1.0, 76.8, 58, 49},
    {"Val Verde",      47586, 81.0, 1.5, 0.8, 55.0, 50, 33},
    {"Kendall",        44279, 21.0, 0.7, 1.0, 75.6, 95, 45},
    {"Jim Wells",      38891, 80.0, 0.5, 0.5, 54.0, 48, 36},
    {"Kleberg",        31040, 72.0, 3.0, 1.8, 50.5, 46, 31},
    {"Gillespie",      26725, 20.0, 0.5, 0.4, 79.9, 67, 51},
    {"Uvalde",         24564, 70.0, 0.5, 0.5, 60.0, 47, 37},
    {"Llano",          21243, 9.0, 0.5, 0.5, 81.0, 58, 58},
    {"Willacy",        20164, 87.0, 1.5, 0.3, 44.0, 32, 37},
    {"Frio",           18385, 78.0, 3.5, 0.4, 57.0, 45, 34},
    {"Reeves",         14748, 76.0, 3.0, 0.5, 61.0, 52, 35},
    {"Zapata",         13889, 94.0, 0.2, 0.3, 52.5, 36, 33},
    {"Duval",           9831, 87.0, 0.5, 0.3, 51.0, 42, 38},
    {"Zavala",          9670, 93.0, 0.6, 0.2, 34.0, 31, 33},
    {"Dimmit",          8615, 87.0, 0.8, 0.4, 42.0, 36, 35},
    {"Brooks",          7076, 90.0, 0.3, 0.2, 40.0, 30, 38},
    {"LaSalle",         6664, 80.0, 3.0, 0.2, 55.0, 45, 36},
    {"Presidio",        6131, 83.0, 0.5, 0.4, 34.0, 35, 44},
    {"Jim Hogg",        4838, 92.0, 0.3, 0.3, 40.0, 40, 37},
    {"Hudspeth",        3202, 78.0, 1.0, 0.3, 60.0, 35, 38},
    {"Culberson",       2188, 74.0, 0.5, 0.5, 52.0, 40, 40},
    {"Jeff Davis",      1996, 30.0, 0.5, 0.5, 66.0, 52, 55},
    {"Oldham",          1758, 18.0, 1.5, 0.5, 92.0, 60, 38},
    {"Irion",           1513, 30.0, 0.5, 0.2, 87.0, 70, 47},
    {"Throckmorton",    1440, 12.0, 0.5, 0.2, 90.0, 48, 49},
    {"Sterling",        1372, 35.0, 0.5, 0.2, 92.0, 63, 41},
    {"Stonewall",       1245, 15.0, 3.0, 0.3, 86.0, 45, 47},
    {"Glasscock",       1116, 33.0, 0.5, 0.2, 93.0, 88, 40},
    {"Foard",           1095, 18.0, 2.5, 0.2, 84.0, 44, 49},
    {"Motley",          1063, 15.0, 2.0, 0.2, 91.0, 45, 50},
    {"Roberts",          827, 8.0, 0.5, 0.2, 96.0, 80, 44},
    {"Terrell",          760, 47.0, 0.5, 0.2, 75.0, 45, 53},
    {"Kent",             753, 13.0, 1.0, 0.2, 91.0, 60, 50},
    {"Borden",           631, 15.0, 0.5, 0.0, 94.0, 78, 45},
    {"McMullen",         600, 40.0, 0.5, 0.0, 89.0, 56, 47},
    {"Kenedy",           350, 75.0, 0.5, 0.0, 65.0, 40, 42},
    {"King",             265, 10.0, 0.5, 0.0, 95.0, 60, 42},
    {"Loving",            64, 20.0, 0.0, 0.0, 90.0, 80, 40},

    // Population and make-up only: the mid-size counties, and smaller ones
    // whose make-up stands out (Hispanic South Plains, Permian and ranch
    // country, East Texas counties with large Black communities).
    {"Bastrop",       97216, 38, 6.5, M, M, M, M},  {"Liberty",       91628, 26,  10, M, M, M, M},
    {"Coryell",       83093, 20,  13, M, M, M, M},  {"Henderson",     82150, 13,   6, M, M, M, M},
    {"Wise",          68632, 20,   M, M, M, M, M},  {"Hood",          61598, 13,   M, M, M, M, M},
    {"Van Zandt",     59541, 11,   3, M, M, M, M},  {"Anderson",      57922, 18,  20, M, M, M, M},
    {"Waller",        56794, 31,  24, M, M, M, M},  {"Hardin",        56231,  6,   6, M, M, M, M},
    {"Navarro",       52624, 27,  13, M, M, M, M},  {"Rusk",          52214, 16,  17, M, M, M, M},
    {"Medina",        50748, 52,   M, M, M, M, M},  {"Cherokee",      50412, 23,  14, M, M, M, M},
    {"Polk",          50123, 14,  10, M, M, M, M},  {"Lamar",         50088,  8,  12, M, M, M, M},
    {"Wilson",        49753, 40,   M, M, M, M, M},  {"Burnet",        49130, 22,   M, M, M, M, M},
    {"Atascosa",      48981, 64,   M, M, M, M, M},  {"Chambers",      46571, 24,   7, M, M, M, M},
    {"Caldwell",      45883, 51,   M, M, M, M, M},  {"Wood",          44843,  8,   4, M, M, M, M},
    {"Erath",         42545, 19,   M, M, M, M, M},  {"Cooke",         41668, 19,   M, M, M, M, M},
    {"Wharton",       41556, 40,  14, M, M, M, M},  {"Upshur",        40892,  8,   9, M, M, M, M},
    {"Brown",         38095, 21,   M, M, M, M, M},  {"Hopkins",       36787, 16,   7, M, M, M, M},
    {"Matagorda",     36255, 41,  11, M, M, M, M},  {"Hill",          35874, 20,   7, M, M, M, M},
    {"Washington",    35805, 14,  17, M, M, M, M},  {"Fannin",        35662, 10,   6, M, M, M, M},
    {"Howard",        34860, 43,   M, M, M, M, M},  {"Jasper",        32980,  8,  17, M, M, M, M},
    {"Hale",          32522, 60,   M, M, M, M, M},  {"Titus",         31247, 44,   9, M, M, M, M},
    {"Grimes",        31140, 24,  16, M, M, M, M},  {"Bee",           31047, 60,   M, M, M, M, M},
    {"Austin",        30167, 26,   8, M, M, M, M},  {"Cass",          28454,  5,  18, M, M, M, M},
    {"Palo Pinto",    28409, 20,   M, M, M, M, M},  {"San Jacinto",   27402, 12,   9, M, M, M, M},
    {"Milam",         24754, 25,   9, M, M, M, M},  {"Fayette",       24435, 22,   7, M, M, M, M},
    {"Shelby",        24022, 19,  17, M, M, M, M},  {"Aransas",       23830, 28,   M, M, M, M, M},
    {"Panola",        22491,  9,  16, M, M, M, M},  {"Limestone",     22146, 23,  17, M, M, M, M},
    {"Houston",       22066, 11,  24, M, M, M, M},  {"Lampasas",      21627, 22,   M, M, M, M, M},
    {"Gaines",        21598, 40,   M, M, M, M, M},  {"Hockley",       21537, 49,   M, M, M, M, M},
    {"Moore",         21358, 60,   M, M, M, M, M},  {"Gray",          21227, 32,   M, M, M, M, M},
    {"Bandera",       20851, 20,   M, M, M, M, M},  {"Hutchinson",    20617, 27,   M, M, M, M, M},
    {"Colorado",      20557, 30,  12, M, M, M, M},  {"DeWitt",        20435, 34,   9, M, M, M, M},
    {"Lavaca",        20337, 20,   6, M, M, M, M},  {"Calhoun",       20106, 50,   M, M, M, M, M},
    {"Gonzales",      19653, 48,   M, M, M, M, M},  {"Freestone",     19435, 16,  16, M, M, M, M},
    {"Andrews",       18610, 58,   M, M, M, M, M},  {"Deaf Smith",    18583, 72,   M, M, M, M, M},
    {"Falls",         16968, 23,  23, M, M, M, M},  {"Robertson",     16757, 21,  21, M, M, M, M},
    {"Pecos",         15193, 70,   M, M, M, M, M},  {"Karnes",        14710, 52,   M, M, M, M, M},
    {"Madison",       13455, 19,  19, M, M, M, M},  {"Lamb",          13045, 51,   M, M, M, M, M},
    {"Dawson",        12456, 57,   M, M, M, M, M},  {"Camp",          12464, 20,  16, M, M, M, M},
    {"Newton",        12217,  5,  19, M, M, M, M},  {"Morris",        11973,  8,  23, M, M, M, M},
    {"Ward",          11644, 54,   M, M, M, M, M},  {"Red River",     11587,  8,  16, M, M, M, M},
    {"Parmer",         9869, 65,   M, M, M, M, M},  {"Marion",         9725,  5,  22, M, M, M, M},
    {"San Augustine",  7918,  6,  21, M, M, M, M},  {"Winkler",        7791, 60,   M, M, M, M, M},
    {"Yoakum",         7694, 64,   M, M, M, M, M},  {"Castro",         7371, 63,   M, M, M, M, M},
    {"Bailey",         6904, 61,   M, M, M, M, M},  {"Refugio",        6741, 47,   M, M, M, M, M},
    {"Crane",          4675, 60,   M, M, M, M, M},  {"Reagan",         3385, 60,   M, M, M, M, M},
    {"Sutton",         3372, 60,   M, M, M, M, M},  {"Upton",          3308, 55,   M, M, M, M, M},
    {"Kinney",         3129, 56,   M, M, M, M, M},  {"Crockett",       3098, 63,   M, M, M, M, M},
    {"Cochran",        2547, 51,   M, M, M, M, M},  {"Edwards",        1422, 52,   M, M, M, M, M},
};

// ---- The regional model ---------------------------------------------------

enum region { PLAINS, FAR_WEST, SOUTH, EAST, CENTRAL };

// From the county's bar position on the map (map units, origin south-west).
region region_of(int county) {
    int x = county_table[county].x, y = county_table[county].y;
    if (y >= 940 && x < 1000) return PLAINS;  // Panhandle and South Plains
    if (x < 800) return FAR_WEST;             // Trans-Pecos and the Permian Basin
    if (y < 440 && x < 1400) return SOUTH;    // the brush country and the coastal bend
    if (x >= 1460) return EAST;               // Piney Woods and the Gulf coast
    return CENTRAL;
}

// The anchors hold nearly every county of more than 20,000 people, so the
// model speaks mostly for the small ones.
struct region_model {
    double pop;     // median population of a county not anchored
    double hisp;    // typical Hispanic share, %
    double black;   // typical Black share, %
    double income;  // typical median household income, $1000
    double rep;     // shift of the Republican share against the statewide pattern
};

const region_model REGIONS[] = {
    {4500, 32, 2.5, 58, 5},    // PLAINS
    {3500, 42, 2.0, 55, 2},    // FAR_WEST
    {8000, 40, 1.8, 48, 0},    // SOUTH
    {13000, 10, 8.0, 52, 0},   // EAST
    {8000, 21, 4.0, 56, 1},    // CENTRAL
};

// Everything about one county before it is stored, in double precision.
struct county_figures {
    double pop;
    double hisp, black, asian, other, white;  // population shares, %
    double urban, age, income, rep;
    double vap_rate, reg_rate, turnout_rate;
    int64_t popn, vap, reg, votes;
};

bool has_population(const anchor* a) { return a && a->pop > 0; }

// A county's population before scaling to the state total: the first draw of
// its stream, skewed: many counties of a few thousand, fewer of 20,000.
double drawn_population(int county, const anchor* a) {
    rng r = county_stream(county);
    double pop_draw = REGIONS[region_of(county)].pop * std::exp(0.6 * normal(r));
    return has_population(a) ? a->pop : clamp(pop_draw, 1000.0, 30000.0);
}

// Draws the figures the anchors leave open, for a county of pop people. Every
// draw is taken whether or not an anchor overrides it, so the stream stays in
// step.
county_figures model_county(int county, const anchor* a, double pop) {
    rng r = county_stream(county);
    const region_model& m = REGIONS[region_of(county)];
    county_figures c{};
    normal(r);  // the population draw, already taken by drawn_population
    c.pop = pop;

    double hisp_draw = clamp(m.hisp * std::exp(0.30 * normal(r)), 4.0, 90.0);
    double black_draw = clamp(m.black * std::exp(0.45 * normal(r)), 0.1, 30.0);
    c.hisp = a && a->hisp >= 0 ? a->hisp : hisp_draw;
    c.black = a && a->black >= 0 ? a->black : black_draw;

    // Urban share grows with the county's size: about half at 20,000 people,
    // two thirds at 50,000, near all in the metro cores. A county without a
    // town of 2,500 has no urban population. The noise fades towards 0 and 100.
    double u = 1.0 / (1.0 + std::exp(-0.7 * std::log(c.pop / 20000.0)));
    double urban_noise = 36.0 * u * (1.0 - u) * normal(r);
    c.urban = c.pop < 2500 ? 0.0 : clamp(100.0 * u + urban_noise, 0.0, 99.0);

    double asian_draw = (0.2 + 0.012 * c.urban) * std::exp(0.45 * normal(r));
    c.asian = a && a->asian >= 0 ? a->asian : clamp(asian_draw, 0.0, 6.0);
    c.other = clamp(1.2 + 1.0 * uniform(r) + 0.01 * c.urban, 0.5, 3.5);
    c.white = 100.0 - c.hisp - c.black - c.asian - c.other;
    if (c.white < 0.5) {  // a heavily anchored county: "other" gives way first
        c.other = std::max(0.2, c.other + c.white - 0.5);
        c.white = 100.0 - c.hisp - c.black - c.asian - c.other;
    }

    // Older in the countryside and among Anglos, younger on the border.
    double age_draw = 45.0 + 3.0 * (1.0 - c.urban / 100.0) - 0.13 * c.hisp + 2.8 * normal(r);
    c.age = a && a->age > 0 ? a->age : clamp(age_draw, 27.0, 58.0);

    double income_draw = m.income + 0.15 * c.urban - 0.12 * (c.hisp - 30.0) + 6.0 * normal(r);
    c.income = a && a->income > 0 ? a->income : clamp(income_draw, 28.0, 110.0);

    // The Republican share falls with the Hispanic, Black and Asian shares and
    // with urbanisation; the Panhandle leans furthest right.
    double rep_draw = 91.0 + m.rep - 0.42 * c.hisp - 0.95 * c.black - 0.6 * c.asian - 8.0 * c.urban / 100.0 +
                      3.0 * normal(r);
    c.rep = a && a->rep > 0 ? a->rep : clamp(rep_draw, 20.0, 96.0);

    // Adults per head: older counties have more.
    c.vap_rate = clamp(0.58 + 0.0045 * c.age + 0.008 * normal(r), 0.72, 0.80);
    // Fewer registered where many adults are not citizens.
    c.reg_rate = clamp(0.88 - 0.22 * c.hisp / 100.0 - 0.15 * c.asian / 100.0 + 0.025 * normal(r), 0.60, 0.90);
    c.turnout_rate = clamp(67.0 - 0.20 * c.hisp - 0.10 * c.black + 3.0 * normal(r), 40.0, 70.0) / 100.0;
    return c;
}

// Adults are a larger part of the Anglo and Asian populations than of the
// younger Hispanic one; weighting each group by its share of adults turns
// population shares into voting-age shares.
void vap_shares(const county_figures& c, double out[5]) {
    const double w[5] = {1.08, 0.98, 0.90, 1.02, 0.85};  // white, black, hisp, asian, other
    const double s[5] = {c.white, c.black, c.hisp, c.asian, c.other};
    double total = 0.0;
    for (int i = 0; i < 5; ++i) total += w[i] * s[i];
    for (int i = 0; i < 5; ++i) out[i] = 100.0 * w[i] * s[i] / total;
}

// Stores a value and returns it as stored, so later fields derive from the
// figure the file holds.
double put(data_rec& rec, int field, double v) {
    rec.values[field] = static_cast<float>(v);
    return rec.values[field];
}

void set_name(data_rec& rec, const char* name) {
    std::memset(rec.name, 0, sizeof rec.name);
    std::memcpy(rec.name, name, strnlen(name, sizeof rec.name - 1));
}

// The fields computed from others; the same for a county and for the state.
void put_derived(data_rec& rec) {
    double rep = rec.values[F_REP], turnout = rec.values[F_TURNOUT];
    double hisp = rec.values[F_HISP_VAP], black = rec.values[F_BLACK_VAP];
    put(rec, F_LN_INCOME, std::log(static_cast<double>(rec.values[F_INCOME])));
    put(rec, F_REP_MINUS_TURNOUT, rep - turnout);
    double hisp_pow = put(rec, F_HISP_POW, std::pow(hisp, 1.5));
    double black_pow = put(rec, F_BLACK_POW, std::pow(black, 0.7));
    put(rec, F_HISP_MINUS_BLACK, hisp_pow - black_pow);
    put(rec, F_BLACK_MINUS_HISP, black_pow - hisp_pow);
}

void put_counts(data_rec& rec, int64_t pop, int64_t vap, int64_t reg, int64_t votes) {
    put(rec, F_POP, static_cast<double>(pop));
    put(rec, F_VAP, static_cast<double>(vap));
    put(rec, F_REG, static_cast<double>(reg));
    put(rec, F_VOTES, static_cast<double>(votes));
    put(rec, F_TURNOUT, 100.0 * static_cast<double>(votes) / static_cast<double>(reg));
    put(rec, F_REG_PER_VAP, 100.0 * static_cast<double>(reg) / static_cast<double>(vap));
}

int county_index(const char* name) {
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (std::strcmp(county_table[i].name, name) == 0) return i;
    return -1;
}

// Single precision holds whole numbers exactly only up to 2^24, and the state
// totals of population, VAP and registered voters lie between 2^24 and 2^25,
// where a float can hold even numbers only. Nudging the largest county by one
// keeps the state record equal to the sum of the counties.
void make_even(int64_t& total, int64_t& largest_county_count) {
    if (total > (int64_t{1} << 24) && total % 2 != 0) {
        ++largest_county_count;
        ++total;
    }
}

// Fills record_table with the 254 counties and the state-wide record.
// Returns false when an anchor names no county (a typo in the table).
bool make_records() {
    const anchor* anchor_of[COUNTY_COUNT] = {};
    for (const anchor& a : ANCHORS) {
        int i = county_index(a.name);
        if (i < 0) {
            std::fprintf(stderr, "make-sample: no county named \"%s\"\n", a.name);
            return false;
        }
        anchor_of[i] = &a;
    }

    // Scale the modelled populations so the state reaches its total; the
    // anchored ones stay as they are.
    double pop[COUNTY_COUNT];
    double anchored = 0.0, modelled = 0.0;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        pop[i] = drawn_population(i, anchor_of[i]);
        (has_population(anchor_of[i]) ? anchored : modelled) += pop[i];
    }
    double scale = (STATE_POPULATION - anchored) / modelled;

    static county_figures c[COUNTY_COUNT];
    int64_t pop_sum = 0, vap_sum = 0, reg_sum = 0, vote_sum = 0;
    int largest = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        c[i] = model_county(i, anchor_of[i], has_population(anchor_of[i]) ? pop[i] : pop[i] * scale);
        county_figures& f = c[i];
        f.popn = std::llround(f.pop);
        f.vap = std::llround(static_cast<double>(f.popn) * f.vap_rate);
        f.reg = std::max<int64_t>(1, std::llround(static_cast<double>(f.vap) * f.reg_rate));
        f.votes = std::max<int64_t>(1, std::llround(static_cast<double>(f.reg) * f.turnout_rate));
        pop_sum += f.popn;
        vap_sum += f.vap;
        reg_sum += f.reg;
        vote_sum += f.votes;
        if (f.popn > c[largest].popn) largest = i;
    }
    make_even(pop_sum, c[largest].popn);
    make_even(vap_sum, c[largest].vap);
    make_even(reg_sum, c[largest].reg);
    make_even(vote_sum, c[largest].votes);

    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const county_figures& f = c[i];
        data_rec& rec = record_table[i];
        std::memset(&rec, 0, sizeof rec);
        set_name(rec, county_table[i].name);

        double vap[5];
        vap_shares(f, vap);
        put(rec, F_WHITE_POP, f.white);
        put(rec, F_BLACK_POP, f.black);
        put(rec, F_HISP_POP, f.hisp);
        put(rec, F_ASIAN_POP, f.asian);
        put(rec, F_WHITE_VAP, vap[0]);
        put(rec, F_BLACK_VAP, vap[1]);
        put(rec, F_HISP_VAP, vap[2]);
        put(rec, F_ASIAN_VAP, vap[3]);
        put(rec, F_REP, f.rep);
        put(rec, F_AGE, f.age);
        put(rec, F_INCOME, f.income);
        put(rec, F_URBAN, f.urban);
        put_counts(rec, f.popn, f.vap, f.reg, f.votes);
        put(rec, F_STATE_POP, 100.0 * static_cast<double>(f.popn) / static_cast<double>(pop_sum));
        put_derived(rec);
    }

    // The state-wide record. Counts are the sums of the counties. Shares are
    // means of the county figures weighted by their natural base: the whole
    // population for population shares, urban share, median age and income
    // (for the last two a stand-in for the true state median); the VAP for
    // VAP shares; the votes for the Republican share (which makes it the
    // Republican share of all votes cast). Turnout and registration follow
    // from the summed counts.
    double pop_w = 0, vap_w = 0, vote_w = 0;
    double by_pop[FIELD_COUNT] = {}, by_vap[FIELD_COUNT] = {}, by_votes[FIELD_COUNT] = {};
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const data_rec& rec = record_table[i];
        double p = rec.values[F_POP], v = rec.values[F_VAP], n = rec.values[F_VOTES];
        pop_w += p;
        vap_w += v;
        vote_w += n;
        for (int k : {F_WHITE_POP, F_BLACK_POP, F_HISP_POP, F_ASIAN_POP, F_URBAN, F_AGE, F_INCOME})
            by_pop[k] += p * rec.values[k];
        for (int k : {F_WHITE_VAP, F_BLACK_VAP, F_HISP_VAP, F_ASIAN_VAP}) by_vap[k] += v * rec.values[k];
        by_votes[F_REP] += n * rec.values[F_REP];
    }
    data_rec& state = record_table[STATE_INDEX];
    std::memset(&state, 0, sizeof state);
    set_name(state, "TEXAS");
    for (int k : {F_WHITE_POP, F_BLACK_POP, F_HISP_POP, F_ASIAN_POP, F_URBAN, F_AGE, F_INCOME})
        put(state, k, by_pop[k] / pop_w);
    for (int k : {F_WHITE_VAP, F_BLACK_VAP, F_HISP_VAP, F_ASIAN_VAP}) put(state, k, by_vap[k] / vap_w);
    put(state, F_REP, by_votes[F_REP] / vote_w);
    put_counts(state, pop_sum, vap_sum, reg_sum, vote_sum);
    put(state, F_STATE_POP, 100.0);
    put_derived(state);

    app_state.record_count = COUNTY_COUNT + 1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample <output folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);  // an existing folder is fine

    if (!make_records()) return 1;

    std::string dat = folder + "/texas.dat", csv = folder + "/texas.csv";
    if (write_records(dat.c_str()) != 1) {
        std::fprintf(stderr, "make-sample: cannot write %s\n", dat.c_str());
        return 1;
    }
    if (write_csv(csv.c_str()) != 1) {
        std::fprintf(stderr, "make-sample: cannot write %s\n", csv.c_str());
        return 1;
    }
    std::printf("make-sample: %d records, state population %.0f, written to %s and %s\n",
                app_state.record_count, static_cast<double>(record_table[STATE_INDEX].values[F_POP]), dat.c_str(),
                csv.c_str());
    return 0;
}
