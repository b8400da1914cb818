// The Info panel: the county reports pile up in its text, which the user can
// clear or save.
#include "data/data.h"
#include "image/file_dialog.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/tool_window.h"
#include "res/resource.h"

intptr_t info_panel_proc(pl_window* panel, unsigned message, wparam w, lparam) {
    switch (message) {
    case WM_INITDIALOG:
        return 1;
    case WM_COMMAND:
        if (w == IDCANCEL) {
            hide_window(panel);
            return 1;
        }
        return info_command(panel, w);
    default:
        return 0;
    }
}

int info_command(pl_window* panel, wparam w) {
    const unsigned id = static_cast<unsigned>(w & 0xFFFF), code = static_cast<unsigned>((w >> 16) & 0xFFFF);
    switch (id) {
    case IDC_INFO_CLEAR:
        if (code == BN_CLICKED) set_control_text(panel, IDC_INFO_TEXT, "");
        return 1;
    case IDC_INFO_SAVE:
        if (code == BN_CLICKED) info_save();
        return 1;
    default:
        return 0;
    }
}

void info_append(const std::string& text) {
    pl_window* panel = app_state.info_panel;
    edit_append(panel, IDC_INFO_TEXT, text + "\r\n");
    // Keep at most INFO_MAX_LINES displayed lines, dropping whole lines of text
    // from the top: a wrapped first line goes with all its displayed parts.
    int n = edit_line_count(panel, IDC_INFO_TEXT);
    while (n > INFO_MAX_LINES && edit_remove_first_line(panel, IDC_INFO_TEXT)) n = edit_line_count(panel, IDC_INFO_TEXT);
    edit_scroll(panel, IDC_INFO_TEXT, n);
    show_window(panel);
}

void info_save() {
    std::string path;
    if (!ask_save_file(path, ".txt")) return;
    std::string text = control_text(app_state.info_panel, IDC_INFO_TEXT);
    for (char& c : text)
        if (c == '\r') c = ' ';
    if (!replace_file(path, text.data(), text.size())) {
        message_box("Can't save file!", "Error");
        return;
    }
    message_box("Save complete", "Info");
}
