// The program's one raster type and its BMP files.
#pragma once

#include <cstdint>

// Pixels are red, green, blue bytes; rows tightly packed (stride width * 3) and
// bottom-up, the order of BMP files and of OpenGL uploads and read-backs, so
// nothing ever flips rows. A record that holds nothing is all zero.
struct rgb_image {
    int32_t width;
    int32_t height;
    int32_t channels;        // bytes per pixel, always 3
    unsigned char* pixels;   // width * height * channels bytes, owned by the record
};

// Largest side load_bmp accepts, in pixels.
constexpr int32_t BMP_MAX_SIDE = 16384;

// Allocates a zeroed buffer for an empty record. Returns 1, or 0 when the sizes
// are not positive, overflow, or the memory cannot be had (the record stays empty).
int image_alloc(int32_t width, int32_t height, int32_t channels, rgb_image* image);

// Releases the buffer and empties the record; harmless on an empty record.
void image_free(rgb_image* image);

// Reads a 24-bit uncompressed BMP (any bits-per-pixel value from 24 to 31).
// Rows are taken from byte 54 whatever the header's offset says; a negative
// height (rows stored top-down) is flipped into bottom-up order. Returns 1 with
// a new buffer in the record, or 0 with nothing allocated and the record
// untouched: a side of zero or above BMP_MAX_SIDE, a negative width, or a file
// shorter than its rows are refused.
int load_bmp(const char* path, rgb_image* image);

// Writes a 24-bit BMP, replacing the file only once the new one is complete
// (through a symbolic link, the file it names). Takes 3 bytes per pixel
// whatever the channels field says. Returns 1, or 0 for an empty record, a
// picture too big for the header's 32-bit file size, or when the file cannot be
// written (an old file stays as it was).
int save_bmp(const char* path, const rgb_image* image);

// Fills an empty destination with a bilinear copy whose sides are powers of two
// of at most 1024 (the texture sent to the printer); a side of 1 stays 1.
// Returns 1, or 0 when the source is empty or the memory cannot be had (the
// destination then stays empty).
int resample_pow2(const rgb_image* source, rgb_image* destination);
