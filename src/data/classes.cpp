// Classes and ranks of the counties by their value of one field: what the
// colours, the legend, the Ranking panel and the tip under the pointer show.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>

#include "data/data.h"

const rgb8 CLASS_PALETTE[MAX_CLASSES] = {{0xff, 0xff, 0xb2}, {0xfe, 0xd9, 0x76}, {0xfe, 0xb2, 0x4c}, {0xfd, 0x8d, 0x3c},
                                         {0xfc, 0x4e, 0x2a}, {0xe3, 0x1a, 0x1c}, {0xb1, 0x00, 0x26}};

namespace {

// Counties with a value, in ascending order of value (county order among equals).
int ascending(const float values[COUNTY_COUNT], int16_t sorted[COUNTY_COUNT]) {
    int n = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (std::isfinite(values[i])) sorted[n++] = static_cast<int16_t>(i);
    std::stable_sort(sorted, sorted + n, [&](int16_t a, int16_t b) { return values[a] < values[b]; });
    return n;
}

}  // namespace

void classify_values(const float values[COUNTY_COUNT], value_classes& out) {
    out = value_classes{};
    std::fill(out.of_county, out.of_county + COUNTY_COUNT, int8_t(-1));
    int16_t sorted[COUNTY_COUNT];
    const int n = ascending(values, sorted);
    out.no_value = COUNTY_COUNT - n;
    if (n == 0) return;

    // Where a class may end: before each change of value, so that equal values
    // never part. The first place and the end close the list.
    std::vector<int> at{0};
    for (int p = 1; p < n; ++p)
        if (values[sorted[p - 1]] < values[sorted[p]]) at.push_back(p);
    const int k = std::min<int>(MAX_CLASSES, static_cast<int>(at.size()));
    at.push_back(n);

    // Of all ways to cut the sorted counties into k classes at those places,
    // the one with the most nearly equal counts (least sum of squared counts),
    // and among those the one whose cuts lie nearest the equal-count places
    // j * n / k. best[j][e]: classes 0..j ending at place at[e].
    struct cost {
        double counts, places;
        bool operator<(const cost& o) const { return counts < o.counts || (counts == o.counts && places < o.places); }
    };
    const int last = static_cast<int>(at.size()) - 1;
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::vector<cost>> best(k, std::vector<cost>(at.size(), cost{inf, inf}));
    std::vector<std::vector<int>> from(k, std::vector<int>(at.size(), 0));
    for (int j = 0; j < k; ++j) {
        for (int e = j + 1; e <= last; ++e) {
            if ((j == k - 1) != (e == last)) continue;  // only the last class ends at the end
            const double miss = j == k - 1 ? 0.0 : at[e] - double(j + 1) * n / k;
            for (int b = j == 0 ? 0 : j; b < e; ++b) {
                const cost before = j == 0 ? (b == 0 ? cost{0, 0} : cost{inf, inf}) : best[j - 1][b];
                const double size = at[e] - at[b];
                const cost c{before.counts + size * size, before.places + miss * miss};
                if (c < best[j][e]) best[j][e] = c, from[j][e] = b;
            }
        }
    }
    std::vector<int> ends(k);  // one past the last sorted place of each class
    for (int j = k - 1, e = last; j >= 0; e = from[j][e], --j) ends[j] = at[e];

    out.count = k;
    for (int j = 0, p = 0; j < k; ++j) {
        out.low[j] = values[sorted[p]];
        out.members[j] = ends[j] - p;
        for (; p < ends[j]; ++p) out.of_county[sorted[p]] = static_cast<int8_t>(j);
        out.high[j] = values[sorted[p - 1]];
    }
}

rgb8 class_colour(int j, int k) {
    if (k <= 1) return CLASS_PALETTE[MAX_CLASSES / 2];
    const long entry = std::lround(double(j) * (MAX_CLASSES - 1) / (k - 1));
    return CLASS_PALETTE[std::clamp<long>(entry, 0, MAX_CLASSES - 1)];
}

void rank_counties(const float values[COUNTY_COUNT], county_ranking& out) {
    int16_t sorted[COUNTY_COUNT];
    const int n = ascending(values, sorted);
    // highest first, county order kept among equal values
    int at = 0;
    for (int p = n - 1; p >= 0;) {
        int q = p;
        while (q > 0 && values[sorted[q - 1]] == values[sorted[p]]) --q;
        for (int i = q; i <= p; ++i) out.order[at + i - q] = sorted[i], out.rank[sorted[i]] = at + 1;
        at += p - q + 1;
        p = q - 1;
    }
    out.ranked = n;
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (!std::isfinite(values[i])) out.order[at++] = static_cast<int16_t>(i), out.rank[i] = 0;
}

void field_values(int field, float values[COUNTY_COUNT]) {
    for (int i = 0; i < COUNTY_COUNT; ++i)
        values[i] = field >= 0 && field < FIELD_COUNT ? record_table[i].values[field]
                                                       : std::numeric_limits<float>::quiet_NaN();
}

std::string report_number(float value) {
    if (std::isnan(value)) return "n/a";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buf, end) : std::string("0.00");
}
