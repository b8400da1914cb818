// The location and the query the user saved, recalled from the menu and kept
// across runs in a small text file in the user's configuration folder:
//
//   location distance=2850 tilt=-30 yaw=15 center=941,694
//   query field=11 scale=4 county=100 colour=1
//
// Nothing else is kept: every run starts from the initial state, and only the
// two "Saved" commands read what was saved.
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "data/data.h"
#include "interact/gis_panel.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "res/resource.h"
#include "scene/scene.h"

namespace {

constexpr const char* SAVED_FILE = "views.txt";

struct saved_location {
    bool set = false;
    float distance = 0.0f, tilt = 0.0f, yaw = 0.0f;  // as view_distance, view_tilt, view_yaw
    float x = 0.0f, y = 0.0f;                         // view_center, map units (z stays 0)
};

struct saved_query {
    bool set = false;
    int16_t field = 0;    // active_field, 0..24
    int scale = 0;        // Height Scale entry, 0..5
    int16_t county = -1;  // selected_county, -1 for none
    bool colour = false;  // colour_by_value (a file written before it existed has none: off)
};

saved_location location;
saved_query query;

// One number of a "key=value" item, read in the C locale whatever the desktop's.
template <typename T>
bool number(const std::string& text, T& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool finite(float v) { return v == v && v - v == 0.0f; }

// The items of one line after its first word, as key and value.
bool item(std::istringstream& in, const char* key, std::string& value) {
    std::string word;
    if (!(in >> word)) return false;
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || word.compare(0, eq, key) != 0) return false;
    value = word.substr(eq + 1);
    return true;
}

bool read_location(std::istringstream& in, saved_location& l) {
    std::string d, t, y, c;
    if (!item(in, "distance", d) || !item(in, "tilt", t) || !item(in, "yaw", y) || !item(in, "center", c)) return false;
    const std::size_t comma = c.find(',');
    if (comma == std::string::npos || !number(d, l.distance) || !number(t, l.tilt) || !number(y, l.yaw) ||
        !number(c.substr(0, comma), l.x) || !number(c.substr(comma + 1), l.y))
        return false;
    return finite(l.x) && finite(l.y) && l.distance >= MIN_VIEW_DISTANCE && l.distance <= MAX_VIEW_DISTANCE &&
           l.tilt >= -MAX_TILT && l.tilt <= MAX_TILT && l.yaw >= -MAX_YAW && l.yaw <= MAX_YAW;
}

bool read_query(std::istringstream& in, saved_query& q) {
    std::string f, s, c, colour = "0";
    if (!item(in, "field", f) || !item(in, "scale", s) || !item(in, "county", c)) return false;
    if (in >> std::ws && !in.eof() && !item(in, "colour", colour)) return false;
    if (colour != "0" && colour != "1") return false;
    q.colour = colour == "1";
    return number(f, q.field) && number(s, q.scale) && number(c, q.county) && q.field >= 0 && q.field < FIELD_COUNT &&
           q.scale >= 0 && q.scale < HEIGHT_SCALE_ENTRIES && q.county >= -1 && q.county < COUNTY_COUNT;
}

template <typename T>
std::string text(T value) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);  // shortest that reads back the same
    return std::string(buf, end);
}

// Writes both, as they stand; says so once when the file cannot be written.
void write_saved(const char* failure) {
    std::string out = "# Plexar's saved location and query (Location > Save Location, Query > Save Query)\n";
    if (location.set)
        out += "location distance=" + text(location.distance) + " tilt=" + text(location.tilt) + " yaw=" +
               text(location.yaw) + " center=" + text(location.x) + "," + text(location.y) + "\n";
    if (query.set)
        out += "query field=" + text(query.field) + " scale=" + text(query.scale) + " county=" + text(query.county) +
               " colour=" + (query.colour ? "1" : "0") + "\n";
    const std::string path = config_file(SAVED_FILE);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (!replace_file(path, out.data(), out.size())) message_box(failure, "Error");
}

}  // namespace

void load_saved_views() {
    location = {};
    query = {};
    std::ifstream in(config_file(SAVED_FILE));
    saved_location l;
    saved_query q;
    std::string line, extra;
    // A file that cannot be read, or any line not understood, is as if nothing was saved.
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind) || kind[0] == '#') continue;
        const bool ok = kind == "location" ? read_location(words, l) : kind == "query" ? read_query(words, q) : false;
        if (!ok || words >> extra) return;
        (kind == "location" ? l.set : q.set) = true;
    }
    if (in.bad()) return;
    location = l;
    query = q;
}

void save_location() {
    const app_state_rec& s = app_state;
    location = {true, s.view_distance, s.view_tilt, s.view_yaw, s.view_center.x, s.view_center.y};
    write_saved("Can't save location!");
}

void recall_location() {
    if (!location.set) return;
    app_state.view_distance = location.distance;
    app_state.view_tilt = location.tilt;
    app_state.view_yaw = location.yaw;
    app_state.view_center = {location.x, location.y, 0.0f};
}

void save_query() {
    const int entry = list_selection(app_state.gis_panel, IDC_HEIGHT_SCALE);
    query = {true, app_state.active_field, entry >= 0 ? entry : field_scale_index[app_state.active_field],
             app_state.selected_county, app_state.colour_by_value};
    write_saved("Can't save query!");
}

void recall_query() {
    if (!query.set) return;
    // a table with fewer fields than the catalogue keeps the field shown
    if (!table_fields || query.field < static_cast<int>(field_labels.size())) app_state.active_field = query.field;
    app_state.selected_county = query.county;
    set_colour_by_value(query.colour);
    refresh_query_panel(app_state.query_panel);  // both lists, and the field's own scale ...
    set_height_scale(query.scale);               // ... then the scale that was saved
    // the county highlighted, as a report would, but nothing appended
    for (int i = 0; i < COUNTY_COUNT; ++i) county_table[i].selected = i == query.county;
    build_scene();
}
