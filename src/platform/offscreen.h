// An OpenGL context that needs no display: Mesa's EGL on its surfaceless
// platform, drawing into a framebuffer of a fixed size. The command line's
// renders and the render tests draw with it.
#pragma once

#include <string>

struct offscreen_surface;

// Creates a compatibility-profile context with a 24-bit depth buffer and makes
// it current. Returns nullptr and a reason in *error when that cannot be done.
offscreen_surface* offscreen_open(int width, int height, std::string* error);

// Releases the context and its buffer.
void offscreen_close(offscreen_surface* surface);
