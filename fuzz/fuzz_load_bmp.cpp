#include <cstdlib>

#include "fuzz_file.h"
#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rgb_image image{};
    if (load_bmp(write_fuzz_input(data, size, ".bmp"), &image)) {
        if (image.width <= 0 || image.height <= 0 || image.channels != 3) std::abort();
        if (image.width > BMP_MAX_SIDE || image.height > BMP_MAX_SIDE) std::abort();
        // A loaded picture is whole: reading its last byte must stay inside.
        volatile unsigned char last = image.pixels[static_cast<size_t>(image.width) * image.height * 3 - 1];
        (void)last;
    }
    image_free(&image);
    if (image.pixels || image.width || image.height || image.channels) std::abort();
    return 0;
}
