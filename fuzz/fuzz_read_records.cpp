#include "data/data.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (read_records(write_fuzz_input(data, size, ".dat")) != 1) std::abort();
    if (app_state.record_count != static_cast<int>(std::min<size_t>(size / RECORD_SIZE, RECORD_CAPACITY))) std::abort();
    for (int i = 0; i < app_state.record_count; ++i)
        if (record_table[i].name[31] != 0) std::abort();
    return 0;
}
