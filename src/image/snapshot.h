// Output of the view: snapshots to BMP or PNG files and printed pages.
#pragma once

#include "app/state.h"
#include "image/image.h"

// Draws and presents the current view and reads it into an empty image of the
// client area's size. Returns 0 when the image cannot be had (it stays empty).
int capture_view(rgb_image* image);

// "Save Snapshot..": the view as it is now, into a 24-bit picture file the user
// names: PNG when the name ends with .png (either case), else BMP.
void save_snapshot();

// "Print..": the view as it is now, on one page, scaled to fit and centred.
void print_view();

// The print dialog and the page: 1 when a printer is ready to draw on, 0 when
// the user cancelled or the page cannot be drawn (then said so).
int printer_begin(pl_window* owner);
// Where a picture of width by height pixels lies on a page of page_width by
// page_height device pixels: scaled by the smaller of the two ratios and
// centred, in single precision.
struct page_fit {
    float scale;
    float offset_x, offset_y;
};
page_fit fit_on_page(int32_t page_width, int32_t page_height, int32_t width, int32_t height);

// Draws the image on the page begun by printer_begin, scaled to fit and
// centred, and finishes the job. Returns 1 when the page went to the printer,
// 0 when it could not be drawn (the job is dropped, and said so).
int print_image(const rgb_image* image);
