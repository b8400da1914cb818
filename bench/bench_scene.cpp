// What a user feels in the 3D view at 1024 x 768: a frame read back (as a
// snapshot reads it), a scene rebuild, a pick. Mesa renders with worker
// threads, so the GL figures are wall-clock time.
#include <benchmark/benchmark.h>

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/data.h"
#include "image/image.h"
#include "interact/pick.h"
#include "platform/offscreen.h"
#include "scene/scene.h"

namespace {

constexpr int WIDTH = 1024, HEIGHT = 768;

// One context for the whole run, started as the viewer starts (map, sample
// data, field 0 at its default scale), looking at the map from an angle so
// that the bars' sides fill part of the frame.
struct view {
    offscreen_surface* surface = nullptr;
    std::vector<unsigned char> pixels;  // a frame's worth, allocated once
};

view* the_view() {
    static view v = [] {
        view v;
        std::string why;
        if (::chdir(PLEXAR_SOURCE_DIR) != 0) return v;  // the map is read from ./data
        v.surface = offscreen_open(WIDTH, HEIGHT, &why);
        if (!v.surface) {
            std::fprintf(stderr, "no offscreen context: %s\n", why.c_str());
            return v;
        }
        read_records("./data/sample/texas.dat");
        std::vector<std::string> labels;
        read_catalogue(CATALOGUE_PATH, labels);
        set_height_scale(-1);
        app_state.view_tilt = 45.0f;
        app_state.view_yaw = 30.0f;
        set_projection(WIDTH, HEIGHT);
        init_scene();
        v.pixels.resize(std::size_t(WIDTH) * HEIGHT * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        return v;
    }();
    return v.surface ? &v : nullptr;
}

void read_back(view* v) {
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, v->pixels.data());
    benchmark::DoNotOptimize(v->pixels.data());
}

void frame_and_read_back(benchmark::State& state) {
    view* v = the_view();
    if (!v) return state.SkipWithError("no OpenGL context");
    for (auto _ : state) {
        draw_frame();
        present_frame();
        read_back(v);
    }
}
BENCHMARK(frame_and_read_back)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor under the figure above: no geometry, the same read-back.
void clear_and_read_back(benchmark::State& state) {
    view* v = the_view();
    if (!v) return state.SkipWithError("no OpenGL context");
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        read_back(v);
    }
    build_scene();  // the next benchmark starts from a drawn frame
}
BENCHMARK(clear_and_read_back)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument 1: colour by value on (bars tinted, the legend over the view).
void colour(benchmark::State& state) {
    app_state.colour_by_value = state.range(0) != 0;
    build_scene();
}

// A frame as the 125 ms timer draws it, finished but not read back.
void frame(benchmark::State& state) {
    if (!the_view()) return state.SkipWithError("no OpenGL context");
    colour(state);
    for (auto _ : state) {
        draw_frame();
        present_frame();
    }
}
BENCHMARK(frame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Values copied in, both lists compiled, then a frame drawn and finished:
// what a click on a county costs.
void rebuild_scene(benchmark::State& state) {
    if (!the_view()) return state.SkipWithError("no OpenGL context");
    colour(state);
    for (auto _ : state) build_scene();
}
BENCHMARK(rebuild_scene)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A change of field: the field's scale, the values, the lists (and with
// colours the classes and the legend's picture, made anew), a frame.
void change_field(benchmark::State& state) {
    if (!the_view()) return state.SkipWithError("no OpenGL context");
    colour(state);
    int16_t field = 0;
    for (auto _ : state) {
        app_state.active_field = field = int16_t((field + 1) % 12);
        set_height_scale(-1);
        build_scene();
    }
    app_state.active_field = 0;
    app_state.colour_by_value = false;
    set_height_scale(-1);
    build_scene();
}
BENCHMARK(change_field)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The lists alone, from the county values as they stand.
void compile_lists(benchmark::State& state) {
    if (!the_view()) return state.SkipWithError("no OpenGL context");
    for (auto _ : state) compile_scene_lists();
    glFinish();
}
BENCHMARK(compile_lists)->Unit(benchmark::kMicrosecond);

// A click: the inverse view read back from GL and 254 plane tests, at pixels
// over the map (hits) and beside it (misses).
void pick(benchmark::State& state) {
    if (!the_view()) return state.SkipWithError("no OpenGL context");
    const int xs[] = {512, 300, 700, 100, 900, 20};
    const int ys[] = {384, 200, 600, 500, 300, 20};
    int i = 0, hits = 0;
    for (auto _ : state) {
        int16_t county = -1;
        hits += pick_county(xs[i], ys[i], &county);
        benchmark::DoNotOptimize(county);
        i = (i + 1) % 6;
    }
    state.counters["hit_share"] = benchmark::Counter(double(hits) / state.iterations());
}
BENCHMARK(pick)->Unit(benchmark::kMicrosecond);

}  // namespace
