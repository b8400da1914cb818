// A county table of any bytes: read_table either refuses it, saying why and
// changing nothing, or fills the county records and the field labels whole.
#include <algorithm>
#include <tuple>
#include <vector>

#include "data/data.h"
#include "fuzz_file.h"

namespace {

// What a refused table must leave as it was: the records' bytes, the labels, the scales, where they came from.
auto shown_data() {
    const auto* records = reinterpret_cast<const char*>(record_table);
    return std::tuple(std::vector<char>(records, records + sizeof(data_rec) * (STATE_INDEX + 1)), field_labels,
                      std::vector<int8_t>(field_scale_index, field_scale_index + FIELD_COUNT), app_state.record_count,
                      table_fields);
}

bool outside(int value, int end) { return value < 0 || value >= end; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = write_fuzz_input(data, size, ".csv");
    const auto before = shown_data();
    table_summary summary;
    summary.error = "left from before";  // the reader starts every summary afresh
    const int result = read_table(path, summary);
    if (result == 0) {
        if (summary.error.empty() || summary.error == "left from before" || shown_data() != before) std::abort();
        return 0;
    }
    if (result != 1 || !summary.error.empty() || app_state.record_count != STATE_INDEX + 1) std::abort();
    if (field_labels.empty() || field_labels.size() > FIELD_COUNT || !table_fields) std::abort();
    if (std::ranges::any_of(field_labels, [](const std::string& label) { return label.empty(); })) std::abort();
    if (std::ranges::any_of(field_scale_index, [](int8_t s) { return outside(s, HEIGHT_SCALE_ENTRIES); })) std::abort();
    if (std::any_of(record_table, record_table + STATE_INDEX + 1, [](const data_rec& r) { return r.name[31] != 0; }))
        std::abort();
    if (summary.counties < 0 || summary.counties + static_cast<int>(summary.missing.size()) != COUNTY_COUNT)
        std::abort();
    if (std::ranges::any_of(summary.missing, [](int i) { return outside(i, COUNTY_COUNT); })) std::abort();
    // what the viewer then tells the user
    if (summary_text(summary).empty()) std::abort();
    summary_lines(summary);
    app_state.active_field = static_cast<int16_t>(field_labels.size() - 1);
    apply_field();
    return 0;
}
