// The mouse on the map: picking and re-centring presses, zoom and turn drags,
// the wheel, as messages and as real mouse events on the running program.
#include <QWheelEvent>

#include "app/viewer.h"
#include "interact/gis_panel.h"
#include "interact/mouse.h"
#include "interact/pick.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "platform/qt_layer.h"
#include "platform/tool_window.h"
#include "res/resource.h"

namespace {

using namespace viewer_test;

const QPoint OFF_MAP(3, 3);  // the grey corner

class Mouse : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        load_sample();
        kill_timer(app_state.main_window, FRAME_TIMER);  // every frame counted is one the test caused
        view = client_area(app_state.main_window);
        QCoreApplication::processEvents(), presents = 0;
    }
    void send(unsigned message, unsigned flags, int x, int y) {
        send_message(app_state.main_window, message, flags, make_lparam(x, y));
    }
    void click(bool left, unsigned keys, QPoint at) {  // pressed and released in place
        send(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, (left ? MK_LBUTTON : MK_RBUTTON) | keys, at.x(), at.y());
        send(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, at.x(), at.y());
    }
    // A pixel of the view where county `want` (or any county, for -1) is picked.
    QPoint county_pixel(int want = -1) {
        for (int y = 20; y < app_state.win_height - 20; y += 7)
            for (int x = 20; x < app_state.win_width - 20; x += 7)
                if (int16_t hit = -1; pick_county(x, y, &hit) && (want < 0 || hit == want)) return {x, y};
        ADD_FAILURE() << "no pixel shows county " << want;
        return {};
    }
    void real(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {  // with Ctrl held
        QMouseEvent e(type, at, view->mapToGlobal(at), button, held, Qt::ControlModifier);
        QApplication::sendEvent(view, &e);
    }
    void wheel(int delta) {
        QPoint at(100, 100);
        QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    }
    QWidget* view = nullptr;
};

TEST_F(Mouse, ShiftDragZoomsCtrlDragTurnsTheLimitsHoldAfterEveryMoveAndALeftDragChangesAndDrawsNothing) {
    app_state_rec& s = app_state;
    const unsigned zoom = MK_RBUTTON | MK_SHIFT, turn = MK_RBUTTON | MK_CONTROL;
    // each move: the field set to `from` first (unless NaN), then the mouse moved to x, y; the field is then `to`
    struct move { float app_state_rec::*field; float from; unsigned flags; int x, y; float to; };
    auto drag = [&](std::initializer_list<move> moves) {
        send(WM_RBUTTONDOWN, moves.begin()->flags, 400, 300);
        for (const move& m : moves) {
            if (!std::isnan(m.from)) s.*m.field = m.from;
            send(WM_MOUSEMOVE, m.flags, m.x, m.y);
            EXPECT_EQ(s.*m.field, m.to) << m.x << ", " << m.y;
        }
        send(WM_RBUTTONUP, 0, 400, 300);
    };
    const auto D = &app_state_rec::view_distance, T = &app_state_rec::view_tilt, Y = &app_state_rec::view_yaw;
    drag({{D, NAN, zoom, 400, 330, 3150.0f}, {D, NAN, zoom, 400, 300, 2850.0f},
          {D, NAN, zoom | MK_CONTROL, 400, 310, 2950.0f},      // Shift wins over Ctrl
          {T, NAN, zoom, 400, 310, 0.0f}, {Y, NAN, zoom, 400, 310, 0.0f},
          {D, 150.0f, zoom, 400, 290, MIN_VIEW_DISTANCE},       // 20 up: 100, never -50
          {D, NAN, zoom, 400, 295, 150.0f}, {D, 99990.0f, zoom, 400, 395, MAX_VIEW_DISTANCE}});
    s.view_distance = 2850.0f;
    drag({{T, NAN, turn, 380, 290, 10.0f}, {Y, NAN, turn, 380, 290, 20.0f},  // 10 up and 20 left in one move
          {T, 85.0f, turn, 380, 280, 90.0f}, {T, -85.0f, turn, 380, 290, -90.0f},
          {T, NAN, turn, 380, 291, -90.0f},  // on the limit it stays, whatever the direction of the next move
          {Y, 175.0f, turn, 300, 291, 180.0f}, {Y, -175.0f, turn, 400, 291, -180.0f}});
    EXPECT_EQ(capture_window(), nullptr);

    // the right button alone only draws; moves with no button held are not tracked
    app_state_rec before = s;
    presents = 0;
    send(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, 500, 400);  // with Ctrl: no pick, no re-centring
    send(WM_MOUSEMOVE, MK_RBUTTON, 520, 420);
    send(WM_RBUTTONUP, 0, 520, 420);
    EXPECT_EQ(presents, 3);
    EXPECT_EQ(std::tuple(s.view_distance, s.view_tilt, s.view_yaw, s.view_center.x),
              std::tuple(before.view_distance, before.view_tilt, before.view_yaw, before.view_center.x));
    send(WM_MOUSEMOVE, 0, 10, 10);
    EXPECT_EQ(std::tuple(s.mouse_x, s.mouse_y, presents), std::tuple(int16_t(520), int16_t(420), 3));

    // a left drag, whatever the keys, only follows the mouse until it is let go
    send(WM_LBUTTONDOWN, MK_LBUTTON, OFF_MAP.x(), OFF_MAP.y());
    EXPECT_EQ(capture_window(), app_state.main_window);
    presents = 0, before = s;
    for (int i = 1; i <= 5; ++i)
        send(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT | MK_CONTROL, OFF_MAP.x() + 10 * i, OFF_MAP.y() + 7 * i);
    EXPECT_EQ(presents, 0);
    EXPECT_EQ(std::tuple(s.view_distance, s.view_tilt, s.mouse_x),
              std::tuple(before.view_distance, before.view_tilt, int16_t(OFF_MAP.x() + 50)));
    send(WM_LBUTTONUP, 0, OFF_MAP.x() + 50, OFF_MAP.y() + 35);
    EXPECT_EQ(std::tuple(presents, capture_window()), std::tuple(1, (pl_window*)nullptr));
}

TEST_F(Mouse, PressesPickReportAndRecentreMissesClearOnlyTheHighlightAndAClickedCountyShowsTheListsScale) {
    const QPoint at = county_pixel();
    int16_t county = -1;
    ASSERT_TRUE(pick_county(at.x(), at.y(), &county));
    // right press: the view centres on the county, the selection stays
    click(false, 0, at);
    EXPECT_EQ(std::tuple(app_state.view_center.x, app_state.view_center.y, app_state.selected_county),
              std::tuple(float(county_table[county].x), float(county_table[county].y), int16_t(-1)));
    presents = 0;
    const vec3 centre = app_state.view_center;
    click(false, 0, OFF_MAP);  // nothing changes, a frame is drawn
    EXPECT_EQ(std::tuple(app_state.view_center.x, app_state.view_center.y, presents), std::tuple(centre.x, centre.y, 2));

    // left press: highlighted, reported, kept in selected_county and in the Selection list; Ctrl changes nothing
    click(true, MK_CONTROL, county_pixel(county));
    EXPECT_EQ(std::tuple(app_state.selected_county, int(county_table[county].selected)), std::tuple(county, 1));
    EXPECT_EQ(list_selection(app_state.query_panel, IDC_SELECTION), county);
    const std::string report = info_text();
    EXPECT_NE(report.find(std::string(" for ") + county_table[county].name + " county: "), std::string::npos);
    EXPECT_TRUE(window_visible(app_state.info_panel));
    // a miss clears the highlight only: no report, the county stays chosen in the list
    click(true, 0, OFF_MAP);
    EXPECT_EQ(std::tuple(app_state.selected_county, int(county_table[county].selected)), std::tuple(county, 0));
    EXPECT_EQ(list_selection(app_state.query_panel, IDC_SELECTION), county);
    EXPECT_EQ(info_text(), report);

    // a field at the user's scale: a click puts the field's own back in the list, and the bars already show it
    pl_window* gis = app_state.gis_panel;
    app_state.active_field = 11;  // POPULATION: 10000:1 by default
    refresh_query_panel(app_state.query_panel), build_scene();
    list_select(gis, IDC_HEIGHT_SCALE, 3), set_height_scale(3), build_scene();  // the user's 1000:1
    click(true, 0, county_pixel());
    EXPECT_EQ(std::tuple(list_selection(gis, IDC_HEIGHT_SCALE), app_state.height_scale), std::tuple(4, 0.0001f));
    rgb_image clicked{}, rebuilt{};
    ASSERT_TRUE(read_frame(&clicked));
    build_scene();  // with the scale in force: the same picture when the click already used it
    ASSERT_TRUE(read_frame(&rebuilt));
    EXPECT_EQ(std::memcmp(clicked.pixels, rebuilt.pixels, size_t(clicked.width) * clicked.height * 3), 0);
    image_free(&clicked), image_free(&rebuilt);
}

TEST_F(Mouse, RealEventsDragTheViewAndTheWheelZoomsBackAndForth) {
    app_state_rec& s = app_state;
    const QPoint from(300, 300), to = from + QPoint(-30, -40);
    real(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
    real(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, to);
    real(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, to);
    EXPECT_EQ(std::tuple(s.view_tilt, s.view_yaw, presents), std::tuple(40.0f, 30.0f, 3));  // a frame for each

    presents = 0;
    wheel(120);  // a notch away from the user: nearer
    EXPECT_EQ(s.view_distance, float(2850.0 * 0.9));
    wheel(-120);
    EXPECT_EQ(s.view_distance, 2850.0f);
    for (int i = 0; i < 3; ++i) wheel(-40);  // a touchpad's parts of a notch add up
    EXPECT_EQ(s.view_distance, float(2850.0 / 0.9));
    EXPECT_EQ(presents, 5);  // a frame for every wheel event
    for (int i = 0; i < 200; ++i) wheel(1200);
    EXPECT_EQ(s.view_distance, MIN_VIEW_DISTANCE);
    for (int i = 0; i < 200; ++i) wheel(-1200);
    EXPECT_EQ(s.view_distance, MAX_VIEW_DISTANCE);
}

}  // namespace
