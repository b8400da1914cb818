// Loading and exporting a full data set: what "Load Data..", "Import CSV.." and
// "Export CSV.." cost a user; and the reading and matching of a national county
// table that "Open Table.." does before it draws (bench_app times the command).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/data.h"
#include "national_table.h"

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

// All 3,143 counties of the nation with 28 columns of figures, about 1 MB:
// read, its Texas rows matched, the rest left out, the fields filled.
void BM_ReadNationalTable(benchmark::State& state) {
    std::string path = scratch_file("national.csv");
    const std::size_t bytes = bench::write_national_table(path);
    if (bytes == 0) {
        state.SkipWithError("cannot write the table");
        return;
    }
    table_summary summary;
    for (auto _ : state) benchmark::DoNotOptimize(read_table(path.c_str(), summary));
    if (summary.counties != COUNTY_COUNT || !summary.state_row || !summary.unmatched.empty() ||
        summary.other_states != bench::NATIONAL_COUNTIES - COUNTY_COUNT || field_labels.size() != FIELD_COUNT)
        state.SkipWithError(("the table did not match: " + summary.error + summary_text(summary)).c_str());
    state.counters["MB"] = bytes / 1e6;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadRecords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveRecords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadNationalTable)->Unit(benchmark::kMillisecond);
