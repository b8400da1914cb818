// The bitmaps in res/, read back byte by byte: headers that agree with the
// file, the logo's colour table and row padding, and for each navigation
// button its edges, its face and an arrow that points the way its id says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

namespace {

std::string read_res(const std::string& name) {
    std::ifstream in(PLEXAR_SOURCE_DIR "/res/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le(const std::string& file, std::size_t at, int n) {
    uint32_t v = 0;
    while (n--) v = v << 8 | uint8_t(file[at + n]);
    return v;
}

uint32_t row_bytes(int width, int bits) { return (uint32_t(width) * bits + 31) / 32 * 4; }

// Checks the two headers of an uncompressed, bottom-up picture, that the file
// is exactly headers, colour table and rows, and that row padding is zero.
void check_headers(const std::string& file, int width, int height, int bits, int colours) {
    const uint32_t offset = 14 + 40 + 4 * colours, rows = row_bytes(width, bits);
    ASSERT_EQ(file.size(), offset + rows * height) << "missing, or not headers + table + rows";
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(le(file, 2, 4), file.size());  // bfSize
    EXPECT_EQ(le(file, 10, 4), offset);      // bfOffBits
    EXPECT_EQ(le(file, 14, 4), 40u);         // biSize
    EXPECT_EQ(int32_t(le(file, 18, 4)), width);
    EXPECT_EQ(int32_t(le(file, 22, 4)), height);  // positive: bottom-up
    EXPECT_EQ(le(file, 26, 2), 1u);               // planes
    EXPECT_EQ(le(file, 28, 2), uint32_t(bits));
    EXPECT_EQ(le(file, 30, 4), 0u);  // BI_RGB
    EXPECT_EQ(le(file, 34, 4), rows * height);
    EXPECT_EQ(le(file, 46, 4), uint32_t(colours));
    for (int row = 0; row < height; ++row)
        for (uint32_t at = (uint32_t(width) * bits + 7) / 8; at < rows; ++at)
            ASSERT_EQ(file[offset + row * rows + at], 0) << "padding of row " << row;
}

TEST(Logo, IsSixteenColoursWithItsTableAndPaddedRowsOnALightBackground) {
    const std::string file = read_res("bitmap110.bmp");
    ASSERT_NO_FATAL_FAILURE(check_headers(file, 322, 115, 4, 16));
    EXPECT_EQ(row_bytes(322, 4), 164u);
    EXPECT_EQ(file.size() - 118, 18860u);

    // Sixteen distinct colours, each B G R 0; black among them for the outlines.
    bool black = false;
    for (int i = 0; i < 16; ++i) {
        const std::string quad = file.substr(54 + 4 * i, 4);
        EXPECT_EQ(quad[3], 0) << "entry " << i;
        black |= quad == std::string(4, '\0');
        for (int j = 0; j < i; ++j) EXPECT_NE(quad, file.substr(54 + 4 * j, 4)) << i << " repeats " << j;
    }
    EXPECT_TRUE(black);

    // The corners are background, and light; the picture is not all background.
    auto index = [&](int x, int y) {  // y from the top
        uint8_t b = file[118 + (114 - y) * 164 + x / 2];
        return x % 2 ? b & 15 : b >> 4;
    };
    const int background = index(0, 0);
    for (int c = 0; c < 3; ++c) EXPECT_GT(uint8_t(file[54 + 4 * background + c]), 200);
    EXPECT_EQ(index(321, 0), background);
    EXPECT_EQ(index(0, 114), background);
    EXPECT_EQ(index(321, 114), background);
    int drawn = 0;
    for (int y = 0; y < 115; ++y)
        for (int x = 0; x < 322; ++x) drawn += index(x, y) != background;
    EXPECT_GT(drawn, 322 * 115 / 5);
}

struct button {
    const char* name;
    int width, height;
    int tip_x, tip_y;  // the way the arrow points
    bool green;
};

void PrintTo(const button& b, std::ostream* os) { *os << b.name; }

class Button : public ::testing::TestWithParam<button> {};

TEST_P(Button, IsRaisedWithItsArrowPointingItsWay) {
    const button& b = GetParam();
    const std::string file = read_res(b.name);
    ASSERT_NO_FATAL_FAILURE(check_headers(file, b.width, b.height, 24, 0));
    struct rgb {
        int r, g, b;
        bool operator==(const rgb&) const = default;
    };
    auto pixel = [&](int x, int y) {  // y from the top
        std::size_t at = 54 + std::size_t(b.height - 1 - y) * row_bytes(b.width, 24) + 3 * x;
        return rgb{uint8_t(file[at + 2]), uint8_t(file[at + 1]), uint8_t(file[at])};
    };
    const rgb face = {236, 233, 216};
    EXPECT_EQ(pixel(0, 0), (rgb{255, 255, 255}));
    EXPECT_EQ(pixel(b.width - 1, b.height - 1), (rgb{96, 96, 96}));
    EXPECT_EQ(pixel(4, 4), face);
    EXPECT_EQ(pixel(b.width - 5, b.height - 5), face);

    // The arrow is the pixels well off the face colour. Along the way it
    // points, its tip end is a point and its tail end the full shaft.
    int lo = 1 << 20, hi = -lo;
    long red = 0, green = 0;
    bool outlined = false;
    auto in_arrow = [&](rgb p) {
        return std::max({std::abs(p.r - face.r), std::abs(p.g - face.g), std::abs(p.b - face.b)}) > 64;
    };
    for (int y = 3; y < b.height - 3; ++y)
        for (int x = 3; x < b.width - 3; ++x) {
            rgb p = pixel(x, y);
            if (!in_arrow(p)) continue;
            lo = std::min(lo, x * b.tip_x + y * b.tip_y);
            hi = std::max(hi, x * b.tip_x + y * b.tip_y);
            red += p.r, green += p.g;
            outlined |= p.r + p.g + p.b < 60;
        }
    ASSERT_GT(hi - lo, 15) << "no arrow";
    int tip = 0, tail = 0;
    for (int y = 3; y < b.height - 3; ++y)
        for (int x = 3; x < b.width - 3; ++x) {
            if (!in_arrow(pixel(x, y))) continue;
            int along = x * b.tip_x + y * b.tip_y;
            tip += along >= hi - 1;
            tail += along <= lo + 1;
        }
    EXPECT_LT(2 * tip, tail) << "tip end " << tip << " pixels, tail end " << tail;
    EXPECT_TRUE(outlined);
    if (b.green)
        EXPECT_GT(green, 3 * red / 2);
    else
        EXPECT_GT(red, 3 * green / 2);
}

INSTANTIATE_TEST_SUITE_P(Navigation, Button,
                         ::testing::Values(button{"bitmap113.bmp", 64, 32, 0, 1, false},    // down
                                           button{"bitmap114.bmp", 64, 32, 0, -1, false},   // up
                                           button{"bitmap115.bmp", 64, 32, 0, -1, true},    // zoom in: away
                                           button{"bitmap116.bmp", 32, 64, 1, 0, false},    // right
                                           button{"bitmap117.bmp", 64, 32, 0, 1, true},     // zoom out: towards
                                           button{"bitmap118.bmp", 32, 64, -1, 0, false}),  // left
                         [](const auto& info) { return std::string(info.param.name).substr(6, 3); });

}  // namespace
