// The application shell: the main window procedure, the menu and its commands,
// start-up and shutdown.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window.h"

constexpr const char* MAIN_TITLE = "Plexar 1.0c";
constexpr int MAIN_WIDTH = 1024;  // outer size of the main window, pixels
constexpr int MAIN_HEIGHT = 768;
constexpr unsigned FRAME_TIMER = 1;        // timer id of the frame timer
constexpr unsigned FRAME_PERIOD_MS = 125;  // 8 frames a second

// Menu command ids (low 16 bits of a WM_COMMAND's first parameter).
enum : unsigned {
    CMD_LOAD_DATA = 1,
    CMD_EXPORT_CSV = 2,
    CMD_IMPORT_CSV = 3,
    CMD_SAVE_DATA = 4,
    CMD_OPEN_TABLE = 5,
    CMD_ABOUT = 6,
    CMD_SAVE_SNAPSHOT = 7,
    CMD_PRINT = 8,
    CMD_QUIT = 10,
    CMD_SHOW_GIS_PANEL = 11,
    CMD_SHOW_QUERY_PANEL = 12,
    CMD_SHOW_INFO_PANEL = 14,
    CMD_SHOW_RANKING_PANEL = 15,
    CMD_DEFAULT_LOCATION = 21,
    CMD_SAVED_LOCATION = 22,
    CMD_SAVE_LOCATION = 23,
    CMD_DEFAULT_QUERY = 41,
    CMD_SAVED_QUERY = 42,
    CMD_SAVE_QUERY = 43,
    CMD_COLOUR_BY_VALUE = 44,
};

// Creates the main window, shows it with its OpenGL view current and starts the
// frame timer. Returns false when no window or no OpenGL context could be made.
bool create_main_window();

intptr_t main_window_proc(pl_window* window, unsigned message, wparam w, lparam l);

void build_menu();
void on_command(wparam w);
void cmd_load_data();
void cmd_export_csv();
void cmd_import_csv();
void cmd_save_data();
void cmd_open_table();
// Bars tinted by value with a legend, or the plain look; the menu's check mark
// follows. The caller rebuilds the scene.
void set_colour_by_value(bool on);
// Reads a county table and shows its figures: the Demographic list takes its
// titles, a message box the counts, the Info panel what did not match. A table
// that cannot be read gets one message saying why, and nothing changes.
void open_table(const std::string& path);
// Loads a file named on the command line or dropped on the window, as "Import
// CSV.." (a .csv file with the record header), "Load Data.." (a .dat file) or
// "Open Table.." (a .tsv or .txt file, or another .csv file) would load it; any
// other name, a folder or a file that cannot be read gets one message saying why.
// quiet leaves out the message on success (for the file loaded at start-up).
void open_data_file(const std::string& path, bool quiet = false);

// The location and the query the user saved: kept across runs in the user's
// configuration folder, recalled only by "Saved Location" and "Saved Query".
// load_saved_views reads them at start-up (a missing, unreadable or malformed
// file keeps nothing); saving writes them, and says so once when it cannot.
// Recalling what was never saved does nothing.
void load_saved_views();
void save_location();
void recall_location();  // the view as it was saved; the caller draws
void save_query();
void recall_query();     // field, Height Scale entry and county, highlighted without a report

// The start-up sequence, up to the message loop. False when the main window
// or its OpenGL context could not be made (the reason is on standard error).
bool app_start();

// Start-up, then the message loop; returns the exit code. A file named on the
// command line is loaded once the windows are up.
int app_main(const char* file = nullptr);
void quit_app();
void on_destroy();
