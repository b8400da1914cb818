// The main window, its menu and its commands with the real Qt widgets on the
// test display: messages and real input events in, dialogs answered from a
// script, then the state, the files written, the messages shown and the pixels
// of the view checked.
//
// Every test starts the program afresh (app_start: a new window, context,
// scene and menu over cleared tables) and quits it again at its end, so tests
// run alone or all in one process alike.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QOpenGLWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <GL/gl.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <set>

#include "app/app.h"
#include "data/data.h"
#include "image/file_dialog.h"
#include "image/image.h"
#include "platform/modal.h"
#include "platform/surface.h"
#include "scene/scene.h"
#include "test_util.h"

namespace {

const std::string SOURCE_DIR = PLEXAR_SOURCE_DIR;
const std::string SAMPLE_DAT = SOURCE_DIR + "/data/sample/texas.dat";
const std::string SAMPLE_CSV = SOURCE_DIR + "/data/sample/texas.csv";
constexpr int SAMPLE_RECORDS = 255;

// ---- What the program did: presents, dialogs, questions -------------------

int presents = 0;
present_fn window_present = nullptr;  // the window layer's own, chained to

// Called for the first present of a start-up: the frame as drawn, and the size
// the view had then.
std::function<void()> on_first_present;

void counting_present() {
    ++presents;
    if (on_first_present) {
        auto once = std::move(on_first_present);
        on_first_present = nullptr;
        once();
    }
    window_present();
}

struct dialog_call {
    bool save;
    std::string folder;
    std::string extension;
};
std::vector<dialog_call> dialog_calls;
std::deque<std::optional<std::string>> dialog_answers;  // nullopt cancels; none left cancels too
std::function<void()> while_dialog_open;

bool scripted_dialog(bool save, const std::string& folder, const std::string& extension, std::string& chosen) {
    dialog_calls.push_back({save, folder, extension});
    if (while_dialog_open) while_dialog_open();
    if (dialog_answers.empty()) return false;
    std::optional<std::string> answer = dialog_answers.front();
    dialog_answers.pop_front();
    if (!answer) return false;
    chosen = *answer;
    return true;
}

std::vector<std::string> questions;
bool question_answer = false;

bool scripted_question(const char* text, const char*) {
    questions.emplace_back(text);
    return question_answer;
}

using message_list = std::vector<std::pair<std::string, std::string>>;

// ---- The toolkit and the widgets ---------------------------------------------

void start_toolkit() {
    static bool started = false;
    if (started) return;
    started = true;
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    std::string why;
    ASSERT_TRUE(platform_start(argc, argv, &why)) << why << " (run under xvfb-run, as ./scripts/test does)";
    window_present = set_present_handler(counting_present);
}

QMainWindow* main_frame() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<QMainWindow*>(w); frame && frame->isVisible()) return frame;
    return nullptr;
}

QOpenGLWidget* view_widget() {
    QMainWindow* frame = main_frame();
    return frame ? qobject_cast<QOpenGLWidget*>(frame->centralWidget()) : nullptr;
}

int device_pixels(QWidget* w, int logical) { return static_cast<int>(logical * w->devicePixelRatioF() + 0.5); }

QAction* menu_entry(const QString& menu, const QString& entry) {
    QMainWindow* frame = main_frame();
    if (!frame) return nullptr;
    for (QAction* top : frame->menuBar()->actions()) {
        if (top->text() != menu || !top->menu()) continue;
        for (QAction* a : top->menu()->actions())
            if (a->text() == entry) return a;
    }
    return nullptr;
}

// Runs the message loop to its end; a loop that no quit ends is stopped after
// a few seconds and reported.
int run_loop_to_quit(bool* timed_out) {
    *timed_out = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [timed_out] {
        *timed_out = true;
        QCoreApplication::exit(-1);
    });
    watchdog.start(5000);
    return run_message_loop();
}

// ---- Files and pictures ------------------------------------------------------

// The sample record file decoded here, independently of read_records: 132-byte
// records, a 32-byte name then 25 little-endian floats.
std::vector<data_rec> sample_records() {
    std::string bytes = test::read_file(SAMPLE_DAT);
    std::vector<data_rec> records(bytes.size() / RECORD_SIZE);
    for (size_t i = 0; i < records.size(); ++i) {
        const unsigned char* r = reinterpret_cast<const unsigned char*>(bytes.data()) + i * RECORD_SIZE;
        std::memcpy(records[i].name, r, 32);
        records[i].name[31] = '\0';
        for (int k = 0; k < FIELD_COUNT; ++k) {
            const unsigned char* v = r + 32 + 4 * k;
            uint32_t bits = v[0] | v[1] << 8 | v[2] << 16 | uint32_t(v[3]) << 24;
            records[i].values[k] = std::bit_cast<float>(bits);
        }
    }
    return records;
}

// The sample CSV decoded here: a title line, then name and 25 numbers per line.
std::vector<data_rec> sample_csv_records() {
    std::string text = test::read_file(SAMPLE_CSV);
    std::vector<data_rec> records;
    size_t line_start = text.find("\r\n") + 2;  // past the titles
    while (line_start < text.size()) {
        size_t line_end = text.find("\r\n", line_start);
        std::string line = text.substr(line_start, line_end - line_start);
        line_start = line_end + 2;
        data_rec r{};
        size_t comma = line.find(',');
        std::strncpy(r.name, line.substr(0, comma).c_str(), 31);
        const char* p = line.data() + comma + 1;
        for (int k = 0; k < FIELD_COUNT; ++k) {
            auto [end, ec] = std::from_chars(p, line.data() + line.size(), r.values[k]);
            EXPECT_EQ(ec, std::errc()) << line;
            p = end + 1;
        }
        records.push_back(r);
    }
    return records;
}

bool same_records(const std::vector<data_rec>& expected) {
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::strcmp(record_table[i].name, expected[i].name) != 0) return false;
        for (int k = 0; k < FIELD_COUNT; ++k)
            if (std::bit_cast<uint32_t>(record_table[i].values[k]) != std::bit_cast<uint32_t>(expected[i].values[k]))
                return false;
    }
    return true;
}

std::vector<unsigned char> record_table_bytes() {
    const auto* p = reinterpret_cast<const unsigned char*>(record_table);
    return std::vector<unsigned char>(p, p + sizeof record_table);
}

std::vector<float> county_values() {
    std::vector<float> values;
    for (int i = 0; i < COUNTY_COUNT; ++i) values.push_back(county_table[i].value);
    values.push_back(app_state.state_value);
    return values;
}

std::vector<float> field_values(const std::vector<data_rec>& records, int field) {
    std::vector<float> values;
    for (int i = 0; i <= COUNTY_COUNT; ++i) values.push_back(records[i].values[field]);
    return values;
}

struct rgb {
    int r, g, b;
};

struct frame_picture {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;  // bottom-up rows, as read back
    rgb at(int x, int y) const {
        const unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

// The frame just drawn, read back with the view's context current.
frame_picture read_view() {
    make_current(app_state.main_context);
    rgb_image image{};
    frame_picture picture;
    if (!read_frame(&image)) return picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.pixels.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 3);
    image_free(&image);
    return picture;
}

bool is_background(rgb c) {
    return std::abs(c.r - 160) <= 1 && std::abs(c.g - 160) <= 1 && std::abs(c.b - 160) <= 1;
}

int difference(rgb a, rgb b) { return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}); }

// Where a point of the map (x, y in map units, z a bar height) shows in the
// frame when the camera looks straight down from view_distance onto
// view_center: eye depth distance - 4 z, a frustum of half-height 1 at the
// near plane 4. Rows counted from the bottom, as read back.
std::pair<double, double> straight_down(double x, double y, double z, int width, int height) {
    double depth = app_state.view_distance - 4.0 * z;
    double aspect = double(width) / height;
    double ndc_x = 4.0 * (x - app_state.view_center.x) / (aspect * depth);
    double ndc_y = 4.0 * (y - app_state.view_center.y) / depth;
    return {(ndc_x + 1.0) / 2.0 * width, (ndc_y + 1.0) / 2.0 * height};
}

// The program's state a command must leave alone when it has nothing to do.
auto state_fields() {
    const app_state_rec& s = app_state;
    return std::make_tuple(s.view_distance, s.view_center.x, s.view_center.y, s.view_center.z, s.view_yaw,
                           s.view_tilt, s.height_scale, s.active_field, s.selected_county, s.nav_action,
                           s.record_count, s.state_value, s.win_width, s.win_height, s.mouse_x, s.mouse_y);
}

// A locale in effect for a scope: the German desktop writes a decimal comma.
class locale_scope {
public:
    explicit locale_scope(const char* name) : old_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~locale_scope() { std::setlocale(LC_ALL, old_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string old_;
    bool ok_;
};

// ---- The fixture: a fresh start of the program for every test ---------------

class Viewer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        start_toolkit();
        // the program reads ./data, wherever the tests are started from
        ASSERT_TRUE(set_current_directory(SOURCE_DIR));
    }

    void SetUp() override {
        ASSERT_NE(window_present, nullptr) << "the toolkit did not start";
        reset_app_state();
        std::fill(std::begin(record_table), std::end(record_table), data_rec{});
        for (int i = 0; i <= COUNTY_COUNT; ++i) county_table[i].selected = 0;
        clear_values();
        dialog_calls.clear();
        dialog_answers.clear();
        while_dialog_open = nullptr;
        questions.clear();
        question_answer = false;
        previous_dialog_ = set_file_dialog_handler(scripted_dialog);
        previous_question_ = set_question_handler(scripted_question);
        start_directory_ = current_directory();

        on_first_present = [this] {
            first_frame_ = read_view();
            first_width_ = app_state.win_width;
            first_height_ = app_state.win_height;
            if (QOpenGLWidget* view = view_widget())
                first_view_size_ = {device_pixels(view, view->width()), device_pixels(view, view->height())};
        };
        presents = 0;
        messages_.emplace();  // from the start: start-up must not show any
        ASSERT_TRUE(app_start());
        startup_presents_ = presents;
        on_first_present = nullptr;

        // Let the window settle: shown, the menu bar laid out, its size reported.
        QMainWindow* frame = main_frame();
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        QOpenGLWidget* view = view_widget();
        ASSERT_NE(view, nullptr);
        bool settled = QTest::qWaitFor([&] {
            return frame->menuBar()->isVisible() && app_state.win_width == device_pixels(view, view->width()) &&
                   app_state.win_height == device_pixels(view, view->height());
        }, 2000);
        EXPECT_TRUE(settled) << "the view's size never reached the program";
        QCoreApplication::processEvents();
        presents = 0;
    }

    void TearDown() override {
        if (!loop_ended_) {
            if (window_visible(app_state.main_window)) quit_app();
            bool timed_out;
            run_loop_to_quit(&timed_out);
        }
        // the windows of this run go now, before the next run's window exists
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        messages_.reset();
        set_file_dialog_handler(previous_dialog_);
        set_question_handler(previous_question_);
        set_current_directory(start_directory_);
    }

    const message_list& messages() const { return messages_->messages(); }

    void command(unsigned id) { send_message(app_state.main_window, WM_COMMAND, id, 0); }

    // "Load Data.." of the sample file, as a user would.
    void load_sample() {
        dialog_answers.push_back(SAMPLE_DAT);
        command(CMD_LOAD_DATA);
        ASSERT_EQ(app_state.record_count, SAMPLE_RECORDS);
        test::shown_messages().clear();
        dialog_calls.clear();
        presents = 0;
    }

    int end_run(bool* timed_out) {
        loop_ended_ = true;
        return run_loop_to_quit(timed_out);
    }

    frame_picture first_frame_;
    int first_width_ = -1, first_height_ = -1;
    std::pair<int, int> first_view_size_{-2, -2};
    int startup_presents_ = 0;
    std::string start_directory_;

private:
    std::optional<test::message_recorder> messages_;
    file_dialog_fn previous_dialog_ = nullptr;
    question_fn previous_question_ = nullptr;
    bool loop_ended_ = false;
};

// ---- Start-up ------------------------------------------------------------------

TEST_F(Viewer, StartsWithItsTitleAndTheMenuBarInOrder) {
    QMainWindow* frame = main_frame();
    EXPECT_EQ(frame->windowTitle(), QString("Plexar 1.0c"));
    EXPECT_TRUE(window_visible(app_state.main_window));
    EXPECT_NE(app_state.main_context, nullptr);

    const std::vector<std::pair<QString, QStringList>> expected = {
        {"File",
         {"Load Data..", "Save Data..", "Import CSV..", "Export CSV..", "Save Snapshot..", "Print..", "Quit"}},
        {"Location", {"Default Location", "Saved Location"}},
        {"Query", {"Default Query", "Saved Query"}},
        {"Panel", {"Show GIS Panel", "Show Query Panel", "Show Info Panel"}},
        {"Help", {"About.."}},
    };
    QList<QAction*> bar = frame->menuBar()->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(bar[i]->text(), expected[i].first);
        ASSERT_NE(bar[i]->menu(), nullptr) << expected[i].first.toStdString();
        QStringList entries;
        for (QAction* a : bar[i]->menu()->actions()) {
            entries << a->text();
            // plain entries: no separators, all enabled, no check marks, no shortcuts
            EXPECT_FALSE(a->isSeparator());
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
            EXPECT_FALSE(a->isCheckable()) << a->text().toStdString();
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
        }
        EXPECT_EQ(entries, expected[i].second) << expected[i].first.toStdString();
    }
    // nothing was shown or asked on the way up
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(dialog_calls.empty());
}

TEST_F(Viewer, TheFirstFrameHasTheViewsSizeAndShowsTheMapOnGrey) {
    // the size message reached the program before the first frame was drawn
    EXPECT_GE(startup_presents_, 1);
    EXPECT_GT(first_width_, 0);
    EXPECT_EQ(first_width_, first_view_size_.first);
    EXPECT_EQ(first_height_, first_view_size_.second);
    ASSERT_EQ(first_frame_.width, first_width_);
    ASSERT_EQ(first_frame_.height, first_height_);

    const frame_picture& f = first_frame_;
    for (auto [x, y] : {std::pair{0, 0}, {f.width - 1, 0}, {0, f.height - 1}, {f.width - 1, f.height - 1}}) {
        rgb c = f.at(x, y);
        EXPECT_TRUE(is_background(c)) << "corner " << x << "," << y << ": " << c.r << " " << c.g << " " << c.b;
    }
    rgb middle = f.at(f.width / 2, f.height / 2);
    EXPECT_FALSE(is_background(middle)) << middle.r << " " << middle.g << " " << middle.b;

    // and the settled window reports the view's size after the menu bar took its place
    QOpenGLWidget* view = view_widget();
    EXPECT_EQ(view, main_frame()->centralWidget());
    EXPECT_EQ(app_state.win_width, device_pixels(view, view->width()));
    EXPECT_EQ(app_state.win_height, device_pixels(view, view->height()));
    EXPECT_LT(app_state.win_height, MAIN_HEIGHT);

    // the scene is drawn with depth testing: the view has a depth buffer
    make_current(app_state.main_context);
    GLint depth_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    EXPECT_GE(depth_bits, 24);
}

// ---- Window messages and input ----------------------------------------------------

TEST_F(Viewer, SizeStoresWithoutDrawingPaintAndKeyReleaseDrawOnce) {
    send_message(app_state.main_window, WM_SIZE, 0, make_lparam(640, 480));
    EXPECT_EQ(app_state.win_width, 640);
    EXPECT_EQ(app_state.win_height, 480);
    EXPECT_EQ(presents, 0);
    // a minimised window reports 0 by 0, stored as it comes
    send_message(app_state.main_window, WM_SIZE, 0, make_lparam(0, 0));
    EXPECT_EQ(app_state.win_width, 0);
    EXPECT_EQ(app_state.win_height, 0);
    EXPECT_EQ(presents, 0);
    QOpenGLWidget* view = view_widget();
    send_message(app_state.main_window, WM_SIZE, 0,
                 make_lparam(device_pixels(view, view->width()), device_pixels(view, view->height())));
    EXPECT_EQ(presents, 0);

    send_message(app_state.main_window, WM_PAINT, 0, 0);
    EXPECT_EQ(presents, 1);

    // real key events on the view: only the release draws
    presents = 0;
    QTest::keyPress(view, Qt::Key_A);
    EXPECT_EQ(presents, 0);
    QTest::keyRelease(view, Qt::Key_A);
    EXPECT_EQ(presents, 1);
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(presents, 2);

    // the wheel does not zoom, nor draw
    presents = 0;
    QPointF at(view->width() / 2.0, view->height() / 2.0);
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_EQ(presents, 0);
    EXPECT_EQ(app_state.view_distance, 2850.0f);
    EXPECT_TRUE(messages().empty());
}

// Counts the paints the toolkit delivers to a widget.
class paint_counter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(Viewer, EveryPaintOfTheViewDrawsOneFrame) {
    QOpenGLWidget* view = view_widget();
    paint_counter counter;
    view->installEventFilter(&counter);
    view->update();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 2000));
    QCoreApplication::processEvents();
    view->removeEventFilter(&counter);
    EXPECT_EQ(presents, counter.paints);
}

// ---- Commands -------------------------------------------------------------------

// Ids with no command of their own only redraw: one frame, no message, no
// dialog, nothing changed.
void expect_only_redraw(unsigned long id, const std::string& start_directory) {
    SCOPED_TRACE("command id " + std::to_string(id));
    auto before = state_fields();
    std::vector<float> values = county_values();
    std::vector<unsigned char> records = record_table_bytes();
    std::string folder = dialog_folder();
    presents = 0;
    send_message(app_state.main_window, WM_COMMAND, id, 0);
    EXPECT_EQ(presents, 1);
    EXPECT_TRUE(test::shown_messages().empty());
    EXPECT_TRUE(dialog_calls.empty());
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(state_fields() == before);
    EXPECT_EQ(county_values(), values);
    EXPECT_TRUE(record_table_bytes() == records);
    EXPECT_EQ(dialog_folder(), folder);
    EXPECT_EQ(current_directory(), start_directory);
    EXPECT_TRUE(window_visible(app_state.main_window));
}

TEST_F(Viewer, IdsWithoutACommandOnlyRedraw) {
    load_sample();  // so that a stray load, rebuild or reset would show
    app_state.view_center = {300.0f, 400.0f, 0.0f};
    app_state.view_distance = 1500.0f;
    app_state.active_field = 7;
    app_state.selected_county = 12;
    std::vector<unsigned long> ids = {0, 5, 9, 13, 22, 42, 43, 100, 1000, 0xFFFF};
    for (unsigned long id = 15; id <= 20; ++id) ids.push_back(id);
    for (unsigned long id = 23; id <= 40; ++id) ids.push_back(id);
    for (unsigned long id : ids) expect_only_redraw(id, start_directory_);
    // the high word carries a notification code and is not part of the id
    expect_only_redraw((1ul << 16) | 22, start_directory_);
    expect_only_redraw((1ul << 16) | 0, start_directory_);
    expect_only_redraw((0xABCDul << 16) | 9, start_directory_);
}

// About, snapshot, printing and the panels are not built yet: until they are,
// their entries only redraw.
TEST_F(Viewer, EntriesNotYetBuiltOnlyRedraw) {
    for (unsigned long id : {6, 7, 8, 11, 12, 14}) expect_only_redraw(id, start_directory_);
    // and through the real menu entries
    for (auto [menu, entry] : {std::pair{"File", "Save Snapshot.."}, {"File", "Print.."}, {"Panel", "Show GIS Panel"},
                               {"Panel", "Show Query Panel"}, {"Panel", "Show Info Panel"}, {"Help", "About.."}}) {
        QAction* action = menu_entry(menu, entry);
        ASSERT_NE(action, nullptr) << entry;
        presents = 0;
        action->trigger();
        EXPECT_EQ(presents, 1) << entry;
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(dialog_calls.empty());
}

TEST_F(Viewer, HighWordIsIgnoredForRealCommandsToo) {
    app_state.view_center = {10.0f, 20.0f, 0.0f};
    send_message(app_state.main_window, WM_COMMAND, (1u << 16) | CMD_DEFAULT_LOCATION, 0);
    EXPECT_EQ(app_state.view_center.x, 941.0f);
    EXPECT_EQ(app_state.view_center.y, 694.0f);
    send_message(app_state.main_window, WM_COMMAND, (3u << 16) | CMD_LOAD_DATA, 0);
    ASSERT_EQ(dialog_calls.size(), 1u);
    EXPECT_FALSE(dialog_calls[0].save);
    EXPECT_EQ(dialog_calls[0].extension, ".dat");
}

TEST_F(Viewer, DefaultLocationMovesOnlyTheLookAtPoint) {
    app_state.view_center = {120.5f, 1300.0f, 0.0f};
    app_state.view_distance = 900.0f;
    app_state.view_tilt = 35.0f;
    app_state.view_yaw = -120.0f;
    QAction* action = menu_entry("Location", "Default Location");
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_EQ(app_state.view_center.x, 941.0f);
    EXPECT_EQ(app_state.view_center.y, 694.0f);
    EXPECT_EQ(app_state.view_center.z, 0.0f);
    EXPECT_EQ(app_state.view_distance, 900.0f);
    EXPECT_EQ(app_state.view_tilt, 35.0f);
    EXPECT_EQ(app_state.view_yaw, -120.0f);
    EXPECT_EQ(presents, 1);
    EXPECT_TRUE(messages().empty());

    // "Saved Location" stores nothing to go back to
    app_state.view_center = {500.0f, 600.0f, 0.0f};
    action = menu_entry("Location", "Saved Location");
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_EQ(app_state.view_center.x, 500.0f);
    EXPECT_EQ(app_state.view_center.y, 600.0f);
}

TEST_F(Viewer, DefaultQueryShowsFieldZeroAndKeepsTheSelection) {
    load_sample();
    std::vector<data_rec> sample = sample_records();
    // as the Query panel leaves things after choosing field 5 and county 17
    app_state.active_field = 5;
    app_state.selected_county = 17;
    county_table[17].selected = 1;
    build_scene();
    ASSERT_EQ(county_values(), field_values(sample, 5));
    app_state.view_center = {700.0f, 800.0f, 0.0f};
    presents = 0;

    QAction* action = menu_entry("Query", "Default Query");
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_EQ(app_state.active_field, 0);
    EXPECT_EQ(app_state.selected_county, 17);
    EXPECT_EQ(county_table[17].selected, 1);
    EXPECT_EQ(county_values(), field_values(sample, 0));  // the scene was rebuilt with field 0
    EXPECT_EQ(app_state.view_center.x, 700.0f);           // the view stays
    EXPECT_EQ(presents, 2);                               // the rebuild's frame, then the closing one
    EXPECT_TRUE(messages().empty());

    // "Saved Query" recalls nothing
    app_state.active_field = 3;
    action = menu_entry("Query", "Saved Query");
    ASSERT_NE(action, nullptr);
    action->trigger();
    EXPECT_EQ(app_state.active_field, 3);
}

// ---- Loading and importing ------------------------------------------------------

TEST_F(Viewer, LoadDataFillsTheTableAndRaisesTheBars) {
    std::vector<data_rec> sample = sample_records();
    ASSERT_EQ(sample.size(), static_cast<size_t>(SAMPLE_RECORDS));
    frame_picture before = read_view();

    dialog_answers.push_back(SAMPLE_DAT);
    QAction* action = menu_entry("File", "Load Data..");
    ASSERT_NE(action, nullptr);
    action->trigger();

    ASSERT_EQ(dialog_calls.size(), 1u);
    EXPECT_FALSE(dialog_calls[0].save);
    EXPECT_EQ(dialog_calls[0].extension, ".dat");
    EXPECT_EQ(dialog_calls[0].folder, start_directory_);
    EXPECT_EQ(messages(), (message_list{{"Load complete", "Info"}}));
    EXPECT_EQ(app_state.record_count, SAMPLE_RECORDS);
    EXPECT_TRUE(same_records(sample));
    EXPECT_STREQ(record_table[0].name, "Anderson");
    EXPECT_STREQ(record_table[STATE_INDEX].name, "TEXAS");
    // build_scene ran: the county values are field 0 of the records
    EXPECT_EQ(county_values(), field_values(sample, 0));
    EXPECT_EQ(presents, 2);  // the rebuild's frame, then the closing one

    // On screen: the tall bars away from the middle now show their sides
    // between the foot and the top, where the flat map was before.
    frame_picture after = read_view();
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    int bars = 0, changed = 0;
    for (int i = 0; i < COUNTY_COUNT; ++i) {
        float value = sample[i].values[0];
        double dx = county_table[i].x - 941.0, dy = county_table[i].y - 694.0;
        if (value < 50.0f || std::hypot(dx, dy) < 400.0) continue;
        auto foot = straight_down(county_table[i].x, county_table[i].y, 0.0, after.width, after.height);
        auto top = straight_down(county_table[i].x, county_table[i].y, value * app_state.height_scale, after.width,
                                 after.height);
        int x0 = static_cast<int>(std::min(foot.first, top.first)) - 2;
        int x1 = static_cast<int>(std::max(foot.first, top.first)) + 2;
        int y0 = static_cast<int>(std::min(foot.second, top.second)) - 2;
        int y1 = static_cast<int>(std::max(foot.second, top.second)) + 2;
        if (x0 < 0 || y0 < 0 || x1 >= after.width || y1 >= after.height) continue;
        ++bars;
        int differing = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) differing += difference(before.at(x, y), after.at(x, y)) > 24;
        changed += differing >= 5;
    }
    EXPECT_GE(bars, 50);
    EXPECT_GE(changed, bars * 9 / 10) << changed << " of " << bars << " tall bars show on screen";
    // the background around the map stays as it was
    EXPECT_TRUE(is_background(after.at(0, 0)));
    EXPECT_TRUE(is_background(after.at(after.width - 1, after.height - 1)));
}

TEST_F(Viewer, ImportCsvFillsTheTableFromTheSampleCsv) {
    std::vector<data_rec> expected = sample_csv_records();
    ASSERT_EQ(expected.size(), static_cast<size_t>(SAMPLE_RECORDS));
    dialog_answers.push_back(SAMPLE_CSV);
    command(CMD_IMPORT_CSV);
    ASSERT_EQ(dialog_calls.size(), 1u);
    EXPECT_FALSE(dialog_calls[0].save);
    EXPECT_EQ(dialog_calls[0].extension, ".csv");
    EXPECT_EQ(messages(), (message_list{{"Import complete", "Info"}}));
    EXPECT_EQ(app_state.record_count, SAMPLE_RECORDS);
    EXPECT_TRUE(same_records(expected));
    EXPECT_STREQ(record_table[COUNTY_COUNT - 1].name, expected[COUNTY_COUNT - 1].name);
    EXPECT_EQ(county_values(), field_values(expected, 0));
    EXPECT_EQ(presents, 2);
}

struct load_case {
    unsigned id;
    const char* extension;
    const char* open_failure;
    const char* failure;
};

void PrintTo(const load_case& c, std::ostream* os) { *os << c.extension; }

class LoadFailure : public Viewer, public ::testing::WithParamInterface<load_case> {};

TEST_P(LoadFailure, AMissingFileIsReportedTwiceAndChangesNothing) {
    const load_case& c = GetParam();
    load_sample();
    // a probe: were the scene rebuilt, the values would become field 3's
    app_state.active_field = 3;
    std::vector<unsigned char> records = record_table_bytes();
    std::vector<float> values = county_values();
    test::scratch_dir dir;

    dialog_answers.push_back(dir / (std::string("missing") + c.extension));
    command(c.id);
    EXPECT_EQ(messages(), (message_list{{c.open_failure, "ERROR"}, {c.failure, "Error"}}));
    EXPECT_TRUE(record_table_bytes() == records);
    EXPECT_EQ(app_state.record_count, SAMPLE_RECORDS);
    EXPECT_EQ(county_values(), values);
    EXPECT_EQ(presents, 1);  // only the closing redraw

    // cancelled: not a word, nothing changed
    test::shown_messages().clear();
    presents = 0;
    dialog_answers.push_back(std::nullopt);
    command(c.id);
    EXPECT_EQ(dialog_calls.size(), 2u);
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(record_table_bytes() == records);
    EXPECT_EQ(county_values(), values);
    EXPECT_EQ(presents, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LoadFailure,
    ::testing::Values(load_case{CMD_LOAD_DATA, ".dat", "read_records(): fopen error", "Can't load data file!"},
                      load_case{CMD_IMPORT_CSV, ".csv", "read_csv(): fopen error", "Can't import CSV file!"}),
    [](const auto& info) { return info.param.id == CMD_LOAD_DATA ? "LoadData" : "ImportCsv"; });

// ---- Exporting and saving ---------------------------------------------------------

TEST_F(Viewer, ExportAndSaveWriteTheSampleFilesByteForByte) {
    load_sample();
    test::scratch_dir dir;

    dialog_answers.push_back(dir / "out");
    command(CMD_EXPORT_CSV);
    ASSERT_EQ(dialog_calls.size(), 1u);
    EXPECT_TRUE(dialog_calls[0].save);
    EXPECT_EQ(dialog_calls[0].extension, ".csv");
    EXPECT_EQ(messages(), (message_list{{"Export complete", "Info"}}));
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_EQ(test::read_file(dir / "out.csv"), test::read_file(SAMPLE_CSV));
    EXPECT_EQ(presents, 1);

    test::shown_messages().clear();
    dialog_answers.push_back(dir / "saved");
    QAction* save = menu_entry("File", "Save Data..");
    ASSERT_NE(save, nullptr);
    save->trigger();
    ASSERT_EQ(dialog_calls.size(), 2u);
    EXPECT_TRUE(dialog_calls[1].save);
    EXPECT_EQ(dialog_calls[1].extension, ".dat");
    EXPECT_EQ(messages(), (message_list{{"Save complete", "Info"}}));
    EXPECT_EQ(test::read_file(dir / "saved.dat"), test::read_file(SAMPLE_DAT));

    // both leave the record table as it was
    EXPECT_TRUE(same_records(sample_records()));
}

TEST_F(Viewer, ExportAndSaveIntoAMissingFolderSayTheyFailed) {
    load_sample();
    test::scratch_dir dir;
    dialog_answers.push_back(dir / "no such folder/out.csv");
    command(CMD_EXPORT_CSV);
    dialog_answers.push_back(dir / "no such folder/out.dat");
    command(CMD_SAVE_DATA);
    EXPECT_EQ(messages(), (message_list{{"Can't export CSV file!", "Error"}, {"Can't save data file!", "Error"}}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(app_state.record_count, SAMPLE_RECORDS);
    EXPECT_EQ(presents, 2);
}

TEST_F(Viewer, ExportUnderAGermanLocaleStillWritesDecimalPoints) {
    load_sample();
    record_table[0].values[0] = 0.5f;
    test::scratch_dir dir;
    {
        locale_scope german("de_DE.UTF-8");
        if (!german.ok()) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (./scripts/test makes it)";
        char probe[32];
        std::snprintf(probe, sizeof probe, "%f", 0.5);
        ASSERT_STREQ(probe, "0,500000");  // the locale really writes a decimal comma

        dialog_answers.push_back(dir / "german");
        command(CMD_EXPORT_CSV);
        std::string csv = test::read_file(dir / "german.csv");
        size_t line = csv.find("\r\nAnderson,");
        ASSERT_NE(line, std::string::npos);
        EXPECT_EQ(csv.compare(line + 11, 9, "0.500000,"), 0) << csv.substr(line, 80);

        // apart from that value, the sample's own CSV, byte for byte; and it reads back the same
        record_table[0].values[0] = sample_records()[0].values[0];
        dialog_answers.push_back(dir / "sample");
        command(CMD_EXPORT_CSV);
        EXPECT_EQ(test::read_file(dir / "sample.csv"), test::read_file(SAMPLE_CSV));
        dialog_answers.push_back(SAMPLE_CSV);
        command(CMD_IMPORT_CSV);
        EXPECT_TRUE(same_records(sample_csv_records()));
    }
    EXPECT_EQ(messages(),
              (message_list{{"Export complete", "Info"}, {"Export complete", "Info"}, {"Import complete", "Info"}}));
}

// ---- The file dialogs -----------------------------------------------------------------

TEST_F(Viewer, EachFileEntryAsksForItsKindOfFile) {
    const std::vector<std::tuple<const char*, bool, const char*>> entries = {
        {"Load Data..", false, ".dat"}, {"Save Data..", true, ".dat"},
        {"Import CSV..", false, ".csv"}, {"Export CSV..", true, ".csv"}};
    for (auto [entry, save, extension] : entries) {
        dialog_calls.clear();
        presents = 0;
        QAction* action = menu_entry("File", entry);
        ASSERT_NE(action, nullptr) << entry;
        action->trigger();  // cancelled
        ASSERT_EQ(dialog_calls.size(), 1u) << entry;
        EXPECT_EQ(dialog_calls[0].save, save) << entry;
        EXPECT_EQ(dialog_calls[0].extension, extension) << entry;
        EXPECT_EQ(presents, 1) << entry;
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(app_state.record_count, 0);
}

TEST_F(Viewer, DialogsOpenInTheFolderOfTheLastChoice) {
    test::scratch_dir first, second;
    std::filesystem::copy_file(SAMPLE_DAT, first / "texas.dat");
    std::filesystem::copy_file(SAMPLE_CSV, second / "texas.csv");
    // a real dialog may leave the process in the folder it browsed
    std::string browsed = first.path().string();
    while_dialog_open = [&] { set_current_directory(browsed); };

    dialog_answers.push_back(first / "texas.dat");
    command(CMD_LOAD_DATA);
    EXPECT_EQ(current_directory(), start_directory_);  // back where the program started
    EXPECT_EQ(app_state.record_count, SAMPLE_RECORDS);

    // the save dialog opens there, with a trailing slash; cancelled, it changes nothing
    dialog_answers.push_back(std::nullopt);
    command(CMD_EXPORT_CSV);
    dialog_answers.push_back(second / "texas.csv");
    command(CMD_IMPORT_CSV);
    EXPECT_EQ(current_directory(), start_directory_);
    browsed = second.path().string();
    dialog_answers.push_back(second / "copy");
    command(CMD_SAVE_DATA);
    EXPECT_EQ(current_directory(), start_directory_);
    dialog_answers.push_back(std::nullopt);
    command(CMD_LOAD_DATA);

    ASSERT_EQ(dialog_calls.size(), 5u);
    EXPECT_EQ(dialog_calls[0].folder, start_directory_);
    EXPECT_EQ(dialog_calls[1].folder, first.path().string() + "/");
    EXPECT_EQ(dialog_calls[2].folder, first.path().string() + "/");
    EXPECT_EQ(dialog_calls[3].folder, second.path().string() + "/");
    EXPECT_EQ(dialog_calls[4].folder, second.path().string() + "/");
    EXPECT_TRUE(std::filesystem::exists(second / "copy.dat"));
    EXPECT_EQ(messages(),
              (message_list{{"Load complete", "Info"}, {"Import complete", "Info"}, {"Save complete", "Info"}}));
}

TEST_F(Viewer, SavedNamesEndWithTheExtensionExactly) {
    load_sample();
    test::scratch_dir dir;
    for (const char* name : {"view", "view.csv", "view.CSV", "view.csv.txt"}) {
        dialog_answers.push_back(dir / name);
        command(CMD_EXPORT_CSV);
    }
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"view.csv", "view.CSV.csv", "view.csv.txt.csv"}));
    EXPECT_EQ(test::read_file(dir / "view.CSV.csv"), test::read_file(SAMPLE_CSV));
    // "view.csv" the second time replaced the file "view" had made: the
    // dialog itself asked about that name, so no question here
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(messages().size(), 4u);
}

TEST_F(Viewer, ReplacingTheFileOfTheAppendedNameIsAskedFirst) {
    load_sample();
    test::scratch_dir dir;
    test::write_file(dir / "out.csv", "old");

    question_answer = false;
    dialog_answers.push_back(dir / "out");
    command(CMD_EXPORT_CSV);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("out.csv"), std::string::npos) << questions[0];
    EXPECT_EQ(test::read_file(dir / "out.csv"), "old");
    EXPECT_TRUE(messages().empty());  // a "no" is a cancel
    EXPECT_EQ(presents, 1);
    // and, like a cancel, it leaves the folder of the next dialog alone
    dialog_answers.push_back(std::nullopt);
    command(CMD_EXPORT_CSV);
    EXPECT_EQ(dialog_calls.back().folder, SOURCE_DIR + "/data/sample/");

    question_answer = true;
    dialog_answers.push_back(dir / "out");
    command(CMD_EXPORT_CSV);
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(test::read_file(dir / "out.csv"), test::read_file(SAMPLE_CSV));
    EXPECT_EQ(messages(), (message_list{{"Export complete", "Info"}}));

    // a new name asks nothing
    dialog_answers.push_back(dir / "new");
    command(CMD_SAVE_DATA);
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(test::read_file(dir / "new.dat"), test::read_file(SAMPLE_DAT));
}

// ---- Ending the run ---------------------------------------------------------------

TEST_F(Viewer, QuitEndsTheRunWithCodeZeroAndDrawsNothingMore) {
    QAction* quit = menu_entry("File", "Quit");
    ASSERT_NE(quit, nullptr);
    QMainWindow* frame = main_frame();
    quit->trigger();
    EXPECT_EQ(presents, 0);
    EXPECT_FALSE(window_visible(app_state.main_window));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(app_state.main_context, nullptr);

    // nothing reaches the program's procedure after its window is gone
    send_message(app_state.main_window, WM_PAINT, 0, 0);
    send_message(app_state.main_window, WM_COMMAND, CMD_DEFAULT_QUERY, 0);
    EXPECT_EQ(presents, 0);

    bool timed_out;
    EXPECT_EQ(end_run(&timed_out), 0);
    EXPECT_FALSE(timed_out) << "no quit was posted";
    EXPECT_EQ(presents, 0);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Viewer, QuitByMessageEndsTheRunWithCodeZero) {
    command(CMD_QUIT);
    EXPECT_EQ(presents, 0);
    EXPECT_FALSE(window_visible(app_state.main_window));
    bool timed_out;
    EXPECT_EQ(end_run(&timed_out), 0);
    EXPECT_FALSE(timed_out) << "no quit was posted";
}

TEST_F(Viewer, ClosingTheWindowEndsTheRunWithCodeZero) {
    QMainWindow* frame = main_frame();
    frame->close();  // as the close box does
    EXPECT_FALSE(window_visible(app_state.main_window));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(presents, 0);
    bool timed_out;
    EXPECT_EQ(end_run(&timed_out), 0);
    EXPECT_FALSE(timed_out) << "no quit was posted";
    EXPECT_TRUE(messages().empty());
}

}  // namespace
