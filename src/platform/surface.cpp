#include "platform/surface.h"

#include <GL/gl.h>

namespace {

void finish_frame() { glFinish(); }

present_fn present_handler = finish_frame;
bool keeps_frames = false;
unsigned revision = 0;
bool drawn = false;
unsigned long drawn_count = 0;

}  // namespace

present_fn set_present_handler(present_fn fn) {
    present_fn old = present_handler;
    present_handler = fn ? fn : finish_frame;
    return old;
}

void present_surface() { present_handler(); }

void set_surface_keeps_frames(bool keeps) {
    keeps_frames = keeps;
    frame_outdated();
}
bool surface_keeps_frames() { return keeps_frames; }

void frame_outdated() { ++revision; }
unsigned frame_revision() { return revision; }

void frame_drawn() {
    drawn = true;
    ++drawn_count;
}
unsigned long frames_drawn() { return drawn_count; }
bool take_frame_drawn() {
    bool was = drawn;
    drawn = false;
    return was;
}
