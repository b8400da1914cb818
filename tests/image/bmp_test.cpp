// Image records and BMP files. Test pictures have an odd width (row padding),
// no symmetry (row order) and different red and blue (byte order); expected
// file bytes are written out by hand.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "image/image.h"

namespace fs = std::filesystem;

namespace {

using bytes = std::vector<unsigned char>;

struct temp_dir {
    fs::path path;
    temp_dir() {
        std::string pattern = (fs::temp_directory_path() / "plexar-bmp-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
        else ADD_FAILURE() << "cannot make " << pattern;
    }
    ~temp_dir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

bytes read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_all(const std::string& path, const bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void put_le(bytes& b, std::size_t at, uint32_t v, int size) {
    for (int i = 0; i < size; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A BMP header as other programs may write one, followed by `rows` as given.
bytes bmp_file(int32_t width, int32_t height, const bytes& rows, uint16_t bpp = 24, uint32_t compression = 0,
               uint32_t offset = 54) {
    bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    put_le(b, 2, static_cast<uint32_t>(54 + rows.size()), 4);
    put_le(b, 10, offset, 4);
    put_le(b, 14, 40, 4);
    put_le(b, 18, static_cast<uint32_t>(width), 4);
    put_le(b, 22, static_cast<uint32_t>(height), 4);
    put_le(b, 26, 1, 2);
    put_le(b, 28, bpp, 2);
    put_le(b, 30, compression, 4);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// 2 x 3 rows as stored bottom-up: blue, green, red per pixel, two pad bytes.
const bytes two_by_three_rows = {
    1,  2,  3,  4,  5,  6,  0, 0,  // bottom row
    7,  8,  9,  10, 11, 12, 0, 0,  //
    13, 14, 15, 16, 17, 18, 0, 0,  // top row
};
// The same picture in memory: red, green, blue, bottom row first.
const bytes two_by_three_pixels = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16};

int open_descriptors() {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

bytes pixels_of(const rgb_image& image) {
    return bytes(image.pixels, image.pixels + static_cast<std::size_t>(image.width) * image.height * 3);
}

rgb_image patterned(int32_t width, int32_t height) {
    rgb_image image{};
    EXPECT_EQ(image_alloc(width, height, 3, &image), 1);
    uint32_t seed = 12345;
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height * 3; ++i) {
        seed = seed * 1103515245u + 12345u;
        image.pixels[i] = static_cast<unsigned char>(seed >> 16);
    }
    return image;
}

void expect_empty(const rgb_image& image) {
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.channels, 0);
    EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace

TEST(image_record, alloc_gives_zeroed_buffer_and_free_empties_twice) {
    rgb_image image{};
    ASSERT_EQ(image_alloc(3, 2, 3, &image), 1);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(pixels_of(image), bytes(18, 0));
    image_free(&image);
    expect_empty(image);
    image_free(&image);  // a second release must not free again
    expect_empty(image);
}

TEST(image_record, alloc_refuses_bad_sizes_and_leaves_record_empty) {
    struct { int32_t w, h, c; } cases[] = {
        {0, 1, 3}, {1, 0, 3}, {1, 1, 0}, {-1, 5, 3}, {5, -1, 3}, {INT32_MIN, INT32_MIN, 3},
        {INT32_MAX, INT32_MAX, INT32_MAX},  // wraps any size_t
    };
    for (auto c : cases) {
        rgb_image image{};
        EXPECT_EQ(image_alloc(c.w, c.h, c.c, &image), 0) << c.w << "x" << c.h << "x" << c.c;
        expect_empty(image);
    }
}

TEST(bmp_files, sizes_follow_padded_row_strides) {
    temp_dir dir;
    // width -> stride 4, 8, 12, 12 bytes; 641 x 480 has a stride of 1924.
    struct { int32_t w, h; std::uintmax_t size; } cases[] = {
        {1, 3, 54 + 4 * 3}, {2, 3, 54 + 8 * 3}, {3, 3, 54 + 12 * 3}, {4, 3, 54 + 12 * 3},
        {640, 480, 921654}, {641, 480, 923574},
    };
    for (auto c : cases) {
        rgb_image image = patterned(c.w, c.h);
        std::string path = dir / "size.bmp";
        ASSERT_EQ(save_bmp(path.c_str(), &image), 1);
        EXPECT_EQ(fs::file_size(path), c.size) << c.w << "x" << c.h;
        image_free(&image);
    }
}

TEST(bmp_files, written_byte_for_byte_and_read_back) {
    temp_dir dir;
    rgb_image image{};
    ASSERT_EQ(image_alloc(2, 3, 3, &image), 1);
    std::copy(two_by_three_pixels.begin(), two_by_three_pixels.end(), image.pixels);
    std::string path = dir / "small.bmp";
    ASSERT_EQ(save_bmp(path.c_str(), &image), 1);

    const bytes header = {
        0x42, 0x4D,              // "BM"
        0x4E, 0x00, 0x00, 0x00,  // file size 54 + 8 * 3 = 78
        0x00, 0x00, 0x00, 0x00,  // reserved
        0x36, 0x00, 0x00, 0x00,  // rows at 54
        0x28, 0x00, 0x00, 0x00,  // information header 40
        0x02, 0x00, 0x00, 0x00,  // width
        0x03, 0x00, 0x00, 0x00,  // height, positive: bottom-up
        0x01, 0x00,              // planes
        0x18, 0x00,              // 24 bits per pixel
        0x00, 0x00, 0x00, 0x00,  // no compression
        0x00, 0x00, 0x00, 0x00,  // pixel data size
        0x13, 0x0B, 0x00, 0x00,  // 2835 pixels per metre
        0x13, 0x0B, 0x00, 0x00,  //
        0x00, 0x00, 0x00, 0x00,  // colours used
        0x00, 0x00, 0x00, 0x00,  // important colours
    };
    bytes expected = header;
    expected.insert(expected.end(), two_by_three_rows.begin(), two_by_three_rows.end());
    EXPECT_EQ(read_all(path), expected);

    rgb_image loaded{};
    ASSERT_EQ(load_bmp(path.c_str(), &loaded), 1);
    EXPECT_EQ(loaded.width, 2);
    EXPECT_EQ(loaded.height, 3);
    EXPECT_EQ(loaded.channels, 3);
    EXPECT_EQ(pixels_of(loaded), two_by_three_pixels);
    image_free(&loaded);
    image_free(&image);
}

TEST(bmp_files, round_trips_keep_every_pixel) {
    temp_dir dir;
    // 6145 pixels need rows longer than the 18,432-byte buffer of old.
    struct { int32_t w, h; } cases[] = {{5, 3}, {1, 7}, {333, 111}, {6145, 2}};
    for (auto c : cases) {
        rgb_image image = patterned(c.w, c.h);
        std::string path = dir / "trip.bmp";
        ASSERT_EQ(save_bmp(path.c_str(), &image), 1);
        rgb_image loaded{};
        ASSERT_EQ(load_bmp(path.c_str(), &loaded), 1) << c.w << "x" << c.h;
        EXPECT_EQ(loaded.width, c.w);
        EXPECT_EQ(loaded.height, c.h);
        EXPECT_TRUE(pixels_of(loaded) == pixels_of(image)) << c.w << "x" << c.h;
        image_free(&loaded);
        image_free(&image);
    }
}

TEST(bmp_reading, header_fields_that_do_not_matter_are_ignored) {
    temp_dir dir;
    std::string path = dir / "in.bmp";
    struct { uint16_t bpp; uint32_t offset; } cases[] = {
        {24, 54}, {25, 54}, {31, 54},  // bits per pixel / 8 is 3
        {24, 138}, {24, 0},            // rows are taken from 54 whatever the offset says
    };
    for (auto c : cases) {
        write_all(path, bmp_file(2, 3, two_by_three_rows, c.bpp, 0, c.offset));
        rgb_image loaded{};
        ASSERT_EQ(load_bmp(path.c_str(), &loaded), 1) << c.bpp << " " << c.offset;
        EXPECT_EQ(loaded.channels, 3);
        EXPECT_EQ(pixels_of(loaded), two_by_three_pixels);
        image_free(&loaded);
    }
    // Bytes after the rows are not ours to read.
    bytes longer = bmp_file(2, 3, two_by_three_rows);
    longer.resize(longer.size() + 100, 0xAA);
    write_all(path, longer);
    rgb_image loaded{};
    ASSERT_EQ(load_bmp(path.c_str(), &loaded), 1);
    EXPECT_EQ(pixels_of(loaded), two_by_three_pixels);
    image_free(&loaded);
}

TEST(bmp_reading, negative_height_is_read_top_down) {
    temp_dir dir;
    std::string path = dir / "topdown.bmp";
    // The same picture with its rows stored top row first.
    bytes rows(two_by_three_rows.begin() + 16, two_by_three_rows.end());
    rows.insert(rows.end(), two_by_three_rows.begin() + 8, two_by_three_rows.begin() + 16);
    rows.insert(rows.end(), two_by_three_rows.begin(), two_by_three_rows.begin() + 8);
    write_all(path, bmp_file(2, -3, rows));

    rgb_image loaded{};
    ASSERT_EQ(load_bmp(path.c_str(), &loaded), 1);
    EXPECT_EQ(loaded.width, 2);
    EXPECT_EQ(loaded.height, 3);
    EXPECT_EQ(pixels_of(loaded), two_by_three_pixels);
    image_free(&loaded);
}

TEST(bmp_reading, refusals_allocate_nothing_and_close_the_file) {
    temp_dir dir;
    std::string path = dir / "bad.bmp";
    bytes good = bmp_file(2, 3, two_by_three_rows);
    auto with = [&](std::size_t at, uint32_t v, int size) {
        bytes b = good;
        put_le(b, at, v, size);
        return b;
    };
    bytes one_wide_rows(4 * 16385, 0);
    struct { const char* why; bytes file; } cases[] = {
        {"empty file", {}},
        {"short header", bytes(good.begin(), good.begin() + 53)},
        {"header only", bytes(good.begin(), good.begin() + 54)},
        {"one byte short of the rows", bytes(good.begin(), good.end() - 1)},
        {"signature", with(0, 'B' | 'A' << 8, 2)},
        {"signature reversed", with(0, 'M' | 'B' << 8, 2)},
        {"32 bits per pixel", with(28, 32, 2)},
        {"23 bits per pixel", with(28, 23, 2)},
        {"16 bits per pixel", with(28, 16, 2)},
        {"8 bits per pixel", with(28, 8, 2)},
        {"compression 1", with(30, 1, 4)},
        {"compression 2", with(30, 2, 4)},
        {"compression 3", with(30, 3, 4)},
        {"width 0", with(18, 0, 4)},
        {"height 0", with(22, 0, 4)},
        {"negative width", with(18, static_cast<uint32_t>(-2), 4)},
        {"most negative width", with(18, 0x80000000u, 4)},
        {"most negative height", with(22, 0x80000000u, 4)},
        {"huge height", with(22, 0x7FFFFFFFu, 4)},
        {"width above the limit", bmp_file(16385, 1, bytes(49156, 0))},
        {"height above the limit", bmp_file(1, 16385, one_wide_rows)},
        {"top-down height above the limit", bmp_file(1, -16385, one_wide_rows)},
    };
    int descriptors = open_descriptors();
    for (auto& c : cases) {
        write_all(path, c.file);
        rgb_image image{};
        EXPECT_EQ(load_bmp(path.c_str(), &image), 0) << c.why;
        EXPECT_EQ(image.pixels, nullptr) << c.why;
        EXPECT_EQ(open_descriptors(), descriptors) << c.why;
    }
    rgb_image image{};
    EXPECT_EQ(load_bmp((dir / "missing.bmp").c_str(), &image), 0);
    EXPECT_EQ(image.pixels, nullptr);

    // The limit itself is allowed.
    write_all(path, bmp_file(1, -16384, bytes(4 * 16384, 0)));
    ASSERT_EQ(load_bmp(path.c_str(), &image), 1);
    EXPECT_EQ(image.height, 16384);
    image_free(&image);
}

// A pipe has no size to check beforehand: rows cut short are caught as they
// are read.
TEST(bmp_reading, short_rows_from_a_pipe_are_refused) {
    temp_dir dir;
    std::string path = dir / "pipe.bmp";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    bytes good = bmp_file(2, 3, two_by_three_rows);
    struct { bytes file; int result; } cases[] = {
        {good, 1},
        {bytes(good.begin(), good.end() - 1), 0},
        {bytes(good.begin(), good.begin() + 54 + 8), 0},
    };
    for (auto& c : cases) {
        std::thread writer([&] { write_all(path, c.file); });
        rgb_image image{};
        EXPECT_EQ(load_bmp(path.c_str(), &image), c.result) << c.file.size();
        writer.join();
        if (c.result) EXPECT_EQ(pixels_of(image), two_by_three_pixels);
        else EXPECT_EQ(image.pixels, nullptr);
        image_free(&image);
    }
}

TEST(bmp_saving, failures_leave_what_was_there) {
    temp_dir dir;
    rgb_image image = patterned(3, 2);

    EXPECT_EQ(save_bmp((dir / "no-such-folder/shot.bmp").c_str(), &image), 0);
    EXPECT_FALSE(fs::exists(dir.path / "no-such-folder"));

    std::string old_path = dir / "old.bmp";
    bytes old_content = {'o', 'l', 'd'};
    write_all(old_path, old_content);
    rgb_image empty{};
    EXPECT_EQ(save_bmp(old_path.c_str(), &empty), 0);
    EXPECT_EQ(read_all(old_path), old_content);

    // A folder where the file should go: the write succeeds, the rename cannot.
    fs::create_directory(dir.path / "taken.bmp");
    EXPECT_EQ(save_bmp((dir / "taken.bmp").c_str(), &image), 0);
    EXPECT_TRUE(fs::is_directory(dir.path / "taken.bmp"));
    int entries = static_cast<int>(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()));
    EXPECT_EQ(entries, 2) << "a temporary file was left behind";
    image_free(&image);
}

TEST(bmp_saving, replaces_old_files_whole_and_through_links) {
    temp_dir dir;
    rgb_image image{};
    ASSERT_EQ(image_alloc(2, 3, 3, &image), 1);
    std::copy(two_by_three_pixels.begin(), two_by_three_pixels.end(), image.pixels);

    // A longer old file must not leave its tail behind.
    std::string path = dir / "shot.bmp";
    write_all(path, bytes(500, 0x55));
    ASSERT_EQ(save_bmp(path.c_str(), &image), 1);
    EXPECT_EQ(fs::file_size(path), 78u);

    std::string real = dir / "real.bmp";
    std::string link = dir / "link.bmp";
    write_all(real, bytes(500, 0x55));
    fs::create_symlink("real.bmp", link);
    ASSERT_EQ(save_bmp(link.c_str(), &image), 1);
    EXPECT_TRUE(fs::is_symlink(link));
    rgb_image loaded{};
    ASSERT_EQ(load_bmp(real.c_str(), &loaded), 1);
    EXPECT_EQ(pixels_of(loaded), two_by_three_pixels);
    image_free(&loaded);
    image_free(&image);
}
