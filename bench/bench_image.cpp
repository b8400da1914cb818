// The map load at start-up, a snapshot save, and the resampling before a print.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/image.h"

namespace fs = std::filesystem;

namespace {

void fill(rgb_image* image) {
    uint32_t seed = 1;
    std::size_t n = static_cast<std::size_t>(image->width) * image->height * 3;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        image->pixels[i] = static_cast<unsigned char>(seed >> 24);
    }
}

// A folder of its own holding a map-sized picture and its file.
class map_files : public benchmark::Fixture {
public:
    fs::path dir;
    std::string map_path;
    rgb_image map{};

    void SetUp(const benchmark::State&) override {
        std::string pattern = (fs::temp_directory_path() / "plexar-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        map_path = (dir / "map.bmp").string();
        image_alloc(2048, 1024, 3, &map);
        fill(&map);
        save_bmp(map_path.c_str(), &map);
    }

    void TearDown(const benchmark::State&) override {
        image_free(&map);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

}  // namespace

BENCHMARK_DEFINE_F(map_files, load_bmp_2048x1024)(benchmark::State& state) {
    for (auto _ : state) {
        rgb_image image{};
        if (!load_bmp(map_path.c_str(), &image)) state.SkipWithError("load_bmp failed");
        benchmark::DoNotOptimize(image.pixels);
        image_free(&image);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(map_path)));
}
BENCHMARK_REGISTER_F(map_files, load_bmp_2048x1024)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(map_files, save_bmp_2048x1024)(benchmark::State& state) {
    std::string path = (dir / "shot.bmp").string();
    for (auto _ : state) {
        if (!save_bmp(path.c_str(), &map)) state.SkipWithError("save_bmp failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}
// Most of a save is waiting for the disk (the file is flushed before it
// replaces the old one), so wall time is what the user feels.
BENCHMARK_REGISTER_F(map_files, save_bmp_2048x1024)->Unit(benchmark::kMillisecond)->UseRealTime();

static void resample_800x600(benchmark::State& state) {
    rgb_image view{};
    image_alloc(800, 600, 3, &view);
    fill(&view);
    for (auto _ : state) {
        rgb_image texture{};
        if (!resample_pow2(&view, &texture)) state.SkipWithError("resample_pow2 failed");
        benchmark::DoNotOptimize(texture.pixels);
        image_free(&texture);
    }
    image_free(&view);
}
BENCHMARK(resample_800x600)->Unit(benchmark::kMillisecond);
