#include "platform/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

struct offscreen_surface {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0, buffers[2] = {0, 0};  // colour, depth and stencil
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

// The framebuffer functions, which the GL library need not export.
template <typename F>
F gl(const char* name) {
    return reinterpret_cast<F>(eglGetProcAddress(name));
}

// The view is drawn into a framebuffer object of the formats the viewer's
// window draws into (RGBA, 8 bits each; 24-bit depth with 8-bit stencil), not
// into the pixel buffer itself: Mesa rasterises a window system's buffers
// upside down against framebuffer objects, and the pictures would differ from
// the viewer's by a level here and there along the bars' sides.
bool bind_framebuffer(offscreen_surface* s, int width, int height) {
    auto gen_framebuffers = gl<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bind_framebuffer = gl<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto gen_renderbuffers = gl<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bind_renderbuffer = gl<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto storage = gl<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto attach = gl<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    auto status = gl<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    if (!gen_framebuffers || !bind_framebuffer || !gen_renderbuffers || !bind_renderbuffer || !storage || !attach ||
        !status)
        return false;
    gen_framebuffers(1, &s->framebuffer);
    bind_framebuffer(GL_FRAMEBUFFER, s->framebuffer);
    gen_renderbuffers(2, s->buffers);
    bind_renderbuffer(GL_RENDERBUFFER, s->buffers[0]);
    storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s->buffers[0]);
    bind_renderbuffer(GL_RENDERBUFFER, s->buffers[1]);
    storage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    attach(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s->buffers[1]);
    bind_renderbuffer(GL_RENDERBUFFER, 0);
    return status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
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

    // The pixel buffer only gives the context somewhere to be current.
    const EGLint surface_attributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    s->surface = eglCreatePbufferSurface(s->display, config, surface_attributes);
    if (s->surface == EGL_NO_SURFACE) return fail(s, error, "cannot create an offscreen buffer of that size");

    const EGLint context_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    s->context = eglCreateContext(s->display, config, EGL_NO_CONTEXT, context_attributes);
    if (s->context == EGL_NO_CONTEXT) return fail(s, error, "cannot create an OpenGL compatibility context");
    if (!eglMakeCurrent(s->display, s->surface, s->surface, s->context))
        return fail(s, error, "cannot make the offscreen context current");
    if (!bind_framebuffer(s, width, height)) return fail(s, error, "cannot create an offscreen buffer of that size");
    return s;
}

void offscreen_close(offscreen_surface* s) {
    if (!s) return;
    // The display stays initialised: EGL hands the same one to the next
    // surface, and terminating it would unload the driver in the middle of a
    // run for nothing (and leave what the driver still held to look like leaks).
    if (s->display != EGL_NO_DISPLAY) {
        if (s->framebuffer) {
            gl<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers")(1, &s->framebuffer);
            gl<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers")(2, s->buffers);
        }
        eglMakeCurrent(s->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (s->context != EGL_NO_CONTEXT) eglDestroyContext(s->display, s->context);
        if (s->surface != EGL_NO_SURFACE) eglDestroySurface(s->display, s->surface);
    }
    delete s;
}
