// The data subsystem: the built-in county table, the record table and its
// files (.dat and CSV), the field catalogue and the height scale.
#pragma once

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

// ---- Field catalogue and height scale -------------------------------------

constexpr const char* CATALOGUE_PATH = "./data/ui/karto04.ui";
constexpr int HEIGHT_SCALE_ENTRIES = 6;  // "1:1" .. "100000:1"

// Default Height Scale entry of each field, from the catalogue; 0 until read.
extern int8_t field_scale_index[FIELD_COUNT];

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
