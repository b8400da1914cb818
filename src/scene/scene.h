// The 3D view: two textures and two display lists with fixed numbers, built
// from the county table, and the camera that draws them every frame.
//
// Scene coordinates: x and y in map units over the map quad (0..1882 by
// 0..1388, z = 0), z up. Bar heights are scene heights, drawn Z_SCALE times
// taller. Nothing here knows about windows: everything draws with whatever
// OpenGL context is current, and presenting goes through the window layer.
#pragma once

#include <vector>

#include "platform/legend_image.h"

constexpr int MAP_WIDTH = 1882;   // map units
constexpr int MAP_HEIGHT = 1388;
constexpr float Z_SCALE = 4.0f;   // drawn height per unit of scene height
constexpr float MIN_BAR_HEIGHT = 0.1f;
constexpr const char* MAP_FILE = "karto04.bmp";
constexpr const char* MAP_FOLDER = "./data/maps/";

// Fixed object numbers in the view's context.
constexpr unsigned TEX_MAP = 10;    // the map image
constexpr unsigned TEX_BAR = 11;    // 64 x 64 stripes for the bar sides
constexpr unsigned LIST_MAP = 10;   // map quad and the county top faces
constexpr unsigned LIST_BARS = 11;  // the four side faces of every bar

constexpr int LEGEND_MARGIN = 8;  // pixels from the legend to the view's right and bottom edges

// Sets the fixed rendering state, makes both textures and builds the scene
// (which draws and presents the first frame). Once, with the context current.
void init_scene();

// Loads ./data/maps/<file_name> into TEX_MAP. A missing or unreadable file is
// reported once and leaves the map untextured. Returns 1 when the map loaded.
int make_map(const char* file_name);

// Copies the active field into the county values, recompiles both lists, then
// draws and presents a frame. Called whenever heights, the highlighted county
// or the height scale may have changed.
void build_scene();

// Recompiles LIST_MAP and LIST_BARS from the county table as it stands.
void compile_scene_lists();

// Deletes both lists and, when with_textures is set, both textures.
void release_scene(bool with_textures);

// Height of a county's bar for its value, in scene units.
float bar_height(float value, float height_scale);

// Stores the client size and sets the viewport and perspective projection.
// A zero side (a minimised window) keeps the previous projection.
void set_projection(int width, int height);

// Draws a complete frame from the camera in app_state; leaves GL_MODELVIEW current.
void draw_frame();

// Draws the two lists with their textures; the model-view matrix is set.
void draw_scene_lists();

// Makes the frame just drawn visible, through the window layer.
void present_frame();

// ---- Colour by value --------------------------------------------------------
//
// A layer over the view that the plain drawing never enters while it is off:
// with app_state.colour_by_value set, each county with a value has its bar,
// top and sides, tinted by the colour of its class (the tint multiplies the
// map and the bands as white does), and a legend stands in the view's bottom
// right corner. The legend's picture is made again only when what it says
// changes.

struct value_classes;

// Makes the legend's picture for these classes of the active field, unless it
// already shows just that. With the lists' context current.
void update_legend(const value_classes& classes);

// The legend's texture goes (deleted when asked, else left to a context that
// is gone) and is made again when next needed.
void forget_legend(bool delete_texture);

// Draws the legend over the frame, in window pixels; the model-view matrix
// stays current and both matrices as they were.
void draw_legend();

// Where the legend stands in the view and where its colour boxes are, pixels
// from the view's bottom-left corner; nothing while colour by value is off.
struct legend_placement {
    bool shown = false;
    pixel_rect frame{};
    std::vector<pixel_rect> boxes;  // the classes' boxes, lowest first, then "n/a" when any county has no value
};
legend_placement legend_place();

struct rgb_image;

// Reads the frame just drawn (win_width x win_height) into an empty image,
// rows tightly packed and bottom-up. Returns 0 when the image cannot be had.
int read_frame(rgb_image* image);
