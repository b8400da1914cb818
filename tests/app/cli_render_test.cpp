// plexar-cli render, run as a user runs it: the picture file it writes (read
// here byte by byte, not through the program's own reader) and its failures.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "scene/view_math.h"
#include "test_util.h"

namespace {

struct run_result {
    int exit_code;
    std::string errors;
};

// Runs the command line from folder (the source folder, which holds data/,
// unless told otherwise) and collects what it says on standard error.
run_result run_cli(const std::string& args, const std::string& folder = PLEXAR_SOURCE_DIR) {
    std::string command = "cd '" + folder + "' && " + PLEXAR_CLI + " " + args + " 2>&1 >/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

const std::string SAMPLE = PLEXAR_SOURCE_DIR "/data/sample/texas.dat";

using rgb = std::array<int, 3>;
const rgb BACKGROUND = {160, 160, 160};
const rgb OUTSIDE = {196, 206, 216};  // the map's colour outside the state

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}
uint32_t le16(const std::string& b, size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8; }

// A 24-bit BMP as the file holds it: rows bottom-up, padded to 4 bytes, blue first.
struct bmp_file {
    std::string bytes;
    int width = 0, height = 0;
    size_t stride() const { return (size_t(width) * 3 + 3) / 4 * 4; }
    rgb at(int column, int row) const {
        size_t o = 54 + size_t(row) * stride() + size_t(column) * 3;
        return {uint8_t(bytes[o + 2]), uint8_t(bytes[o + 1]), uint8_t(bytes[o])};
    }
    rgb at(const test::window_point& w) const { return at(w.column(), w.row()); }
};

// Reads the file and checks it is the 24-bit uncompressed BMP of that size.
bmp_file expect_bmp(const std::string& path, int width, int height) {
    bmp_file f;
    f.bytes = test::read_file(path);
    f.width = width;
    f.height = height;
    const size_t size = 54 + f.stride() * height;
    EXPECT_EQ(f.bytes.size(), size);
    if (f.bytes.size() != size) return bmp_file{};
    EXPECT_EQ(f.bytes.substr(0, 2), "BM");
    EXPECT_EQ(le32(f.bytes, 2), size);
    EXPECT_EQ(le32(f.bytes, 10), 54u);
    EXPECT_EQ(le32(f.bytes, 14), 40u);
    EXPECT_EQ(le32(f.bytes, 18), uint32_t(width));
    EXPECT_EQ(le32(f.bytes, 22), uint32_t(height));
    EXPECT_EQ(le16(f.bytes, 26), 1u);
    EXPECT_EQ(le16(f.bytes, 28), 24u);
    EXPECT_EQ(le32(f.bytes, 30), 0u);
    return f;
}

std::string str(const rgb& c) {
    return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) + ")";
}

TEST(CliRender, DefaultPictureIsTheViewersInitialViewAsABmp) {
    test::scratch_dir dir;
    run_result r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "view.bmp"));
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_EQ(r.errors, "");
    bmp_file f = expect_bmp(dir / "view.bmp", 1024, 768);
    ASSERT_FALSE(f.bytes.empty());
    EXPECT_EQ(f.at(0, 0), BACKGROUND);
    EXPECT_EQ(f.at(1023, 767), BACKGROUND);
    // red and blue differ here, so swapped bytes would show
    test::camera cam;
    cam.width = 1024;
    cam.height = 768;
    rgb outside = f.at(test::project(cam, 100, 100, 0));
    EXPECT_EQ(outside, OUTSIDE) << str(outside);
}

TEST(CliRender, OddWidthsArePaddedAndTheViewOptionsApply) {
    test::scratch_dir dir;
    // Seen from the north-east, low: the map's far corner (0, 0) is still in view.
    run_result r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "odd.bmp") +
                           " --size 101x75 --tilt 30 --yaw 150 --distance 4000 --center 900,700 --scale 5");
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    bmp_file f = expect_bmp(dir / "odd.bmp", 101, 75);
    ASSERT_FALSE(f.bytes.empty());
    EXPECT_EQ(f.stride(), 304u);
    EXPECT_EQ(f.at(100, 74), BACKGROUND);  // last pixel before a row's padding
    test::camera cam;
    cam.width = 101;
    cam.height = 75;
    cam.tilt = 30;
    cam.yaw = 150;
    cam.distance = 4000;
    cam.cx = 900;
    cam.cy = 700;
    test::window_point corner = test::project(cam, 100, 100, 0);
    ASSERT_TRUE(corner.inside());
    EXPECT_EQ(f.at(corner), OUTSIDE) << str(f.at(corner));
}

TEST(CliRender, TheSelectedCountysTopIsDrawnAtHalfBrightness) {
    test::scratch_dir dir;
    // Straight down on Harris, close; bars kept low (1000:1) so tops lie on the map.
    const std::string view = " --size 256x192 --center 1579,529 --distance 400 --scale 3";
    run_result r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "plain.bmp") + view);
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "selected.bmp") + view + " --select 100");
    ASSERT_EQ(r.exit_code, 0) << r.errors;
    bmp_file plain = expect_bmp(dir / "plain.bmp", 256, 192), selected = expect_bmp(dir / "selected.bmp", 256, 192);
    ASSERT_FALSE(plain.bytes.empty() || selected.bytes.empty());

    test::camera cam;
    cam.width = 256;
    cam.height = 192;
    cam.distance = 400;
    cam.cx = 1579;
    cam.cy = 529;
    test::window_point harris = test::project(cam, 1579, 529, 0), liberty = test::project(cam, 1617, 570, 0);
    rgb full = plain.at(harris), half = selected.at(harris);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(half[i], full[i] / 2, 2) << str(half) << " against " << str(full);
    // its neighbour Liberty is the same in both pictures, and brighter
    EXPECT_EQ(selected.at(liberty), plain.at(liberty));
    EXPECT_GT(selected.at(liberty)[0], half[0] + 50);
}

TEST(CliRender, BadOptionsExitWithOneAndSayWhy) {
    test::scratch_dir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"--tilt 91", "bad value for --tilt"},        {"--yaw -180.5", "bad value for --yaw"},
        {"--size 0x10", "bad value for --size"},      {"--size 100", "bad value for --size"},
        {"--size 64x64x", "bad value for --size"},    {"--field 25", "bad value for --field"},
        {"--select 254", "bad value for --select"},   {"--select -1", "bad value for --select"},
        {"--scale 6", "bad value for --scale"},       {"--center 941", "bad value for --center"},
        {"--distance nan", "bad value for --distance"}, {"--distance 1e99", "bad value for --distance"},
        {"--bogus 1", "unknown option --bogus"},      {"--size 64x64 --tilt", "missing value after --tilt"},
    };
    for (auto [options, message] : cases) {
        SCOPED_TRACE(options);
        run_result r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "out.bmp") + " " + options);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_NE(r.errors.find(message), std::string::npos) << r.errors;
        EXPECT_NE(r.errors.find("usage:"), std::string::npos) << r.errors;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));
    }
}

TEST(CliRender, DataThatCannotBeReadOrAPictureThatCannotBeWrittenExitWithOne) {
    test::scratch_dir dir;
    run_result r = run_cli("render " + quoted(dir / "missing.dat") + " " + quoted(dir / "out.bmp"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("read_records(): fopen error"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("missing.dat"), std::string::npos) << r.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));

    r = run_cli("render " + quoted(dir / "missing.csv") + " " + quoted(dir / "out.bmp"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("read_csv(): fopen error"), std::string::npos) << r.errors;

    test::write_file(dir / "figures.txt", "not a record file");
    r = run_cli("render " + quoted(dir / "figures.txt") + " " + quoted(dir / "out.bmp"));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find(".dat or .csv"), std::string::npos) << r.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));

    r = run_cli("render " + quoted(SAMPLE) + " " + quoted(dir / "no/folder/out.bmp") + " --size 16x16");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.errors.find("cannot write"), std::string::npos) << r.errors;
}

TEST(CliRender, OutsideTheProgramFolderTheMissingMapAndFieldsAreReported) {
    // Run from a folder without data/: as the viewer does, it says so and goes
    // on with a plain white map.
    test::scratch_dir dir;
    run_result r = run_cli("render " + quoted(SAMPLE) + " out.bmp --size 64x48", dir.path().string());
    EXPECT_EQ(r.exit_code, 0) << r.errors;
    EXPECT_NE(r.errors.find("make_map() - can't read map!"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("init_query() - can't read fields!"), std::string::npos) << r.errors;
    bmp_file f = expect_bmp(dir / "out.bmp", 64, 48);
    ASSERT_FALSE(f.bytes.empty());
    EXPECT_EQ(f.at(0, 0), BACKGROUND);
    test::camera cam;
    cam.width = 64;
    cam.height = 48;
    EXPECT_EQ(f.at(test::project(cam, 100, 100, 0)), (rgb{255, 255, 255}));
}

}  // namespace
