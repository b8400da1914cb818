// The GIS panel and the steps of its navigation buttons.
#include "interact/gis_panel.h"

#include <algorithm>

#include "app/app.h"
#include "data/data.h"
#include "platform/controls.h"
#include "platform/tool_window.h"
#include "res/resource.h"
#include "scene/scene.h"

namespace {

constexpr const char* SCALE_ENTRIES[HEIGHT_SCALE_ENTRIES] = {"1:1", "10:1", "100:1", "1000:1", "10000:1", "100000:1"};
constexpr int INITIAL_SCALE_ENTRY = 4;  // "10000:1", until the Query panel applies field 0's default

void show_scale_entry(int entry) { list_select(app_state.gis_panel, IDC_HEIGHT_SCALE, entry); }

// The action each picture starts, by control id.
uint8_t action_of(unsigned id) {
    switch (id) {
    case IDC_NAV_TILT_DOWN: return NAV_TILT_DOWN;
    case IDC_NAV_TILT_UP: return NAV_TILT_UP;
    case IDC_NAV_TURN_LEFT: return NAV_TURN_LEFT;
    case IDC_NAV_TURN_RIGHT: return NAV_TURN_RIGHT;
    case IDC_NAV_ZOOM_IN: return NAV_ZOOM_IN;
    case IDC_NAV_ZOOM_OUT: return NAV_ZOOM_OUT;
    default: return NAV_NONE;
    }
}

float scaled(float value, float factor) { return static_cast<float>(double(value) * double(factor)); }

}  // namespace

intptr_t gis_panel_proc(pl_window* panel, unsigned message, wparam w, lparam) {
    switch (message) {
    case WM_INITDIALOG:
        gis_panel_init(panel);
        return 1;
    case WM_COMMAND:
        if (w == IDCANCEL) {
            hide_window(panel);
            return 1;
        }
        return gis_panel_command(panel, w);
    case WM_LBUTTONUP:  // wherever the button went up: the panel holds the capture
        release_capture();
        app_state.nav_action = NAV_NONE;
        return 1;
    default:
        return 0;
    }
}

void gis_panel_init(pl_window* panel) {
    for (const char* entry : SCALE_ENTRIES) list_add(panel, IDC_HEIGHT_SCALE, entry);
    list_select(panel, IDC_HEIGHT_SCALE, INITIAL_SCALE_ENTRY);
    set_height_scale_list(show_scale_entry);
}

int gis_panel_command(pl_window* panel, wparam w) {
    const unsigned id = static_cast<unsigned>(w & 0xFFFF), code = static_cast<unsigned>((w >> 16) & 0xFFFF);
    if (id == IDC_HEIGHT_SCALE) {
        if (code == CBN_SELCHANGE) {
            set_height_scale(list_selection(panel, IDC_HEIGHT_SCALE));
            build_scene();
        }
        return 1;
    }
    if (uint8_t action = action_of(id)) {
        if (code == STN_CLICKED) {  // a double click is not a press
            app_state.nav_action = action;
            set_capture(panel);
        }
        return 1;
    }
    return 0;
}

void nav_timer_step(unsigned timer_id) {
    if (timer_id != FRAME_TIMER) return;
    app_state_rec& s = app_state;
    // Each step stops on its limit and stays there while the button is held.
    switch (s.nav_action) {
    case NAV_TILT_DOWN: s.view_tilt = std::max(s.view_tilt - NAV_ANGLE_STEP, -MAX_TILT); break;
    case NAV_TILT_UP: s.view_tilt = std::min(s.view_tilt + NAV_ANGLE_STEP, MAX_TILT); break;
    case NAV_TURN_LEFT: s.view_yaw = std::max(s.view_yaw - NAV_ANGLE_STEP, -MAX_YAW); break;
    case NAV_TURN_RIGHT: s.view_yaw = std::min(s.view_yaw + NAV_ANGLE_STEP, MAX_YAW); break;
    case NAV_ZOOM_IN: s.view_distance = std::max(scaled(s.view_distance, NAV_ZOOM_IN_FACTOR), MIN_VIEW_DISTANCE); break;
    case NAV_ZOOM_OUT: s.view_distance = std::min(scaled(s.view_distance, NAV_ZOOM_OUT_FACTOR), MAX_VIEW_DISTANCE); break;
    default: break;
    }
    draw_frame();
    present_frame();
}
