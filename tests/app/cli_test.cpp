// plexar-cli convert and render as a user runs them: the files they write, read here byte by byte, and their failures.
#include <gtest/gtest.h>

#include <QImage>

#include <array>

#include "scene/view_math.h"
#include "test_util.h"

namespace {

using rgb = std::array<int, 3>;
const rgb BACKGROUND = {160, 160, 160}, OUTSIDE = {196, 206, 216};
const std::string SAMPLE = "'" PLEXAR_SOURCE_DIR "/data/sample/texas.dat' ";

// Runs "plexar-cli ARGS" in folder (by default the one holding data/): exit code, standard error.
std::pair<int, std::string> cli(const std::string& args, const std::string& folder = PLEXAR_SOURCE_DIR) {
    return test::run("cd '" + folder + "' && " PLEXAR_CLI " " + args + " 2>&1 >/dev/null");
}

// The pixel at window point (x, y) of a BMP file: rows bottom-up, padded to 4 bytes, blue first.
rgb pixel(const std::string& bmp, int width, double x, double y) {
    std::string p = bmp.substr(54 + int(y) * ((width * 3 + 3) / 4 * 4) + int(x) * 3, 3);
    return {uint8_t(p.at(2)), uint8_t(p[1]), uint8_t(p[0])};
}

const std::string TEXAS = PLEXAR_SOURCE_DIR "/data/sample/texas";
const std::pair<int, std::string> OK = {0, ""};

TEST(CliConvert, TheSampleConvertsBothWaysToTheShippedFilesByteForByte) {
    test::scratch_dir dir;
    auto convert = [&](const std::string& from, const std::string& to) { return cli("convert '" + from + "' '" + to + "'"); };
    ASSERT_EQ(convert(TEXAS + ".csv", dir / "from csv.dat"), OK);
    ASSERT_EQ(convert(dir / "from csv.dat", dir / "back.csv"), OK);
    EXPECT_EQ(test::read_file(dir / "back.csv"), test::read_file(TEXAS + ".csv"));
    // the shipped .dat carries more than six decimals; its CSV is the shipped CSV
    ASSERT_EQ(convert(TEXAS + ".dat", dir / "x.CSV"), OK);
    EXPECT_EQ(test::read_file(dir / "x.CSV"), test::read_file(TEXAS + ".csv"));
    ASSERT_EQ(convert(TEXAS + ".dat", dir / "copy.dat"), OK);
    EXPECT_EQ(test::read_file(dir / "copy.dat"), test::read_file(TEXAS + ".dat"));

    // failures exit with 1 and say why
    for (auto [from, to, message] : {std::tuple{dir / "missing.dat", dir / "out.csv", "read_records(): fopen error"},
                                     {TEXAS + ".dat", dir / "no/folder/out.csv", "cannot write"},
                                     {TEXAS + ".dat", dir / "out.txt", "out.txt"}}) {
        auto [code, errors] = convert(from, to);
        EXPECT_EQ(code, 1) << to;
        EXPECT_NE(errors.find(message), std::string::npos) << errors;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
}

TEST(Cli, HelpGoesToStandardOutputAndACommandLineNotUnderstoodExitsWithTwo) {
    for (const char* help : {" --help", " -h"}) {
        auto [code, out] = test::run(PLEXAR_CLI + std::string(help) + " 2>&1");  // nothing on standard error either
        EXPECT_EQ(code, 0) << help;
        EXPECT_EQ(out.rfind("usage: plexar-cli convert IN OUT\n", 0), 0u) << out;
    }
    for (const char* args : {"", "convert onlyone.dat", "convert a.dat b.csv c.csv", "bogus a.dat b.dat", "--help x"}) {
        auto [code, errors] = cli(args);
        EXPECT_EQ(code, 2) << args;
        EXPECT_EQ(errors.rfind("usage: plexar-cli", 0), 0u) << args << "\n" << errors;
    }
}

TEST(CliRender, OddSizeGivesAPaddedBmpOfTheChosenView) {
    test::scratch_dir dir;
    auto [code, errors] = cli("render " + SAMPLE + "'" + dir / "odd.bmp" + "' --size 101x75 --tilt 30 --yaw 150 "
                              "--distance 4000 --center 900,700 --scale 5");
    ASSERT_EQ(std::pair(code, errors), OK);
    const std::string f = test::read_file(dir / "odd.bmp");
    ASSERT_EQ(f.size(), 54u + 304 * 75);  // 303 bytes a row, padded to 304
    EXPECT_EQ(pixel(f, 101, 100, 74), BACKGROUND);  // the last pixel before a row's padding
    const test::window_point corner = test::project({4000, 30, 150, 900, 700, 101, 75}, 100, 100, 0);
    EXPECT_EQ(pixel(f, 101, corner.x, corner.y), OUTSIDE);  // red and blue differ: swapped bytes would show
}

TEST(CliRender, SelectDrawsTheCountysTopAtHalfBrightnessAndAPngNameGivesAPngOfTheSamePicture) {
    test::scratch_dir dir;
    const std::string view = " --size 255x191 --center 1579,529 --distance 400 --scale 3";  // Harris, bars low; odd rows
    for (const char* out : {"plain.bmp' ", "selected.bmp' --select 100", "selected.PNG' --select 100"})
        ASSERT_EQ(cli("render " + SAMPLE + "'" + dir / out + view), OK) << out;
    const std::string plain = test::read_file(dir / "plain.bmp"), selected = test::read_file(dir / "selected.bmp");
    const test::camera cam = {400, 0, 0, 1579, 529, 255, 191};
    const test::window_point harris = test::project(cam, 1579, 529, 0), liberty = test::project(cam, 1617, 570, 0);
    const rgb full = pixel(plain, 255, harris.x, harris.y), half = pixel(selected, 255, harris.x, harris.y);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(half[i], full[i] / 2, 2) << i;
    EXPECT_EQ(pixel(selected, 255, liberty.x, liberty.y), pixel(plain, 255, liberty.x, liberty.y));

    EXPECT_EQ(test::read_file(dir / "selected.PNG").substr(1, 3), "PNG");
    const QImage png = QImage(QString::fromStdString(dir / "selected.PNG")).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(png.size(), QSize(255, 191));
    EXPECT_EQ(png, QImage(QString::fromStdString(dir / "selected.bmp")).convertToFormat(QImage::Format_RGB32));
}

TEST(CliRender, BadOptionsExitWithTwoAndTheUsageUnreadableDataWithOneAndNeitherWritesAnything) {
    test::scratch_dir dir;
    test::write_file(dir / "figures.txt", "not a table");
    test::write_file(dir / "figures.png", "not a picture");
    std::filesystem::create_directory(dir / "folder.dat");
    const std::string out = " '" + dir / "out.bmp" + "' ";
    const std::tuple<std::string, const char*, int> cases[] = {  // options for the sample, or a data file in dir
        {"--tilt 91", "bad value for --tilt", 2}, {"--size 0x10", "bad value for --size", 2},
        {"--field 25", "bad value for --field", 2}, {"--select 254", "bad value for --select", 2},
        {"--distance nan", "bad value for --distance", 2}, {"--bogus 1", "unknown option --bogus", 2},
        {"--size 64x64 --tilt", "missing value after --tilt", 2}, {"missing.dat", "read_records(): fopen error", 1},
        {"figures.png", "cannot tell the file type", 1}, {"folder.dat", "cannot read", 1},
        {"figures.txt", "cannot open table", 1}};
    for (const auto& [args, message, exit_code] : cases) {
        auto [code, errors] =
            cli("render " + (args.starts_with("--") ? SAMPLE + out + args : "'" + dir / args + "'" + out));
        EXPECT_EQ(code, exit_code) << args;
        EXPECT_NE(errors.find(message), std::string::npos) << args << "\n" << errors;
        EXPECT_EQ(errors.find("usage:") != std::string::npos, exit_code == 2) << args << "\n" << errors;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp")) << args;
    }
}

TEST(CliRender, OutsideTheProgramFolderItReportsTheMissingFilesAndStillDraws) {
    test::scratch_dir dir;
    auto [code, errors] = cli("render " + SAMPLE + "out.bmp --size 64x48", dir.path().string());
    EXPECT_EQ(code, 0) << errors;
    EXPECT_NE(errors.find("make_map() - can't read map!"), std::string::npos) << errors;
    EXPECT_NE(errors.find("init_query() - can't read fields!"), std::string::npos) << errors;
    EXPECT_EQ(test::read_file(dir / "out.bmp").size(), 54u + 192 * 48);  // a white map, as the scene tests show
}

}  // namespace
