// The RGB image record: allocation and release of its pixel buffer.
#include "image/image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

int image_alloc(int32_t width, int32_t height, int32_t channels, rgb_image* image) {
    if (width <= 0 || height <= 0 || channels <= 0) return 0;
    // Sizes come from files; a product that wraps would give a small buffer
    // that the pixel loops then overrun.
    std::size_t w = static_cast<std::size_t>(width);
    std::size_t h = static_cast<std::size_t>(height);
    std::size_t c = static_cast<std::size_t>(channels);
    if (w > SIZE_MAX / h || w * h > SIZE_MAX / c) return 0;

    void* pixels = std::calloc(w * h, c);
    if (!pixels) return 0;
    image->width = width;
    image->height = height;
    image->channels = channels;
    image->pixels = static_cast<unsigned char*>(pixels);
    return 1;
}

void image_free(rgb_image* image) {
    std::free(image->pixels);
    *image = rgb_image{};
}
