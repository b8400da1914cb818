// plexar-cli convert, run as a user runs it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "test_util.h"

namespace {

struct run_result {
    int exit_code;
    std::string errors;
};

run_result run_cli(const std::string& args) {
    std::string command = std::string(PLEXAR_CLI) + " " + args + " 2>&1 >/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

const std::string SAMPLE = PLEXAR_SOURCE_DIR "/data/sample/texas";

}  // namespace

TEST(CliConvert, TheSampleConvertsBothWaysToTheShippedFilesByteForByte) {
    test::scratch_dir dir;
    run_result r = run_cli("convert " + quoted(SAMPLE + ".csv") + " " + quoted(dir / "from csv.dat"));
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_EQ(r.errors, "");
    r = run_cli("convert " + quoted(dir / "from csv.dat") + " " + quoted(dir / "back.csv"));
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_EQ(test::read_file(dir / "back.csv"), test::read_file(SAMPLE + ".csv"));

    // the shipped .dat carries more than six decimals; its CSV is the shipped CSV
    r = run_cli("convert " + quoted(SAMPLE + ".dat") + " " + quoted(dir / "x.CSV"));
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_EQ(test::read_file(dir / "x.CSV"), test::read_file(SAMPLE + ".csv"));
    r = run_cli("convert " + quoted(SAMPLE + ".dat") + " " + quoted(dir / "copy.dat"));
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_EQ(test::read_file(dir / "copy.dat"), test::read_file(SAMPLE + ".dat"));
}

TEST(CliConvert, FailuresExitWithOneAndSayWhy) {
    test::scratch_dir dir;
    run_result r = run_cli("convert " + quoted(dir / "missing.dat") + " " + quoted(dir / "out.csv"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("read_records(): fopen error"), std::string::npos) << r.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));

    r = run_cli("convert " + quoted(SAMPLE + ".dat") + " " + quoted(dir / "no/folder/out.csv"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("cannot write"), std::string::npos) << r.errors;

    r = run_cli("convert " + quoted(SAMPLE + ".dat") + " " + quoted(dir / "out.txt"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("out.txt"), std::string::npos) << r.errors;

    EXPECT_EQ(run_cli("").exit_code, 1);
    EXPECT_EQ(run_cli("convert onlyone.dat").exit_code, 1);
}
