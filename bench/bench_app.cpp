// What a user waits for in the viewer, on a real display:
//
// - start-up to the first frame, drawn and on the window (once per process:
//   the toolkit starts once), and the resident memory once the window has
//   settled, to compare with bench_qt_empty, an empty Qt OpenGL window
//   measured the same way;
// - "Load Data.." of the sample file up to its "Load complete" message, with
//   the dialogs answered at once so that no waiting on them is measured;
// - "Open Table.." of a national county table (3,143 counties, 30 columns,
//   about 1 MB, written at start; bench/national_table.h) over the sample:
//   read, matched, the panels refreshed, the scene rebuilt, drawn and on the
//   window; with the rebuilds, frames drawn and compositions of each open;
// - a warm start-up: window, context, scene, menu and tool windows again in a
//   process whose toolkit is already running;
// - a county report as a user feels it: the pick, the rebuild, the report
//   appended to an Info panel that already holds its 198 lines, and the frame
//   on the window;
// - a field chosen in the Demographic list to the frame on the window, with
//   the Ranking panel closed and open;
// - a drag move (Ctrl and the right button: the view turns) to the frame on
//   the window, a panel moved over the map, and a snapshot's capture of the
//   view; the compositions of the window each frame and each move takes;
// - an A4 page printed to a PDF file at the PDF printer's own resolution: the
//   time, and the resident memory it takes at its peak above the idle size;
// - the processor time the viewer takes while idle, its frame timer drawing
//   eight frames a second behind the panels.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build-release/bench_app
//   build-release/bench_app --startup-only                             (one line, for bench/startup.sh)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QOpenGLWidget>
#include <QTimer>

#include <GL/gl.h>

#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app.h"
#include "image/snapshot.h"
#include "interact/pick.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/printer.h"
#include "platform/qt_layer.h"
#include "res/resource.h"
#include "bench_startup.h"
#include "national_table.h"
#include "data/data.h"
#include "platform/modal.h"
#include "platform/surface.h"
#include "scene/scene.h"

// Every rebuild of the scene (lists compiled, a frame drawn and presented)
// that the program's commands and panels ask for: the link wraps build_scene
// (CMakeLists.txt), so the rebuilds of a command can be counted.
unsigned long scene_builds = 0;
extern "C" void __real__Z11build_scenev();
extern "C" void __wrap__Z11build_scenev() {
    ++scene_builds;
    __real__Z11build_scenev();
}

namespace {

const std::string SAMPLE_DAT = PLEXAR_SOURCE_DIR "/data/sample/texas.dat";

present_fn window_present = nullptr;
bench::stopwatch* watch = nullptr;  // running until the next present
double first_present_ms = -1.0;
double first_shown_ms = -1.0;   // with from_main: the first frame on the window
const bench::stopwatch* from_main = nullptr;

QOpenGLWidget* the_view() { return qobject_cast<QOpenGLWidget*>(client_area(app_state.main_window)); }

long compositions = 0;  // of the window, as the view reports them

void count_compositions() {
    QObject::connect(the_view(), &QOpenGLWidget::frameSwapped, [] { ++compositions; });
}

void timed_present() {
    if (watch && watch == from_main) {
        // the start-up's first present: note when the toolkit puts it on the window
        static QMetaObject::Connection shown;
        if (QOpenGLWidget* view = the_view())
            shown = QObject::connect(view, &QOpenGLWidget::frameSwapped, [] {
                first_shown_ms = from_main->ms();
                QObject::disconnect(shown);
                QCoreApplication::exit(0);
            });
    }
    window_present();
    if (watch) {
        first_present_ms = watch->ms();
        watch = nullptr;
    }
}

// Lets the toolkit finish what showing the window started (layout, expose).
void settle(int ms) {
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    stop.start(ms);
    QApplication::exec();
}

bool answer_sample(bool, const std::string&, const std::string&, std::string& chosen, std::string&) {
    chosen = SAMPLE_DAT;
    return true;
}

void load_sample_quietly() {
    set_file_dialog_handler(answer_sample);
    message_fn old = set_message_handler([](const char*, const char*) {});
    send_message(app_state.main_window, WM_COMMAND, CMD_LOAD_DATA, 0);
    set_message_handler(old);
    set_file_dialog_handler(nullptr);
}

bench::stopwatch* load_watch = nullptr;
double load_ms = 0.0;

void stop_at_message(const char* text, const char*) {
    if (load_watch && std::strcmp(text, "Load complete") == 0) load_ms = load_watch->ms();
    load_watch = nullptr;
}

void BM_LoadDataToLoadComplete(benchmark::State& state) {
    set_file_dialog_handler(answer_sample);
    message_fn old = set_message_handler(stop_at_message);
    for (auto _ : state) {
        bench::stopwatch w;
        load_watch = &w;
        load_ms = -1.0;
        send_message(app_state.main_window, WM_COMMAND, CMD_LOAD_DATA, 0);
        if (load_ms < 0) {
            state.SkipWithError("no \"Load complete\"");
            break;
        }
        state.SetIterationTime(load_ms / 1000.0);
    }
    set_message_handler(old);
    set_file_dialog_handler(nullptr);
}

std::string table_path;
bench::stopwatch* open_watch = nullptr;
double to_message_ms = 0.0;
std::string open_caption, open_text;

bool answer_table(bool, const std::string&, const std::string&, std::string& chosen, std::string&) {
    chosen = table_path;
    return true;
}

void note_open_message(const char* text, const char* caption) {
    if (open_watch) to_message_ms = open_watch->ms();
    open_watch = nullptr;
    open_caption = caption;
    open_text = text;
}

// "Open Table.." of the national table as a user gives it, over the sample
// (so that the labels change, as on a user's first open): the command to its
// frame composed on the window. The summary's message box is answered at once;
// "to_message_ms" is the part up to it, the frame already presented.
void BM_OpenNationalTable(benchmark::State& state) {
    table_path = (std::filesystem::temp_directory_path() /
                  ("plexar-bench-national-" + std::to_string(getpid()) + ".csv")).string();
    const std::size_t bytes = bench::write_national_table(table_path);
    if (bytes == 0) {
        state.SkipWithError("cannot write the table");
        return;
    }
    unsigned long builds = 0, drawn = 0;
    long composed = 0;
    double message_ms = 0.0;
    for (auto _ : state) {
        load_sample_quietly();
        QCoreApplication::processEvents();
        set_file_dialog_handler(answer_table);
        message_fn old = set_message_handler(note_open_message);
        const unsigned long builds_before = scene_builds, drawn_before = frames_drawn();
        const long composed_before = compositions;
        open_caption.clear();
        bench::stopwatch w;
        open_watch = &w;
        send_message(app_state.main_window, WM_COMMAND, CMD_OPEN_TABLE, 0);
        QCoreApplication::processEvents();  // the toolkit puts the frame on the window
        state.SetIterationTime(w.ms() / 1000.0);
        set_message_handler(old);
        set_file_dialog_handler(nullptr);
        if (open_caption != "Info" || field_labels.size() != FIELD_COUNT) {
            state.SkipWithError(("the table did not open: " + open_text).c_str());
            break;
        }
        message_ms += to_message_ms;
        builds += scene_builds - builds_before;
        drawn += frames_drawn() - drawn_before;
        composed += compositions - composed_before;
    }
    const double n = double(state.iterations());
    state.counters["rebuilds_per_open"] = builds / n;
    state.counters["frames_drawn_per_open"] = drawn / n;
    state.counters["compositions_per_open"] = composed / n;
    state.counters["to_message_ms"] = message_ms / n;
    state.counters["MB"] = bytes / 1e6;
    std::filesystem::remove(table_path);
    load_sample_quietly();
}

void BM_WarmStartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        quit_app();
        run_message_loop();  // the quit is posted already: returns at once
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        reset_app_state();
        bench::stopwatch w;
        watch = &w;
        if (!app_start()) {
            state.SkipWithError("no window");
            break;
        }
        state.SetIterationTime(first_present_ms / 1000.0);  // drawn, in the warm toolkit
    }
}

// A frame on the window, drawn and presented, against a bare clear presented
// the same way (the sample loaded; straight down, then turned and tilted;
// then, with a second argument of 1, turned by 3 degrees to and fro, so that
// every frame differs from the one before, as while the view moves; with a
// third argument of 1, the bars coloured by value and the legend drawn). The
// toolkit composes the window when control returns to the event loop, as it
// does after every handler, so each iteration lets it run once.
void BM_FrameOnWindow(benchmark::State& state) {
    set_file_dialog_handler(answer_sample);
    message_fn old = set_message_handler([](const char*, const char*) {});
    send_message(app_state.main_window, WM_COMMAND, CMD_LOAD_DATA, 0);
    set_message_handler(old);
    set_file_dialog_handler(nullptr);
    app_state.view_tilt = static_cast<float>(state.range(0));
    app_state.view_yaw = static_cast<float>(state.range(0)) * 0.75f;
    const bool moving = state.range(1) != 0;
    if (state.range(2) != 0) send_message(app_state.main_window, WM_COMMAND, CMD_COLOUR_BY_VALUE, 0);
    const float yaw = app_state.view_yaw;
    int step = 0;
    const long composed_before = compositions;
    for (auto _ : state) {
        if (moving) app_state.view_yaw = yaw + ((step++ & 1) ? 0.0f : 3.0f);
        frame_outdated();  // a frame drawn in full, not the one the view already holds
        // as the frame timer and paints draw: the message makes the view's
        // context current again (composing the window made the toolkit's own
        // context current), then the window procedure draws and presents
        send_message(app_state.main_window, WM_PAINT, 0, 0);
        QCoreApplication::processEvents();
    }
    state.counters["compositions_per_frame"] = double(compositions - composed_before) / double(state.iterations());
    state.counters["width"] = app_state.win_width;
    state.counters["height"] = app_state.win_height;
    app_state.view_tilt = app_state.view_yaw = 0.0f;
    if (app_state.colour_by_value) send_message(app_state.main_window, WM_COMMAND, CMD_COLOUR_BY_VALUE, 0);
}

void BM_CountyReport(benchmark::State& state) {
    load_sample_quietly();
    for (int16_t i = 0; edit_line_count(app_state.info_panel, IDC_INFO_TEXT) < 198; ++i) select_county(i % COUNTY_COUNT);
    const int x = app_state.win_width / 2, y = app_state.win_height / 2;
    for (auto _ : state) {
        make_current(app_state.main_context);  // as the click's message does
        int16_t hit = 100;
        pick_county(x, y, &hit);
        app_state.selected_county = hit;
        select_county(app_state.selected_county);
        QCoreApplication::processEvents();
    }
    state.counters["info_lines"] = edit_line_count(app_state.info_panel, IDC_INFO_TEXT);
    select_county(-1);
}

// A field chosen in the Demographic list, to the frame on the window: the
// height scale, the rebuild and what the panels show of the field. With a
// first argument of 1 the Ranking panel is open and ranks the counties again;
// with a second, the bars are coloured by value and the legend made anew.
void BM_FieldChange(benchmark::State& state) {
    load_sample_quietly();
    const bool ranking = state.range(0) != 0 && app_state.ranking_panel;
    if (ranking) send_message(app_state.main_window, WM_COMMAND, CMD_SHOW_RANKING_PANEL, 0);
    if (state.range(1) != 0) send_message(app_state.main_window, WM_COMMAND, CMD_COLOUR_BY_VALUE, 0);
    settle(200);
    int step = 0;
    const long composed_before = compositions;
    for (auto _ : state) {
        list_select(app_state.query_panel, IDC_DEMOGRAPHIC, (step++ & 1) ? 5 : 11);  // as a click selects it
        make_current(app_state.main_context);  // as the click's message does
        query_panel_command(app_state.query_panel, make_command(IDC_DEMOGRAPHIC, LBN_SELCHANGE));
        QCoreApplication::processEvents();
    }
    state.counters["compositions_per_change"] = double(compositions - composed_before) / double(state.iterations());
    state.counters["ranking_open"] = ranking && window_visible(app_state.ranking_panel);
    if (ranking) hide_window(app_state.ranking_panel);
    if (app_state.colour_by_value) send_message(app_state.main_window, WM_COMMAND, CMD_COLOUR_BY_VALUE, 0);
}

void BM_DragMove(benchmark::State& state) {
    load_sample_quietly();
    const unsigned turn = MK_RBUTTON | MK_CONTROL;
    send_message(app_state.main_window, WM_RBUTTONDOWN, turn, make_lparam(400, 300));
    int step = 0;
    const unsigned long frames_before = frames_drawn();
    for (auto _ : state) {
        const int x = 400 + ((step++ & 1) ? 0 : 3);  // to and fro: the view turns three degrees and back
        send_message(app_state.main_window, WM_MOUSEMOVE, turn, make_lparam(x, 300));
        QCoreApplication::processEvents();
    }
    state.counters["frames_per_move"] = double(frames_drawn() - frames_before) / double(state.iterations());
    send_message(app_state.main_window, WM_RBUTTONUP, 0, make_lparam(400, 300));
    app_state.view_yaw = 0.0f;
}

// A panel dragged over the map by a few pixels at a time, as its caption
// moves it: the window composed again around it, the map not drawn again.
void BM_PanelMove(benchmark::State& state) {
    load_sample_quietly();
    QWidget* panel = app_state.query_panel->widget;
    const QPoint home = panel->pos();
    int step = 0;
    const unsigned long frames_before = frames_drawn();
    const long composed_before = compositions;
    for (auto _ : state) {
        panel->move(home + QPoint((step & 1) ? 0 : -3, (step & 1) ? 0 : 2));
        ++step;
        QCoreApplication::processEvents();
    }
    state.counters["frames_per_move"] = double(frames_drawn() - frames_before) / double(state.iterations());
    state.counters["compositions_per_move"] = double(compositions - composed_before) / double(state.iterations());
    panel->move(home);
}

void BM_SnapshotCapture(benchmark::State& state) {
    load_sample_quietly();
    for (auto _ : state) {
        frame_outdated();  // the frame drawn in full, as after any change of the view
        make_current(app_state.main_context);  // as the command's message does
        rgb_image picture{};
        capture_view(&picture);
        benchmark::DoNotOptimize(picture.pixels);
        image_free(&picture);
        QCoreApplication::processEvents();
    }
}

std::string print_target;
pl_printer* pdf_target(pl_window*) { return pdf_printer(print_target); }

// One page, as "Print.." prints it once the dialog is answered (without the
// command's 251 ms wait), on A4 at 1200 dots an inch.
void BM_PrintA4ToPdf(benchmark::State& state) {
    load_sample_quietly();
    print_target = (std::filesystem::temp_directory_path() / "plexar-bench-print.pdf").string();
    set_print_dialog_handler(pdf_target);
    for (auto _ : state) {
        state.PauseTiming();
        settle(300);
        const long idle_kb = bench::status_kb("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
        state.ResumeTiming();
        rgb_image picture{};
        capture_view(&picture);
        if (printer_begin(app_state.main_window)) print_image(&picture);
        image_free(&picture);
        state.PauseTiming();
        state.counters["peak_above_idle_MB"] = (bench::status_kb("VmHWM") - idle_kb) / 1024.0;
        // what the page leaves behind once it is out (the first page also
        // sets up the print machinery for good)
        state.counters["kept_after_MB"] = (bench::status_kb("VmRSS") - idle_kb) / 1024.0;
        state.counters["pdf_MB"] = std::filesystem::file_size(print_target) / 1e6;
        state.ResumeTiming();
    }
    std::filesystem::remove(print_target);
    set_print_dialog_handler(nullptr);
    install_print_dialog();
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The viewer left alone for a few seconds with its panels shown: the share of
// one core it takes, while the frame timer redraws eight times a second.
void BM_IdleCpu(benchmark::State& state) {
    for (pl_window* p : {app_state.gis_panel, app_state.query_panel, app_state.info_panel}) show_window(p);
    for (auto _ : state) {
        double cpu = cpu_seconds();
        bench::stopwatch wall;
        settle(4000);
        state.counters["cpu_percent"] = 100.0 * (cpu_seconds() - cpu) / (wall.ms() / 1000.0);
        state.SetIterationTime(wall.ms() / 1000.0);
    }
}

void BM_ClearOnWindow(benchmark::State& state) {
    for (auto _ : state) {
        make_current(app_state.main_context);  // as every message does before the program draws
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        frame_drawn();
        present_frame();
        QCoreApplication::processEvents();
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::stopwatch clock;
    from_main = &clock;
    watch = &clock;
    set_current_directory(PLEXAR_SOURCE_DIR);  // the program reads ./data
    std::string why;
    if (!platform_start(argc, argv, &why)) {
        std::fprintf(stderr, "bench_app: %s\n", why.c_str());
        return 1;
    }
    window_present = set_present_handler(timed_present);
    if (!app_start()) return 1;
    if (first_shown_ms < 0) {
        QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
        QApplication::exec();
    }
    double from_process = bench::ms_since_process_start() - (clock.ms() - first_shown_ms);
    settle(500);
    bench::report("plexar", first_present_ms, first_shown_ms, from_process, bench::status_kb("VmRSS"),
                  bench::status_kb("VmHWM"));

    bool startup_only = argc > 1 && std::strcmp(argv[1], "--startup-only") == 0;
    if (!startup_only) {
        count_compositions();
        benchmark::RegisterBenchmark("LoadDataToLoadComplete", BM_LoadDataToLoadComplete)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("OpenNationalTable", BM_OpenNationalTable)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("FrameOnWindow", BM_FrameOnWindow)->Args({0, 0, 0})->Args({45, 0, 0})
            ->Args({45, 0, 1})->Args({0, 1, 0})
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("ClearOnWindow", BM_ClearOnWindow)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("CountyReport", BM_CountyReport)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("FieldChange", BM_FieldChange)->Args({0, 0})->Args({1, 1})
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("DragMove", BM_DragMove)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("PanelMove", BM_PanelMove)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("SnapshotCapture", BM_SnapshotCapture)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("PrintA4ToPdf", BM_PrintA4ToPdf)->Iterations(3)->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("IdleCpu", BM_IdleCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WarmStartToFirstFrame", BM_WarmStartToFirstFrame)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    quit_app();
    return run_message_loop();
}
