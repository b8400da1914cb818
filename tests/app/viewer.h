// The viewer started afresh for each test, with the real Qt widgets: frames
// presented are counted, dialogs answered from a script, messages recorded.
#pragma once

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <optional>

#include "app/app.h"
#include "data/data.h"
#include "image/image.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/qt_layer.h"
#include "platform/surface.h"
#include "res/resource.h"
#include "scene/scene.h"
#include "test_util.h"

namespace viewer_test {

inline const std::string SAMPLE_DIR = PLEXAR_SOURCE_DIR "/data/sample/", SAMPLE = SAMPLE_DIR + "texas";  // .dat, .csv

// Frames presented (a start-up's first kept), dialogs run, questions asked (and answered no).
// Dialog n answers answers[n] ("" or none cancels); a choice leaves the process in "/", as a real dialog may.
inline int presents = 0; inline present_fn window_present = nullptr; inline rgb_image first_frame{};
inline std::vector<std::string> answers, dialogs, questions;

inline void counting_present() { (++presents, first_frame.pixels) || read_frame(&first_frame), window_present(); }

inline bool scripted_dialog(bool save, const std::string& folder, const std::string& extension, std::string& chosen,
                            std::string&) {  // no filter chosen: the first
    chosen = dialogs.size() < answers.size() ? answers[dialogs.size()] : "";
    dialogs.push_back((save ? "save " : "open ") + extension + " " + folder);
    return !chosen.empty() && set_current_directory("/");
}

inline bool holds_sample() {  // the table holds the sample's .dat, byte for byte
    return test::read_file(SAMPLE + ".dat") == std::string((const char*)record_table, 255 * sizeof(data_rec));
}
inline bool bars_show_field(int k) { return county_table[100].value == record_table[100].values[k]; }
inline bool only_highlighted(int county) {  // the county alone is highlighted
    int highlighted = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i) highlighted += county_table[i].selected;
    return highlighted == 1 && county_table[county].selected;
}
inline constexpr float FACTORS[HEIGHT_SCALE_ENTRIES] = {1.0f, 0.1f, 0.01f, 0.001f, 0.0001f, 0.00001f};  // "1:1".. "100000:1"
inline std::string info_text() { return control_text(app_state.info_panel, IDC_INFO_TEXT); }
template <typename W = QWidget>
W* widget(pl_window* window, unsigned id) {  // a control of a panel, as its kind of widget
    auto* w = qobject_cast<W*>(window->controls.at(id).data());
    EXPECT_TRUE(w) << "no control " << id;
    return w;
}
inline std::vector<std::string> list_lines(pl_window* panel, unsigned id) {  // a list's entries, top to bottom
    std::vector<std::string> all(list_count(panel, id));
    for (int i = 0; i < int(all.size()); ++i) EXPECT_TRUE(list_text(panel, id, i, all[i])) << i;
    return all;
}

class Viewer : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1; static char name[] = "test_gui", *argv[] = {name, nullptr};
        static bool started = platform_start(argc, argv, nullptr) && set_current_directory(PLEXAR_SOURCE_DIR) &&
                              (window_present = set_present_handler(counting_present));  // the program reads ./data
        ASSERT_TRUE(started) << "no display: run under xvfb-run";
        recorder.emplace(), reset_app_state(), clear_values();  // after the toolkit installed its own message boxes
        for (county_rec& c : county_table) c.selected = 0;  // no highlight left from the test before
        std::memset(record_table, 0, sizeof record_table), answers.clear(), dialogs.clear(), questions.clear();
        image_free(&first_frame), set_file_dialog_handler(scripted_dialog), start_dir = current_directory();
        set_question_handler([](const char* text, const char*) { return questions.emplace_back(text), false; });
        setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);  // what the user saved is no test's business
        ASSERT_NO_FATAL_FAILURE(start());
        EXPECT_TRUE(QTest::qWaitFor([&] {  // settled: the menu bar laid out, the view's final size reported
            return frame->menuBar()->isVisible() && app_state.win_height == client_area(app_state.main_window)->height(); }));
        QCoreApplication::processEvents(), presents = 0;
    }

    void TearDown() override {
        if (!ended) window_visible(app_state.main_window) ? quit_app() : void(), end_run();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete), set_current_directory(start_dir);
    }

    void start() {  // the program started and its main window shown
        ASSERT_TRUE(app_start());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<QMainWindow*>(w); f && f->isVisible()) frame = f;
        ASSERT_TRUE(frame && QTest::qWaitForWindowExposed(frame));
    }

    int end_run() {  // the message loop to its end: the quit code posted, -1 when none came in time
        QObject watchdog; QTimer::singleShot(5000, &watchdog, [] { post_quit_message(-1); });
        return ended = true, run_message_loop();
    }

    void choose(const char* entry) {
        for (QAction* top : frame->menuBar()->actions())
            for (QAction* a : top->menu()->actions())
                if (a->text() == entry) return a->trigger();
        ADD_FAILURE() << "no menu entry " << entry;
    }

    void load_sample() {
        answers = {SAMPLE + ".dat"}, choose("Load Data.."), test::shown.clear(), dialogs.clear(), presents = 0;
        ASSERT_EQ(app_state.record_count, 255);
    }

    std::optional<test::message_recorder> recorder;
    test::scratch_dir config;  // the configuration folder of this test's runs
    test::scratch_dir dir;     // a folder for the test's own files
    QMainWindow* frame = nullptr; std::string start_dir; bool ended = false;
};

}  // namespace viewer_test
