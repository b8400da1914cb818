// Printing over Qt's print dialog and printers: a real printer, or a PDF file
// (the dialog's "Print to File (PDF)" entry). A page is drawn with OpenGL on an
// offscreen context whose framebuffer covers the page, or one band of it at a
// time where the page is larger than the framebuffers the driver offers (or
// than the memory a band may take); each band then goes to the page.
#pragma once

#include <cstdint>
#include <string>

#include "app/state.h"

struct pl_printer;

// The print dialog is run through the test seam, run_print_dialog (modal.h):
// it starts from the default printer's settings and offers no page range,
// selection or current page.

// A printer that writes a PDF file at the PDF printer's own resolution, with
// the default settings otherwise.
pl_printer* pdf_printer(const std::string& path);

// The page's printable area in device pixels at the printer's resolution.
void printer_page_size(const pl_printer* printer, int32_t* width, int32_t* height);

// Makes current an offscreen OpenGL context with a framebuffer for the page
// (or a band of it), then starts the document, named so, and its page. False
// when the context or its framebuffer cannot be made (refused is left as it
// was), or when the printer does not take the job (refused then holds the
// message for the user: the printer's name, or for a PDF file the file's name
// and why it cannot be written). Nothing has then been sent to the printer.
bool printer_start(pl_printer* printer, const char* document, std::string* refused);

// Draws the page band by band: for each band the framebuffer is bound and
// draw is called with the band's place on the page in device pixels, x and y
// from the bottom-left corner; what it drew goes to that place on the page.
using band_fn = void (*)(int x, int y, int width, int height, void* data);
bool printer_draw_page(pl_printer* printer, band_fn draw, void* data);

// Ends the page and the document (the job goes to the printer), or drops the
// job without sending anything; either way releases the context (none is
// current afterwards) and the printer.
void printer_finish(pl_printer* printer);
void printer_abort(pl_printer* printer);

// For tests: behave as if no offscreen context could be made, and draw in
// bands of at most max_band_side pixels a side (0: as large as allowed).
void set_printer_test_limits(bool refuse_context, int max_band_side);
