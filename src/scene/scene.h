// The 3D view: two textures and two display lists with fixed numbers, built
// from the county table, and the camera that draws them every frame.
//
// Scene coordinates: x and y in map units over the map quad (0..1882 by
// 0..1388, z = 0), z up. Bar heights are scene heights, drawn Z_SCALE times
// taller. Nothing here knows about windows: everything draws with whatever
// OpenGL context is current, and presenting goes through the window layer.
#pragma once

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

struct rgb_image;

// Reads the frame just drawn (win_width x win_height) into an empty image,
// rows tightly packed and bottom-up. Returns 0 when the image cannot be had.
int read_frame(rgb_image* image);
