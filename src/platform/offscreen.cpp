#include "platform/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>

struct offscreen_surface {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
};

namespace {

EGLDisplay open_display() {
    // The surfaceless platform needs neither an X server nor a GPU device.
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
        auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (get_display) {
            EGLDisplay display = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
            if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
        }
    }
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr)) return display;
    return EGL_NO_DISPLAY;
}

offscreen_surface* fail(offscreen_surface* s, std::string* error, const char* why) {
    if (error) *error = why;
    offscreen_close(s);
    return nullptr;
}

}  // namespace

offscreen_surface* offscreen_open(int width, int height, std::string* error) {
    auto* s = new offscreen_surface;
    s->display = open_display();
    if (s->display == EGL_NO_DISPLAY) return fail(s, error, "no EGL display (is Mesa's EGL installed?)");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail(s, error, "EGL offers no desktop OpenGL");

    const EGLint config_attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                        EGL_DEPTH_SIZE, 24, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(s->display, config_attributes, &config, 1, &count) || count < 1)
        return fail(s, error, "no EGL configuration with colour and a 24-bit depth buffer");

    const EGLint surface_attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    s->surface = eglCreatePbufferSurface(s->display, config, surface_attributes);
    if (s->surface == EGL_NO_SURFACE) return fail(s, error, "cannot create an offscreen buffer of that size");

    const EGLint context_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    s->context = eglCreateContext(s->display, config, EGL_NO_CONTEXT, context_attributes);
    if (s->context == EGL_NO_CONTEXT) return fail(s, error, "cannot create an OpenGL compatibility context");
    if (!eglMakeCurrent(s->display, s->surface, s->surface, s->context))
        return fail(s, error, "cannot make the offscreen context current");
    return s;
}

void offscreen_close(offscreen_surface* s) {
    if (!s) return;
    // The display stays initialised: EGL hands the same one to the next
    // surface, and terminating it would unload the driver in the middle of a
    // run for nothing (and leave what the driver still held to look like leaks).
    if (s->display != EGL_NO_DISPLAY) {
        eglMakeCurrent(s->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (s->context != EGL_NO_CONTEXT) eglDestroyContext(s->display, s->context);
        if (s->surface != EGL_NO_SURFACE) eglDestroySurface(s->display, s->surface);
    }
    delete s;
}
