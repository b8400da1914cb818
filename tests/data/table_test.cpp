// County tables: tables as statistics offices and spreadsheets write them (tests/data/tables), the rules that match
// rows to counties, the numbers read from cells, the export of a table shown, and the files refused unchanged.

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "data/data.h"
#include "test_util.h"

namespace {

const std::string TABLES = PLEXAR_SOURCE_DIR "/tests/data/tables/";

std::string letters(std::string_view s) {
    std::string out;
    for (char c : s)
        if (std::isalnum(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(c));
    return out;
}

// The county_table row of a county, however its name is spaced ("La Salle" is "LaSalle").
int county(std::string_view name) {
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (letters(county_table[i].name) == letters(name)) return i;
    ADD_FAILURE() << "no county " << name;
    return 0;
}

// FIPS code to name, from the Census Bureau's list the map was made from (lines "C 48001 Anderson").
const std::map<int, std::string>& census_codes() {
    static const std::map<int, std::string> codes = [] {
        std::map<int, std::string> m;
        std::istringstream in(test::read_file(PLEXAR_SOURCE_DIR "/tools/map/texas-counties.txt"));
        for (std::string line; std::getline(in, line);)
            if (line.rfind("C ", 0) == 0) m[std::stoi(line.substr(2, 5))] = line.substr(8);
        return m;
    }();
    return codes;
}

using strings = std::vector<std::string>;

class Table : public ::testing::Test {
protected:
    void SetUp() override {
        reset_app_state();
        std::memset(record_table, 0, sizeof record_table);
        std::memset(field_scale_index, 2, sizeof field_scale_index);
        set_catalogue_fields({"REP VOTE%", "MED AGE"});
    }
    int open(const std::string& path) { return read_table(path.c_str(), summary); }
    int open_text(const std::string& text) {
        test::write_file(dir / "t.csv", text);
        return open(dir / "t.csv");
    }
    static float value(std::string_view name, int field) { return record_table[county(name)].values[field]; }
    static float state(int field) { return record_table[STATE_INDEX].values[field]; }
    // Each cell's value; "TEXAS" is the state's row, NAN a cell without a value.
    struct cell { std::string_view county; int field; float value; };
    static void expect_cells(std::initializer_list<cell> cells) {
        for (const cell& c : cells) {
            const float v = c.county == "TEXAS" ? state(c.field) : value(c.county, c.field);
            EXPECT_TRUE(same(v, c.value)) << c.county << " " << c.field << ": " << v << ", not " << c.value;
        }
    }
    static bool same(float a, float b) { return std::isnan(b) ? std::isnan(a) : a == b; }
    static std::vector<int> scales(int n) { return std::vector<int>(field_scale_index, field_scale_index + n); }

    table_summary summary;
    test::scratch_dir dir;
};

}  // namespace

TEST_F(Table, CensusDownloadTakesTitlesFromItsLabelLine) {
    ASSERT_EQ(open(TABLES + "census_acs_population.csv"), 1) << summary.error;
    const std::string income = "household income in the past 12 months (in 2022 inflation-adjusted dollars)";
    EXPECT_EQ(field_labels, strings({"Estimate!!Total population", "Estimate!!Median " + income,
                                     "Margin of Error!!Median " + income, "Estimate!!Median value (dollars)"}));
    EXPECT_TRUE(table_fields && summary.state_row && summary.unmatched.empty() && summary.duplicates.empty());
    EXPECT_EQ(std::pair(app_state.record_count, summary.counties), std::pair(255, 33));
    // "La Salle County, Texas", "De Witt County, Texas"; the Census puts El Paso after Ellis, McCulloch before
    // Madison; "(X)", "-", "**" and "N" are no values
    expect_cells({{"Anderson", 0, 57922}, {"Harris", 0, 4780913}, {"LaSalle", 0, 6664}, {"DeWitt", 0, 19824},
                  {"El Paso", 0, 865657}, {"Ellis", 0, 192455}, {"McCulloch", 0, 7633}, {"Madison", 0, 13616},
                  {"TEXAS", 0, 29243342}, {"TEXAS", 2, NAN}, {"Loving", 1, NAN}, {"Loving", 2, NAN},
                  {"Loving", 3, NAN}, {"Kenedy", 3, NAN}, {"King", 3, NAN}});
    for (float v : record_table[county("Brewster")].values) EXPECT_TRUE(std::isnan(v));  // no row
    EXPECT_STREQ(record_table[STATE_INDEX].name, "TEXAS");

    // the tallest county, not the state, sets the scale: Harris at 1:10000, Travis's 512,300 past 500 at 1:1000
    EXPECT_EQ(scales(5), std::vector<int>({4, 3, 2, 4, 0}));
    EXPECT_EQ(summary_text(summary),
              "33 of 254 counties got a row, 4 fields were taken, 0 rows did not match.\n"
              "Counties matched by the column \"Geography\".\nThe row for Texas gives the state-wide values.");
    const strings lines = summary_lines(summary);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Counties without a row (221): Angelina, Aransas, Archer, ", 0), 0u) << lines[0];
}

TEST_F(Table, NationalFileKeepsTheRowsOfTexasByItsStateColumn) {
    ASSERT_EQ(open(TABLES + "popest_national.csv"), 1) << summary.error;
    EXPECT_EQ(std::tuple(summary.other_states, summary.counties, summary.key_title), std::tuple(12, 10, "COUNTY"));
    EXPECT_TRUE(summary.state_row && summary.unmatched.empty() && summary.duplicates.empty());
    EXPECT_EQ(field_labels, strings({"SUMLEV", "REGION", "DIVISION", "ESTIMATESBASE2020", "POPESTIMATE2022",
                                     "NPOPCHG2022", "RNETMIG2022"}));
    // Colorado's El Paso (041) and Oklahoma's Harmon (057), earlier in the file, share Brazos's and Calhoun's codes
    expect_cells({{"Brazos", 4, 242014}, {"Calhoun", 4, 20076}, {"El Paso", 4, 868763}, {"Loving", 6, -98.3607f},
                  {"TEXAS", 4, 30029572}});

    // a "State FIPS Code" column, or a name naming another state beside a county code, tells Alabama's 001 apart
    for (const char* table : {"Alabama FIPS Code,County Code,Rate\n01,001,9.5\n48,001,4.5\n",
                              "State FIPS Code,County Code,Rate\n00,000,7\n01,001,9.5\n48,001,4.5\n",
                              "County Code,Name,Rate\n001,\"Autauga County, AL\",9.5\n"
                              "001,\"Anderson County, TX\",4.5\n"}) {
        ASSERT_EQ(open_text(table), 1) << summary.error;
        const int rate = int(field_labels.size()) - 1;  // "Alabama FIPS Code" is no state column: the first row wins
        EXPECT_EQ(std::tuple(field_labels[rate], value("Anderson", rate)),
                  std::tuple("Rate", table[0] == 'A' ? 9.5f : 4.5f)) << table;
        EXPECT_TRUE(std::isnan(state(rate))) << table;  // the nation's row ("00", "000") is not the state's
    }
}

TEST_F(Table, SemicolonTableHasDecimalCommas) {
    ASSERT_EQ(open(TABLES + "land_use_semicolon.csv"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Land area (sq mi)", "Population density", "Farmland share", "Median age",
                                     "Change since 2010"}));
    EXPECT_EQ(summary.counties, 10);
    // "State of Texas", "Harris County", "N/A"; Zavala after a blank line
    expect_cells({{"TEXAS", 0, 261231.7f}, {"Harris", 1, 2806.4f}, {"LaSalle", 2, 88.4f}, {"DeWitt", 4, -0.8f},
                  {"Loving", 1, 0.1f}, {"Loving", 2, NAN}, {"Zavala", 0, 1297.4f}});
}

TEST_F(Table, WindowsAndUnicodeTextBecomeUtf8) {
    ASSERT_EQ(open(TABLES + "spanish_cp1252.csv"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Poblaci\xC3\xB3n 2020", "A\xC3\xB1o de fundaci\xC3\xB3n",
                                     "Cambio 2010\xE2\x80\x93" "2020", "Hispanos"}));
    EXPECT_EQ(summary.counties, 11);
    // Zapata's the last line, with no line break
    expect_cells({{"Bexar", 0, 2009324}, {"Val Verde", 2, -2.5f}, {"Zapata", 3, 94.2f}, {"Kenedy", 3, NAN},
                  {"TEXAS", 0, NAN}});
    EXPECT_FALSE(summary.state_row);
    EXPECT_NE(summary_text(summary).find("No row for Texas: the state-wide values are n/a."), std::string::npos);

    const std::u16string text = u"Condado\tPoblaci\u00f3n\r\nB\u00e9xar\t5\r\nVal V\u00e9rde\t6\r\n";
    for (bool little : {true, false}) {  // UTF-16 with a byte-order mark, either way round
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t c : text) bytes += little ? std::string{char(c), char(c >> 8)}
                                                : std::string{char(c >> 8), char(c)};
        ASSERT_EQ(open_text(bytes), 1) << summary.error;
        EXPECT_EQ(field_labels, strings({"Poblaci\xC3\xB3n"}));
        expect_cells({{"Bexar", 0, 5}, {"Val Verde", 0, 6}});
    }
}

// The shipped table of real figures; the values were looked up by hand in the source files (unemployment.tsv:
// 48201 .085, 48301 .115; species.csv: 48201 robin 0.6947, 48283 deer 0.88).
TEST_F(Table, ShippedRealFiguresGiveEveryCountyFiveFields) {
    ASSERT_EQ(open(PLEXAR_SOURCE_DIR "/data/sample/texas-counties.csv"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Unemployment rate 2009 (%)", "American Bullfrog year-round habitat (%)",
                                     "American Robin year-round habitat (%)", "White-tailed Deer year-round habitat (%)",
                                     "Common Gartersnake year-round habitat (%)"}));
    EXPECT_EQ(std::pair(summary.key_title, summary.counties), std::pair(std::string("County"), COUNTY_COUNT));
    EXPECT_TRUE(summary.missing.empty() && summary.unmatched.empty() && summary.duplicates.empty());
    EXPECT_FALSE(summary.state_row);
    expect_cells({{"Harris", 0, 8.5f}, {"Loving", 0, 11.5f}, {"Harris", 2, 69.47f}, {"LaSalle", 3, 88}});
}

TEST_F(Table, ElectionResultsMatchByCensusCodes) {
    ASSERT_EQ(open(TABLES + "election_2020.tsv"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"total_votes", "votes_gop", "votes_dem", "votes_other", "per_gop"}));
    EXPECT_EQ(summary.key_title, "county_fips");
    EXPECT_EQ(summary.unmatched, strings({"48999 (line 18)"}));
    EXPECT_EQ(summary.counties, 16);
    expect_cells({{"TEXAS", 0, 11315056}, {"TEXAS", 4, 52.06f}});  // code 48
    for (auto [code, total] : {std::pair{48139, 91886.0f}, {48141, 267215.0f}, {48307, 3636.0f}, {48313, 5239.0f},
                               {48323, 18007.0f}, {48507, 4601.0f}})
        EXPECT_EQ(value(census_codes().at(code), 0), total) << code;
}

TEST_F(Table, RowsMatchByEveryFormOfCountyCode) {
    for (std::string form : {"48%03d", "0500000US48%03d", "%03d", "%d"}) {
        std::string text = "code,value\n";
        for (const auto& [code, name] : census_codes()) {
            char key[32];
            std::snprintf(key, sizeof key, form.c_str(), code % 1000);
            text += std::string(key) + "," + std::to_string(code) + ".5\n";  // a value that is no code
        }
        ASSERT_EQ(open_text(text), 1) << form << ": " << summary.error;
        EXPECT_EQ(summary.counties, COUNTY_COUNT) << form;
        for (const auto& [code, name] : census_codes()) EXPECT_EQ(value(name, 0), code + 0.5f) << form << " " << name;
    }
}

TEST_F(Table, RowsMatchByNameInTheWaysPeopleSpellThem) {
    ASSERT_EQ(open_text("County,Population\n"
                        "HARRIS COUNTY,4780913\n\"Dallas County, TX\",2606358\ntarrant co.,2126477\n"
                        "B\xC3\xA9xar,2009324\nGotham,1\n\"El Paso, CO\",740567\n\"El Paso, Texas\",865657\n"
                        "La Salle,6664\n\"LaSalle County, Texas\",6665\n\"De\r\nWitt\",19824\n"
                        "Texas,29243342\nState of Texas,2\n\"Autauga County, Alabama\",58809\n"
                        "Texas County,26000\n"),  // Missouri's or Oklahoma's, not the state
              1) << summary.error;
    EXPECT_EQ(summary.counties, 7);
    EXPECT_EQ(summary.other_states, 2);
    EXPECT_EQ(summary.unmatched, strings({"Gotham (line 6)", "Texas County (line 16)"}));
    EXPECT_EQ(summary.duplicates, strings({"LaSalle County, Texas (line 10)", "State of Texas (line 14)"}));
    expect_cells({{"Harris", 0, 4780913}, {"Dallas", 0, 2606358}, {"Tarrant", 0, 2126477}, {"Bexar", 0, 2009324},
                  {"El Paso", 0, 865657}, {"LaSalle", 0, 6664}, {"DeWitt", 0, 19824}, {"TEXAS", 0, 29243342}});
    EXPECT_EQ(summary_lines(summary)[0], "Rows not matched (2): Gotham (line 6), Texas County (line 16)");
    summary.unmatched.assign(1234, "Gotham (line 6)");  // the Info panel gets the first hundred, a script all
    EXPECT_TRUE(summary_lines(summary)[0].ends_with("(line 6), Gotham (line 6) and 1,134 more"));
    EXPECT_EQ(summary_lines(summary, true)[0].size(), std::size("Rows not matched (1,234): ") - 1 + 1234 * 15 + 1233 * 2);
    EXPECT_NE(summary_text(summary).find("\n2 later rows for a county already given left out (the first row wins): "
                                         "LaSalle County, Texas (line 10), State of Texas (line 14)."),
              std::string::npos);

    // ranks 1, 2, 3.. hit every other county code: the names are the key
    ASSERT_EQ(open_text("Rank,County,Population\n1,Harris,4780913\n2,Dallas,2606358\n3,Tarrant,2126477\n"), 1);
    EXPECT_EQ(summary.key_title, "County");
    EXPECT_EQ(field_labels, strings({"Rank", "Population"}));
    expect_cells({{"Harris", 1, 4780913}});

    // five-digit codes are the key before three-digit ones; neither they nor a second key column are fields
    ASSERT_EQ(open_text("county,fips,GEOID,votes\n001,48001,0500000US48001,9\n003,48003,0500000US48003,8\n"), 1);
    EXPECT_EQ(summary.key_title, "fips");
    EXPECT_EQ(field_labels, strings({"votes"}));
}

TEST_F(Table, NumbersAsSpreadsheetsWriteThem) {
    const std::pair<const char*, float> cells[] = {
        {"\"1,234\"", 1234.0f}, {"\"$1,234.50\"", 1234.5f}, {"-$5", -5.0f},   {"12.5%", 12.5f},
        {"1.5e3", 1500.0f},     {"-2.5E-2", -0.025f},       {"\"250,000+\"", 250000.0f},
        {" 42 ", 42.0f},        {"+.5", 0.5f},              {"N/A", NAN},     {"NA", NAN},
        {"-", NAN},             {"(X)", NAN},               {"", NAN},        {"#N/A", NAN},
        {"\"(1,234.5)\"", -1234.5f}, {"\"1,23\"", NAN},  // a stray word among the figures
    };
    std::string text = "County,Value,Notes\n";
    for (std::size_t i = 0; i < std::size(cells); ++i)
        text += std::string(county_table[i].name) + "," + cells[i].first + ",note " + std::to_string(i) + "\n";
    ASSERT_EQ(open_text(text), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Value"}));  // mostly words: no field
    for (std::size_t i = 0; i < std::size(cells); ++i)
        EXPECT_TRUE(same(record_table[i].values[0], cells[i].second)) << cells[i].first;

    // semicolons: a decimal comma, points between thousands, a lone point still decimal
    ASSERT_EQ(open_text("County;A;B;C\nAnderson;1.234,5;2.5;-0,25\nAndrews;\"7,0\";1.000.000;12\n"), 1);
    expect_cells({{"Anderson", 0, 1234.5f}, {"Anderson", 1, 2.5f}, {"Anderson", 2, -0.25f}, {"Andrews", 0, 7},
                  {"Andrews", 1, 1e6f}, {"Andrews", 2, 12}});
    // Excel's "sep=" line names the delimiter; a blank may stand before the percent sign
    ASSERT_EQ(open_text("sep=;\r\nCounty,name;Share;Pop\r\nHarris;49,6 %;4\xC2\xA0""731 145\r\n"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Share", "Pop"}));
    expect_cells({{"Harris", 0, 49.6f}, {"Harris", 1, 4731145}});
    // a figure beyond a float's range is no number; the column's other figures keep it a field
    std::string big = "County,Value\n";
    for (int i = 0; i < 20; ++i) big += std::string(county_table[i].name) + (i == 7 ? ",1e39\n" : ",5\n");
    ASSERT_EQ(open_text(big), 1) << summary.error;
    expect_cells({{county_table[7].name, 0, NAN}, {county_table[8].name, 0, 5}});

    // 25 fields at most, the rest named; a blank title is numbered
    text = "County";
    for (int k = 1; k <= 27; ++k) text += k == 2 ? "," : ",c" + std::to_string(k);
    text += "\nHarris";
    for (int k = 1; k <= 27; ++k) text += "," + std::to_string(k * 100000);
    ASSERT_EQ(open_text(text + "\n"), 1) << summary.error;
    ASSERT_EQ(field_labels.size(), 25u);
    EXPECT_EQ(field_labels[1], "Column 3");
    EXPECT_EQ(summary.left_out, strings({"c26", "c27"}));
    expect_cells({{"Harris", 24, 2500000}});
    EXPECT_NE(summary_text(summary).find("\n2 columns of numbers left out (25 fields at most): c26, c27."),
              std::string::npos);
}

TEST_F(Table, ExportNamesTheTableColumnsUntilARecordFileIsRead) {
    ASSERT_EQ(open_text("County,\"Income, median\",\"Rate \"\"adj\"\"\"\nHarris,70789,1.5\nTexas,72284,\n"), 1);
    ASSERT_EQ(write_csv((dir / "out.csv").c_str()), 1);
    const std::string out = test::read_file(dir / "out.csv");
    EXPECT_EQ(out.substr(0, out.find('\r')), "COUNTIES,\"Income, median\",\"Rate \"\"adj\"\"\"");
    EXPECT_FALSE(has_record_header((dir / "out.csv").c_str()));

    // the export opens again as the same table, each record a row
    const std::vector<data_rec> before(record_table, record_table + STATE_INDEX + 1);
    std::memset(record_table, 0, sizeof record_table);
    ASSERT_EQ(open(dir / "out.csv"), 1) << summary.error;
    EXPECT_EQ(field_labels, strings({"Income, median", "Rate \"adj\""}));
    EXPECT_EQ(summary.counties, COUNTY_COUNT);
    for (int i = 0; i <= STATE_INDEX; ++i)
        for (int k = 0; k < FIELD_COUNT; ++k)
            EXPECT_TRUE(same(record_table[i].values[k], before[i].values[k])) << i << " " << k;

    ASSERT_EQ(read_csv((dir / "out.csv").c_str()), 1);  // a record import: the catalogue's labels and scales again
    EXPECT_FALSE(table_fields);
    EXPECT_EQ(field_labels, strings({"REP VOTE%", "MED AGE"}));
    EXPECT_EQ(scales(3), std::vector<int>({2, 2, 2}));
    ASSERT_EQ(write_csv((dir / "out.csv").c_str()), 1);
    EXPECT_TRUE(has_record_header((dir / "out.csv").c_str()));
}

TEST_F(Table, HostileFilesAreRefusedAndChangeNothing) {
    for (data_rec& r : record_table) std::fill(std::begin(r.values), std::end(r.values), 7.0f);
    app_state.record_count = 3;
    const std::vector<data_rec> before(record_table, record_table + RECORD_CAPACITY);
    std::string wide = "County", many_lines;
    for (int c = 1; c < 1000; ++c) wide += ",v" + std::to_string(c);
    for (std::size_t n = 0; n <= TABLE_MAX_LINES; ++n) many_lines += "Harris,1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"City,Rank,Population\nPlano,1,285494\nLaredo,2,255205\nArlington,3,394266\n",  // ranks are no codes
         "it has no column of county names or codes"},
        {"County,Seat\nHarris,Houston\nTravis,Austin\n", "it has no column of numbers"},
        {std::string("County,Value\nHarris,1\n\x01\x02\0\x03", 26), "it holds binary data, not text"},
        {"County,Value\nHarris,1\n\"Travis,2\nDallas,3\n", "the quote that opens on line 3 is never closed"},
        {"County,Value\nHarris," + std::string(TABLE_MAX_LINE, '1') + "\n", "line 2 is longer than 1 MB"},
        {wide + "\nHarris,1\n", "line 1 has more than 999 columns"},
        {many_lines, "it has more than 1,000,000 lines"},
        {"County,Value\n\n", "it has no rows below its titles"},
        {"\r\n \r\n", "it holds no text"},
    };
    for (const auto& [text, error] : cases) {
        EXPECT_EQ(open_text(text), 0) << error;
        EXPECT_EQ(summary.error, error);
    }
    test::write_file(dir / "huge.csv", "County,Value\n");
    ASSERT_EQ(truncate((dir / "huge.csv").c_str(), TABLE_MAX_BYTES + 1), 0);  // sparse: no disk used
    for (auto [path, error] : {std::pair{dir / "huge.csv", "it is larger than 64 MB"},
                               {dir / "missing.csv", "No such file or directory"},
                               {dir.path().string(), "it is not a regular file"}}) {
        EXPECT_EQ(open(path), 0) << error;
        EXPECT_EQ(summary.error, error);
    }

    EXPECT_EQ(std::memcmp(before.data(), record_table, sizeof record_table), 0);
    EXPECT_EQ(app_state.record_count, 3);
    EXPECT_FALSE(table_fields);
    EXPECT_EQ(field_labels, strings({"REP VOTE%", "MED AGE"}));
    EXPECT_EQ(scales(FIELD_COUNT), std::vector<int>(FIELD_COUNT, 2));
    // 999 columns are still a table
    wide.resize(wide.rfind(','));
    std::string row = "Harris";
    for (int c = 1; c < 999; ++c) row += ",1";
    ASSERT_EQ(open_text(wide + "\n" + row + "\n"), 1) << summary.error;
}
