// The .dat record file: 132-byte little-endian records, read and written.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "data/data.h"
#include "test_util.h"

namespace {

// A record as the file holds it, built byte by byte.
std::string record_bytes(const std::string& name32, const std::vector<uint32_t>& value_bits) {
    std::string r(name32);
    r.resize(32, '\0');
    for (int k = 0; k < FIELD_COUNT; ++k) {
        uint32_t v = k < int(value_bits.size()) ? value_bits[k] : 0;
        for (int b = 0; b < 4; ++b) r += char((v >> (8 * b)) & 0xFF);
    }
    return r;
}

class RecordFile : public ::testing::Test {
protected:
    void SetUp() override {
        reset_app_state();
        std::memset(record_table, 0, sizeof record_table);
    }
    int load(const std::string& bytes) {
        test::write_file(dir / "f.dat", bytes);
        return read_records((dir / "f.dat").c_str());
    }
    test::scratch_dir dir;
};

}  // namespace

TEST_F(RecordFile, ReadsWholeLittleEndianRecordsOnly) {
    // 0.5 = 0x3F000000, -2.25 = 0xC0100000, 1 = 0x3F800000; a name without terminator keeps 31 bytes
    ASSERT_EQ(load(record_bytes("Anderson", {0x3F000000, 0xC0100000}) + record_bytes(std::string(32, 'N'), {0, 0, 0x3F800000}) + "x"), 1);
    EXPECT_EQ(app_state.record_count, 2);
    EXPECT_STREQ(record_table[0].name, "Anderson");
    EXPECT_EQ(record_table[0].values[0], 0.5f);
    EXPECT_EQ(record_table[0].values[1], -2.25f);
    EXPECT_EQ(std::string(record_table[1].name), std::string(31, 'N'));
    EXPECT_EQ(record_table[1].values[2], 1.0f);

    record_table[5].values[3] = 8;
    ASSERT_EQ(load(std::string(131, '\1')), 1);  // less than a record: nothing read, nothing cleared
    EXPECT_EQ(app_state.record_count, 0);
    EXPECT_EQ(record_table[0].values[0], 0.5f);
    ASSERT_EQ(load(""), 1);
    EXPECT_EQ(app_state.record_count, 0);
    EXPECT_EQ(record_table[5].values[3], 8);
}

TEST_F(RecordFile, AFailedOpenIsReportedAndChangesNothing) {
    test::message_recorder messages;
    app_state.record_count = 3;
    EXPECT_EQ(read_records((dir / "missing.dat").c_str()), 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0], std::make_pair(std::string("read_records(): fopen error"), std::string("ERROR")));
    EXPECT_EQ(app_state.record_count, 3);
}

TEST_F(RecordFile, AFileLargerThanTheTableFillsItAndStops) {
    std::string file;
    for (int i = 0; i < RECORD_CAPACITY + 3; ++i) file += record_bytes("R", {0x3F800000});
    ASSERT_EQ(load(file), 1);
    EXPECT_EQ(app_state.record_count, RECORD_CAPACITY);
    EXPECT_EQ(record_table[RECORD_CAPACITY - 1].values[0], 1.0f);
}

TEST_F(RecordFile, WritesExactBytesWithZerosAfterTheName) {
    std::memcpy(record_table[0].name, "Bee\0garbage", 11);  // stale bytes must not reach the file
    record_table[0].values[0] = 0.5f;
    record_table[0].values[24] = -2.25f;
    std::strcpy(record_table[1].name, "Bell");
    app_state.record_count = 2;
    ASSERT_EQ(write_records((dir / "w.dat").c_str()), 1);
    std::vector<uint32_t> first(25, 0);
    first[0] = 0x3F000000;
    first[24] = 0xC0100000;
    EXPECT_EQ(test::read_file(dir / "w.dat"), record_bytes("Bee", first) + record_bytes("Bell", {}));

    EXPECT_EQ(write_records((dir / "no/such/folder/x.dat").c_str()), 0);  // nothing created, failure told
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST_F(RecordFile, RoundTripsEveryBitIncludingNotANumber) {
    for (int i = 0; i < 255; ++i) {
        std::memcpy(record_table[i].name, county_table[i].name, 32);
        for (int k = 0; k < FIELD_COUNT; ++k) record_table[i].values[k] = float(i) * 1.5f - float(k) / 7.0f;
    }
    record_table[3].values[4] = std::bit_cast<float>(0x7FC01234u);  // a NaN with a payload
    app_state.record_count = 255;
    data_rec before[255];
    std::memcpy(before, record_table, sizeof before);
    ASSERT_EQ(write_records((dir / "all.dat").c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "all.dat"), 33660u);
    std::memset(record_table, 0, sizeof record_table);
    ASSERT_EQ(read_records((dir / "all.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, 255);
    EXPECT_EQ(std::memcmp(before, record_table, sizeof before), 0);
}
