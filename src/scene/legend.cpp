// The legend of the colours: the field's label, a box for each class with its
// range and its number of counties, one for counties without a value, and the
// state-wide value. Its picture is painted by the window layer and drawn by the
// scene as a texture, window pixel for texel.
#include <GL/gl.h>

#include <algorithm>

#include "data/data.h"
#include "image/image.h"
#include "scene/scene.h"

namespace {

legend_text shown;               // what the texture says
bool made = false;               // the texture holds it
// A name asked of the library, not a fixed one: the toolkit makes textures of
// its own in the view's context and takes whatever names are free.
GLuint texture = 0;
int width = 0, height = 0;       // its size, pixels
std::vector<pixel_rect> boxes;   // its boxes, in its own pixels

std::string counties(int n) { return std::to_string(n) + (n == 1 ? " county" : " counties"); }

legend_text describe(const value_classes& c) {
    legend_text t;
    const int field = app_state.active_field;
    t.title = field >= 0 && field < static_cast<int>(field_labels.size()) ? field_labels[field]
                                                                          : "Field " + std::to_string(field + 1);
    for (int j = 0; j < c.count; ++j) {
        const rgb8 colour = class_colour(j, c.count);
        std::string range = report_number(c.low[j]);
        if (c.high[j] != c.low[j]) range += " - " + report_number(c.high[j]);
        t.rows.push_back({colour.r, colour.g, colour.b, range, counties(c.members[j])});
    }
    // counties without a value keep the map's own colour
    if (c.no_value > 0) t.rows.push_back({255, 255, 255, "n/a", counties(c.no_value)});
    t.footer = "Texas: " + report_number(app_state.state_value);
    return t;
}

}  // namespace

void update_legend(const value_classes& classes) {
    legend_text text = describe(classes);
    if (made && text == shown) return;
    rgb_image picture{};
    made = false;
    if (!paint_legend(text, &picture, &boxes)) return;
    if (texture == 0) glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture.width, picture.height, 0, GL_RGB, GL_UNSIGNED_BYTE, picture.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // one texel to one pixel: no blending of neighbours
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    width = picture.width, height = picture.height;
    image_free(&picture);
    shown = std::move(text);
    made = true;
}

void forget_legend(bool delete_texture) {
    if (texture != 0 && delete_texture) glDeleteTextures(1, &texture);
    texture = 0;
    made = false;
    shown = {};
}

legend_placement legend_place() {
    legend_placement place;
    if (!app_state.colour_by_value || !made) return place;
    place.shown = true;
    place.frame = {std::max(0, app_state.win_width - width - LEGEND_MARGIN), LEGEND_MARGIN, width, height};
    for (const pixel_rect& b : boxes)
        place.boxes.push_back({place.frame.x + b.x, place.frame.y + b.y, b.width, b.height});
    return place;
}

void draw_legend() {
    const legend_placement place = legend_place();
    if (!place.shown) return;
    const pixel_rect& f = place.frame;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, app_state.win_width, 0.0, app_state.win_height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2i(0, 0);
    glVertex2i(f.x, f.y);
    glTexCoord2i(1, 0);
    glVertex2i(f.x + f.width, f.y);
    glTexCoord2i(1, 1);
    glVertex2i(f.x + f.width, f.y + f.height);
    glTexCoord2i(0, 1);
    glVertex2i(f.x, f.y + f.height);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
