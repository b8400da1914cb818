// The field catalogue, the height scale and the copy of the active field.

#include <bit>
#include <cstring>

#include "data/data.h"
#include "test_util.h"

namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { reset_app_state(), std::memset(field_scale_index, 0, sizeof field_scale_index); }
    std::vector<std::string> read(const std::string& text) {
        test::write_file(dir / "k.ui", text);
        std::vector<std::string> labels;
        EXPECT_EQ(read_catalogue((dir / "k.ui").c_str(), labels), 1);
        return labels;
    }
    test::scratch_dir dir;
};

}  // namespace

TEST_F(Catalogue, SplitsEachLineAtItsFirstComma) {
    auto labels = read("MED AGE, 4\r\n"    // blank after the comma, CR LF
                       " spaced ,+2\n"     // the label is kept as it stands
                       "a,b,3\n"           // the number is read after the first comma only
                       "neg,-1\nbig,300\n"  // 300: low eight bits, 44
                       "just a label\n"    // no comma: the whole line, entry 0
                       "\n"
                       "last,5");          // no line end
    EXPECT_EQ(labels, (std::vector<std::string>{"MED AGE", " spaced ", "a", "neg", "big", "just a label", "", "last"}));
    EXPECT_EQ(std::vector<int>(field_scale_index, field_scale_index + 8), std::vector<int>({4, 2, 0, -1, 44, 0, 0, 5}));
}

TEST_F(Catalogue, IgnoresLinesPastTheLastFieldAndReadsLongLinesWhole) {
    std::string text = std::string(3000, 'L') + ",3\n";
    for (int i = 1; i < 30; ++i) text += "f" + std::to_string(i) + ",1\n";
    auto labels = read(text);
    ASSERT_EQ(labels.size(), size_t(FIELD_COUNT));
    EXPECT_TRUE(labels[0] == std::string(3000, 'L') && field_scale_index[0] == 3);
    EXPECT_TRUE(read("").empty());
    EXPECT_EQ(read_catalogue((dir / "missing.ui").c_str(), labels), 0);
}

TEST_F(Catalogue, HeightScaleFollowsEntriesAndDefaults) {  // each entry and a field's own: the panel tests
    field_scale_index[2] = 4;
    app_state.active_field = 2, set_height_scale(-7);  // any negative entry: the active field's default
    EXPECT_EQ(app_state.height_scale, 0.0001f);
    for (int8_t outside : {-1, 44}) field_scale_index[2] = outside, set_height_scale(-1);  // outside: no change
    set_height_scale(6);
    EXPECT_EQ(app_state.height_scale, 0.0001f);
}

TEST_F(Catalogue, ApplyFieldCopiesTheActiveFieldBitForBitWhateverWasLoaded) {
    for (int i = 0; i <= STATE_INDEX; ++i) record_table[i].values[3] = float(i) + 0.25f;
    record_table[10].values[3] = std::bit_cast<float>(0xFFC0ABCDu);
    app_state.record_count = 2, app_state.active_field = 3;  // records the last load did not reach still count
    apply_field();
    EXPECT_TRUE(county_table[253].value == 253.25f && app_state.state_value == 254.25f);
    EXPECT_EQ(std::bit_cast<uint32_t>(county_table[10].value), 0xFFC0ABCDu);
    EXPECT_EQ(county_table[STATE_INDEX].value, 0.0f);
    clear_values();
}
