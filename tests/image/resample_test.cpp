// The printer texture: its sides, where it samples the source and its values, against hand-worked examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "image/image.h"

namespace {

using rgb = std::array<int, 3>;

rgb pixel(const rgb_image& image, int x, int y) {
    const unsigned char* p = image.pixels + (std::size_t(y) * image.width + x) * 3;
    return {p[0], p[1], p[2]};
}

rgb noise(int x, int y) {
    uint32_t h = (uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) * 0x5bd1e995u;
    return {int(h >> 8 & 255), int(h >> 16 & 255), int(h >> 24)};
}

struct resampled {  // a source painted by colour(x, y) and its texture
    rgb_image source{}, texture{};
    resampled(int32_t width, int32_t height, const std::function<rgb(int, int)>& colour = noise) {
        EXPECT_EQ(image_alloc(width, height, 3, &source), 1);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                std::ranges::copy(colour(x, y), source.pixels + (std::size_t(y) * width + x) * 3);
        EXPECT_EQ(resample_pow2(&source, &texture), 1);
    }
    ~resampled() { image_free(&texture), image_free(&source); }
    rgb at(int x, int y) const { return pixel(texture, x, y); }
    std::pair<int, int> size() const { return {texture.width, texture.height}; }
};

TEST(Resample, TextureSidesArePowersOfTwoUpTo1024SampledFromTheFirstToTheSecondToLastLine) {
    struct { int32_t w, h, tw, th; } cases[] = {
        {800, 600, 1024, 1024}, {640, 480, 1024, 512}, {1500, 700, 1024, 1024}, {512, 512, 512, 512}, {3, 2, 4, 2},
        {1, 1, 1, 1}, {1, 5, 1, 8}, {40000, 1, 1024, 1}, {70000, 1, 1024, 1}};  // 16-bit doubling wraps past 32768
    for (auto c : cases) EXPECT_EQ(resampled(c.w, c.h).size(), std::pair(c.tw, c.th)) << c.w << " x " << c.h;
    rgb_image empty{}, texture{};
    EXPECT_TRUE(resample_pow2(&empty, &texture) == 0 && texture.pixels == nullptr);

    // The first texture line copies the source's first, the last its second-to-last (800 x 600 samples at
    // 798 j / 1023 and 598 i / 1023); 512 x 512 stays 512, yet its last column and row copy the second-to-last.
    for (auto [w, h] : {std::pair{800, 600}, {512, 512}, {37, 23}, {1500, 700}}) {
        resampled r(w, h);
        const int j = r.texture.width - 1, i = r.texture.height - 1;
        EXPECT_EQ(std::tuple(r.at(0, 0), r.at(j, 0), r.at(0, i), r.at(j, i)),
                  std::tuple(pixel(r.source, 0, 0), pixel(r.source, w - 2, 0), pixel(r.source, 0, h - 2),
                             pixel(r.source, w - 2, h - 2))) << w << " x " << h;
    }
}

TEST(Resample, ValuesAreTruncatedSinglePrecisionBlendsAndASideOfOneUsesItsSingleLine) {
    // 4 wide gives columns at 0, 2/3, 4/3, 2: two thirds of the way from 10 to 11 is 10.67, cut to 10.
    resampled r(4, 2, [](int x, int) { return rgb{std::array{10, 11, 10, 0}[x], 200, 0}; });
    for (int x : {1, 2, 3}) EXPECT_EQ(r.at(x, 1), (rgb{10, 200, 0})) << x;
    // a third of the way along 255s is 254.99998 in single precision
    EXPECT_EQ(resampled(3, 1, [](int, int) { return rgb{255, 255, 255}; }).at(1, 0), (rgb{254, 254, 254}));
    // 3 x 3 gives 4 x 4 at thirds: at column 2, row 1 the reds 0, 90 (right), 180 (above), 255 weigh
    // 2/9, 4/9, 1/9, 2/9, so 1050 / 9 = 116.7; at column 1, row 2, (90 + 720 + 510) / 9 = 146.7.
    resampled q(3, 3, [](int x, int y) { return rgb{x > 1 || y > 1 ? 77 : std::array{0, 90, 180, 255}[y * 2 + x], 0, 0}; });
    EXPECT_EQ(std::pair(q.at(2, 1)[0], q.at(1, 2)[0]), std::pair(116, 146));
    EXPECT_EQ(q.at(3, 3), (rgb{255, 0, 0}));  // the last column and row never contribute

    EXPECT_EQ(resampled(1, 1, [](int, int) { return rgb{200, 100, 50}; }).at(0, 0), (rgb{200, 100, 50}));
    // three rows give four samples at 0, 1/3, 2/3, 1 down the single column
    resampled column(1, 3, [](int, int y) { return rgb{std::array{0, 100, 255}[y], 7, 0}; });
    ASSERT_EQ(column.size(), std::pair(1, 4));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(column.at(0, i), (rgb{std::array{0, 33, 66, 100}[i], 7, 0})) << i;
}

}  // namespace
