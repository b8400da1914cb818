// Classes by value (the colours and the legend) and ranks (the Ranking panel
// and the tip), on fields shaped like the ones users load.
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/data.h"
#include "test_util.h"

namespace {

const float NA = std::numeric_limits<float>::quiet_NaN();

std::vector<int> members(const value_classes& c) { return {c.members, c.members + c.count}; }

}  // namespace

TEST(Classes, SplitSkewedTiedAndShortFieldsIntoNearlyEqualCountsThatNeverPartEqualValues) {
    float v[COUNTY_COUNT];
    value_classes c;

    // population-like: a few millions, most in the thousands, one under a hundred, county order not value order
    for (int i = 0; i < COUNTY_COUNT; ++i) v[i] = std::exp(float((i * 97) % COUNTY_COUNT) / 17.0f) + 60.0f;
    classify_values(v, c);
    // 254 / 7 = 36.29: the classes end at the sorted places 36, 73, 109, 145, 181, 218 (rounded)
    EXPECT_EQ(members(c), (std::vector<int>{36, 37, 36, 36, 36, 37, 36}));
    EXPECT_EQ(c.no_value, 0);
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const int j = c.of_county[i];
        ASSERT_TRUE(j >= 0 && j < 7 && v[i] >= c.low[j] && v[i] <= c.high[j]) << i;
        EXPECT_TRUE(j == 0 || c.high[j - 1] < v[i]) << i;
    }
    EXPECT_FLOAT_EQ(c.low[0], v[0]);  // county 0 holds the least value (e^0 + 60)
    EXPECT_FLOAT_EQ(c.high[6], std::exp(253.0f / 17.0f) + 60.0f);

    // ties: 100 counties at 0 and 60 at 5 fill classes of their own; the other 94 share out the five left as
    // evenly as they can, the smaller class first (its cut lies nearer the equal-count place)
    for (int i = 0; i < COUNTY_COUNT; ++i) v[i] = i < 100 ? 0.0f : i < 160 ? 5.0f : float(i);
    classify_values(v, c);
    EXPECT_EQ(members(c), (std::vector<int>{100, 60, 18, 19, 19, 19, 19}));
    for (int i = 0; i < COUNTY_COUNT; ++i) EXPECT_EQ(c.of_county[i], c.of_county[i < 100 ? 0 : i < 160 ? 100 : i]) << i;

    // three distinct values (two of them negative) make three classes; counties without a value are in none
    for (int i = 0; i < COUNTY_COUNT; ++i) v[i] = i % 4 == 3 ? NA : i % 4 == 0 ? -2.5f : i % 4 == 1 ? -0.0f : 0.0f;
    v[7] = 7.0f;  // a county of the n/a pattern with a value
    classify_values(v, c);
    EXPECT_EQ(members(c), (std::vector<int>{64, 127, 1}));  // -0 and 0 are one value
    EXPECT_EQ(c.no_value, 63 - 1);
    EXPECT_EQ(std::tuple(c.of_county[3], c.of_county[0], c.of_county[7]), std::tuple(-1, 0, 2));
    EXPECT_EQ(std::pair(c.low[0], c.high[2]), std::pair(-2.5f, 7.0f));

    std::fill_n(v, COUNTY_COUNT, 3.0f);  // one value, or none at all
    classify_values(v, c);
    EXPECT_EQ(members(c), std::vector<int>{COUNTY_COUNT});
    std::fill_n(v, COUNTY_COUNT, NA);
    classify_values(v, c);
    EXPECT_EQ(std::pair(c.count, c.no_value), std::pair(0, COUNTY_COUNT));
}

TEST(Classes, TakeTheirColoursSpreadOverThePalette) {
    // class j of k takes entry round(j * 6 / (k - 1)); one class the middle entry
    const std::vector<std::vector<int>> entries = {
        {3}, {0, 6}, {0, 3, 6}, {0, 2, 4, 6}, {0, 2, 3, 5, 6}, {0, 1, 2, 4, 5, 6}, {0, 1, 2, 3, 4, 5, 6}};
    for (int k = 1; k <= MAX_CLASSES; ++k)
        for (int j = 0; j < k; ++j) EXPECT_EQ(class_colour(j, k), CLASS_PALETTE[entries[k - 1][j]]) << j << " of " << k;
}

TEST(Ranks, PutTheHighestFirstShareTheBetterPlaceOnTiesAndLeaveCountiesWithoutAValueLast) {
    float v[COUNTY_COUNT + 1];  // one past the counties, without a value: never read
    v[COUNTY_COUNT] = NA;
    for (int i = 0; i < COUNTY_COUNT; ++i) v[i] = float(i % 50) - 10.0f;  // 40 down to -10, five counties each
    v[5] = NA, v[250] = std::numeric_limits<float>::infinity() * 0.0f, v[251] = 1e9f;
    county_ranking r;
    rank_counties(v, r);
    EXPECT_EQ(r.ranked, COUNTY_COUNT - 2);
    // (county, place in the order, rank): 1e9 first; 39 (i % 50 == 49) shared by five counties in county order;
    // 38 next at rank 7; the two without a value last, in county order, unranked
    for (auto [county, place, rank] : {std::tuple{251, 0, 1}, {49, 1, 2}, {99, 2, 2}, {149, 3, 2}, {199, 4, 2},
                                       {249, 5, 2}, {48, 6, 7}, {5, COUNTY_COUNT - 2, 0}, {250, COUNTY_COUNT - 1, 0}})
        EXPECT_EQ(std::pair(int(r.order[place]), r.rank[county]), std::pair(county, rank)) << county;
    for (int p = 1; p < r.ranked; ++p) EXPECT_GE(v[r.order[p - 1]], v[r.order[p]]) << p;
}
