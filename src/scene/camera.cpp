// The camera: projection, the model-view transform and the drawing of a frame.
#include <GL/gl.h>

#include "app/state.h"
#include "image/image.h"
#include "platform/surface.h"
#include "scene/scene.h"

namespace {

// What a drawn frame shows: the camera, the view's size and the revision of
// the scene and surface it was drawn from.
struct frame_key {
    float distance, x, y, z, yaw, tilt;
    int16_t width, height;
    unsigned revision;
    bool operator==(const frame_key&) const = default;
};

frame_key current_key() {
    const app_state_rec& s = app_state;
    return {s.view_distance, s.view_center.x, s.view_center.y, s.view_center.z, s.view_yaw, s.view_tilt,
            s.win_width, s.win_height, frame_revision()};
}

frame_key held{};  // the frame the surface holds, when it keeps frames
bool holding = false;

}  // namespace

void set_projection(int width, int height) {
    app_state.win_width = static_cast<int16_t>(width);
    app_state.win_height = static_cast<int16_t>(height);
    // A minimised window reports a zero side: keep the projection it had, and
    // let the next real size set it again.
    if (app_state.win_width <= 0 || app_state.win_height <= 0) return;
    glViewport(0, 0, app_state.win_width, app_state.win_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = static_cast<float>(app_state.win_width) / static_cast<float>(app_state.win_height);
    // near plane 4, one unit up and down: a vertical opening of 2 atan(1/4)
    glFrustum(-aspect, aspect, -1.0, 1.0, 4.0, 256000.0);
}

void draw_frame() {
    // The view's framebuffer already holds exactly this frame: drawing it again
    // would change no pixel (the frame timer asks eight times a second).
    const frame_key key = current_key();
    if (surface_keeps_frames() && holding && key == held) return;
    held = key;
    holding = true;
    frame_drawn();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -app_state.view_distance);
    glRotatef(-app_state.view_tilt, 1.0f, 0.0f, 0.0f);
    glRotatef(-app_state.view_yaw, 0.0f, 0.0f, 1.0f);
    glTranslatef(-app_state.view_center.x, -app_state.view_center.y, -app_state.view_center.z);
    glScalef(1.0f, 1.0f, Z_SCALE);

    draw_scene_lists();

    // The axis triad at the home point, one scene unit along each axis, over
    // everything (no depth test after the lists).
    const vec3& o = app_state.home_center;
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(o.x, o.y, o.z);
    glVertex3f(o.x + 1.0f, o.y, o.z);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(o.x, o.y, o.z);
    glVertex3f(o.x, o.y + 1.0f, o.z);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(o.x, o.y, o.z);
    glVertex3f(o.x, o.y, o.z + 1.0f);
    glEnd();

    if (app_state.colour_by_value) draw_legend();
}

void draw_scene_lists() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TEX_MAP);
    glCallList(LIST_MAP);
    glBindTexture(GL_TEXTURE_2D, TEX_BAR);
    glCallList(LIST_BARS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
}

void present_frame() { present_surface(); }

int read_frame(rgb_image* image) {
    if (!image_alloc(app_state.win_width, app_state.win_height, 3, image)) return 0;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return 1;
}
