// 24-bit uncompressed BMP files: the map image read at start-up and the
// snapshots written from the view.
//
// The 54-byte header is a 14-byte file header and a 40-byte information header,
// every field little-endian; it is taken apart and put together byte by byte so
// that neither the host's byte order nor struct padding can change the file.
#include "image/image.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/files.h"

namespace {

constexpr std::size_t HEADER_SIZE = 54;

uint16_t get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Bytes per row in the file (three per pixel, padded to a multiple of four)
// and the size of the whole file. False when the size does not fit in memory
// sizes; the arithmetic is 64-bit because a side of 2^31 pixels is expressible.
bool file_layout(int64_t width, int64_t height, uint64_t* stride, uint64_t* size) {
    if (width <= 0 || height <= 0) return false;
    uint64_t s = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    uint64_t h = static_cast<uint64_t>(height);
    if (h > (UINT64_MAX - HEADER_SIZE) / s) return false;
    uint64_t total = HEADER_SIZE + s * h;
    if (total > SIZE_MAX) return false;
    *stride = s;
    *size = total;
    return true;
}

int read_bmp(std::FILE* file, const char* path, rgb_image* image) {
    unsigned char header[HEADER_SIZE];
    if (std::fread(header, 1, HEADER_SIZE, file) != HEADER_SIZE) return 0;
    if (header[0] != 0x42 || header[1] != 0x4D) return 0;

    // The pixel-row offset (byte 10) and the information header size are not
    // trusted: the rows are taken from byte 54, as the files we write have them.
    int32_t width = static_cast<int32_t>(get32(header + 18));
    int32_t height = static_cast<int32_t>(get32(header + 22));
    if (get16(header + 28) / 8 != 3) return 0;
    if (get32(header + 30) != 0) return 0;

    // A negative height marks rows stored top-down; the record keeps them
    // bottom-up like everything else in the program.
    bool top_down = height < 0;
    int64_t rows = top_down ? -static_cast<int64_t>(height) : height;
    if (width <= 0 || width > BMP_MAX_SIDE || rows == 0 || rows > BMP_MAX_SIDE) return 0;

    uint64_t stride, size;
    if (!file_layout(width, rows, &stride, &size)) return 0;
    // Refuse a file too short for its rows before allocating for them; the
    // short-read check below still catches a file that is not a regular file.
    std::error_code ec;
    std::uintmax_t actual = std::filesystem::file_size(path, ec);
    if (!ec && actual < size) return 0;

    rgb_image loaded{};
    if (!image_alloc(width, static_cast<int32_t>(rows), 3, &loaded)) return 0;
    std::size_t row_bytes = static_cast<std::size_t>(width) * 3;

    // Rows go straight into the picture (flipped into place for a top-down
    // file) and their blue and red swap there; a row with pad bytes passes
    // through a row buffer. A row cut short would leave undefined bytes.
    std::vector<unsigned char> padded(stride != row_bytes ? stride : 0);  // at most 49,155 bytes
    for (int64_t r = 0; r < rows; ++r) {
        int64_t y = top_down ? rows - 1 - r : r;
        unsigned char* out = loaded.pixels + static_cast<std::size_t>(y) * row_bytes;
        unsigned char* in = padded.empty() ? out : padded.data();
        if (std::fread(in, 1, stride, file) != stride) {
            image_free(&loaded);
            return 0;
        }
        for (std::size_t i = 0; i < row_bytes; i += 3) {
            unsigned char blue = in[i];
            out[i + 1] = in[i + 1];
            out[i] = in[i + 2];
            out[i + 2] = blue;
        }
    }
    *image = loaded;
    return 1;
}

}  // namespace

int load_bmp(const char* path, rgb_image* image) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return 0;
    int ok = read_bmp(file, path, image);
    std::fclose(file);
    return ok;
}

int save_bmp(const char* path, const rgb_image* image) {
    if (!path || !image->pixels) return 0;
    uint64_t stride, size;
    // The header holds the file size in 32 bits.
    if (!file_layout(image->width, image->height, &stride, &size) || size > UINT32_MAX) return 0;

    // The whole file is built in memory so that it replaces the old one in a
    // single step; the pad bytes stay zero.
    std::vector<unsigned char> file;
    try {
        file.resize(size);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    unsigned char* h = file.data();
    h[0] = 0x42;
    h[1] = 0x4D;
    put32(h + 2, static_cast<uint32_t>(size));
    put16(h + 6, 0);
    put16(h + 8, 0);
    put32(h + 10, HEADER_SIZE);
    put32(h + 14, 40);
    put32(h + 18, static_cast<uint32_t>(image->width));
    put32(h + 22, static_cast<uint32_t>(image->height));
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 30, 0);
    put32(h + 34, 0);
    put32(h + 38, 2835);  // 72 dots per inch
    put32(h + 42, 2835);
    put32(h + 46, 0);
    put32(h + 50, 0);

    // Three bytes per pixel whatever the channels field says.
    std::size_t row_bytes = static_cast<std::size_t>(image->width) * 3;
    for (int32_t y = 0; y < image->height; ++y) {
        const unsigned char* in = image->pixels + static_cast<std::size_t>(y) * row_bytes;
        unsigned char* out = h + HEADER_SIZE + static_cast<std::size_t>(y) * stride;
        for (std::size_t i = 0; i < row_bytes; i += 3) {
            out[i] = in[i + 2];
            out[i + 1] = in[i + 1];
            out[i + 2] = in[i];
        }
    }
    return replace_file(path, file.data(), file.size()) ? 1 : 0;
}
