// The field catalogue (labels and default height scales) and the copy of the
// active field into the county values.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "data/data.h"

int8_t field_scale_index[FIELD_COUNT];
std::vector<std::string> field_labels;
bool table_fields = false;

namespace {

constexpr float HEIGHT_SCALES[HEIGHT_SCALE_ENTRIES] = {1.0f, 0.1f, 0.01f, 0.001f, 0.0001f, 0.00001f};

scale_list_fn height_scale_list = nullptr;

std::vector<std::string> catalogue_labels;
int8_t catalogue_scale_index[FIELD_COUNT];

// A decimal integer after optional blanks and sign, kept as its low eight bits
// read as a signed number (300 gives 44, -1 stays -1); no digits gives 0.
int8_t parse_scale_entry(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint8_t low = 0;  // arithmetic modulo 256 keeps exactly the low eight bits
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) low = uint8_t(low * 10 + (text[i] - '0'));
    if (negative) low = uint8_t(-low);
    return static_cast<int8_t>(low);
}

}  // namespace

int read_catalogue(const char* path, std::vector<std::string>& labels) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    std::string line;
    int c;
    bool more = true;
    // Lines past the 25th are ignored: a record has no value for them.
    for (int i = 0; more && i < FIELD_COUNT; ++i) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
        more = c != EOF;
        if (c == EOF && line.empty()) break;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        std::size_t comma = line.find(',');
        if (comma == std::string::npos) {
            // a label alone: the field uses entry 0 by default
            labels.push_back(line);
            field_scale_index[i] = 0;
        } else {
            labels.push_back(line.substr(0, comma));
            field_scale_index[i] = parse_scale_entry(line.substr(comma + 1));
        }
    }
    std::fclose(f);
    return 1;
}

void set_catalogue_fields(const std::vector<std::string>& labels) {
    catalogue_labels = labels;
    std::copy(field_scale_index, field_scale_index + FIELD_COUNT, catalogue_scale_index);
    restore_catalogue_fields();
}

void restore_catalogue_fields() {
    field_labels = catalogue_labels;
    std::copy(catalogue_scale_index, catalogue_scale_index + FIELD_COUNT, field_scale_index);
    table_fields = false;
}

int fitting_scale_entry(int field) {
    float tallest = 0.0f;
    for (int i = 0; i < COUNTY_COUNT; ++i)
        if (std::isfinite(record_table[i].values[field]))
            tallest = std::max(tallest, std::fabs(record_table[i].values[field]));
    // a bar is the value times the factor high (values that small stand at
    // the least height, well under the bound)
    int entry = 0;
    while (entry < HEIGHT_SCALE_ENTRIES - 1 && tallest * HEIGHT_SCALES[entry] > 500.0f) ++entry;
    return entry;
}

void set_height_scale(int entry) {
    if (entry < 0 && app_state.active_field >= 0 && app_state.active_field < FIELD_COUNT)
        entry = field_scale_index[app_state.active_field];
    if (height_scale_list) height_scale_list(entry);
    if (entry >= 0 && entry < HEIGHT_SCALE_ENTRIES) app_state.height_scale = HEIGHT_SCALES[entry];
}

void set_height_scale_list(scale_list_fn fn) { height_scale_list = fn; }

void apply_field() {
    int field = app_state.active_field;
    if (field < 0 || field >= FIELD_COUNT) return;
    for (int i = 0; i < COUNTY_COUNT; ++i) county_table[i].value = record_table[i].values[field];
    app_state.state_value = record_table[STATE_INDEX].values[field];
}
