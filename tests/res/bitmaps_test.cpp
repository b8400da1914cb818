// The navigation buttons' bitmaps in res/, read by the program's own strict BMP reader (24 bits, uncompressed, the
// file exactly headers and rows): its face and an arrow that points the way its id says, red or green.
#include <algorithm>
#include <array>
#include <memory>

#include "image/image.h"
#include "test_util.h"

namespace {

struct button {
    const char* name;
    int width, height, tip_x, tip_y;  // tip: the way the arrow points
    bool green;
};

class Button : public ::testing::TestWithParam<button> {};

TEST_P(Button, HasItsArrowPointingItsWayInItsColour) {
    const button& b = GetParam();
    rgb_image image{};
    ASSERT_EQ(load_bmp((PLEXAR_SOURCE_DIR "/res/" + std::string(b.name)).c_str(), &image), 1);
    std::unique_ptr<rgb_image, decltype(&image_free)> freed(&image, image_free);
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(b.width, b.height));
    using rgb = std::array<int, 3>;
    auto pixel = [&](int x, int y) {  // y from the top; the rows are bottom-up
        const unsigned char* p = image.pixels + (std::size_t(b.height - 1 - y) * b.width + x) * 3;
        return rgb{p[0], p[1], p[2]};
    };
    const rgb face = {236, 233, 216};
    EXPECT_TRUE(pixel(4, 4) == face && pixel(b.width - 5, b.height - 5) == face);

    // The arrow is the pixels well off the face colour. Along the way it
    // points, its tip end is a point and its tail end the full shaft.
    std::vector<int> along;
    long red = 0, green = 0;
    for (int y = 3; y < b.height - 3; ++y)
        for (int x = 3; x < b.width - 3; ++x) {
            const rgb p = pixel(x, y);
            if (std::max({std::abs(p[0] - face[0]), std::abs(p[1] - face[1]), std::abs(p[2] - face[2])}) <= 64) continue;
            along.push_back(x * b.tip_x + y * b.tip_y);
            red += p[0];
            green += p[1];
        }
    ASSERT_FALSE(along.empty());
    const auto [lo, hi] = std::ranges::minmax(along);
    ASSERT_GT(hi - lo, 15) << "no arrow";
    const auto tip = std::ranges::count_if(along, [&](int a) { return a >= hi - 1; }),
               tail = std::ranges::count_if(along, [&](int a) { return a <= lo + 1; });
    EXPECT_LT(2 * tip, tail) << "tip end " << tip << " pixels, tail end " << tail;
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
