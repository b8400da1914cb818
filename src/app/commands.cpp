// The menu bar and the commands it issues.
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "data/data.h"
#include "image/file_dialog.h"
#include "image/snapshot.h"
#include "panels/panels.h"
#include "platform/modal.h"
#include "scene/scene.h"

namespace {

struct entry {
    const char* text;
    unsigned id;
    const char* keys = nullptr;  // the shortcut desktop users expect, if any
    bool checkable = false;      // an entry with a check mark
};

pl_menu* drop_down(std::initializer_list<entry> entries) {
    pl_menu* menu = create_menu();
    for (const entry& e : entries) (e.checkable ? append_menu_check : append_menu_item)(menu, e.id, e.text, e.keys);
    return menu;
}

// How a data file of each kind is read and what the user is told.
struct file_loader {
    const char* extension;
    int (*read)(const char*);
    const char* failure;
    const char* success;
};
const file_loader RECORDS = {".dat", read_records, "Can't load data file!", "Load complete"};
const file_loader CSV = {".csv", read_csv, "Can't import CSV file!", "Import complete"};

// The one message for a file that is not read at all.
void refuse(const std::string& path, const std::string& why) {
    message_box(("Can't open " + path + ": " + why).c_str(), "Error");
}

// Why a file that is there is no data file to read, or nullptr when it is a
// regular file: a folder opens but cannot be read, a device may never end,
// and a pipe may wait for ever for a writer.
const char* not_a_file(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return nullptr;
    if (S_ISDIR(st.st_mode)) return "it is a folder, not a data file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a data file";
    return "it is not a regular file";
}

// Reads a data file into the record table and shows it; quiet leaves out the
// message on success (the bars say it). Only a regular file is read; anything
// else is a load that failed. A file that is not there is left to the reader,
// which says so itself.
void load_path(const file_loader& loader, const std::string& path, bool quiet) {
    struct stat st;
    if ((stat(path.c_str(), &st) == 0 && not_a_file(st)) || !loader.read(path.c_str())) {
        message_box(loader.failure, "Error");
        return;
    }
    refresh_query_panel(app_state.query_panel);
    build_scene();
    if (!quiet) message_box(loader.success, "Info");
}

// Reads a data file chosen by the user.
void load_file(const file_loader& loader) {
    std::string path;
    if (ask_open_file(path, loader.extension)) load_path(loader, path, false);
}

// Writes the record table to a file chosen by the user; success is reported
// only once the file is really written.
void save_file(const char* extension, int (*write)(const char*), const char* failure, const char* success) {
    std::string path;
    if (!ask_save_file(path, extension)) return;
    if (write(path.c_str())) {
        message_box(success, "Info");
    } else {
        message_box(failure, "Error");
    }
}

}  // namespace

void build_menu() {
    app_state.file_menu = drop_down({{"Load Data..", CMD_LOAD_DATA, "Ctrl+O"},
                                     {"Save Data..", CMD_SAVE_DATA, "Ctrl+S"},
                                     {"Import CSV..", CMD_IMPORT_CSV, "Ctrl+I"},
                                     {"Export CSV..", CMD_EXPORT_CSV, "Ctrl+E"},
                                     {"Open Table..", CMD_OPEN_TABLE, "Ctrl+T"},
                                     {"Save Snapshot..", CMD_SAVE_SNAPSHOT},
                                     {"Print..", CMD_PRINT, "Ctrl+P"},
                                     {"Quit", CMD_QUIT, "Ctrl+Q"}});
    pl_menu* location = drop_down({{"Default Location", CMD_DEFAULT_LOCATION},
                                   {"Saved Location", CMD_SAVED_LOCATION},
                                   {"Save Location", CMD_SAVE_LOCATION}});
    pl_menu* query = drop_down({{"Default Query", CMD_DEFAULT_QUERY},
                                {"Saved Query", CMD_SAVED_QUERY},
                                {"Save Query", CMD_SAVE_QUERY},
                                {"Colour by Value", CMD_COLOUR_BY_VALUE, "Ctrl+K", true}});
    pl_menu* panel = drop_down({{"Show GIS Panel", CMD_SHOW_GIS_PANEL},
                                {"Show Query Panel", CMD_SHOW_QUERY_PANEL},
                                {"Show Info Panel", CMD_SHOW_INFO_PANEL},
                                {"Show Ranking Panel", CMD_SHOW_RANKING_PANEL}});
    pl_menu* help = drop_down({{"About..", CMD_ABOUT, "F1"}});
    app_state.menu_bar = create_menu();
    append_submenu(app_state.menu_bar, app_state.file_menu, "File");
    append_submenu(app_state.menu_bar, location, "Location");
    append_submenu(app_state.menu_bar, query, "Query");
    append_submenu(app_state.menu_bar, panel, "Panel");
    append_submenu(app_state.menu_bar, help, "Help");
    set_menu(app_state.main_window, app_state.menu_bar);
}

void on_command(wparam w) {
    switch (static_cast<unsigned>(w & 0xFFFF)) {
    case CMD_LOAD_DATA:
        cmd_load_data();
        break;
    case CMD_EXPORT_CSV:
        cmd_export_csv();
        break;
    case CMD_IMPORT_CSV:
        cmd_import_csv();
        break;
    case CMD_SAVE_DATA:
        cmd_save_data();
        break;
    case CMD_OPEN_TABLE:
        cmd_open_table();
        break;
    case CMD_ABOUT:
        show_window(app_state.about_box);
        break;
    case CMD_SAVE_SNAPSHOT:
        save_snapshot();
        break;
    case CMD_PRINT:
        print_view();
        break;
    case CMD_QUIT:
        quit_app();
        return;  // the window and its context are gone: nothing to draw
    case CMD_SHOW_GIS_PANEL:
        show_window(app_state.gis_panel);
        break;
    case CMD_SHOW_QUERY_PANEL:
        show_window(app_state.query_panel);
        break;
    case CMD_SHOW_INFO_PANEL:
        show_window(app_state.info_panel);
        break;
    case CMD_SHOW_RANKING_PANEL:  // ranked again: it is not kept up while hidden
        show_window(app_state.ranking_panel);
        refresh_ranking_panel(app_state.ranking_panel);
        break;
    case CMD_DEFAULT_LOCATION:
        // only the look-at point returns home; distance, turn and tilt stay
        app_state.view_center = app_state.home_center;
        break;
    case CMD_SAVED_LOCATION:  // until a location is saved, only redraws
        recall_location();
        break;
    case CMD_SAVE_LOCATION:
        save_location();
        break;
    case CMD_DEFAULT_QUERY:
        app_state.active_field = 0;
        set_colour_by_value(false);
        refresh_query_panel(app_state.query_panel);
        build_scene();
        break;
    case CMD_SAVED_QUERY:  // until a query is saved, only redraws
        recall_query();
        break;
    case CMD_SAVE_QUERY:
        save_query();
        break;
    case CMD_COLOUR_BY_VALUE:
        set_colour_by_value(!app_state.colour_by_value);
        build_scene();
        break;
    default:  // ids without a command only redraw
        break;
    }
    draw_frame();
    present_frame();
}

void set_colour_by_value(bool on) {
    app_state.colour_by_value = on;
    check_menu_item(app_state.main_window, CMD_COLOUR_BY_VALUE, on);
}

void cmd_load_data() { load_file(RECORDS); }
void cmd_import_csv() { load_file(CSV); }

void cmd_open_table() {
    std::string path;
    if (ask_open_file(path, ".csv .tsv .txt")) open_table(path);
}

void open_table(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        if (const char* why = not_a_file(st)) return refuse(path, why);
    table_summary summary;
    if (!read_table(path.c_str(), summary)) return refuse(path, summary.error);
    // a field the table does not have gives way to its first
    if (app_state.active_field >= static_cast<int>(field_labels.size())) app_state.active_field = 0;
    refresh_query_panel(app_state.query_panel);
    build_scene();
    const std::vector<std::string> lines = summary_lines(summary);
    for (const std::string& line : lines) info_append(line);
    std::string text = summary_text(summary);
    if (!lines.empty()) text += "\nThe Info panel lists the rows not matched and the counties without a row.";
    message_box(text.c_str(), "Info");
}

void open_data_file(const std::string& path, bool quiet) {
    // No dialog chose this file: whatever it is, one message says why it is
    // not read, naming it.
    const char* extension = path.c_str() + path.size() - std::min<std::size_t>(path.size(), 4);
    const bool csv = strcasecmp(extension, ".csv") == 0;
    const bool table = strcasecmp(extension, ".tsv") == 0 || strcasecmp(extension, ".txt") == 0;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return refuse(path, std::strerror(errno));
    if (const char* why = not_a_file(st)) return refuse(path, why);
    if (!csv && !table && strcasecmp(extension, ".dat") != 0)
        return refuse(path, "only record files (.dat), CSV files (.csv) and tables (.tsv, .txt) can be opened");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return refuse(path, std::strerror(errno));
    std::fclose(f);
    // a table's summary is shown even at start-up: it says what matched
    if (table || (csv && !has_record_header(path.c_str()))) return open_table(path);
    load_path(csv ? CSV : RECORDS, path, quiet);
}
void cmd_export_csv() { save_file(".csv", write_csv, "Can't export CSV file!", "Export complete"); }
void cmd_save_data() { save_file(".dat", write_records, "Can't save data file!", "Save complete"); }
