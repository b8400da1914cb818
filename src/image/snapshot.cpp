// Snapshots and printouts of the view: the frame just drawn, read back, then
// saved as a BMP or PNG file or drawn on a page with OpenGL, scaled to fit.
#include "image/snapshot.h"

#include <GL/gl.h>
#include <strings.h>

#include <algorithm>
#include <string>

#include "app/app.h"
#include "image/file_dialog.h"
#include "platform/modal.h"
#include "platform/png.h"
#include "platform/printer.h"
#include "scene/scene.h"

namespace {

constexpr unsigned CAPTURE_WAIT_MS = 251;  // lets the menu that chose the command close first

pl_printer* printer = nullptr;  // from a successful printer_begin until print_image ends
int32_t page_width = 0, page_height = 0;

void stop_frame_timer() { kill_timer(app_state.main_window, FRAME_TIMER); }
void start_frame_timer() { set_timer(app_state.main_window, FRAME_TIMER, FRAME_PERIOD_MS); }

// Where the picture lies on the page, and the band being drawn.
struct page_picture {
    int32_t width, height;  // the captured image, pixels
    float scale;            // image pixels to device pixels
    float offset_x, offset_y;
};

// One band of the page: the printer's fixed state, with the projection over
// the band's part of the page (the whole page when it fits one band), then
// the picture as one white textured quad.
void draw_band(int x, int y, int width, int height, void* data) {
    const page_picture& p = *static_cast<const page_picture*>(data);
    glEnable(GL_TEXTURE_2D);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(x, x + width, y, y + height, -100.0, 100.0);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glTranslatef(p.offset_x, p.offset_y, 0.0f);
    glScalef(p.scale, p.scale, 1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2i(0, 0);
    glTexCoord2i(1, 0);
    glVertex2i(p.width, 0);
    glTexCoord2i(1, 1);
    glVertex2i(p.width, p.height);
    glTexCoord2i(0, 1);
    glVertex2i(0, p.height);
    glEnd();
    glFinish();
}

}  // namespace

int capture_view(rgb_image* image) {
    if (!image_alloc(app_state.win_width, app_state.win_height, 3, image)) return 0;
    draw_frame();
    present_frame();
    // The tool windows lie over the view but not in its framebuffer: the
    // picture holds the view alone, whatever is shown above it, and nothing
    // needs showing again (showing a tool window brings it to the front,
    // which a snapshot must not do).
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // rows tightly packed
    glReadPixels(0, 0, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return 1;
}

void save_snapshot() {
    stop_frame_timer();
    sleep_ms(CAPTURE_WAIT_MS);
    rgb_image image{};
    std::string path;
    if (!capture_view(&image)) {
        message_box("Can't save snapshot!", "Error");
    } else if (ask_save_file(path, ".bmp .png")) {
        // the type the name ends with, whatever its case; either writer
        // replaces the file only once the new one is complete
        const bool png = path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
        if (png ? save_png(path.c_str(), &image) : save_bmp(path.c_str(), &image)) message_box("Save complete", "Info");
        else message_box("Can't save snapshot!", "Error");
    }
    image_free(&image);
    start_frame_timer();
}

void print_view() {
    stop_frame_timer();
    sleep_ms(CAPTURE_WAIT_MS);
    rgb_image image{};
    if (!capture_view(&image)) {
        message_box("Can't print the view!", "Error");
    } else if (printer_begin(app_state.main_window)) {
        if (print_image(&image)) message_box("Print spooled", "Info");
    }
    image_free(&image);
    start_frame_timer();
}

int printer_begin(pl_window* owner) {
    printer = run_print_dialog(owner);
    if (!printer) return 0;  // cancelled: not a word
    printer_page_size(printer, &page_width, &page_height);
    std::string refused;
    if (!printer_start(printer, "Plexar1.0 printout", &refused)) {
        // nothing was sent to the printer: no empty page comes out
        printer_abort(printer);
        printer = nullptr;
        make_current(app_state.main_context);
        // a printer that does not take the job says why; else the page could not be drawn on
        message_box(refused.empty() ? "Cannot set printer pixel format!" : refused.c_str(), "Error");
        return 0;
    }
    return 1;
}

page_fit fit_on_page(int32_t page_width, int32_t page_height, int32_t width, int32_t height) {
    page_fit fit;
    fit.scale = std::min(static_cast<float>(double(page_width) / double(width)),
                         static_cast<float>(double(page_height) / double(height)));
    fit.offset_x = (static_cast<float>(page_width) - static_cast<float>(width) * fit.scale) * 0.5f;
    fit.offset_y = (static_cast<float>(page_height) - static_cast<float>(height) * fit.scale) * 0.5f;
    return fit;
}

int print_image(const rgb_image* image) {
    if (!printer) return 0;
    const page_fit fit = fit_on_page(page_width, page_height, image->width, image->height);
    page_picture picture{image->width, image->height, fit.scale, fit.offset_x, fit.offset_y};

    rgb_image texture{};
    bool drawn = false;
    if (resample_pow2(image, &texture)) {
        // Rows are tightly packed. Sides of 4 or more are a multiple of 4 bytes
        // anyway; a texture 1 or 2 pixels wide must not be read with padding.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, texture.width, texture.height, 0, GL_RGB, GL_UNSIGNED_BYTE, texture.pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        image_free(&texture);
        drawn = printer_draw_page(printer, draw_band, &picture);
    }
    // a page that was not drawn is never printed
    if (drawn) printer_finish(printer);
    else printer_abort(printer);
    printer = nullptr;
    make_current(app_state.main_context);
    if (!drawn) message_box("Can't print the view!", "Error");
    return drawn ? 1 : 0;
}
