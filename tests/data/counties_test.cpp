#include <gtest/gtest.h>

#include <set>
#include <strings.h>

#include "data/data.h"

TEST(CountyTable, HoldsTheCountiesInOrderAtDistinctPlacesThenTheStateRow) {
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const county_rec& c = county_table[i];
        EXPECT_TRUE(i == 0 || strcasecmp(county_table[i - 1].name, c.name) < 0) << i;  // "Denton" before "DeWitt"
        EXPECT_TRUE(c.x >= 149 && c.x <= 1761 && c.y >= 48 && c.y <= 1360) << c.name;
        EXPECT_TRUE(seen.insert({c.x, c.y}).second) << c.name;
    }
    EXPECT_STREQ(county_table[61].name, "DeWitt");
    EXPECT_STREQ(county_table[141].name, "LaSalle");
    EXPECT_EQ(county_table[100].x + county_table[100].y, 1579 + 529);  // Harris
    EXPECT_STREQ(county_table[STATE_INDEX].name, "TEXAS");
}
