#include "platform/surface.h"

#include <GL/gl.h>

namespace {

void finish_frame() { glFinish(); }

present_fn present_handler = finish_frame;

}  // namespace

present_fn set_present_handler(present_fn fn) {
    present_fn old = present_handler;
    present_handler = fn ? fn : finish_frame;
    return old;
}

void present_surface() { present_handler(); }
