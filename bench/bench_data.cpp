// Loading and exporting a full data set: what "Load Data..", "Import CSV.." and
// "Export CSV.." cost a user.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "data/data.h"

namespace {

std::string scratch_file(const char* name) {
    static std::string dir = [] {
        char templ[] = "/tmp/plexar-bench-XXXXXX";
        return std::string(mkdtemp(templ));
    }();
    return dir + "/" + name;
}

// 255 records of values with all their digits, as real figures have.
void fill_table() {
    for (int i = 0; i < 255; ++i) {
        std::memcpy(record_table[i].name, county_table[i].name, 32);
        for (int k = 0; k < FIELD_COUNT; ++k) record_table[i].values[k] = float(i * 1013 + k * 7919) / 37.0f;
    }
    app_state.record_count = 255;
}

void BM_ExportCsv(benchmark::State& state) {
    fill_table();
    std::string path = scratch_file("export.csv");
    for (auto _ : state) benchmark::DoNotOptimize(write_csv(path.c_str()));
}

void BM_ImportCsv(benchmark::State& state) {
    fill_table();
    std::string path = scratch_file("import.csv");
    write_csv(path.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(read_csv(path.c_str()));
    if (app_state.record_count != 255) state.SkipWithError("import lost records");
}

void BM_LoadRecords(benchmark::State& state) {
    fill_table();
    std::string path = scratch_file("load.dat");
    write_records(path.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(read_records(path.c_str()));
    if (app_state.record_count != 255) state.SkipWithError("load lost records");
}

void BM_SaveRecords(benchmark::State& state) {
    fill_table();
    std::string path = scratch_file("save.dat");
    for (auto _ : state) benchmark::DoNotOptimize(write_records(path.c_str()));
}

}  // namespace

BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadRecords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveRecords)->Unit(benchmark::kMicrosecond);
