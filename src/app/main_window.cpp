// The main window and the dispatch of its messages.
#include "app/app.h"
#include "interact/gis_panel.h"
#include "interact/mouse.h"
#include "scene/scene.h"

bool create_main_window() {
    app_state.main_window = create_frame_window(MAIN_TITLE, MAIN_WIDTH, MAIN_HEIGHT, main_window_proc);
    // Showing the window makes its OpenGL context; the first size message
    // arrives with the context current.
    show_window(app_state.main_window);
    app_state.main_context = view_context(app_state.main_window);
    app_state.main_dc = app_state.main_context;
    if (!app_state.main_context) return false;
    set_timer(app_state.main_window, FRAME_TIMER, FRAME_PERIOD_MS);
    return true;
}

intptr_t main_window_proc(pl_window* window, unsigned message, wparam w, lparam l) {
    switch (message) {
    case WM_DESTROY:
        on_destroy();
        break;
    case WM_SIZE:
        // only stores the size and sets the projection; the repaint that
        // follows a size change draws
        set_projection(low_word(static_cast<uintptr_t>(l)), high_word(static_cast<uintptr_t>(l)));
        break;
    case WM_PAINT:
    case WM_KEYUP:  // any key released redraws; the key itself does not matter
        draw_frame();
        present_frame();
        break;
    case WM_COMMAND:
        on_command(w);
        break;
    case WM_TIMER:
        nav_timer_step(static_cast<unsigned>(w));
        break;
    case WM_MOUSEMOVE:
        on_mouse_move(static_cast<unsigned>(w), low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_LBUTTONDOWN:
        on_left_button_down(static_cast<unsigned>(w), low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_LBUTTONUP:
        on_left_button_up(low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_RBUTTONDOWN:
        on_right_button_down(static_cast<unsigned>(w), low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_RBUTTONUP:
        on_right_button_up(low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_MOUSEWHEEL:  // zooms, as in every map viewer
        on_mouse_wheel(high_word(w));
        break;
    case WM_MOUSEHOVER:  // the county under the resting pointer and its value, in a tip
        on_mouse_hover(low_word(uintptr_t(l)), high_word(uintptr_t(l)));
        break;
    case WM_DROPFILES:  // a file dropped on the window loads as if opened from the menu
        open_data_file(reinterpret_cast<const char*>(w));
        draw_frame();
        present_frame();
        break;
    default:
        break;
    }
    // Every message, handled or not, also gets the default processing.
    return default_window_proc(window, message, w, l);
}
