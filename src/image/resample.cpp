// Bilinear resampling to the power-of-two texture that printing uploads.
#include "image/image.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr int32_t TEXTURE_MAX_SIDE = 1024;

// The smallest power of two not below the side, at most 1024. The doubling is
// 16-bit, as it always was; stopping at 1024 gives the same sides as clamping
// afterwards and cannot wrap to zero (and loop) for sides beyond 32768.
int32_t texture_side(int32_t side) {
    uint16_t t = 1;
    while (t < side && t < TEXTURE_MAX_SIDE) t = static_cast<uint16_t>(t * 2);
    return t;
}

// Where one texture row or column samples the source: between source lines
// `lo` and `hi`, a fraction `frac` of the way.
struct sample {
    int64_t lo;
    int64_t hi;
    float frac;
};

// Positions run from 0 to side - 2 over the texture's steps, so the upper
// neighbour is always inside and the source's last line never contributes.
// A side of 1 has one texture step and no second line: it samples line 0
// with itself.
sample sample_at(int32_t side, int32_t texture, int32_t i) {
    float pos = 0.0f;
    if (texture > 1) {
        // The product is exact in 64 bits; the quotient is taken in double and
        // kept in single precision.
        int64_t product = static_cast<int64_t>(side - 2) * i;
        pos = static_cast<float>(static_cast<double>(product) / static_cast<double>(texture - 1));
    }
    sample s;
    s.lo = static_cast<int64_t>(pos);  // truncation: pos is never negative
    s.frac = pos - static_cast<float>(s.lo);
    // Beyond 2^24 a float position can round past the last line.
    if (s.lo > side - 1) {
        s.lo = side - 1;
        s.frac = 0.0f;
    }
    s.hi = s.lo + 1 < side ? s.lo + 1 : s.lo;
    return s;
}

// (1 - w) * a + w * b in single precision. Kept as separate statements so that
// the compiler does not fuse them into a multiply-add, which would round once
// instead of twice and change some truncated values.
float mix(float w, float a, float b) {
    float keep = (1.0f - w) * a;
    float take = w * b;
    return keep + take;
}

}  // namespace

int resample_pow2(const rgb_image* source, rgb_image* destination) {
    if (!source->pixels || source->width <= 0 || source->height <= 0 || source->channels < 3) return 0;
    int32_t tw = texture_side(source->width);
    int32_t th = texture_side(source->height);
    if (!image_alloc(tw, th, 3, destination)) return 0;

    sample columns[TEXTURE_MAX_SIDE];
    for (int32_t j = 0; j < tw; ++j) columns[j] = sample_at(source->width, tw, j);

    std::size_t n = static_cast<std::size_t>(source->channels);
    std::size_t source_row = static_cast<std::size_t>(source->width) * n;
    unsigned char* out = destination->pixels;
    for (int32_t i = 0; i < th; ++i) {
        sample r = sample_at(source->height, th, i);
        const unsigned char* row0 = source->pixels + static_cast<std::size_t>(r.lo) * source_row;
        const unsigned char* row1 = source->pixels + static_cast<std::size_t>(r.hi) * source_row;
        for (int32_t j = 0; j < tw; ++j) {
            const sample& c = columns[j];
            const unsigned char* p00 = row0 + static_cast<std::size_t>(c.lo) * n;
            const unsigned char* p01 = row0 + static_cast<std::size_t>(c.hi) * n;
            const unsigned char* p10 = row1 + static_cast<std::size_t>(c.lo) * n;
            const unsigned char* p11 = row1 + static_cast<std::size_t>(c.hi) * n;
            for (int k = 0; k < 3; ++k) {
                float a = mix(c.frac, p00[k], p01[k]);
                float b = mix(c.frac, p10[k], p11[k]);
                float v = mix(r.frac, a, b);
                *out++ = static_cast<unsigned char>(static_cast<int>(v));  // truncated, not rounded
            }
        }
    }
    return 1;
}
