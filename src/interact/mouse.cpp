// Mouse navigation in the 3D view.
#include "interact/mouse.h"

#include <algorithm>

#include "app/app.h"
#include "data/data.h"
#include "interact/gis_panel.h"
#include "interact/pick.h"
#include "panels/panels.h"
#include "platform/tool_window.h"
#include "scene/scene.h"

namespace {

int wheel_rest = 0;  // wheel delta not yet a whole notch

void redraw() {
    draw_frame();
    present_frame();
}

void press(int16_t x, int16_t y) {
    set_focus(app_state.main_window);
    set_capture(app_state.main_window);
    app_state.mouse_x = x;
    app_state.mouse_y = y;
}

void release(int16_t x, int16_t y) {
    release_capture();
    app_state.mouse_x = x;
    app_state.mouse_y = y;
    redraw();
}

float clamped(double value, float low, float high) { return static_cast<float>(std::clamp(value, double(low), double(high))); }

}  // namespace

void on_mouse_move(unsigned flags, int16_t x, int16_t y) {
    if (!(flags & (MK_LBUTTON | MK_RBUTTON))) return;  // a move without a button is not tracked
    app_state_rec& s = app_state;
    const int16_t dx = static_cast<int16_t>(x - s.mouse_x), dy = static_cast<int16_t>(y - s.mouse_y);
    s.mouse_x = x;
    s.mouse_y = y;
    if (!(flags & MK_RBUTTON)) return;  // a left drag changes nothing and draws nothing
    if (flags & MK_SHIFT) {
        // down moves the eye away, up brings it nearer; the limits hold after the step
        s.view_distance = clamped(double(s.view_distance) + double(DRAG_ZOOM_STEP) * dy, MIN_VIEW_DISTANCE,
                                  MAX_VIEW_DISTANCE);
    } else if (flags & MK_CONTROL) {
        // up raises the tilt, left raises the yaw; limited, never wrapped
        s.view_tilt = clamped(double(s.view_tilt) - double(DRAG_TURN_STEP) * dy, -MAX_TILT, MAX_TILT);
        s.view_yaw = clamped(double(s.view_yaw) - double(DRAG_TURN_STEP) * dx, -MAX_YAW, MAX_YAW);
    }
    redraw();
}

void on_left_button_down(unsigned, int16_t x, int16_t y) {
    press(x, y);
    int16_t hit = -1;
    const bool found = pick_county(x, y, &hit);
    if (found) app_state.selected_county = hit;
    // The Query panel first: it puts the field's default scale back in force,
    // and the bars the report draws then show the scale its list shows.
    refresh_query_panel(app_state.query_panel);
    select_county(found ? hit : int16_t(-1));  // a miss clears the highlight and keeps selected_county
    redraw();
}

void on_left_button_up(int16_t x, int16_t y) { release(x, y); }

void on_mouse_hover(int16_t x, int16_t y) {
    // the county a click there would pick; nothing drawn, nothing changed
    int16_t hit = -1;
    show_tooltip(app_state.main_window, x, y, pick_county(x, y, &hit) ? county_tip_text(hit) : std::string());
}

void on_right_button_down(unsigned flags, int16_t x, int16_t y) {
    press(x, y);
    int16_t hit = -1;
    // with Shift or Ctrl the press only starts a zoom or a turn
    if (!(flags & (MK_SHIFT | MK_CONTROL)) && pick_county(x, y, &hit)) {
        app_state.view_center.x = static_cast<float>(county_table[hit].x);
        app_state.view_center.y = static_cast<float>(county_table[hit].y);
    }
    redraw();
}

void on_right_button_up(int16_t x, int16_t y) { release(x, y); }

void on_mouse_wheel(int delta) {
    wheel_rest += delta;
    const int notches = wheel_rest / WHEEL_NOTCH;  // towards zero: the rest keeps its sign
    wheel_rest -= notches * WHEEL_NOTCH;
    if (notches != 0) {
        double d = app_state.view_distance;
        for (int i = 0; i < notches; ++i) d *= WHEEL_ZOOM_FACTOR;  // away from the user: nearer
        for (int i = 0; i > notches; --i) d /= WHEEL_ZOOM_FACTOR;
        app_state.view_distance = clamped(d, MIN_VIEW_DISTANCE, MAX_VIEW_DISTANCE);
    }
    redraw();
}
