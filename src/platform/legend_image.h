// The legend's picture: its text laid out and rasterised by the toolkit, the
// same way in the viewer and in a render without a display, so that the
// scene can draw it as a texture. No toolkit type appears here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct rgb_image;

// What the legend says, top to bottom.
struct legend_text {
    struct row {
        uint8_t r, g, b;        // the colour of its box
        std::string range;      // "12.50 - 20.30", or "n/a"
        std::string count;      // counties in it
        bool operator==(const row&) const = default;
    };
    std::string title;          // the field's label
    std::vector<row> rows;      // one box each
    std::string footer;         // "Texas: 61.60"
    bool operator==(const legend_text&) const = default;
};

// A rectangle in a picture, pixels from its bottom-left corner (rows bottom-up).
struct pixel_rect {
    int x, y, width, height;
};

// Draws the legend into an empty image (rows bottom-up) and puts where each
// row's box is filled with its colour in boxes. Returns 1, or 0 when no picture
// could be made (the image stays empty).
int paint_legend(const legend_text& legend, rgb_image* image, std::vector<pixel_rect>* boxes);
