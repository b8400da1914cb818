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
    test::scratch_dir dir;
};

}  // namespace

TEST_F(RecordFile, ReadsLittleEndianFloatsAndIgnoresATrailingPartialRecord) {
    // 0.5 = 0x3F000000, -2.25 = 0xC0100000, 1 = 0x3F800000
    std::string file = record_bytes("Anderson", {0x3F000000, 0xC0100000}) +
                       record_bytes("Andrews", {0, 0, 0x3F800000}) + "x";
    test::write_file(dir / "a.dat", file);
    ASSERT_EQ(read_records((dir / "a.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, 2);
    EXPECT_STREQ(record_table[0].name, "Anderson");
    EXPECT_EQ(record_table[0].values[0], 0.5f);
    EXPECT_EQ(record_table[0].values[1], -2.25f);
    EXPECT_STREQ(record_table[1].name, "Andrews");
    EXPECT_EQ(record_table[1].values[2], 1.0f);
}

TEST_F(RecordFile, ShortFilesLoadOnlyWholeRecordsAndLeaveTheRestAlone) {
    record_table[0].values[0] = 7;
    record_table[5].values[3] = 8;
    test::write_file(dir / "131.dat", std::string(131, '\1'));
    ASSERT_EQ(read_records((dir / "131.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, 0);
    EXPECT_EQ(record_table[0].values[0], 7);

    test::write_file(dir / "empty.dat", "");
    ASSERT_EQ(read_records((dir / "empty.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, 0);

    test::write_file(dir / "133.dat", record_bytes("One", {0x3F800000}) + "z");
    ASSERT_EQ(read_records((dir / "133.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, 1);
    EXPECT_EQ(record_table[0].values[0], 1.0f);
    EXPECT_EQ(record_table[5].values[3], 8);  // never reached, kept
}

TEST_F(RecordFile, ANameWithoutTerminatorIsCutTo31Bytes) {
    test::write_file(dir / "n.dat", record_bytes(std::string(32, 'N'), {}));
    ASSERT_EQ(read_records((dir / "n.dat").c_str()), 1);
    EXPECT_EQ(std::string(record_table[0].name), std::string(31, 'N'));
}

TEST_F(RecordFile, AFailedOpenIsReportedAndChangesNothing) {
    test::message_recorder messages;
    app_state.record_count = 3;
    record_table[0].values[0] = 4;
    EXPECT_EQ(read_records((dir / "missing.dat").c_str()), 0);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].first, "read_records(): fopen error");
    EXPECT_EQ(messages.messages()[0].second, "ERROR");
    EXPECT_EQ(app_state.record_count, 3);
    EXPECT_EQ(record_table[0].values[0], 4);
}

TEST_F(RecordFile, AFileLargerThanTheTableFillsItAndStops) {
    std::string one = record_bytes("R", {0x3F800000});
    std::string file;
    for (int i = 0; i < RECORD_CAPACITY + 3; ++i) file += one;
    test::write_file(dir / "big.dat", file);
    ASSERT_EQ(read_records((dir / "big.dat").c_str()), 1);
    EXPECT_EQ(app_state.record_count, RECORD_CAPACITY);
    EXPECT_EQ(record_table[RECORD_CAPACITY - 1].values[0], 1.0f);
}

TEST_F(RecordFile, WritesExactBytesWithZerosAfterTheName) {
    // stale bytes after the terminator must not reach the file
    std::memcpy(record_table[0].name, "Bee\0garbage", 11);
    record_table[0].values[0] = 0.5f;
    record_table[0].values[24] = -2.25f;
    std::strcpy(record_table[1].name, "Bell");
    app_state.record_count = 2;
    ASSERT_EQ(write_records((dir / "w.dat").c_str()), 1);
    std::vector<uint32_t> first(25, 0);
    first[0] = 0x3F000000;
    first[24] = 0xC0100000;
    EXPECT_EQ(test::read_file(dir / "w.dat"), record_bytes("Bee", first) + record_bytes("Bell", {}));
}

TEST_F(RecordFile, ReportsAFileThatCannotBeWrittenAndKeepsTheOldOne) {
    app_state.record_count = 1;
    EXPECT_EQ(write_records((dir / "no/such/folder/x.dat").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
    // a folder standing where the file should go cannot be replaced
    std::filesystem::create_directory(dir / "taken.dat");
    EXPECT_EQ(write_records((dir / "taken.dat").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.dat"));
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
