#include "data/data.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> labels;
    if (read_catalogue(write_fuzz_input(data, size, ".ui"), labels) != 1) std::abort();
    if (labels.size() > FIELD_COUNT) std::abort();
    app_state.active_field = static_cast<int16_t>(labels.empty() ? 0 : labels.size() - 1);
    set_height_scale(-1);
    apply_field();
    return 0;
}
