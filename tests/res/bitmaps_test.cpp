// The bitmaps in res/, read back byte by byte: headers that agree with the file, the logo's colour table and row
// padding, and for each navigation button its edges, its face and an arrow that points the way its id says.
#include <algorithm>

#include "test_util.h"

namespace {

std::string read_res(const std::string& name) { return test::read_file(PLEXAR_SOURCE_DIR "/res/" + name); }

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
    // size, rows' offset, header size, width, height (positive: bottom-up), planes, bits, BI_RGB, rows' size, colours
    for (auto [at, n, want] : {std::tuple{2, 4, uint32_t(file.size())}, {10, 4, offset}, {14, 4, 40u},
                               {18, 4, uint32_t(width)}, {22, 4, uint32_t(height)}, {26, 2, 1u}, {28, 2, uint32_t(bits)},
                               {30, 4, 0u}, {34, 4, rows * height}, {46, 4, uint32_t(colours)}})
        EXPECT_EQ(le(file, at, n), want) << "header field at " << at;
    for (int row = 0; row < height; ++row)
        for (uint32_t at = (uint32_t(width) * bits + 7) / 8; at < rows; ++at)
            ASSERT_EQ(file[offset + row * rows + at], 0) << "padding of row " << row;
}

TEST(Logo, IsSixteenColoursWithPaddedRowsOnALightBackground) {
    const std::string file = read_res("bitmap110.bmp");
    ASSERT_NO_FATAL_FAILURE(check_headers(file, 322, 115, 4, 16));
    // The corners are background, and light; the picture is not all background.
    auto index = [&](int x, int y) {  // y from the top
        uint8_t b = file[118 + (114 - y) * 164 + x / 2];
        return x % 2 ? b & 15 : b >> 4;
    };
    const int background = index(0, 0);
    for (int c = 0; c < 3; ++c) EXPECT_GT(uint8_t(file[54 + 4 * background + c]), 200);
    EXPECT_TRUE(index(321, 0) == background && index(0, 114) == background && index(321, 114) == background);
    int drawn = 0;
    for (int y = 0; y < 115; ++y)
        for (int x = 0; x < 322; ++x) drawn += index(x, y) != background;
    EXPECT_GT(drawn, 322 * 115 / 5);
}

struct button {
    const char* name;
    int width, height, tip_x, tip_y;  // tip: the way the arrow points
    bool green;
};

void PrintTo(const button& b, std::ostream* os) { *os << b.name; }

class Button : public ::testing::TestWithParam<button> {};

TEST_P(Button, IsRaisedWithItsArrowPointingItsWay) {
    const button& b = GetParam();
    const std::string file = read_res(b.name);
    ASSERT_NO_FATAL_FAILURE(check_headers(file, b.width, b.height, 24, 0));
    using rgb = std::array<int, 3>;
    auto pixel = [&](int x, int y) {  // y from the top
        std::size_t at = 54 + std::size_t(b.height - 1 - y) * row_bytes(b.width, 24) + 3 * x;
        return rgb{uint8_t(file[at + 2]), uint8_t(file[at + 1]), uint8_t(file[at])};
    };
    const rgb face = {236, 233, 216};
    EXPECT_EQ(pixel(0, 0), (rgb{255, 255, 255}));
    EXPECT_EQ(pixel(b.width - 1, b.height - 1), (rgb{96, 96, 96}));
    EXPECT_TRUE(pixel(4, 4) == face && pixel(b.width - 5, b.height - 5) == face);

    // The arrow is the pixels well off the face colour. Along the way it
    // points, its tip end is a point and its tail end the full shaft.
    std::vector<int> along;
    long red = 0, green = 0;
    bool outlined = false;
    for (int y = 3; y < b.height - 3; ++y)
        for (int x = 3; x < b.width - 3; ++x) {
            const rgb p = pixel(x, y);
            if (std::max({std::abs(p[0] - face[0]), std::abs(p[1] - face[1]), std::abs(p[2] - face[2])}) <= 64) continue;
            along.push_back(x * b.tip_x + y * b.tip_y);
            red += p[0];
            green += p[1];
            outlined |= p[0] + p[1] + p[2] < 60;
        }
    ASSERT_FALSE(along.empty());
    const auto [lo, hi] = std::ranges::minmax(along);
    ASSERT_GT(hi - lo, 15) << "no arrow";
    const auto tip = std::ranges::count_if(along, [&](int a) { return a >= hi - 1; }),
               tail = std::ranges::count_if(along, [&](int a) { return a <= lo + 1; });
    EXPECT_LT(2 * tip, tail) << "tip end " << tip << " pixels, tail end " << tail;
    EXPECT_TRUE(outlined);
    EXPECT_GT(b.green ? green : red, 3 * (b.green ? red : green) / 2);
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
