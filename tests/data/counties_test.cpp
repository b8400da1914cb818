#include <gtest/gtest.h>

#include <set>
#include <strings.h>
#include <utility>

#include "data/data.h"

TEST(CountyTable, HoldsTheCountiesInCaseBlindAlphabeticalOrderThenTheStateRow) {
    EXPECT_STREQ(county_table[0].name, "Anderson");
    EXPECT_STREQ(county_table[COUNTY_COUNT - 1].name, "Zavala");
    for (int i = 1; i < COUNTY_COUNT; ++i)
        EXPECT_LT(strcasecmp(county_table[i - 1].name, county_table[i].name), 0) << i;
    // where case matters to a plain comparison
    EXPECT_STREQ(county_table[60].name, "Denton");
    EXPECT_STREQ(county_table[61].name, "DeWitt");
    EXPECT_STREQ(county_table[140].name, "Lampasas");
    EXPECT_STREQ(county_table[141].name, "LaSalle");

    const county_rec& state = county_table[STATE_INDEX];
    EXPECT_STREQ(state.name, "TEXAS");
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
}

TEST(CountyTable, PositionsLieOnTheMapAndAreDistinct) {
    std::set<std::pair<int, int>> seen;
    int with_blank = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const county_rec& c = county_table[i];
        EXPECT_GE(c.x, 149);
        EXPECT_LE(c.x, 1761);
        EXPECT_GE(c.y, 48);
        EXPECT_LE(c.y, 1360);
        EXPECT_TRUE(seen.insert({c.x, c.y}).second) << c.name;
        with_blank += std::string(c.name).find(' ') != std::string::npos;
    }
    EXPECT_EQ(with_blank, 16);
    EXPECT_EQ(county_table[100].x + county_table[100].y, 1579 + 529);  // Harris
}

TEST(CountyTable, ClearValuesKeepsHighlightsAndTheStateRow) {
    for (int i = 0; i < COUNTY_COUNT; ++i) county_table[i].value = float(i) + 1;
    county_table[7].selected = 1;
    app_state.state_value = 9;
    clear_values();
    for (int i = 0; i < COUNTY_COUNT; ++i) EXPECT_EQ(county_table[i].value, 0.0f);
    EXPECT_EQ(app_state.state_value, 0.0f);
    EXPECT_EQ(county_table[7].selected, 1);
    EXPECT_EQ(county_table[STATE_INDEX].value, 0.0f);
    county_table[7].selected = 0;
}
