// make-map: draws the shipped map image, data/maps/karto04.bmp, from the Census
// county outlines in tools/map/texas-counties.txt.
//
//   build/make-map tools/map/texas-counties.txt data/maps/karto04.bmp
//
// The picture spans the map quad, 0..MAP_WIDTH x 0..MAP_HEIGHT map units with
// its bottom row along y = 0, and every county's bar position from county_table
// must land inside that county. The outlines come in longitude/latitude, so we
// fit an affine map from the counties' area centroids to the table positions,
// then warp the plane a little for the few counties whose position still falls
// outside or on a border line (see correct_misses). Same input, same bytes out: nothing here depends on the
// clock, the locale or the order of a hash table.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "data/data.h"
#include "image/image.h"

namespace {

constexpr double MAP_WIDTH = 1882.0;   // map units covered by the image, west to east
constexpr double MAP_HEIGHT = 1388.0;  // map units covered by the image, south to north
constexpr int IMAGE_WIDTH = 2048;      // texture sides must be powers of two
constexpr int IMAGE_HEIGHT = 1024;

// A bar position counts as well placed when it is inside its county and at
// least this far from the county's border: half a bar's 10-unit footprint, so
// the bar's foot does not sit across a border line.
constexpr double POSITION_MARGIN = 5.0;

// Half widths of the drawn lines, in pixels. The lines are measured in pixels,
// not map units, so they look the same thickness in both directions of the file.
constexpr double BORDER_HALF_WIDTH = 1.0;
constexpr double OUTLINE_HALF_WIDTH = 1.4;

struct colour {
    unsigned char r, g, b;
};
constexpr colour OUTSIDE_COLOUR = {196, 206, 216};  // light blue-grey: sea and neighbours
constexpr colour LAND_COLOUR = {250, 242, 214};     // pale cream
constexpr colour BORDER_COLOUR = {96, 96, 96};      // county borders
constexpr colour OUTLINE_COLOUR = {56, 56, 64};     // the state's own edge

struct point {
    double x, y;
};

using ring = std::vector<point>;

struct map_county {
    std::string fips;
    std::string name;
    std::vector<ring> rings;   // lon/lat as read, map units once fitted
    std::vector<ring> lonlat;  // the rings as read, kept for finding shared edges
    int row = -1;             // county_table row
    point centroid{};         // area centroid, lon/lat
};

// ---- Reading the outlines -------------------------------------------------

// "C <fips> <name>" starts a county, "R lon lat lon lat ..." adds a ring to it,
// "#" lines are comments. Returns false after saying what is wrong.
bool read_counties(const char* path, std::vector<map_county>& counties) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "make-map: can't open %s\n", path);
        return false;
    }
    std::string line;
    int line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.compare(0, 2, "C ") == 0) {
            size_t blank = line.find(' ', 2);
            if (blank == std::string::npos) {
                std::fprintf(stderr, "make-map: %s:%d: county without a name\n", path, line_no);
                return false;
            }
            map_county county;
            county.fips = line.substr(2, blank - 2);
            county.name = line.substr(blank + 1);
            counties.push_back(county);
        } else if (line.compare(0, 2, "R ") == 0 && !counties.empty()) {
            // strtod, not streams: the process keeps the C locale, and this is fast
            ring points;
            const char* p = line.c_str() + 2;
            for (;;) {
                char* end;
                double lon = std::strtod(p, &end);
                if (end == p) break;
                p = end;
                double lat = std::strtod(p, &end);
                if (end == p) {
                    std::fprintf(stderr, "make-map: %s:%d: odd number of coordinates\n", path, line_no);
                    return false;
                }
                p = end;
                points.push_back({lon, lat});
            }
            if (points.size() < 3) {
                std::fprintf(stderr, "make-map: %s:%d: ring of fewer than 3 points\n", path, line_no);
                return false;
            }
            counties.back().rings.push_back(points);
        } else {
            std::fprintf(stderr, "make-map: %s:%d: unexpected line\n", path, line_no);
            return false;
        }
    }
    return true;
}

// Names compared without case, blanks or punctuation: the Census writes
// "De Witt" and "La Salle" where the table has "DeWitt" and "LaSalle".
std::string name_key(const char* name) {
    std::string key;
    for (const char* c = name; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return key;
}

// Pairs every county with its table row; all 254 rows must be found exactly once.
bool match_rows(std::vector<map_county>& counties) {
    std::map<std::string, int> rows;
    for (int i = 0; i < COUNTY_COUNT; ++i) rows[name_key(county_table[i].name)] = i;
    std::vector<int> used(COUNTY_COUNT, 0);
    bool ok = true;
    for (map_county& county : counties) {
        auto found = rows.find(name_key(county.name.c_str()));
        if (found == rows.end()) {
            std::fprintf(stderr, "make-map: %s (%s) is not in the county table\n", county.name.c_str(),
                         county.fips.c_str());
            ok = false;
            continue;
        }
        county.row = found->second;
        if (used[county.row]++) {
            std::fprintf(stderr, "make-map: %s appears twice\n", county_table[county.row].name);
            ok = false;
        }
    }
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (!used[i]) {
            std::fprintf(stderr, "make-map: no outline for %s\n", county_table[i].name);
            ok = false;
        }
    return ok;
}

// ---- Geometry --------------------------------------------------------------

// Area centroid of all rings together. Rings of one polygon wind consistently
// (holes the other way round), so the signed sums cancel the right parts.
point area_centroid(const std::vector<ring>& rings) {
    double area = 0, mx = 0, my = 0;
    for (const ring& r : rings) {
        for (size_t i = 0, n = r.size(); i < n; ++i) {
            const point& a = r[i];
            const point& b = r[(i + 1) % n];
            double cross = a.x * b.y - b.x * a.y;
            area += cross;
            mx += (a.x + b.x) * cross;
            my += (a.y + b.y) * cross;
        }
    }
    return {mx / (3 * area), my / (3 * area)};
}

// Distance from p to the nearest edge of the rings.
double border_distance(const std::vector<ring>& rings, point p) {
    double best = 1e30;
    for (const ring& r : rings)
        for (size_t i = 0, n = r.size(), j = n - 1; i < n; j = i++) {
            const point& a = r[j];
            const point& b = r[i];
            double ex = b.x - a.x, ey = b.y - a.y;
            double len2 = ex * ex + ey * ey;
            double t = len2 > 0 ? std::clamp(((p.x - a.x) * ex + (p.y - a.y) * ey) / len2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(p.x - (a.x + t * ex), p.y - (a.y + t * ey)));
        }
    return best;
}

// Even-odd test over all rings: islands and holes need no special case.
bool inside(const std::vector<ring>& rings, point p) {
    bool in = false;
    for (const ring& r : rings) {
        for (size_t i = 0, n = r.size(), j = n - 1; i < n; j = i++) {
            const point& a = r[i];
            const point& b = r[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
        }
    }
    return in;
}

struct affine {
    double a[3];  // x = a0 lon + a1 lat + a2
    double b[3];  // y = b0 lon + b1 lat + b2
    point apply(point p) const { return {a[0] * p.x + a[1] * p.y + a[2], b[0] * p.x + b[1] * p.y + b[2]}; }
};

// Solves the 3 x 3 system m v = r by Cramer's rule.
bool solve3(const double m[3][3], const double r[3], double v[3]) {
    auto det = [](const double q[3][3]) {
        return q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) - q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
               q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
    };
    double d = det(m);
    if (std::fabs(d) < 1e-12) return false;
    for (int k = 0; k < 3; ++k) {
        double q[3][3];
        std::memcpy(q, m, sizeof q);
        for (int i = 0; i < 3; ++i) q[i][k] = r[i];
        v[k] = det(q) / d;
    }
    return true;
}

// Least squares fit of centroid -> table position, x and y separately (they
// share the normal matrix). Longitude and latitude are centred first so the
// matrix is well conditioned.
bool fit_affine(const std::vector<map_county>& counties, affine& fit) {
    double cx = 0, cy = 0;
    for (const map_county& c : counties) {
        cx += c.centroid.x;
        cy += c.centroid.y;
    }
    cx /= counties.size();
    cy /= counties.size();
    double m[3][3] = {}, rx[3] = {}, ry[3] = {};
    for (const map_county& c : counties) {
        double u[3] = {c.centroid.x - cx, c.centroid.y - cy, 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += u[i] * u[j];
            rx[i] += u[i] * county_table[c.row].x;
            ry[i] += u[i] * county_table[c.row].y;
        }
    }
    double va[3], vb[3];
    if (!solve3(m, rx, va) || !solve3(m, ry, vb)) return false;
    // undo the centring
    fit.a[0] = va[0];
    fit.a[1] = va[1];
    fit.a[2] = va[2] - va[0] * cx - va[1] * cy;
    fit.b[0] = vb[0];
    fit.b[1] = vb[1];
    fit.b[2] = vb[2] - vb[0] * cx - vb[1] * cy;
    return true;
}

point table_position(const map_county& c) {
    return {double(county_table[c.row].x), double(county_table[c.row].y)};
}

// A smooth displacement of the plane: inverse-distance weighting (power 2) of
// shifts given at sites. Sites with a zero shift pin the plane there, so the
// field stays local to the sites that move.
struct displacement {
    std::vector<point> sites;
    std::vector<point> shifts;
    point at(point p) const {
        double wsum = 0, dx = 0, dy = 0;
        for (size_t i = 0; i < sites.size(); ++i) {
            double ex = p.x - sites[i].x, ey = p.y - sites[i].y;
            double d2 = ex * ex + ey * ey;
            if (d2 < 1e-12) return shifts[i];
            double w = 1.0 / d2;
            wsum += w;
            dx += w * shifts[i].x;
            dy += w * shifts[i].y;
        }
        return {dx / wsum, dy / wsum};
    }
};

bool well_placed(const map_county& c) {
    point t = table_position(c);
    return inside(c.rings, t) && border_distance(c.rings, t) >= POSITION_MARGIN;
}

int count_misses(const std::vector<map_county>& counties, std::vector<char>* missed) {
    int misses = 0;
    for (size_t i = 0; i < counties.size(); ++i) {
        bool miss = !well_placed(counties[i]);
        if (missed && miss) (*missed)[i] = 1;
        misses += miss;
    }
    return misses;
}

// Prints how many positions are inside their county and how many of those
// are also clear of its border; returns the number not well placed.
int report_check(const char* what, const std::vector<map_county>& counties, bool name_them) {
    int outside = 0, close = 0;
    std::string names;
    for (const map_county& c : counties) {
        point t = table_position(c);
        if (!inside(c.rings, t))
            ++outside;
        else if (border_distance(c.rings, t) < POSITION_MARGIN)
            ++close;
        else
            continue;
        names += ' ';
        names += county_table[c.row].name;
    }
    std::printf("%s: %d of %d table positions inside their own county, %d of them closer than %.0f map units "
                "to its border%s%s\n",
                what, COUNTY_COUNT - outside, COUNTY_COUNT, close, POSITION_MARGIN,
                name_them && !names.empty() ? "; not well placed:" : "", name_them ? names.c_str() : "");
    return outside + close;
}

// The point of the rings nearest to t that lies at least depth inside them,
// searched on a half-unit grid; when the county has no such point, its
// deepest point.
point nearest_deep_point(const std::vector<ring>& rings, point t, double depth) {
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    for (const ring& r : rings)
        for (const point& p : r) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
    point best = t, deepest = t;
    double best_d = 1e30, deepest_depth = -1;
    for (double y = std::floor(y0); y <= y1; y += 0.5)
        for (double x = std::floor(x0); x <= x1; x += 0.5) {
            point p = {x, y};
            if (!inside(rings, p)) continue;
            double depth_here = border_distance(rings, p);
            if (depth_here > deepest_depth) {
                deepest_depth = depth_here;
                deepest = p;
            }
            double d = std::hypot(x - t.x, y - t.y);
            if (depth_here >= depth && d < best_d) {
                best_d = d;
                best = p;
            }
        }
    return best_d < 1e30 ? best : deepest;
}

// The affine fit leaves a few bar positions outside their county or right on
// its border. For each of those counties we take the nearest point that is
// comfortably inside it and warp the plane so that this point lands on the
// table position, while the table positions of all other counties stay where
// they are. Counties the warp pushes out in turn join the set, until every
// position is well placed. Returns the number of counties corrected, or -1
// if that does not settle.
int correct_misses(std::vector<map_county>& counties, double& largest_shift) {
    std::vector<std::vector<ring>> fitted(counties.size());
    for (size_t i = 0; i < counties.size(); ++i) fitted[i] = counties[i].rings;

    std::vector<char> corrected(counties.size(), 0);
    for (int round = 0; round < 20; ++round) {
        std::vector<char> missed(counties.size(), 0);
        if (count_misses(counties, &missed) == 0) {
            int n = 0;
            for (char c : corrected) n += c;
            return n;
        }
        for (size_t i = 0; i < counties.size(); ++i) corrected[i] |= missed[i];

        displacement field;
        largest_shift = 0;
        for (size_t i = 0; i < counties.size(); ++i) {
            point t = table_position(counties[i]);
            if (corrected[i]) {
                point q = nearest_deep_point(fitted[i], t, 2 * POSITION_MARGIN);
                field.sites.push_back(q);
                field.shifts.push_back({t.x - q.x, t.y - q.y});
                largest_shift = std::max(largest_shift, std::hypot(t.x - q.x, t.y - q.y));
            } else {
                field.sites.push_back(t);
                field.shifts.push_back({0, 0});
            }
        }
        // always from the fitted outlines, so rounds do not compound
        for (size_t i = 0; i < counties.size(); ++i) {
            counties[i].rings = fitted[i];
            for (ring& r : counties[i].rings)
                for (point& p : r) {
                    point d = field.at(p);
                    p.x += d.x;
                    p.y += d.y;
                }
        }
    }
    return -1;
}

// ---- Drawing ---------------------------------------------------------------

// Map units to pixel coordinates in which pixel (c, r) has its centre at (c, r),
// r counted from the bottom row.
point to_pixels(point p) {
    return {p.x * IMAGE_WIDTH / MAP_WIDTH - 0.5, p.y * IMAGE_HEIGHT / MAP_HEIGHT - 0.5};
}

void put(rgb_image& image, int c, int r, colour col) {
    unsigned char* px = image.pixels + (size_t(r) * image.width + c) * 3;
    px[0] = col.r;
    px[1] = col.g;
    px[2] = col.b;
}

// Scanline fill, even-odd rule: a pixel is the county's when its centre is.
void fill_county(rgb_image& image, const std::vector<ring>& rings, colour col) {
    std::vector<ring> px(rings.size());
    double lo = 1e30, hi = -1e30;
    for (size_t k = 0; k < rings.size(); ++k)
        for (const point& p : rings[k]) {
            px[k].push_back(to_pixels(p));
            lo = std::min(lo, px[k].back().y);
            hi = std::max(hi, px[k].back().y);
        }
    int r0 = std::max(0, int(std::ceil(lo)));
    int r1 = std::min(image.height - 1, int(std::floor(hi)));
    std::vector<double> xs;
    for (int r = r0; r <= r1; ++r) {
        xs.clear();
        for (const ring& rg : px)
            for (size_t i = 0, n = rg.size(), j = n - 1; i < n; j = i++) {
                const point& a = rg[i];
                const point& b = rg[j];
                if ((a.y > r) != (b.y > r)) xs.push_back(a.x + (r - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            int c0 = std::max(0, int(std::ceil(xs[k])));
            int c1 = std::min(image.width - 1, int(std::ceil(xs[k + 1])) - 1);
            for (int c = c0; c <= c1; ++c) put(image, c, r, col);
        }
    }
}

// Marks the coverage (0..1) of a line of the given half width along a-b, in
// pixel coordinates; the edge pixels are partly covered, which keeps the
// borders from looking like stairs.
void cover_segment(std::vector<float>& cover, int width, int height, point a, point b, double half) {
    double reach = half + 1.0;
    int c0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
    int c1 = std::min(width - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
    int r0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
    int r1 = std::min(height - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
    double ex = b.x - a.x, ey = b.y - a.y;
    double len2 = ex * ex + ey * ey;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            double t = len2 > 0 ? ((c - a.x) * ex + (r - a.y) * ey) / len2 : 0;
            t = std::clamp(t, 0.0, 1.0);
            double dx = c - (a.x + t * ex), dy = r - (a.y + t * ey);
            double d = std::sqrt(dx * dx + dy * dy);
            float f = float(std::clamp(half + 0.5 - d, 0.0, 1.0));
            float& cell = cover[size_t(r) * width + c];
            cell = std::max(cell, f);
        }
}

void blend(rgb_image& image, const std::vector<float>& cover, colour col) {
    for (size_t i = 0; i < cover.size(); ++i) {
        if (cover[i] <= 0) continue;
        unsigned char* px = image.pixels + i * 3;
        const unsigned char to[3] = {col.r, col.g, col.b};
        for (int k = 0; k < 3; ++k) px[k] = (unsigned char)std::lround(px[k] + (to[k] - px[k]) * double(cover[i]));
    }
}

// An edge as a pair of its read (not yet transformed) ends, smaller end first,
// in units of the file's 4th decimal: both counties along a border list the
// same points, so a shared edge shows up twice and the state's edge once.
using edge_key = std::pair<std::pair<long, long>, std::pair<long, long>>;

edge_key make_key(point a, point b) {
    std::pair<long, long> p = {std::lround(a.x * 1e4), std::lround(a.y * 1e4)};
    std::pair<long, long> q = {std::lround(b.x * 1e4), std::lround(b.y * 1e4)};
    return p < q ? edge_key{p, q} : edge_key{q, p};
}

bool draw_map(const std::vector<map_county>& counties, rgb_image& image) {
    if (!image_alloc(IMAGE_WIDTH, IMAGE_HEIGHT, 3, &image)) return false;
    for (int r = 0; r < image.height; ++r)
        for (int c = 0; c < image.width; ++c) put(image, c, r, OUTSIDE_COLOUR);
    for (const map_county& county : counties) fill_county(image, county.rings, LAND_COLOUR);

    // each edge once, with the number of counties that have it
    std::map<edge_key, std::pair<int, std::pair<point, point>>> edges;
    for (const map_county& county : counties)
        for (size_t k = 0; k < county.rings.size(); ++k) {
            const ring& geo = county.lonlat[k];
            const ring& placed = county.rings[k];
            for (size_t i = 0, n = geo.size(); i < n; ++i) {
                size_t j = (i + 1) % n;
                auto& e = edges[make_key(geo[i], geo[j])];
                e.first++;
                e.second = {to_pixels(placed[i]), to_pixels(placed[j])};
            }
        }
    std::vector<float> borders(size_t(image.width) * image.height, 0.0f);
    std::vector<float> outline(borders.size(), 0.0f);
    for (const auto& [key, e] : edges) {
        if (e.first > 1)
            cover_segment(borders, image.width, image.height, e.second.first, e.second.second, BORDER_HALF_WIDTH);
        else
            cover_segment(outline, image.width, image.height, e.second.first, e.second.second, OUTLINE_HALF_WIDTH);
    }
    blend(image, borders, BORDER_COLOUR);
    blend(image, outline, OUTLINE_COLOUR);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-map texas-counties.txt karto04.bmp\n");
        return 2;
    }
    std::vector<map_county> counties;
    if (!read_counties(argv[1], counties) || !match_rows(counties)) return 1;
    // table order, so every loop below runs the same way whatever the file's order
    std::sort(counties.begin(), counties.end(),
              [](const map_county& a, const map_county& b) { return a.row < b.row; });
    for (map_county& c : counties) {
        c.lonlat = c.rings;
        c.centroid = area_centroid(c.rings);
    }

    affine fit;
    if (!fit_affine(counties, fit)) {
        std::fprintf(stderr, "make-map: the centroids do not determine a fit\n");
        return 1;
    }
    double sum2 = 0, worst = 0;
    const char* worst_name = "";
    for (const map_county& c : counties) {
        point p = fit.apply(c.centroid), t = table_position(c);
        double d = std::hypot(p.x - t.x, p.y - t.y);
        sum2 += d * d;
        if (d > worst) {
            worst = d;
            worst_name = county_table[c.row].name;
        }
    }
    std::printf("fit: %zu counties, rms error %.2f map units, largest %.2f (%s)\n", counties.size(),
                std::sqrt(sum2 / counties.size()), worst, worst_name);
    std::printf("fit: x = %.4f lon %+.4f lat %+.2f, y = %.4f lon %+.4f lat %+.2f\n", fit.a[0], fit.a[1], fit.a[2],
                fit.b[0], fit.b[1], fit.b[2]);

    for (map_county& c : counties)
        for (ring& r : c.rings)
            for (point& p : r) p = fit.apply(p);
    report_check("check after fit", counties, true);

    if (count_misses(counties, nullptr)) {
        double largest = 0;
        int shifted = correct_misses(counties, largest);
        if (shifted < 0) {
            std::fprintf(stderr, "make-map: the correction did not bring every position inside\n");
            return 1;
        }
        std::printf("correction: %d counties needed it, largest shift %.2f map units\n", shifted, largest);
    } else {
        std::printf("correction: no county needed it\n");
    }
    if (report_check("final check", counties, false)) {
        std::fprintf(stderr, "make-map: some positions are still not well placed\n");
        return 1;
    }

    rgb_image image = {};
    if (!draw_map(counties, image)) {
        std::fprintf(stderr, "make-map: out of memory\n");
        return 1;
    }
    int ok = save_bmp(argv[2], &image);
    image_free(&image);
    if (!ok) {
        std::fprintf(stderr, "make-map: can't write %s\n", argv[2]);
        return 1;
    }
    std::printf("wrote %s, %d x %d\n", argv[2], IMAGE_WIDTH, IMAGE_HEIGHT);
    return 0;
}
