// CSV export and import.

#include <clocale>
#include <cmath>
#include <cstring>

#include "data/data.h"
#include "test_util.h"

namespace {

const std::string HEADER =
    "COUNTIES,REP VOTE%,LN(MED INCOME/$1000),MED AGE,WHITE VAP%,BLACK VAP%,HISP VAP%,ASIAN VAP%,"
    "REP VOTE% - TURNOUT%,(HISP VAP% ^ 1.5)-,(BLACK VAP% ^ 0.7)-,URBAN%,POPULATION,TURNOUT%,"
    "(REG VOTERS/VAP)%,REG VOTERS,VOTES,VAP,STATE POP%,MED INCOME/$1000,WHITE POP%,BLACK POP%,"
    "HISP POP%,ASIAN POP%,HISP VAP% ^ 1.5,BLACK VAP% ^ 0.7";

class Csv : public ::testing::Test {
protected:
    void SetUp() override { reset_app_state(), std::memset(record_table, 0, sizeof record_table); }
    // Imports text given as the file's lines after the header.
    int import(const std::string& body, const std::string& header = "header\r\n") {
        test::write_file(dir / "in.csv", header + body);
        return read_csv((dir / "in.csv").c_str());
    }
    // A record's name and first three values, to compare a whole line's effect at once.
    static std::string brief(int i) {
        auto n = [&](int k) { return std::to_string(int(record_table[i].values[k])); };
        return std::string(record_table[i].name) + ":" + n(0) + "," + n(1) + "," + n(2);
    }
    test::scratch_dir dir;
};

}  // namespace

TEST_F(Csv, ExportWritesTheHeaderAndOneLinePerRecordInCrLfAndHugeValuesRoundTripAsInfinity) {
    // 0.1f is 0.100000001490116..., 2.0000005f is 2.00000047...: "%f" rounds both
    ASSERT_EQ(import("Deaf Smith,0.5,-2.25,1234567,0.1,2.0000005\r\nA,1e39,-1e39,nan\r\n"), 1);
    ASSERT_EQ(write_csv((dir / "out.csv").c_str()), 1);
    std::string zeros;  // the fields neither line reached
    for (int k = 5; k < FIELD_COUNT; ++k) zeros += "0.000000,";
    EXPECT_EQ(test::read_file(dir / "out.csv"),
              HEADER + "\r\nDeaf Smith,0.500000,-2.250000,1234567.000000,0.100000,2.000000," + zeros +
                  "\r\nA,inf,-inf,nan,0.000000,0.000000," + zeros + "\r\n");
    std::memset(record_table, 0, sizeof record_table);
    ASSERT_EQ(read_csv((dir / "out.csv").c_str()), 1);
    const float* v = record_table[1].values;
    EXPECT_TRUE(v[0] == INFINITY && v[1] == -INFINITY && std::isnan(v[2]));

    app_state.record_count = 0;
    ASSERT_EQ(write_csv((dir / "empty.csv").c_str()), 1);
    EXPECT_EQ(test::read_file(dir / "empty.csv"), HEADER + "\r\n");
    EXPECT_EQ(write_csv((dir / "missing/out.csv").c_str()), 0);
}

TEST_F(Csv, ImportTakesWhatEachLineHoldsAndEveryLineCounts) {
    for (int i = 0; i < 9; ++i) std::fill_n(record_table[i].values, FIELD_COUNT, 9.0f);
    std::string longest = std::string(40, 'n') + ",";  // read whole; the name is cut to 31 bytes
    for (int k = 0; k < FIELD_COUNT; ++k) longest += std::string(100, ' ') + std::to_string(k + 1) + ",";
    ASSERT_EQ(import("A,1,2\r\n"                         // fewer numbers: the rest kept
                     "\r\n"                              // empty: counts, changes nothing
                     " , ,,\r\n"                         // only blanks and commas: the same
                     "B,4,x,5\r\n"                       // the first non-number ends the scan
                     "C 6 7\n"                           // no comma: first word, blanks separate; bare LF
                     "  Kent 8\r\n"                      // no comma: the word after the leading blanks
                     "  San Augustine  , 1.5 ,-2e1\r\n"  // the name keeps its inner blank
                     "Deaf Smith 3 4\r\n" +              // "Smith" is not a number
                         longest + "\r\n",
                     std::string(3000, 'h') + "\r\n"),  // a header of any length
              1);
    const std::vector<std::string> expected = {"A:1,2,9", ":9,9,9", ":9,9,9", "B:4,9,9", "C:6,7,9", "Kent:8,9,9",
                                               "San Augustine:1,-20,9", "Deaf:9,9,9", std::string(31, 'n') + ":1,2,3"};
    EXPECT_EQ(app_state.record_count, 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(brief(i), expected[i]) << i;
    EXPECT_EQ(record_table[8].values[24], 25.0f);
}

TEST_F(Csv, EmptyFilesImportNothingAndAFailedOpenChangesNothing) {
    for (std::string header : {HEADER + "\r\n", std::string()}) {
        app_state.record_count = 7;
        ASSERT_EQ(import("", header), 1);
        EXPECT_EQ(app_state.record_count, 0);
    }

    test::message_recorder messages;  // a failed open is reported, a failed read left to the caller; neither changes anything
    app_state.record_count = 4;
    std::strcpy(record_table[0].name, "kept");
    EXPECT_EQ(read_csv((dir / "none.csv").c_str()), 0);
    EXPECT_EQ(read_csv(dir.path().c_str()), 0);  // a folder opens, but cannot be read
    EXPECT_EQ(messages.messages(), test::message_list({{"read_csv(): fopen error", "ERROR"}}));
    EXPECT_TRUE(app_state.record_count == 4 && std::string(record_table[0].name) == "kept");

    std::string body;
    for (int i = 0; i < RECORD_CAPACITY + 5; ++i) body += "R,1\r\n";
    ASSERT_EQ(import(body), 1);  // the rest beyond the table is ignored
    EXPECT_EQ(app_state.record_count, RECORD_CAPACITY);
}

TEST_F(Csv, NumbersIgnoreTheUsersLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    ASSERT_EQ(import("A,0.5,2.75\r\n"), 1);
    ASSERT_EQ(write_csv((dir / "de.csv").c_str()), 1);
    std::setlocale(LC_ALL, "C");
    EXPECT_NE(test::read_file(dir / "de.csv").find("\r\nA,0.500000,2.750000,0.000000,"), std::string::npos);
}
