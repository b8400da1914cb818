// Mouse navigation in the 3D view: a left press picks a county, a right press
// re-centres the view on one, a right drag zooms (Shift) or turns (Ctrl), and
// the wheel zooms.
#pragma once

#include <cstdint>

// Pixels of a drag to units and degrees.
constexpr float DRAG_ZOOM_STEP = 10.0f;  // view_distance units per pixel of vertical motion
constexpr float DRAG_TURN_STEP = 1.0f;   // degrees per pixel
// One notch of the wheel away from the user multiplies view_distance by this;
// one towards the user divides by it.
constexpr double WHEEL_ZOOM_FACTOR = 0.9;
constexpr int WHEEL_NOTCH = 120;  // wheel delta of one notch

// Key flags (MK_*) and client positions, as the mouse messages carry them.
void on_mouse_move(unsigned flags, int16_t x, int16_t y);
void on_left_button_down(unsigned flags, int16_t x, int16_t y);
void on_left_button_up(int16_t x, int16_t y);
void on_right_button_down(unsigned flags, int16_t x, int16_t y);
void on_right_button_up(int16_t x, int16_t y);
// delta: eighths of a degree, WHEEL_NOTCH a notch, positive away from the user;
// parts of a notch add up until they make whole notches.
void on_mouse_wheel(int delta);
// The pointer at rest with no button held: a tip names the county a click there
// would pick, its value of the active field and its rank by that value, or goes.
void on_mouse_hover(int16_t x, int16_t y);
