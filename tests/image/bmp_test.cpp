// BMP files. The small picture has an odd width (row padding), no symmetry (row
// order) and a red unlike its blue (byte order); its file bytes are written out by hand.

#include "image/image.h"
#include "test_util.h"

namespace {

using bytes = std::string;

bytes put_le(bytes b, std::size_t at, uint32_t v, int n) { while (n--) b[at + n] = char(v >> 8 * n); return b; }

// 3 x 2 as the file stores it (rows bottom-up, blue first, three pad bytes) and in memory (red first).
const bytes ROWS("\1\2\3\4\5\6\7\10\11\0\0\0\12\13\14\15\16\17\20\21\22\0\0\0", 24);
const bytes PIXELS("\3\2\1\6\5\4\11\10\7\14\13\12\17\16\15\22\21\20", 18);

const bytes HEADER("BM\x4E\0\0\0\0\0\0\0\x36\0\0\0"           // size 54 + 12 * 2, reserved, rows at 54
                   "\x28\0\0\0\3\0\0\0\2\0\0\0\1\0\x18\0"     // header 40, 3 x 2 bottom-up, 1 plane, 24 bits
                   "\0\0\0\0\0\0\0\0\x13\x0B\0\0\x13\x0B\0\0"  // no compression, 2835 pixels a metre
                   "\0\0\0\0\0\0\0\0", 54);

bytes bmp_file(int32_t width, int32_t height, const bytes& rows) {  // that header made to fit
    return put_le(put_le(put_le(HEADER + rows, 2, 54 + rows.size(), 4), 18, width, 4), 22, height, 4);
}

// "WxH:" and the pixels, to compare size and contents at once.
bytes described(const rgb_image& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height) + ":" +
           bytes(reinterpret_cast<const char*>(image.pixels), std::size_t(image.width) * image.height * 3);
}

// Saves a picture of the given pixels, or with neighbouring bytes and rows all unlike; *made describes it.
int save(const std::string& path, int32_t width, int32_t height, const bytes& pixels = "", bytes* made = nullptr) {
    rgb_image image{};
    EXPECT_EQ(image_alloc(width, height, 3, &image), 1);
    for (std::size_t i = 0; i < std::size_t(width) * height * 3; ++i)
        image.pixels[i] = pixels.empty() ? i * 7919 % 251 : pixels[i];
    int saved = save_bmp(path.c_str(), &image);
    if (made) *made = described(image);
    return image_free(&image), saved;
}

// Loads a file: described, or nothing when it is refused (and nothing was allocated).
bytes load(const std::string& path) {
    rgb_image image{};
    if (!load_bmp(path.c_str(), &image)) return image.pixels ? "allocated" : "";
    const bytes p = described(image);
    return image_free(&image), p;
}

struct Bmp : ::testing::Test { test::scratch_dir dir; };

TEST_F(Bmp, SmallPictureIsWrittenByteForByteAndReadBackAndFailedSavesLeaveNoFile) {
    ASSERT_EQ(save(dir / "small.bmp", 3, 2, PIXELS), 1);
    EXPECT_EQ(test::read_file(dir / "small.bmp"), HEADER + ROWS);
    EXPECT_EQ(load(dir / "small.bmp"), "3x2:" + PIXELS);
    // The same rows stored top row first, under a negative height.
    test::write_file(dir / "top-down.bmp", bmp_file(3, -2, ROWS.substr(12) + ROWS.substr(0, 12)));
    EXPECT_EQ(load(dir / "top-down.bmp"), "3x2:" + PIXELS);

    EXPECT_TRUE(save(dir / "no-such-folder/shot.bmp", 3, 2) == 0 && !std::filesystem::exists(dir / "no-such-folder"));
    rgb_image empty{};  // nothing to save
    EXPECT_TRUE(save_bmp((dir / "empty.bmp").c_str(), &empty) == 0 && !std::filesystem::exists(dir / "empty.bmp"));
}

TEST_F(Bmp, RoundTripsKeepEveryPixelInFilesOfPaddedRows) {
    // 6145 pixels make rows longer than the old 18,432-byte buffer.
    struct { int32_t w, h; std::uintmax_t size; } cases[] = {
        {1, 7, 54 + 4 * 7}, {6145, 2, 54 + 18436 * 2}, {640, 480, 921654}, {641, 480, 923574}};
    for (auto c : cases) {
        bytes made;
        ASSERT_EQ(save(dir / "trip.bmp", c.w, c.h, "", &made), 1);
        EXPECT_EQ(std::filesystem::file_size(dir / "trip.bmp"), c.size) << c.w << " x " << c.h;
        EXPECT_TRUE(load(dir / "trip.bmp") == made) << c.w << " x " << c.h;
    }
}

TEST_F(Bmp, MalformedFilesAreRefused) {
    const bytes good = bmp_file(3, 2, ROWS);
    auto with = [&](std::size_t at, uint32_t v, int size) { return put_le(good, at, v, size); };
    const bytes column(4 * 16385, '\0');  // 16385 rows of one pixel
    const std::pair<const char*, bytes> cases[] = {
        {"width 0", with(18, 0, 4)}, {"height 0", with(22, 0, 4)}, {"negative width", with(18, uint32_t(-3), 4)},
        {"width 16385", bmp_file(16385, 1, bytes(49156, '\0'))}, {"height 16385", bmp_file(1, 16385, column)},
        {"height -16385", bmp_file(1, -16385, column)}, {"one byte short", good.substr(0, good.size() - 1)},
        {"header only", good.substr(0, 54)}, {"short header", good.substr(0, 53)},
        {"signature", with(0, 'B' | 'A' << 8, 2)}, {"32 bits per pixel", with(28, 32, 2)},
        {"16 bits per pixel", with(28, 16, 2)}, {"compression 1", with(30, 1, 4)}};
    for (const auto& [why, file] : cases) {
        test::write_file(dir / "bad.bmp", file);
        EXPECT_EQ(load(dir / "bad.bmp"), "") << why;
    }
    EXPECT_EQ(load(dir / "missing.bmp"), "");
    test::write_file(dir / "limit.bmp", bmp_file(1, -16384, bytes(4 * 16384, '\0')));  // the limit itself is allowed
    EXPECT_EQ(load(dir / "limit.bmp"), "1x16384:" + bytes(3 * 16384, '\0'));
}

}  // namespace
