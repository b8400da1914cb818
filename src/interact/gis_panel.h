// The GIS panel: six press-and-hold navigation buttons, stepped by the frame
// timer, and the Height Scale list.
#pragma once

#include <cstdint>

#include "platform/window.h"

// Limits of the view, for the buttons and the mouse alike.
constexpr float MIN_VIEW_DISTANCE = 100.0f;     // map units
constexpr float MAX_VIEW_DISTANCE = 100000.0f;  // the map is a few pixels wide there
constexpr float MAX_TILT = 90.0f;               // degrees, either way
constexpr float MAX_YAW = 180.0f;               // degrees, either way; never wrapped

// One tick of a held button.
constexpr float NAV_ANGLE_STEP = 5.0f;  // degrees
constexpr float NAV_ZOOM_IN_FACTOR = 0.95f;  // factor of view_distance
constexpr float NAV_ZOOM_OUT_FACTOR = 1.05f;

// nav_action values.
enum : uint8_t { NAV_NONE, NAV_TILT_DOWN, NAV_TILT_UP, NAV_TURN_LEFT, NAV_TURN_RIGHT, NAV_ZOOM_IN, NAV_ZOOM_OUT };

intptr_t gis_panel_proc(pl_window* panel, unsigned message, wparam w, lparam l);
// Fills the Height Scale list and selects "10000:1"; height_scale is not touched.
void gis_panel_init(pl_window* panel);
int gis_panel_command(pl_window* panel, wparam w);

// The frame timer's tick: timer 1 applies one step of the held button and
// draws a frame whatever is held; other timers do nothing.
void nav_timer_step(unsigned timer_id);
