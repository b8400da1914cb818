// The About box: the logo, whom to write to, and the mouse gestures. It holds
// no state; its OK button, close box and Escape hide it.
#include "panels/panels.h"
#include "platform/tool_window.h"
#include "res/resource.h"

intptr_t about_box_proc(pl_window* box, unsigned message, wparam w, lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return 1;
    case WM_COMMAND:
        if (w == IDCANCEL || w == IDC_ABOUT_OK) hide_window(box);
        return 1;
    default:
        return 0;
    }
}
