// The .dat record file: 132-byte little-endian records, read and written.

#include <bit>
#include <cstring>

#include "data/data.h"
#include "test_util.h"

namespace {

// A record as the file holds it, built byte by byte: the name, then value k's bits at 32 + 4k.
std::string record_bytes(std::string name, const std::vector<std::pair<int, uint32_t>>& values = {}) {
    name.resize(RECORD_SIZE, '\0');
    for (auto [k, v] : values)
        for (int b = 0; b < 4; ++b) name[32 + 4 * k + b] = char(v >> (8 * b));
    return name;
}

class RecordFile : public ::testing::Test {
protected:
    void SetUp() override { reset_app_state(), std::memset(record_table, 0, sizeof record_table); }
    int load(const std::string& bytes) {
        test::write_file(dir / "f.dat", bytes);
        return read_records((dir / "f.dat").c_str());
    }
    test::scratch_dir dir;
};

}  // namespace

TEST_F(RecordFile, ReadsWholeLittleEndianRecordsOnly) {
    // 0.5 = 0x3F000000, -2.25 = 0xC0100000, 1 = 0x3F800000; a name without terminator keeps 31 bytes
    std::string two = record_bytes("Anderson", {{0, 0x3F000000}, {1, 0xC0100000}});
    ASSERT_EQ(load(two + record_bytes(std::string(32, 'N'), {{2, 0x3F800000}}) + "x"), 1);
    EXPECT_EQ(std::tuple(app_state.record_count, std::string(record_table[0].name), std::string(record_table[1].name)),
              std::tuple(2, "Anderson", std::string(31, 'N')));
    EXPECT_TRUE(record_table[0].values[0] == 0.5f && record_table[0].values[1] == -2.25f &&
                record_table[1].values[2] == 1.0f);

    for (std::string shorter : {std::string(131, '\1'), std::string()}) {  // less than a record
        ASSERT_EQ(load(shorter), 1);
        EXPECT_TRUE(app_state.record_count == 0 && record_table[0].values[0] == 0.5f);  // nothing cleared
    }
    test::message_recorder messages;  // a failed open is reported, a failed read left to the caller; neither changes anything
    app_state.record_count = 3;
    const std::vector<data_rec> before(record_table, record_table + RECORD_CAPACITY);
    EXPECT_EQ(read_records((dir / "missing.dat").c_str()), 0);
    EXPECT_EQ(read_records(dir.path().c_str()), 0);  // a folder opens, but cannot be read
    EXPECT_EQ(messages.messages(), test::message_list({{"read_records(): fopen error", "ERROR"}}));
    EXPECT_EQ(app_state.record_count, 3);
    EXPECT_EQ(std::memcmp(before.data(), record_table, sizeof record_table), 0);

    std::string one = record_bytes("R", {{0, 0x3F800000}}), file;  // more than the table holds: fills it, stops
    for (int i = 0; i < RECORD_CAPACITY + 3; ++i) file += one;
    ASSERT_EQ(load(file), 1);
    EXPECT_EQ(app_state.record_count, RECORD_CAPACITY);
    EXPECT_EQ(record_table[RECORD_CAPACITY - 1].values[0], 1.0f);
}

TEST_F(RecordFile, WritesExactBytesWithZerosAfterTheName) {
    std::memcpy(record_table[0].name, "Bee\0garbage", 11);  // stale bytes must not reach the file
    record_table[0].values[0] = 0.5f, record_table[0].values[24] = -2.25f;
    std::strcpy(record_table[1].name, "Bell"), app_state.record_count = 2;
    ASSERT_EQ(write_records((dir / "w.dat").c_str()), 1);
    EXPECT_EQ(test::read_file(dir / "w.dat"),
              record_bytes("Bee", {{0, 0x3F000000}, {24, 0xC0100000}}) + record_bytes("Bell"));
    EXPECT_EQ(write_records((dir / "no/such/folder/x.dat").c_str()), 0);  // nothing created, failure told
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST_F(RecordFile, RoundTripsEveryBitIncludingNotANumber) {
    ASSERT_EQ(read_records(PLEXAR_SOURCE_DIR "/data/sample/texas.dat"), 1);
    record_table[3].values[4] = std::bit_cast<float>(0x7FC01234u);  // a NaN with a payload
    std::vector<data_rec> before(record_table, record_table + 255);
    ASSERT_EQ(write_records((dir / "all.dat").c_str()), 1);
    std::memset(record_table, 0, sizeof record_table);
    ASSERT_EQ(load(test::read_file(dir / "all.dat")), 1);
    EXPECT_EQ(app_state.record_count, 255);
    EXPECT_EQ(std::memcmp(before.data(), record_table, 255 * sizeof(data_rec)), 0);
}
