// The window layer: the few windowing operations the program's procedures use,
// over Qt. The program keeps its shape (a window procedure dispatching on
// message numbers, command ids in the low 16 bits of a parameter); this layer
// turns toolkit events into those messages and the procedures' requests into
// toolkit calls. No Qt type appears here.
#pragma once

#include <cstdint>
#include <string>

#include "app/state.h"

// Message numbers, with the values the program's tables have always used.
enum : unsigned {
    WM_DESTROY = 0x0002,
    WM_SIZE = 0x0005,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_KEYUP = 0x0101,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MOUSEWHEEL = 0x020A,  // key flags in the low 16 bits of w, the signed delta in the high 16 bits
    WM_MOUSEHOVER = 0x02A1,  // the pointer has rested on the view with no button held: position in l
    WM_DROPFILES = 0x0233,   // w: the dropped file's path (const char*), valid during the call
};

// Key flags of mouse messages (first parameter).
enum : unsigned { MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10 };

using wparam = uintptr_t;
using lparam = intptr_t;
using window_proc = intptr_t (*)(pl_window* window, unsigned message, wparam w, lparam l);

// Two signed 16-bit numbers packed as a size or a pointer position: x (or the
// width) in the low half, y (or the height) in the high half.
inline lparam make_lparam(int low, int high) {
    return static_cast<lparam>((static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16) |
                               static_cast<uint16_t>(low));
}
inline int16_t low_word(uintptr_t v) { return static_cast<int16_t>(v & 0xFFFF); }
inline int16_t high_word(uintptr_t v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }

// ---- The process ----------------------------------------------------------

// Starts the toolkit. On failure (no display to open) returns false with a
// reason a user can act on.
bool platform_start(int& argc, char** argv, std::string* error);

// Runs until post_quit_message; returns its code. A quit posted before the
// loop starts ends it at once.
int run_message_loop();
void post_quit_message(int code);

// ---- The main window and its view ---------------------------------------

// A top-level window of the given outer size whose client area is an OpenGL
// view (compatibility profile, 24-bit depth buffer). Not yet shown.
pl_window* create_frame_window(const char* title, int width, int height, window_proc proc);

// The view's OpenGL context, made current; nullptr when none could be made
// (the window must have been shown once).
pl_context* view_context(pl_window* window);
void make_current(pl_context* context);  // nullptr: no context current

// Shows the window; a tool window, shown or not before, comes to the front.
void show_window(pl_window* window);
bool window_visible(pl_window* window);

// Sends WM_DESTROY to the window's procedure, then destroys it with its children.
void destroy_window(pl_window* window);

// What happens to a message no procedure took: WM_CLOSE destroys the window.
intptr_t default_window_proc(pl_window* window, unsigned message, wparam w, lparam l);

// Sends a message to the window's procedure at once and returns its result.
intptr_t send_message(pl_window* window, unsigned message, wparam w, lparam l);

// Timer id on the window: WM_TIMER with the id every period_ms milliseconds.
void set_timer(pl_window* window, unsigned id, unsigned period_ms);
void kill_timer(pl_window* window, unsigned id);

// A tip beside the client pixel (x, y) of the window's view, read by screen
// readers too; it goes when the pointer moves off. Empty text hides it.
void show_tooltip(pl_window* window, int x, int y, const std::string& text);

// ---- Menus ------------------------------------------------------------------

struct pl_menu;
pl_menu* create_menu();
// Chosen, by the mouse or by its keys ("Ctrl+O", shown beside the text):
// WM_COMMAND with id.
void append_menu_item(pl_menu* menu, unsigned id, const char* text, const char* keys = nullptr);
// An entry with a check mark, chosen as above; the program sets the mark.
void append_menu_check(pl_menu* menu, unsigned id, const char* text, const char* keys = nullptr);
// Shows or clears the check mark of the window's menu entry id.
void check_menu_item(pl_window* window, unsigned id, bool checked);
void append_submenu(pl_menu* bar, pl_menu* submenu, const char* text);
void set_menu(pl_window* window, pl_menu* bar);

// ---- Process services --------------------------------------------------------

std::string current_directory();
bool set_current_directory(const std::string& path);
// Blocks the thread: no message is handled meanwhile.
void sleep_ms(unsigned ms);
// The program's file of that name in the user's configuration folder
// ($XDG_CONFIG_HOME/plexar/ on Linux); the folder may not exist yet.
std::string config_file(const char* name);
