#include <gtest/gtest.h>

#include <set>
#include <strings.h>
#include <utility>

#include "data/data.h"

TEST(CountyTable, HoldsTheCountiesInOrderAtDistinctPlacesThenTheStateRow) {
    std::set<std::pair<int, int>> seen;
    int with_blank = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        const county_rec& c = county_table[i];
        if (i > 0) {
            EXPECT_LT(strcasecmp(county_table[i - 1].name, c.name), 0) << i;  // "Denton" before "DeWitt"
        }
        EXPECT_TRUE(c.x >= 149 && c.x <= 1761 && c.y >= 48 && c.y <= 1360) << c.name;
        EXPECT_TRUE(seen.insert({c.x, c.y}).second) << c.name;
        with_blank += std::string(c.name).find(' ') != std::string::npos;
    }
    EXPECT_EQ(with_blank, 16);
    EXPECT_STREQ(county_table[0].name, "Anderson");
    EXPECT_STREQ(county_table[61].name, "DeWitt");
    EXPECT_STREQ(county_table[141].name, "LaSalle");
    EXPECT_STREQ(county_table[COUNTY_COUNT - 1].name, "Zavala");
    EXPECT_EQ(county_table[100].x + county_table[100].y, 1579 + 529);  // Harris
    EXPECT_STREQ(county_table[STATE_INDEX].name, "TEXAS");
    EXPECT_EQ(county_table[STATE_INDEX].x + county_table[STATE_INDEX].y, 0);
}
