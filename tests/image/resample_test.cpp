// The printer texture: its sides, where it samples the source, and its
// channel values, against hand-worked examples and a direct computation.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "image/image.h"

namespace {

struct rgb {
    int r, g, b;
    bool operator==(const rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

rgb pixel(const rgb_image& image, int x, int y) {
    const unsigned char* p = image.pixels + (static_cast<std::size_t>(y) * image.width + x) * image.channels;
    return {p[0], p[1], p[2]};
}

rgb_image make(int32_t width, int32_t height, const std::function<rgb(int, int)>& colour) {
    rgb_image image{};
    EXPECT_EQ(image_alloc(width, height, 3, &image), 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgb c = colour(x, y);
            unsigned char* p = image.pixels + (static_cast<std::size_t>(y) * width + x) * 3;
            p[0] = static_cast<unsigned char>(c.r);
            p[1] = static_cast<unsigned char>(c.g);
            p[2] = static_cast<unsigned char>(c.b);
        }
    return image;
}

rgb noise(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return {static_cast<int>(h & 255), static_cast<int>((h >> 8) & 255), static_cast<int>((h >> 16) & 255)};
}

// One texture pixel worked out the long way: positions as double quotients
// rounded to float, each blend step in float, the value cut to an integer.
rgb direct(const rgb_image& s, int tw, int th, int j, int i) {
    float fx = static_cast<float>(static_cast<double>((s.width - 2) * j) / (tw - 1));
    float fy = static_cast<float>(static_cast<double>((s.height - 2) * i) / (th - 1));
    int xi = static_cast<int>(fx), yi = static_cast<int>(fy);
    float dx = fx - static_cast<float>(xi), dy = fy - static_cast<float>(yi);
    rgb p00 = pixel(s, xi, yi), p01 = pixel(s, xi + 1, yi);
    rgb p10 = pixel(s, xi, yi + 1), p11 = pixel(s, xi + 1, yi + 1);
    auto blend = [&](int c00, int c01, int c10, int c11) {
        float a = (1.0f - dx) * static_cast<float>(c00);
        a += dx * static_cast<float>(c01);
        float b = (1.0f - dx) * static_cast<float>(c10);
        b += dx * static_cast<float>(c11);
        float v = (1.0f - dy) * a;
        v += dy * b;
        return static_cast<int>(v);
    };
    return {blend(p00.r, p01.r, p10.r, p11.r), blend(p00.g, p01.g, p10.g, p11.g), blend(p00.b, p01.b, p10.b, p11.b)};
}

}  // namespace

TEST(resample, texture_sides_are_powers_of_two_up_to_1024) {
    struct { int32_t w, h, tw, th; } cases[] = {
        {800, 600, 1024, 1024}, {640, 480, 1024, 512}, {1500, 700, 1024, 1024},  // 2048 clamped
        {512, 512, 512, 512},   {513, 257, 1024, 512}, {3, 2, 4, 2},
        {1, 1, 1, 1},           {1, 5, 1, 8},          {1025, 1024, 1024, 1024},
        {40000, 1, 1024, 1},    {70000, 1, 1024, 1},  // 16-bit doubling wraps past 32768
    };
    for (auto c : cases) {
        rgb_image source = make(c.w, c.h, noise);
        rgb_image texture{};
        ASSERT_EQ(resample_pow2(&source, &texture), 1) << c.w << "x" << c.h;
        EXPECT_EQ(texture.width, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(texture.height, c.th) << c.w << "x" << c.h;
        EXPECT_EQ(texture.channels, 3);
        image_free(&texture);
        image_free(&source);
    }
    rgb_image empty{}, texture{};
    EXPECT_EQ(resample_pow2(&empty, &texture), 0);
    EXPECT_EQ(texture.pixels, nullptr);
}

TEST(resample, samples_run_from_first_to_second_last_line) {
    // 512 stays 512, but the positions are 510 * j / 511: the last column and
    // row copy the source's second-to-last.
    rgb_image source = make(512, 512, noise);
    rgb_image texture{};
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    EXPECT_EQ(pixel(texture, 0, 0), pixel(source, 0, 0));
    EXPECT_EQ(pixel(texture, 511, 0), pixel(source, 510, 0));
    EXPECT_EQ(pixel(texture, 0, 511), pixel(source, 0, 510));
    EXPECT_EQ(pixel(texture, 511, 511), pixel(source, 510, 510));
    image_free(&texture);
    image_free(&source);

    // Column 1 lies 510/511 of the way from a red of 0 to 1: truncated to 0.
    source = make(512, 2, [](int x, int) { return rgb{x == 0 ? 0 : 1, 0, 0}; });
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    EXPECT_EQ(pixel(texture, 1, 0).r, 0);
    EXPECT_EQ(pixel(texture, 2, 0).r, 1);
    image_free(&texture);
    image_free(&source);

    source = make(800, 600, noise);
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    EXPECT_EQ(pixel(texture, 0, 0), pixel(source, 0, 0));
    EXPECT_EQ(pixel(texture, 1023, 0), pixel(source, 798, 0));
    EXPECT_EQ(pixel(texture, 1023, 1023), pixel(source, 798, 598));
    image_free(&texture);
    image_free(&source);
}

TEST(resample, values_are_truncated_blends) {
    // 4 wide gives 4 columns at 0, 2/3, 4/3, 2. Two thirds of the way from 10
    // to 11 is 10.67, which must come out as 10, not 11; a third of the way
    // back from 11 to 10 likewise.
    rgb_image source = make(4, 2, [](int x, int) {
        const int red[] = {10, 11, 10, 0};
        return rgb{red[x], 200, 0};
    });
    rgb_image texture{};
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    EXPECT_EQ(pixel(texture, 1, 0), (rgb{10, 200, 0}));
    EXPECT_EQ(pixel(texture, 2, 0), (rgb{10, 200, 0}));
    EXPECT_EQ(pixel(texture, 3, 1), (rgb{10, 200, 0}));
    image_free(&texture);
    image_free(&source);

    // Every step is single precision: a third of the way along a row of 255s
    // is 254.99998, which cuts to 254.
    source = make(3, 1, [](int, int) { return rgb{255, 255, 255}; });
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    EXPECT_EQ(pixel(texture, 1, 0), (rgb{254, 254, 254}));
    EXPECT_EQ(pixel(texture, 2, 0), (rgb{255, 255, 255}));
    image_free(&texture);
    image_free(&source);

    // 3 x 3 gives 4 x 4 at thirds both ways. At column 2, row 1 the weights of
    // source (0,0), (1,0), (0,1), (1,1) are 2/9, 4/9, 1/9, 2/9:
    // (360 + 180 + 510) / 9 = 116.7; at column 1, row 2 the row and column
    // roles swap: (90 + 720 + 510) / 9 = 146.7.
    source = make(3, 3, [](int x, int y) {
        const int red[2][2] = {{0, 90}, {180, 255}};
        if (x > 1 || y > 1) return rgb{77, 77, 77};  // the last column and row never contribute
        return rgb{red[y][x], 0, 0};
    });
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    ASSERT_EQ(texture.width, 4);
    ASSERT_EQ(texture.height, 4);
    EXPECT_EQ(pixel(texture, 1, 1).r, 88);   // 795 / 9
    EXPECT_EQ(pixel(texture, 2, 1).r, 116);
    EXPECT_EQ(pixel(texture, 1, 2).r, 146);
    EXPECT_EQ(pixel(texture, 2, 2).r, 173);  // 1560 / 9
    EXPECT_EQ(pixel(texture, 3, 3), (rgb{255, 0, 0}));
    image_free(&texture);
    image_free(&source);
}

TEST(resample, side_of_one_uses_its_single_line) {
    rgb_image source = make(1, 1, [](int, int) { return rgb{200, 100, 50}; });
    rgb_image texture{};
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    ASSERT_EQ(texture.width, 1);
    ASSERT_EQ(texture.height, 1);
    EXPECT_EQ(pixel(texture, 0, 0), (rgb{200, 100, 50}));
    image_free(&texture);
    image_free(&source);

    // Three lines give four samples at 0, 1/3, 2/3, 1 along the long side.
    const int ramp[] = {0, 100, 255};
    const int expected[] = {0, 33, 66, 100};
    source = make(1, 3, [&](int, int y) { return rgb{ramp[y], 7, 255 - ramp[y]}; });
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    ASSERT_EQ(texture.width, 1);
    ASSERT_EQ(texture.height, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pixel(texture, 0, i).r, expected[i]) << i;
        EXPECT_EQ(pixel(texture, 0, i).g, 7) << i;
    }
    image_free(&texture);
    image_free(&source);

    source = make(3, 1, [&](int x, int) { return rgb{ramp[x], 7, 255 - ramp[x]}; });
    ASSERT_EQ(resample_pow2(&source, &texture), 1);
    ASSERT_EQ(texture.width, 4);
    ASSERT_EQ(texture.height, 1);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(pixel(texture, j, 0).r, expected[j]) << j;
    image_free(&texture);
    image_free(&source);
}

TEST(resample, matches_direct_computation) {
    struct { int32_t w, h; } sizes[] = {{800, 600}, {37, 23}, {1500, 700}};
    for (auto size : sizes) {
        rgb_image source = make(size.w, size.h, noise);
        rgb_image texture{};
        ASSERT_EQ(resample_pow2(&source, &texture), 1);
        int mismatches = 0;
        for (int i = 0; i < texture.height; i += 7)
            for (int j = 0; j < texture.width; j += 5)
                if (!(pixel(texture, j, i) == direct(source, texture.width, texture.height, j, i))) ++mismatches;
        EXPECT_EQ(mismatches, 0) << size.w << "x" << size.h;
        image_free(&texture);
        image_free(&source);
    }
}
