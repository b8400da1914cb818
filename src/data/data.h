// The data subsystem: the built-in county table, the record table and its
// files (.dat and CSV), the field catalogue and the height scale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/state.h"

// ---- County table ---------------------------------------------------------

struct county_rec {
    char name[32];     // ASCII, NUL-terminated, shown in the Selection list and reports
    uint16_t x;        // bar position in map units, growing eastward
    uint16_t y;        // bar position in map units, growing northward
    float value;       // the active field's value, written by apply_field
    uint8_t selected;  // 1 for the highlighted county, else 0
};

// Rows 0..253 are the counties in alphabetical order (case ignored); row 254 is
// the state row "TEXAS", which no operation reads or writes.
extern county_rec county_table[COUNTY_COUNT + 1];

// Three-digit Census code of each county (48000 + code is its FIPS code).
extern const uint16_t county_code[COUNTY_COUNT];

// Sets every county's value and state_value to 0; the highlight flags stay.
void clear_values();

// ---- Record table and data files ------------------------------------------

struct data_rec {
    char name[32];              // NUL-terminated, at most 31 bytes; carried, never shown
    float values[FIELD_COUNT];  // entry k is field k of the catalogue
};

// Record i belongs to county i; record 254 is the state-wide record. Loads
// beyond this many records ignore the rest of the file.
constexpr int RECORD_CAPACITY = 4096;
constexpr int RECORD_SIZE = 132;  // bytes of one record in a .dat file

extern data_rec record_table[RECORD_CAPACITY];

// Each reader returns 1 when the file could be opened and read (whatever it
// held); 0 after reporting its own open failure, or, silently, when reading
// failed (a folder opens but cannot be read). A failure changes nothing. Each
// writer returns 1, or 0 when the file could not be written, in which case the
// file on disk is as it was.
int read_records(const char* path);
int write_records(const char* path);
int read_csv(const char* path);
int write_csv(const char* path);

// ---- County tables: a user's own figures ----------------------------------
//
// A table is a text file of rows and columns (comma, semicolon or tab between
// cells) as spreadsheets and statistics offices write them. One column names
// or codes the county of each row; every other column of numbers becomes a
// field, its title the field's label. Opening one replaces the record table:
// record i holds county i's row, record 254 the row for Texas, and a county
// without a row (or a cell without a number) holds NaN, "no value".

constexpr std::size_t TABLE_MAX_BYTES = 64u << 20;  // larger files are refused unread
constexpr std::size_t TABLE_MAX_LINE = 1u << 20;    // bytes in one row, quoted line breaks included
constexpr std::size_t TABLE_MAX_LINES = 1000000;
constexpr std::size_t TABLE_MAX_COLUMNS = 999;
constexpr std::size_t TABLE_MAX_CELLS = 4000000;

// What opening a table found, for the user to check and mend the file.
struct table_summary {
    std::string error;                    // why the table was refused; empty on success
    std::string key_title;                // the column rows were matched by
    int counties = 0;                     // counties that got a row
    bool state_row = false;               // a row for Texas gave the state-wide values
    int other_states = 0;                 // rows of other states (or the nation), skipped
    std::vector<std::string> unmatched;   // "key (line N)" of each row that matched nothing
    std::vector<std::string> duplicates;  // later rows for a county already given, left out
    std::vector<std::string> left_out;    // titles of number columns beyond the 25 fields
    std::vector<int> missing;             // counties without a row
};

// Reads a table into the record table, field_labels and field_scale_index.
// Returns 1 on success; 0 with summary.error set when the file cannot be read
// or holds no county key or no numbers, in which case nothing has changed.
int read_table(const char* path, table_summary& summary);

// What the user is told after a table opened: the counts on the first line,
// then what was left out. summary_lines gives the rows that matched nothing
// (the first hundred, unless all are asked for) and the counties without a
// row, one line each (none when there are none).
std::string summary_text(const table_summary& summary);
std::vector<std::string> summary_lines(const table_summary& summary, bool all = false);

// True when the file's first line is the header "Export CSV.." writes (the
// 26 titles): such a file imports as a record CSV file, not as a table.
bool has_record_header(const char* path);

// ---- Field catalogue and height scale -------------------------------------

constexpr const char* CATALOGUE_PATH = "./data/ui/karto04.ui";
constexpr int HEIGHT_SCALE_ENTRIES = 6;  // "1:1" .. "100000:1"

// Default Height Scale entry of each field, from the catalogue or the table
// shown; 0 until read.
extern int8_t field_scale_index[FIELD_COUNT];

// The Demographic list's labels, in field order: the catalogue's, or the
// titles of the table whose figures are shown (then table_fields is true).
extern std::vector<std::string> field_labels;
extern bool table_fields;

// Remembers labels and field_scale_index as the catalogue's, and shows them.
void set_catalogue_fields(const std::vector<std::string>& labels);
// The catalogue's labels and scales again, after a record file or CSV import.
void restore_catalogue_fields();

// The Height Scale entry (0..5) at which the tallest of the counties' values
// of field k stands no higher than 500 scene units; 5 when none does.
int fitting_scale_entry(int field);

// Reads the catalogue: one label per line into labels (in field order) and the
// line's default entry into field_scale_index. Returns 0 when the file cannot
// be opened (nothing changes, nothing is shown: the caller reports).
int read_catalogue(const char* path, std::vector<std::string>& labels);

// Sets height_scale from Height Scale entry (negative: the active field's
// default) and shows the entry as the Height Scale list's selection (no
// selection for an entry outside 0..5, which leaves height_scale as it is).
// It does not rebuild the scene.
void set_height_scale(int entry);

// Where set_height_scale shows its entry: the GIS panel installs its list here.
using scale_list_fn = void (*)(int entry);
void set_height_scale_list(scale_list_fn fn);

// Copies the active field of records 0..253 into the county values and that of
// record 254 into state_value.
void apply_field();

// ---- Classes and ranks by value ----------------------------------------------
//
// Reading the figures at a glance: the counties that have a value (a finite
// number; NaN is "no value") split into classes of nearly equal counts, each
// with its colour, and ranked from the highest value down. Both work on the
// values of one field, county i's at index i.

constexpr int MAX_CLASSES = 7;

struct rgb8 {
    uint8_t r, g, b;
    bool operator==(const rgb8&) const = default;
};

// ColorBrewer's sequential YlOrRd for seven classes, light (low) to dark (high).
extern const rgb8 CLASS_PALETTE[MAX_CLASSES];

struct value_classes {
    int count = 0;                     // classes, 0..7; 0 when no county has a value
    float low[MAX_CLASSES] = {};       // least value in each class
    float high[MAX_CLASSES] = {};      // greatest value in each class
    int members[MAX_CLASSES] = {};     // counties in each class
    int8_t of_county[COUNTY_COUNT];    // class of each county, -1 for no value
    int no_value = 0;                  // counties without a value
};

// Splits the counties with a value into min(7, distinct values) classes of
// ascending values. Equal values share a class; the class boundaries fall on
// changes of value as near as they can to the equal-count places j * n / k.
void classify_values(const float values[COUNTY_COUNT], value_classes& out);

// Colour of class j (0-based) of k: entry round(j * 6 / (k - 1)) of the
// palette, the middle one for a single class.
rgb8 class_colour(int j, int k);

struct county_ranking {
    int16_t order[COUNTY_COUNT];  // counties, highest value first, those without a value last
    int rank[COUNTY_COUNT];       // 1-based place of county i among those with a value; 0 for none
    int ranked = 0;               // counties with a value
};

// Ranks the counties by value. Equal values share the better place and keep
// county order among themselves.
void rank_counties(const float values[COUNTY_COUNT], county_ranking& out);

// A value as the county report writes it: "%.2f" in the C locale whatever the
// desktop's language, "n/a" for no value.
std::string report_number(float value);

// The values of field k of records 0..253 (NaN for a field beyond the record's).
void field_values(int field, float values[COUNTY_COUNT]);
