// Textures and scene lists: the fixed rendering state, the bar and map
// textures, and the two display lists that hold the map and the bars.
#include "scene/scene.h"

#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/data.h"
#include "image/image.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/surface.h"

namespace {

// A top face samples the map at 1/1881 and 1/1387 per map unit, while the map
// quad beneath spans its texture over 1882 and 1388: the two agree very nearly,
// not exactly, and the picture has always been drawn this way.
const float TOP_S = static_cast<float>(1.0 / 1881.0);
const float TOP_T = static_cast<float>(1.0 / 1387.0);

struct corner {
    float x, y;
};

void make_bar_texture() {
    // White with a black band over the last eighth of t: with t running from 0
    // at a bar's foot to its height, each whole unit of height ends in a band.
    std::vector<unsigned char> texels(64 * 64 * 3, 255);
    for (int row = 56; row < 64; ++row)
        for (int i = 0; i < 64 * 3; ++i) texels[row * 64 * 3 + i] = 0;
    glBindTexture(GL_TEXTURE_2D, TEX_BAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

}  // namespace

float bar_height(float value, float height_scale) {
    // Values that are not finite numbers stand at the minimum height, so no
    // vertex is ever sent to an infinite or undefined place.
    if (!std::isfinite(value) || std::fabs(value) < 0.1f) return MIN_BAR_HEIGHT;
    return std::fabs(height_scale * value);
}

void init_scene() {
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Snapshots read back the presented frame. A window's own double buffer
    // presents by swapping, which puts the frame in the front buffer; an
    // offscreen framebuffer (the toolkit's view, a command-line render) keeps it
    // where it was drawn, and its read buffer already points there.
    GLint framebuffer = 0;
    GLboolean double_buffered = GL_FALSE;
    glGetIntegerv(0x8CA6 /* GL_FRAMEBUFFER_BINDING */, &framebuffer);
    glGetBooleanv(GL_DOUBLEBUFFER, &double_buffered);
    if (framebuffer == 0 && double_buffered) glReadBuffer(GL_FRONT);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glClearColor(0.6275f, 0.6275f, 0.6275f, 1.0f);
    glPointSize(3.0f);
    glLineWidth(2.0f);

    forget_legend(false);  // a new context holds no legend yet
    make_bar_texture();
    make_map(MAP_FILE);
    build_scene();
}

int make_map(const char* file_name) {
    std::string path = data_file(std::string(MAP_FOLDER) + file_name);
    rgb_image image{};
    if (!load_bmp(path.c_str(), &image)) {
        message_box("make_map() - can't read map!", "ERROR!");
        return 0;
    }
    frame_outdated();
    glBindTexture(GL_TEXTURE_2D, TEX_MAP);
    // Rows are tightly packed; a map narrower than 4 pixels must not be read
    // with padding the buffer does not have.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    image_free(&image);
    return 1;
}

void build_scene() {
    clear_values();
    apply_field();
    compile_scene_lists();
    draw_frame();
    present_frame();
}

void compile_scene_lists() {
    frame_outdated();
    // Each county's footprint and height, computed once for both lists.
    corner corners[COUNTY_COUNT][4];
    float heights[COUNTY_COUNT];
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        float x = county_table[i].x, y = county_table[i].y;
        corners[i][0] = {x - 5.0f, y - 5.0f};
        corners[i][1] = {x + 5.0f, y - 5.0f};
        corners[i][2] = {x + 5.0f, y + 5.0f};
        corners[i][3] = {x - 5.0f, y + 5.0f};
        heights[i] = bar_height(county_table[i].value, app_state.height_scale);
    }
    // Colour by value: each county with a value takes its class's colour
    // where the plain look has white (or the sides' grey).
    value_classes classes;
    const bool tinted = app_state.colour_by_value;
    float tint[COUNTY_COUNT][3];
    if (tinted) {
        float values[COUNTY_COUNT];
        for (int i = 0; i < COUNTY_COUNT; ++i) values[i] = county_table[i].value;
        classify_values(values, classes);
        for (int i = 0; i < COUNTY_COUNT; ++i) {
            const int j = classes.of_county[i];
            const rgb8 c = j >= 0 ? class_colour(j, classes.count) : rgb8{255, 255, 255};
            tint[i][0] = c.r / 255.0f, tint[i][1] = c.g / 255.0f, tint[i][2] = c.b / 255.0f;
        }
        update_legend(classes);
    }

    glNewList(LIST_MAP, GL_COMPILE);
    glBegin(GL_QUADS);
    glColor3f(1.0f, 1.0f, 1.0f);
    glTexCoord2i(0, 0);
    glVertex3i(0, 0, 0);
    glTexCoord2i(1, 0);
    glVertex3i(MAP_WIDTH, 0, 0);
    glTexCoord2i(1, 1);
    glVertex3i(MAP_WIDTH, MAP_HEIGHT, 0);
    glTexCoord2i(0, 1);
    glVertex3i(0, MAP_HEIGHT, 0);
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        // the highlighted county's top shows the map at half brightness
        float c = county_table[i].selected ? 0.5f : 1.0f;
        if (tinted && classes.of_county[i] >= 0) {
            glColor3f(c * tint[i][0], c * tint[i][1], c * tint[i][2]);
        } else {
            glColor3f(c, c, c);
        }
        for (const corner& p : corners[i]) {
            glTexCoord2f(p.x * TOP_S, p.y * TOP_T);
            glVertex3f(p.x, p.y, heights[i]);
        }
    }
    glEnd();
    glEndList();

    glNewList(LIST_BARS, GL_COMPILE);
    glBegin(GL_QUADS);
    static const float greys[4] = {0.9f, 0.93f, 0.96f, 0.99f};  // one per side, so edges show
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        float h = heights[i];
        // sides without blue mark a negative value (or one that is not a number)
        bool non_negative = county_table[i].value >= 0.0f;
        for (int face = 0; face < 4; ++face) {
            const corner& a = corners[i][face];
            const corner& b = corners[i][(face + 1) % 4];
            float g = greys[face];
            if (tinted && classes.of_county[i] >= 0) {
                glColor3f(g * tint[i][0], g * tint[i][1], g * tint[i][2]);
            } else {
                glColor3f(g, g, non_negative ? g : 0.0f);
            }
            glTexCoord2i(0, 0);
            glVertex3f(a.x, a.y, 0.0f);
            glTexCoord2i(1, 0);
            glVertex3f(b.x, b.y, 0.0f);
            glTexCoord2f(1.0f, h);
            glVertex3f(b.x, b.y, h);
            glTexCoord2f(0.0f, h);
            glVertex3f(a.x, a.y, h);
        }
    }
    glEnd();
    glEndList();
}

void release_scene(bool with_textures) {
    if (with_textures) {
        const GLuint textures[2] = {TEX_MAP, TEX_BAR};
        glDeleteTextures(2, textures);
    }
    glDeleteLists(LIST_MAP, 1);
    glDeleteLists(LIST_BARS, 1);
    forget_legend(with_textures);
}
