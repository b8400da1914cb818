// Tool windows: the panels inside the main window's client area and the About
// box, each built from a dialog template and driven by a dialog procedure,
// plus mouse capture and keyboard focus. No Qt type appears here.
//
// A dialog procedure gets the window layer's messages and returns 1 when it
// handled one, 0 otherwise. It receives WM_INITDIALOG once its controls exist,
// WM_COMMAND (control id in the low 16 bits, notification code in the high 16
// bits; IDCANCEL for the close box and Escape), and, while the window holds
// the mouse capture, WM_LBUTTONUP wherever the button is released.
#pragma once

#include <cstdint>

#include "platform/window.h"

constexpr unsigned IDOK = 1;
constexpr unsigned IDCANCEL = 2;  // the cancel command: close box or Escape

// Notification codes, the high 16 bits of a WM_COMMAND's first parameter.
enum : unsigned {
    BN_CLICKED = 0,     // push button clicked
    STN_CLICKED = 0,    // picture pressed (reported as the button goes down)
    STN_DBLCLK = 1,     // picture double-clicked
    LBN_SELCHANGE = 1,  // list box selection changed by the user
    CBN_SELCHANGE = 1,  // drop-down list selection changed by the user
};

inline wparam make_command(unsigned id, unsigned code) { return (wparam(code & 0xFFFF) << 16) | (id & 0xFFFF); }

// ---- Dialog templates ---------------------------------------------------------

enum control_kind : uint8_t {
    CTL_GROUP_BOX,   // a frame with a caption
    CTL_TEXT,        // static text
    CTL_PICTURE,     // a bitmap
    CTL_LIST_BOX,    // single selection, unsorted, vertical scroll bar
    CTL_DROP_DOWN,   // a drop-down list to choose from (no typing)
    CTL_EDIT,        // read-only multi-line text, long lines wrapped
    CTL_BUTTON,      // push button
};

enum control_style : unsigned {
    CTL_CENTER = 1u << 0,        // text or caption centred
    CTL_NOTIFY = 1u << 1,        // a picture reports presses and double clicks
    CTL_REAL_SIZE = 1u << 2,     // a picture takes its bitmap's size
    CTL_CENTER_IMAGE = 1u << 3,  // a picture's bitmap is centred in the control
    CTL_TAB_STOP = 1u << 4,      // Tab stops here
    CTL_DEFAULT = 1u << 5,       // the default push button: Enter presses it
};

// Positions and sizes are in dialog units: a quarter of the dialog font's
// average character width across, an eighth of its height down.
struct control_template {
    unsigned id;
    control_kind kind;
    unsigned style;
    int16_t x, y, cx, cy;
    const char* text;  // caption or initial text; nullptr for none
    int bitmap;        // resource id of a picture's bitmap, else 0
    const char* name;  // what a screen reader calls a control that shows no text, or nullptr
};

enum dialog_kind : uint8_t {
    DLG_PANEL,  // a child frame inside the main window's client area, small caption bar and close box
    DLG_POPUP,  // a separate window owned by the main window, centred on it when made
};

// The corner of the main window's client area a panel stands in.
enum dialog_corner : uint8_t { DLG_TOP_LEFT, DLG_TOP_RIGHT, DLG_BOTTOM_LEFT, DLG_BOTTOM_RIGHT };

struct dialog_template {
    int id;
    dialog_kind kind;
    bool visible;       // shown once WM_INITDIALOG has been handled
    int16_t x, y;       // panels: dialog units from their corner of the client area to the nearest edges
    int16_t cx, cy;     // size of the client area, dialog units
    const char* title;
    const char* font;   // the face the template asks for, and its size in points
    int point_size;
    const control_template* controls;
    int control_count;
    dialog_corner corner = DLG_TOP_LEFT;
};

// ---- Tool windows --------------------------------------------------------------

// Builds the window and its controls from the template, sends WM_INITDIALOG to
// proc, then shows the window when the template says so. Returns the window,
// or nullptr when the parent is not a live main window.
//
// A panel stands in its corner of the client area from its first showing, and
// keeps to that corner as the window changes size until the user moves it;
// whatever the size, it stays inside the client area.
pl_window* create_dialog(const dialog_template& templ, pl_window* parent, window_proc proc);

void hide_window(pl_window* window);

// Dialog units to pixels for the dialog font (horizontal, vertical).
int dialog_units_x(int units);
int dialog_units_y(int units);

// The face that stands in for the templates' dialog font on this platform.
const char* dialog_font_face();

// ---- Capture and focus ------------------------------------------------------------

// Until release_capture, the mouse's button releases and moves reach window's
// procedure wherever the pointer is, positions relative to its client area.
void set_capture(pl_window* window);
void release_capture();
pl_window* capture_window();

// Keyboard focus to a window's client area (the main view), or to a control.
void set_focus(pl_window* window);
void set_focus_control(pl_window* dialog, unsigned id);
