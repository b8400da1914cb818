// A county table of any bytes: read_table either refuses it, saying why and
// changing nothing, or fills the county records and the field labels whole.
#include <cstring>

#include "data/data.h"
#include "fuzz_file.h"

namespace {

// What a refused table must leave as it was.
struct shown_data {
    data_rec records[STATE_INDEX + 1];
    std::vector<std::string> labels;
    int8_t scales[FIELD_COUNT];
    int record_count;
    bool from_table;

    void take() {
        std::memcpy(records, record_table, sizeof records);
        labels = field_labels;
        std::memcpy(scales, field_scale_index, sizeof scales);
        record_count = app_state.record_count;
        from_table = table_fields;
    }
    bool same() const {
        return std::memcmp(records, record_table, sizeof records) == 0 && labels == field_labels &&
               std::memcmp(scales, field_scale_index, sizeof scales) == 0 && record_count == app_state.record_count &&
               from_table == table_fields;
    }
};

shown_data before;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = write_fuzz_input(data, size, ".csv");
    before.take();
    table_summary summary;
    summary.error = "left from before";  // the reader starts every summary afresh
    const int result = read_table(path, summary);
    if (result == 0) {
        if (summary.error.empty() || summary.error == "left from before") std::abort();
        if (!before.same()) std::abort();
        return 0;
    }
    if (result != 1 || !summary.error.empty()) std::abort();
    if (app_state.record_count != STATE_INDEX + 1) std::abort();
    if (field_labels.empty() || field_labels.size() > FIELD_COUNT || !table_fields) std::abort();
    for (const std::string& label : field_labels)
        if (label.empty()) std::abort();
    for (int k = 0; k < FIELD_COUNT; ++k)
        if (field_scale_index[k] < 0 || field_scale_index[k] >= HEIGHT_SCALE_ENTRIES) std::abort();
    for (int i = 0; i <= STATE_INDEX; ++i)
        if (record_table[i].name[31] != 0) std::abort();
    if (summary.counties < 0 || summary.counties + static_cast<int>(summary.missing.size()) != COUNTY_COUNT)
        std::abort();
    for (int i : summary.missing)
        if (i < 0 || i >= COUNTY_COUNT) std::abort();
    // what the viewer then tells the user
    if (summary_text(summary).empty()) std::abort();
    summary_lines(summary);
    app_state.active_field = static_cast<int16_t>(field_labels.size() - 1);
    apply_field();
    return 0;
}
