// The process-wide application state: the camera, the chosen field and county,
// the navigation action in progress, the number of loaded records and the
// handles of the windows. Everything runs on the user-interface thread.
#pragma once

#include <cstdint>

constexpr int COUNTY_COUNT = 254;  // counties 0..253; every loop over counties stops here
constexpr int STATE_INDEX = 254;   // the state row of the county table and the state-wide record
constexpr int FIELD_COUNT = 25;    // values per record, lines of the field catalogue

struct vec3 {
    float x, y, z;
};

// Window-layer objects, opaque outside src/platform/.
struct pl_window;
struct pl_context;
struct pl_menu;

struct app_state_rec {
    float view_distance = 2850.0f;       // eye to view_center, map units
    vec3 view_center{941.0f, 694.0f, 0.0f};  // look-at point, map units; z stays 0
    vec3 home_center{941.0f, 694.0f, 0.0f};  // "Default Location" and the axis triad; never changes
    float view_yaw = 0.0f;               // degrees about the map's z axis, -180..180
    float view_tilt = 0.0f;              // degrees about x; 0 looks straight down, -90..90
    float height_scale = 1.0f;           // county value -> bar height factor
    int16_t active_field = 0;            // field shown, 0..24
    int16_t selected_county = -1;        // county picked by the user, 0..253, or -1
    uint8_t nav_action = 0;              // GIS navigation button held: 0 none, 1..6
    int32_t record_count = 0;            // records stored by the last load or import
    float state_value = 0.0f;            // state-wide value of the active field
    bool colour_by_value = false;        // bars tinted by their class of value, with a legend
    int16_t win_width = 0;               // client size in pixels, as last reported
    int16_t win_height = 0;
    int16_t mouse_x = 0;                 // last pointer position, client pixels
    int16_t mouse_y = 0;

    // Handles, filled once during start-up.
    void* instance = nullptr;            // the program instance (unused on this platform)
    pl_window* main_window = nullptr;
    pl_context* main_dc = nullptr;       // the surface frames are presented on (the view itself here)
    pl_context* main_context = nullptr;  // the main window's OpenGL context
    pl_window* gis_panel = nullptr;
    pl_window* query_panel = nullptr;
    pl_window* info_panel = nullptr;
    pl_window* about_box = nullptr;
    pl_window* ranking_panel = nullptr;
    pl_menu* menu_bar = nullptr;
    pl_menu* file_menu = nullptr;   // the "File" drop-down
};

extern app_state_rec app_state;

// Back to the initial values of a fresh start (tests use this between cases).
void reset_app_state();
