// plexar-cli: the viewer's companion for scripts, spreadsheets and reports.
//
//   plexar-cli convert IN OUT     converts between record files (.dat) and CSV,
//                                 or a county table into either
//   plexar-cli render DATA OUT [options]
//                                 draws the view of DATA into a picture: PNG
//                                 when OUT ends in .png, else BMP
//
// Everything goes through the viewer's own routines, so what comes out is what
// the viewer would load, save or show. Messages go to standard error; the exit
// code is 0 on success, 1 when a file cannot be read or written, 2 when the
// command line is not understood.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "data/data.h"
#include "image/image.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/offscreen.h"
#include "platform/png.h"
#include "scene/scene.h"

namespace {

const char* const USAGE =
    "usage: plexar-cli convert IN OUT\n"
    "         IN and OUT each a record file (.dat) or a CSV file (.csv); IN may also\n"
    "         be a county table (.tsv, .txt, or .csv without the record header)\n"
    "       plexar-cli render DATA OUT [--field K] [--size WxH] [--distance D]\n"
    "         [--tilt T] [--yaw Y] [--center X,Y] [--select INDEX] [--scale ENTRY] [--colour]\n"
    "         DATA a .dat, .csv, .tsv or .txt file; OUT a PNG file when it ends in .png, else BMP;\n"
    "         run from the folder that holds data/\n"
    "         defaults: field 0 with its default height scale, 1024x768, the viewer's\n"
    "         initial view (distance 2850, tilt 0, yaw 0, centre 941,694); --colour tints\n"
    "         the bars by their class of value and draws the legend, as Query > Colour by Value\n";

enum class file_kind { unknown, dat, csv, table };

file_kind kind_of(const std::string& path) {
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return file_kind::unknown;
    const char* ext = path.c_str() + dot;
    if (strcasecmp(ext, ".dat") == 0) return file_kind::dat;
    if (strcasecmp(ext, ".csv") == 0) return file_kind::csv;
    if (strcasecmp(ext, ".tsv") == 0 || strcasecmp(ext, ".txt") == 0) return file_kind::table;
    return file_kind::unknown;
}

// A data file to read: a .csv file is a county table unless it starts with
// the header of the record layout.
file_kind input_kind(const std::string& path) {
    file_kind kind = kind_of(path);
    return kind == file_kind::csv && !has_record_header(path.c_str()) ? file_kind::table : kind;
}

// A command line not understood: the usage on standard error, and 2, as
// command-line tools exit, apart from 1 for a file that cannot be read or written.
int usage() {
    std::fputs(USAGE, stderr);
    return 2;
}

int fail(const std::string& why) {
    std::fprintf(stderr, "plexar-cli: %s\n", why.c_str());
    return 1;
}

bool load_table(const std::string& path) {
    table_summary summary;
    if (!read_table(path.c_str(), summary)) {
        fail("cannot open table " + path + ": " + summary.error);
        return false;
    }
    std::fprintf(stderr, "plexar-cli: %s: %s\n", path.c_str(), summary_text(summary).c_str());
    for (const std::string& line : summary_lines(summary, true)) std::fprintf(stderr, "%s\n", line.c_str());
    return true;
}

bool load_data(const std::string& path) {
    file_kind kind = input_kind(path);
    if (kind == file_kind::unknown) {
        fail("cannot tell the file type of " + path + ": use .dat, .csv, .tsv or .txt");
        return false;
    }
    if (kind == file_kind::table) return load_table(path);
    if (!(kind == file_kind::dat ? read_records(path.c_str()) : read_csv(path.c_str()))) {
        fail("cannot read " + path);
        return false;
    }
    return true;
}

int convert(const std::string& in, const std::string& out) {
    file_kind to = kind_of(out);
    if (to != file_kind::dat && to != file_kind::csv) return fail("cannot tell the file type of " + out + ": use .dat or .csv");
    if (!load_data(in)) return 1;
    if (!(to == file_kind::dat ? write_records(out.c_str()) : write_csv(out.c_str())))
        return fail("cannot write " + out);
    return 0;
}

// Whole-text number parsers: trailing text, overflow and non-finite values fail.
bool parse_int(const char* text, long low, long high, long& out) {
    char* end;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high) return false;
    out = v;
    return true;
}

bool parse_float(const char* text, float& out) {
    char* end;
    float v = std::strtof(text, &end);
    if (end == text || *end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

struct render_options {
    long field = 0, width = 1024, height = 768, select = -1, scale = -1;
    float distance = 2850.0f, tilt = 0.0f, yaw = 0.0f;
    vec3 center{941.0f, 694.0f, 0.0f};
    bool colour = false;
};

bool parse_render_options(int argc, char** argv, render_options& o) {
    for (int i = 0; i < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--colour" || name == "--color") {  // a switch: no value follows
            o.colour = true;
            --i;
            continue;
        }
        if (i + 1 >= argc) return fail("missing value after " + name), false;
        const char* v = argv[i + 1];
        bool ok;
        if (name == "--field") {
            ok = parse_int(v, 0, FIELD_COUNT - 1, o.field);
        } else if (name == "--size") {
            std::string s = v;
            std::size_t x = s.find('x');
            ok = x != std::string::npos && parse_int(s.substr(0, x).c_str(), 1, 16384, o.width) &&
                 parse_int(s.substr(x + 1).c_str(), 1, 16384, o.height);
        } else if (name == "--distance") {
            ok = parse_float(v, o.distance);
        } else if (name == "--tilt") {
            ok = parse_float(v, o.tilt) && o.tilt >= -90.0f && o.tilt <= 90.0f;
        } else if (name == "--yaw") {
            ok = parse_float(v, o.yaw) && o.yaw >= -180.0f && o.yaw <= 180.0f;
        } else if (name == "--center") {
            std::string s = v;
            std::size_t comma = s.find(',');
            ok = comma != std::string::npos && parse_float(s.substr(0, comma).c_str(), o.center.x) &&
                 parse_float(s.substr(comma + 1).c_str(), o.center.y);
        } else if (name == "--select") {
            ok = parse_int(v, 0, COUNTY_COUNT - 1, o.select);
        } else if (name == "--scale") {
            ok = parse_int(v, 0, HEIGHT_SCALE_ENTRIES - 1, o.scale);
        } else {
            return fail("unknown option " + name), false;
        }
        if (!ok) return fail("bad value for " + name + ": " + v), false;
    }
    return true;
}

int render(const std::string& data, const std::string& out, int argc, char** argv) {
    render_options o;
    if (!parse_render_options(argc, argv, o)) return usage();
    // Start as the viewer does: the field catalogue, then the data (a table
    // brings its own fields), then the chosen field with its default height
    // scale (or the one asked for).
    std::vector<std::string> labels;
    if (!read_catalogue(data_file(CATALOGUE_PATH).c_str(), labels)) message_box("init_query() - can't read fields!", "ERROR!");
    set_catalogue_fields(labels);
    if (!load_data(data)) return 1;
    if (table_fields && o.field >= static_cast<long>(field_labels.size()))
        return fail("the table has " + std::to_string(field_labels.size()) + " fields: --field " +
                    std::to_string(o.field) + " is not one of them");
    app_state.active_field = static_cast<int16_t>(o.field);
    set_height_scale(static_cast<int>(o.scale));
    app_state.view_distance = o.distance;
    app_state.view_tilt = o.tilt;
    app_state.view_yaw = o.yaw;
    app_state.view_center = o.center;
    app_state.colour_by_value = o.colour;
    if (o.select >= 0) {
        app_state.selected_county = static_cast<int16_t>(o.select);
        county_table[o.select].selected = 1;
    }

    std::string why;
    offscreen_surface* surface = offscreen_open(static_cast<int>(o.width), static_cast<int>(o.height), &why);
    if (!surface) return fail("cannot draw without a display: " + why);
    set_projection(static_cast<int>(o.width), static_cast<int>(o.height));
    init_scene();  // builds the scene and draws it
    rgb_image picture{};
    const bool png = out.size() >= 4 && strcasecmp(out.c_str() + out.size() - 4, ".png") == 0;
    bool ok = read_frame(&picture) && (png ? save_png(out.c_str(), &picture) : save_bmp(out.c_str(), &picture));
    image_free(&picture);
    offscreen_close(surface);
    return ok ? 0 : fail("cannot write " + out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return convert(argv[2], argv[3]);
    if (argc >= 4 && std::strcmp(argv[1], "render") == 0) return render(argv[2], argv[3], argc - 4, argv + 4);
    return usage();
}
