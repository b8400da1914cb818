// The viewer as a person meets it on a desktop: a screen of its own with a window manager, the real pointer and
// keyboard driven through the window system (xdotool), so that what lies on top decides where each press goes,
// and the screen's own pixels read back.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPrintDialog>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/viewer.h"
#include "interact/pick.h"
#include "panels/panels.h"
#include "platform/controls.h"
#include "res/resource.h"
#include "screen.h"

namespace {

using namespace viewer_test;

const test::own_screen* desk = nullptr;  // lives as long as the process, as its toolkit does

std::string at(QPoint p) { return std::to_string(p.x()) + " " + std::to_string(p.y()); }

QAction* named(const QList<QAction*>& actions, const char* text) {
    const auto found = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == text; });
    return found == actions.end() ? nullptr : *found;
}

class Screen : public Viewer {
protected:
    void SetUp() override {
        if (!desk) {
            desk = new test::own_screen(1280, 1024);
            setenv("DISPLAY", desk->display().c_str(), 1), unsetenv("XAUTHORITY"), unsetenv("WAYLAND_DISPLAY");
        }
        ASSERT_FALSE(desk->display().empty()) << "no screen of its own (the test needs Xvfb and openbox)";
        Viewer::SetUp();
        // framed by the window manager, at its outer size, laid out
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return frame->frameGeometry().size() == QSize(1024, 768) && frame->frameGeometry() != frame->geometry() &&
                   app_state.win_width == view()->width() && app_state.win_height == view()->height();
        }, 5000)) << "outer " << frame->frameGeometry().width() << "x" << frame->frameGeometry().height();
        QTest::qWait(300);
    }

    static QWidget* view() { return client_area(app_state.main_window); }
    static QPoint centre(QWidget* w) { return w->mapToGlobal(w->rect().center()); }
    static QRect on_screen(QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }
    static QPoint caption(pl_window* panel) { return panel->widget->mapToGlobal(QPoint(panel->widget->width() / 3, 8)); }
    static QPoint entry(unsigned id, int row, pl_window* panel = app_state.query_panel) {
        QListWidget* l = widget<QListWidget>(panel, id);
        return l->viewport()->mapToGlobal(l->visualItemRect(l->item(row)).center());
    }
    static bool on_top(QWidget* w, QPoint p) {  // a press at p goes to w or a part of it
        return QApplication::widgetAt(p) == w || w->isAncestorOf(QApplication::widgetAt(p));
    }

    void settle(int ms = 150) { QTest::qWait(ms); }
    void click(QPoint p) {
        ASSERT_TRUE(desk->xdotool("mousemove " + at(p) + " click 1"));
        settle();
    }
    void key(const char* name) {
        ASSERT_TRUE(desk->xdotool(std::string("key ") + name));
        settle();
    }
    // Pressed at from, moved in steps with a pause at each as a hand moves, released at to.
    void drag(QPoint from, QPoint to, int steps = 12) {
        ASSERT_TRUE(desk->xdotool("mousemove " + at(from) + " mousedown 1"));
        settle(60);
        for (int i = 1; i <= steps; ++i) {
            desk->xdotool("mousemove " + at(from + (to - from) * i / steps));
            settle(30);
        }
        ASSERT_TRUE(desk->xdotool("mouseup 1"));
        settle();
    }

    // A drop-down of the menu bar opened with the pointer and its entry clicked: that entry, or none.
    QAction* choose_on_screen(const char* menu_name, const char* entry_name) {
        QMenuBar* bar = frame->menuBar();
        QAction* top = named(bar->actions(), menu_name);
        if (!top) return nullptr;
        click(bar->mapToGlobal(bar->actionGeometry(top).center()));
        QMenu* menu = top->menu();
        QAction* entry = named(menu->actions(), entry_name);
        if (!entry || !QTest::qWaitFor([&] { return menu->isVisible(); }, 2000)) return nullptr;
        click(menu->mapToGlobal(menu->actionGeometry(entry).center()));
        return entry;
    }

    static int reports() { return QString::fromStdString(info_text()).count(" county: "); }  // in the Info panel
    // The panels shown, in the client area's coordinates: none covers another, all inside the view.
    static void expect_apart_and_inside(const std::vector<pl_window*>& panels) {
        const QRect area = panel_area(app_state.main_window)->rect();
        for (size_t i = 0; i < panels.size(); ++i) {
            const QRect r = panels[i]->widget->geometry();
            EXPECT_TRUE(window_visible(panels[i]) && area.contains(r)) << i;
            for (size_t j = 0; j < i; ++j) EXPECT_FALSE(r.intersects(panels[j]->widget->geometry())) << i << " on " << j;
        }
    }
};

TEST_F(Screen, PanelsStartApartTakeThePointerAndTheFirstReportOpensTheInfoPanelBesideThem) {
    load_sample();
    pl_window *gis = app_state.gis_panel, *query = app_state.query_panel, *info = app_state.info_panel;
    expect_apart_and_inside({gis, query});
    EXPECT_FALSE(window_visible(info));

    // a navigation button held through the screen tilts the view until it is let go
    ASSERT_TRUE(desk->xdotool("mousemove " + at(centre(widget(gis, IDC_NAV_TILT_DOWN))) + " mousedown 1"));
    settle(600);
    ASSERT_TRUE(desk->xdotool("mouseup 1"));
    settle();
    const float tilt = app_state.view_tilt;
    EXPECT_TRUE(tilt <= -5.0f && app_state.nav_action == 0) << tilt;
    settle(300);
    EXPECT_EQ(app_state.view_tilt, tilt);

    // the first report: a county clicked on the map gives its figure and opens the Info panel clear of the other two
    const QPoint middle = centre(view());
    ASSERT_TRUE(on_top(view(), middle));
    click(middle);
    const int county = app_state.selected_county;
    ASSERT_GE(county, 0);
    EXPECT_NE(info_text().find(" for " + std::string(county_table[county].name) + " county: "), std::string::npos);
    EXPECT_EQ(reports(), 1);
    expect_apart_and_inside({gis, query, info});
    EXPECT_TRUE(on_top(widget(info, IDC_INFO_SAVE), centre(widget(info, IDC_INFO_SAVE))));

    // dragged over the Query panel, the Info panel lies on it; a click on the Query panel's caption brings
    // that panel to the front, a report brings the Info panel back over it
    const QPoint over = centre(widget(query, IDC_SELECTION));
    drag(caption(info), caption(info) + (over - centre(info->widget)));
    EXPECT_TRUE(on_top(info->widget, over));
    click(caption(query));
    EXPECT_TRUE(on_top(widget(query, IDC_SELECTION), over));
    click(middle);
    EXPECT_TRUE(on_top(info->widget, over) && reports() == 2);
    choose("Show Query Panel");
    EXPECT_TRUE(on_top(widget(query, IDC_SELECTION), over));
}

TEST_F(Screen, ListsTakeEveryClickAndDragAsAPersonGivesThem) {
    load_sample();
    auto centred_on = [](int county) {  // and chosen
        return app_state.selected_county == county && app_state.view_center.x == float(county_table[county].x);
    };
    click(entry(IDC_SELECTION, 2));
    EXPECT_TRUE(centred_on(2) && reports() == 1);
    const std::string first = info_text();
    app_state.view_center = app_state.home_center;  // moved away, then the same county clicked again
    settle(QApplication::doubleClickInterval() + 100);
    click(entry(IDC_SELECTION, 2));
    EXPECT_TRUE(centred_on(2) && info_text() == first + first);  // the same report again
    // pressed on one county and dragged down over four more: one report, for the last
    drag(entry(IDC_SELECTION, 3), entry(IDC_SELECTION, 7), 4);
    EXPECT_TRUE(centred_on(7) && reports() == 3 && list_selection(app_state.query_panel, IDC_SELECTION) == 7);

    // a field; another height scale chosen from the drop-down list; the same field again puts its own scale back
    auto* scale = widget<QComboBox>(app_state.gis_panel, IDC_HEIGHT_SCALE);
    auto choose_scale = [&](int index) {
        click(centre(scale));
        ASSERT_TRUE(QTest::qWaitFor([&] { return scale->view()->isVisible(); }, 2000)) << "the list did not drop";
        settle();
        QAbstractItemView* items = scale->view();
        click(items->viewport()->mapToGlobal(items->visualRect(scale->model()->index(index, 0)).center()));
    };
    auto scale_in_force = [] {
        return std::tuple(list_selection(app_state.gis_panel, IDC_HEIGHT_SCALE), app_state.height_scale);
    };
    const int field = 5, own = field_scale_index[field], other = (own + 2) % HEIGHT_SCALE_ENTRIES;
    click(entry(IDC_DEMOGRAPHIC, field));
    EXPECT_TRUE(app_state.active_field == field && bars_show_field(field) && reports() == 3);
    EXPECT_EQ(scale_in_force(), std::tuple(own, FACTORS[own]));
    choose_scale(other);
    EXPECT_EQ(scale_in_force(), std::tuple(other, FACTORS[other]));
    settle(QApplication::doubleClickInterval() + 100);
    click(entry(IDC_DEMOGRAPHIC, field));
    EXPECT_EQ(scale_in_force(), std::tuple(own, FACTORS[own]));
    // the entry the list already shows, chosen again, is applied again
    app_state.height_scale = 1.0f;
    choose_scale(own);
    EXPECT_EQ(std::tuple(app_state.height_scale, reports()), std::tuple(FACTORS[own], 3));
}

TEST_F(Screen, ThePointerAtRestGivesTheCountyAndItsRankAndTheRankingPanelOpensApartAndTakesAClickAndAKey) {
    // the county in the middle of the map shares second place with another; one county is first, two have no value
    QWidget* map = view();
    const QPoint middle(map->width() / 2, map->height() / 2), off(4, map->height() - 4);
    int16_t c = -1, miss = -1;
    make_current(app_state.main_context);
    ASSERT_TRUE(pick_county(middle.x(), middle.y(), &c) && !pick_county(off.x(), off.y(), &miss));
    ASSERT_LT(c, COUNTY_COUNT - 4);
    const int top = c + 1, tied = c + 2, none[] = {c + 3, c + 4};
    for (int i = 0; i < COUNTY_COUNT; ++i) record_table[i].values[0] = float(i);
    record_table[top].values[0] = 1e6f, record_table[c].values[0] = record_table[tied].values[0] = 500.0f;
    record_table[none[0]].values[0] = record_table[none[1]].values[0] = NAN;
    choose("Default Query");  // the bars take the figures
    auto name = [](int county) { return std::string(county_table[county].name); };

    // the pointer at rest on the middle county: its value and its shared place among the 252 with a value,
    // in the tip; off the map the tip goes and no other comes; nothing is drawn or chosen
    kill_timer(app_state.main_window, FRAME_TIMER);  // so that every frame counted is one the pointer caused
    settle(), presents = 0;
    ASSERT_TRUE(desk->xdotool("mousemove " + at(map->mapToGlobal(middle))));
    settle(250);
    EXPECT_FALSE(QToolTip::isVisible()) << "shown before the pointer has rested";
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text().toStdString(), name(c) + " county: 500.00 (2 of 252)");
    ASSERT_TRUE(desk->xdotool("mousemove " + at(map->mapToGlobal(off))));
    settle(1200);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_TRUE(presents == 0 && app_state.selected_county == -1 && info_text().empty());

    // the Ranking panel, opened from the menu, lies clear of the colour legend's corner (at most 240 x 230,
    // 8 pixels in from the view's edges)
    ASSERT_TRUE(choose_on_screen("Panel", "Show Ranking Panel"));
    pl_window* ranking = app_state.ranking_panel;
    ASSERT_TRUE(window_visible(ranking));
    const QRect area = panel_area(app_state.main_window)->rect();
    EXPECT_FALSE(ranking->widget->geometry().intersects(QRect(area.right() - 247, area.bottom() - 237, 240, 230)));
    // clicked on the map, the county is chosen in the ranking too; the Info panel opens apart from the other three
    click(map->mapToGlobal(middle));
    EXPECT_EQ(std::tuple(list_selection(ranking, IDC_RANKING), reports()), std::tuple(1, 1));
    expect_apart_and_inside({app_state.gis_panel, app_state.query_panel, app_state.info_panel, ranking});
    // a click on the first line reports its county, chosen in the Selection list too; a key moves on to the next
    settle(QApplication::doubleClickInterval() + 100);
    click(entry(IDC_RANKING, 0, ranking));
    EXPECT_EQ(std::tuple(app_state.selected_county, list_selection(app_state.query_panel, IDC_SELECTION), reports()),
              std::tuple(int16_t(top), top, 2));
    EXPECT_NE(info_text().find(" for " + name(top) + " county: 1000000.00"), std::string::npos);
    key("Down");
    EXPECT_EQ(std::tuple(int(app_state.selected_county), reports()), std::tuple(int(c), 3));
}

// The screen's pixels of the view, outside the panels shown, that differ from the frame drawn offscreen for the
// same pose by the command line; -1 when that frame is not the view's size. Most of the view must be compared.
int differs_from_render(const QRect& view) {
    std::vector<QRect> panels;
    for (pl_window* p : {app_state.gis_panel, app_state.query_panel, app_state.info_panel})
        if (window_visible(p)) panels.emplace_back(p->widget->mapToGlobal(QPoint(0, 0)), p->widget->size());
    const QImage shown = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    test::scratch_dir dir;
    const app_state_rec& s = app_state;
    char pose[256];
    std::snprintf(pose, sizeof pose, " --size %dx%d --distance %.9g --tilt %.9g --yaw %.9g --center %.9g,%.9g",
                  view.width(), view.height(), s.view_distance, s.view_tilt, s.view_yaw, s.view_center.x,
                  s.view_center.y);
    std::string command = PLEXAR_CLI " render " + SAMPLE + ".dat " + (dir / "view.bmp") + pose;
    if (s.selected_county >= 0) command += " --select " + std::to_string(s.selected_county);
    command += " --field " + std::to_string(s.active_field) + (s.colour_by_value ? " --colour" : "");
    EXPECT_EQ(test::run(command).first, 0) << command;
    const QImage drawn = QImage(QString::fromStdString(dir / "view.bmp")).convertToFormat(QImage::Format_RGB32);
    if (drawn.size() != view.size()) return -1;
    int differing = 0, compared = 0;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x) {
            const QPoint p = view.topLeft() + QPoint(x, y);
            if (std::any_of(panels.begin(), panels.end(), [&](const QRect& r) { return r.contains(p); })) continue;
            ++compared;
            differing += shown.pixel(p) != drawn.pixel(x, y);
        }
    EXPECT_GT(compared, view.width() * view.height() / 2);
    if (differing) shown.copy(view).save(QString::fromStdString(std::filesystem::temp_directory_path() / "plexar-screen.png"));
    return differing;
}

TEST_F(Screen, ColourByValueAndPanelsDraggedAcrossTheMapLeaveItExactlyAsTheCommandLineDrawsIt) {
    load_sample();
    const QRect area = on_screen(view());
    // "Colour by Value" from the menu: the screen shows what plexar-cli render --colour draws, legend and all,
    // and the legend lies clear of the panels
    QAction* colour = choose_on_screen("Query", "Colour by Value");
    settle(300);
    ASSERT_TRUE(colour && colour->isCheckable());
    EXPECT_TRUE(app_state.colour_by_value && colour->isChecked());
    EXPECT_EQ(differs_from_render(area), 0);
    const legend_placement legend = legend_place();
    ASSERT_TRUE(legend.shown);
    const QRect box(area.left() + legend.frame.x, area.bottom() + 1 - legend.frame.y - legend.frame.height,
                    legend.frame.width, legend.frame.height);
    for (pl_window* p : {app_state.gis_panel, app_state.query_panel})
        EXPECT_FALSE(on_screen(p->widget).intersects(box));
    // the field shown from the list: the legend follows; Ctrl+K turns the colours off again
    click(entry(IDC_DEMOGRAPHIC, 2));
    settle(300);
    EXPECT_EQ(app_state.active_field, 2);
    EXPECT_EQ(differs_from_render(area), 0);
    key("ctrl+k");
    EXPECT_FALSE(app_state.colour_by_value || colour->isChecked());
    EXPECT_EQ(differs_from_render(area), 0);

    // a report shows the Info panel too; then each panel across the map to a place of its own, the Info panel first,
    // none onto a caption still to be taken
    click(centre(view()));
    pl_window* panels[] = {app_state.gis_panel, app_state.query_panel, app_state.info_panel};
    ASSERT_TRUE(window_visible(panels[2]));
    const QPoint ends[] = {area.topLeft() + QPoint(area.width() * 6 / 10, area.height() / 2),
                           area.topLeft() + QPoint(area.width() / 4, area.height() * 2 / 3),
                           area.topLeft() + QPoint(area.width() / 3, 20)};
    for (int i = 2; i >= 0; --i) drag(caption(panels[i]), ends[i], 16);
    settle(400);  // redrawn by the frame timer meanwhile
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(on_screen(panels[i]->widget).contains(ends[i])) << i << ": not moved";
    EXPECT_EQ(differs_from_render(area), 0);
    // a wheel notch towards the map draws it nearer; the places the panels left still show the map
    ASSERT_TRUE(desk->xdotool("mousemove " + at(area.topLeft() + QPoint(area.width() - 30, area.height() - 30)) +
                              " click 4"));
    settle(400);
    EXPECT_LT(app_state.view_distance, 2850.0f);
    EXPECT_EQ(differs_from_render(area), 0);
}

TEST_F(Screen, PrintTypedIntoThePrintDialogWritesThePageAndSaysSo) {
    test::scratch_dir dir;
    const std::string pdf = dir / "view.pdf";
    // The print dialog runs a loop of its own: a timer types the file name into it there, as a person would, then Print.
    QTimer hand;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("filename")) : nullptr;
        if (!name || !name->isEnabled()) return;  // "Print to File (PDF)": the printer with no other to hand
        hand.stop();
        desk->xdotool("mousemove " + at(centre(name)) + " click 1 key ctrl+a type --delay 2 '" + pdf + "'");
        desk->xdotool("key Return");
    });
    hand.start(100);
    ASSERT_TRUE(choose_on_screen("File", "Print.."));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder->messages().empty(); }, 20000)) << "nothing said";
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Print spooled", "Info"}}));
    EXPECT_EQ(test::read_file(pdf).substr(0, 5), "%PDF-");
    EXPECT_TRUE(app_state.main_window->timers[FRAME_TIMER]->isActive());
}

}  // namespace
