// The tool windows as a user meets them, real widgets and real input events on the running program: the GIS panel's
// held buttons and Height Scale list, the Query panel's lists and reports, the Ranking and Info panels, the About box.
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QListWidget>
#include <QOpenGLWidget>
#include <QToolButton>

#include <clocale>
#include <cmath>
#include <span>

#include "app/viewer.h"
#include "interact/gis_panel.h"
#include "platform/tool_window.h"
#include "res/resource.h"

namespace {

using namespace viewer_test;

class Panels : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        kill_timer(app_state.main_window, FRAME_TIMER);  // ticks sent by hand: every frame counted is the test's
        QCoreApplication::processEvents(), presents = 0;
    }
    void tick(int n, unsigned id = FRAME_TIMER) {
        for (int i = 0; i < n; ++i) send_message(app_state.main_window, WM_TIMER, id, 0);
    }
    void pick_in_list(unsigned id, int row, pl_window* panel = app_state.query_panel) {  // a real click on the entry
        auto* list = widget<QListWidget>(panel, id);
        list->scrollToItem(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
};

TEST_F(Panels, StartUpShowsTheGisAndQueryPanelsFilledThePanelCommandsShowThemAndDefaultQueryRefreshesThem) {
    app_state_rec& s = app_state;
    EXPECT_TRUE(window_visible(s.gis_panel) && window_visible(s.query_panel));
    EXPECT_FALSE(window_visible(s.info_panel) || window_visible(s.about_box) || window_visible(s.ranking_panel));
    std::vector<std::string> labels, names;
    ASSERT_TRUE(read_catalogue(CATALOGUE_PATH, labels) && labels.size() == FIELD_COUNT);
    for (int i = 0; i < COUNTY_COUNT; ++i) names.push_back(county_table[i].name);
    EXPECT_EQ(list_lines(s.query_panel, IDC_DEMOGRAPHIC), labels);
    EXPECT_EQ(list_lines(s.query_panel, IDC_SELECTION), names);
    // the Query panel, made second, put field 0's default scale into the GIS panel's list
    EXPECT_EQ(std::tuple(list_selection(s.query_panel, IDC_DEMOGRAPHIC), list_selection(s.query_panel, IDC_SELECTION),
                         list_selection(s.gis_panel, IDC_HEIGHT_SCALE)), std::tuple(0, -1, int(field_scale_index[0])));
    EXPECT_EQ(widget<QComboBox>(s.gis_panel, IDC_HEIGHT_SCALE)->currentText().toStdString(), "1:1");
    QWidget* demographic = widget(s.query_panel, IDC_DEMOGRAPHIC);
    EXPECT_EQ(demographic->window()->focusWidget(), demographic);  // the keyboard's, once the window is active

    load_sample();
    for (pl_window* p : {s.gis_panel, s.query_panel, s.info_panel}) hide_window(p);
    choose("Show GIS Panel"), choose("Show Query Panel");
    EXPECT_TRUE(window_visible(s.gis_panel) && window_visible(s.query_panel) && !window_visible(s.info_panel));
    choose("Show Info Panel");
    EXPECT_TRUE(window_visible(s.info_panel) && info_text().empty());
    // a county and field 5 chosen, then a scale of the user's: Default Query goes back to field 0 and its scale
    pick_in_list(IDC_SELECTION, 30), pick_in_list(IDC_DEMOGRAPHIC, 5);
    const std::string reports = info_text();
    list_select(s.gis_panel, IDC_HEIGHT_SCALE, 3), s.height_scale = 0.001f;
    choose("Default Query");
    EXPECT_EQ(std::tuple(s.active_field, s.selected_county, s.height_scale), std::tuple(int16_t(0), int16_t(30), 1.0f));
    EXPECT_EQ(std::tuple(list_selection(s.query_panel, IDC_DEMOGRAPHIC), list_selection(s.query_panel, IDC_SELECTION),
                         list_selection(s.gis_panel, IDC_HEIGHT_SCALE)), std::tuple(0, 30, 0));
    EXPECT_TRUE(bars_show_field(0) && county_table[30].selected && info_text() == reports);
}

TEST_F(Panels, AHeldButtonStepsOnEveryTickStopsOnItsLimitAndEndsWhereverItIsReleased) {
    app_state_rec& s = app_state;
    QWidget* view = client_area(s.main_window);
    QTest::mousePress(widget(s.gis_panel, IDC_NAV_TILT_DOWN), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(std::tuple(int(s.nav_action), capture_window()), std::tuple(int(NAV_TILT_DOWN), s.gis_panel));
    tick(1);
    EXPECT_EQ(std::tuple(s.view_tilt, presents), std::tuple(-5.0f, 1));
    tick(17);
    EXPECT_EQ(s.view_tilt, -90.0f);
    tick(3);  // on the limit it stays
    EXPECT_EQ(std::tuple(s.view_tilt, presents), std::tuple(-90.0f, 21));
    tick(2, 2), tick(1, 0);  // other timers neither step nor draw
    EXPECT_EQ(std::tuple(s.view_tilt, presents), std::tuple(-90.0f, 21));
    // released far outside the panel, over the map
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() - 5, view->height() - 5));
    EXPECT_EQ(std::tuple(int(s.nav_action), capture_window()), std::tuple(0, (pl_window*)nullptr));
    tick(2);
    EXPECT_EQ(std::tuple(s.view_tilt, presents), std::tuple(-90.0f, 23));  // no step, a frame each tick

    // each button held for `ticks` ticks, the field then within lo..hi; `more` ticks on it is on its limit
    // (zoom out from 100 has a ceiling: the float never overflows however long it is held)
    struct hold { unsigned id; float app_state_rec::*field; int ticks; float lo, hi; int more; float limit; };
    const auto T = &app_state_rec::view_tilt, Y = &app_state_rec::view_yaw, D = &app_state_rec::view_distance;
    const float out_once = float(double(MIN_VIEW_DISTANCE) * double(1.05f));
    for (hold h : {hold{IDC_NAV_TILT_UP, T, 35, 85.0f, 85.0f, 6, 90.0f}, {IDC_NAV_TURN_LEFT, Y, 35, -175.0f, -175.0f, 6, -180.0f},
                   {IDC_NAV_TURN_RIGHT, Y, 71, 175.0f, 175.0f, 6, 180.0f},
                   {IDC_NAV_ZOOM_IN, D, 65, 100.001f, 102.0f, 5, MIN_VIEW_DISTANCE},  // from 2850: on 100 at the 66th
                   {IDC_NAV_ZOOM_OUT, D, 1, out_once, out_once, 2000, MAX_VIEW_DISTANCE}}) {
        QWidget* button = widget(s.gis_panel, h.id);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        tick(h.ticks);
        EXPECT_TRUE(s.*h.field >= h.lo && s.*h.field <= h.hi) << h.id << ": " << s.*h.field;
        tick(h.more);
        EXPECT_EQ(s.*h.field, h.limit) << h.id;
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    }
    // a double click is no press
    gis_panel_command(s.gis_panel, make_command(IDC_NAV_TILT_UP, STN_DBLCLK));
    EXPECT_EQ(int(s.nav_action), 0);
}

TEST_F(Panels, EachHeightScaleEntryAndFieldRebuildTheBarsAndChoosingACountyReportsIt) {
    app_state_rec& s = app_state;
    load_sample();
    auto* combo = widget<QComboBox>(s.gis_panel, IDC_HEIGHT_SCALE);
    list_select(s.gis_panel, IDC_HEIGHT_SCALE, 0), s.height_scale = 1.0f;
    EXPECT_EQ(presents, 0);  // set from the program: no notification, no rebuild
    combo->setFocus();
    for (int entry = 1; entry < 6; ++entry) {
        QTest::keyClick(combo, Qt::Key_Down);  // moving through the closed list chooses
        EXPECT_EQ(std::tuple(s.height_scale, presents), std::tuple(FACTORS[entry], entry)) << entry;
    }
    QTest::keyClick(combo, Qt::Key_Home);
    EXPECT_EQ(std::tuple(s.height_scale, list_selection(s.gis_panel, IDC_HEIGHT_SCALE)), std::tuple(1.0f, 0));
    EXPECT_TRUE(bars_show_field(0));

    // a field chosen: its values on the bars, its default scale, nothing reported
    record_table[100].values[11] = 12.5f;  // Harris
    record_table[STATE_INDEX].values[11] = -7.0f;
    pick_in_list(IDC_DEMOGRAPHIC, 11);  // POPULATION, at 10000:1
    EXPECT_EQ(std::tuple(s.active_field, s.height_scale, int(field_scale_index[11])),
              std::tuple(int16_t(11), 0.0001f, 4));
    EXPECT_EQ(list_selection(s.gis_panel, IDC_HEIGHT_SCALE), 4);
    EXPECT_TRUE(bars_show_field(11) && info_text().empty() && !window_visible(s.info_panel));
    std::string population;
    ASSERT_TRUE(list_text(s.query_panel, IDC_DEMOGRAPHIC, 11, population));

    // a county chosen: centred on, highlighted alone, reported with two decimals and a point in any locale; the lists
    // are not refilled
    county_table[3].selected = 1;
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    pick_in_list(IDC_SELECTION, 100);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(std::tuple(s.selected_county, s.view_center.x, s.view_center.y),
              std::tuple(int16_t(100), float(county_table[100].x), float(county_table[100].y)));
    EXPECT_TRUE(only_highlighted(100));
    const std::string report = "\r\n" + population + " for Harris county: 12.50\r\n" + population + " for Texas: -7.00\r\n";
    EXPECT_EQ(info_text(), report) << (german ? "in German" : "");
    EXPECT_TRUE(window_visible(s.info_panel));
    // neither the right button, nor Ctrl+Space on the chosen entry, nor the program's own choice is a choice
    auto* selection = widget<QListWidget>(s.query_panel, IDC_SELECTION);
    QTest::keyClick(selection, Qt::Key_Space, Qt::ControlModifier);
    QTest::mouseClick(selection->viewport(), Qt::RightButton, {}, selection->visualItemRect(selection->item(101)).center());
    EXPECT_EQ(list_selection(s.query_panel, IDC_SELECTION), 100);
    list_select(s.query_panel, IDC_SELECTION, 5);
    EXPECT_EQ(std::tuple(s.selected_county, info_text()), std::tuple(int16_t(100), report));
    // Escape hides the panel with its text; the same county again adds the same report, and the new frame and the
    // panel shown with it reach the screen in one composition: counted once the window is still (the list clicked
    // above scrolls to its entry again a double-click's time later, and a busy machine can be late repainting).
    QTest::keyClick(widget(s.info_panel, IDC_INFO_CLEAR), Qt::Key_Escape);
    EXPECT_FALSE(window_visible(s.info_panel));
    int compositions = 0;
    QObject::connect(qobject_cast<QOpenGLWidget*>(client_area(s.main_window)), &QOpenGLWidget::frameSwapped,
                     [&] { ++compositions; });
    QTest::qWait(QApplication::doubleClickInterval() + 150);
    for (int seen = -1, waited = 0; seen != compositions && waited < 3000; waited += 150)
        seen = compositions, QTest::qWait(150);
    compositions = 0;
    select_county(100);
    QTest::qWait(100);
    EXPECT_EQ(info_text(), report + report);
    EXPECT_TRUE(window_visible(s.info_panel));
    EXPECT_EQ(compositions, 1);
    // no label to read (a catalogue that could not be read): the field's number
    list_clear(s.query_panel, IDC_DEMOGRAPHIC), s.active_field = 4, select_county(7);
    EXPECT_NE(info_text().find("\r\nField 5 for " + std::string(county_table[7].name) + " county: "), std::string::npos);
}

TEST_F(Panels, TheRankingPanelOrdersTheCountiesByTheFieldShownAndChoosesACountyAsTheSelectionListDoes) {
    pl_window* ranking = app_state.ranking_panel;
    auto lines = [&] { return list_lines(ranking, IDC_RANKING); };
    auto name = [](int county) { return std::string(county_table[county].name); };
    // field 3: a top county, a tie, 248 counties sharing one value, a negative one, two without a value
    for (int i = 0; i < COUNTY_COUNT; ++i) record_table[i].values[3] = 1.0f;
    record_table[253].values[3] = 1000.25f, record_table[10].values[3] = record_table[20].values[3] = 50.0f;
    record_table[30].values[3] = -2.5f, record_table[0].values[3] = record_table[40].values[3] = NAN;
    record_table[7].values[5] = 3.0f;  // field 5: one county above 253 at 0
    choose("Show Ranking Panel");
    ASSERT_TRUE(window_visible(ranking));
    pick_in_list(IDC_DEMOGRAPHIC, 3);
    std::vector<std::string> shown = lines();
    ASSERT_EQ(shown.size(), size_t(COUNTY_COUNT));
    const std::pair<int, std::string> expected[] = {
        {0, "1. " + name(253) + " 1000.25"}, {1, "2. " + name(10) + " 50.00"}, {2, "2. " + name(20) + " 50.00"},
        {3, "4. " + name(1) + " 1.00"},  // equal values in county order
        {250, "4. " + name(252) + " 1.00"}, {251, "252. " + name(30) + " -2.50"},
        {252, name(0) + " n/a"}, {253, name(40) + " n/a"}};
    for (const auto& [line, text] : expected) EXPECT_EQ(shown[line], text) << line;

    // hidden, it is left as it is; shown again, it shows the field chosen meanwhile
    QTest::keyClick(widget(ranking, IDC_RANKING), Qt::Key_Escape);
    EXPECT_FALSE(window_visible(ranking));
    pick_in_list(IDC_DEMOGRAPHIC, 5);
    EXPECT_EQ(lines()[0], shown[0]);
    choose("Show Ranking Panel");
    EXPECT_EQ(std::tuple(lines()[0], lines()[1], lines()[253]),
              std::tuple("1. " + name(7) + " 3.00", "2. " + name(0) + " 0.00", "2. " + name(253) + " 0.00"));
    // a load ranks the sample's figures of the field shown
    load_sample();
    int top = 0;
    for (int i = 1; i < COUNTY_COUNT; ++i) top = record_table[i].values[5] > record_table[top].values[5] ? i : top;
    EXPECT_EQ(lines()[0].rfind("1. " + name(top) + " ", 0), 0u) << lines()[0];

    // a line chosen: the county centred on and highlighted (its report, through the screen)
    pick_in_list(IDC_RANKING, 0, ranking);
    EXPECT_EQ(std::tuple(app_state.selected_county, app_state.view_center.x, app_state.view_center.y),
              std::tuple(int16_t(top), float(county_table[top].x), float(county_table[top].y)));
    EXPECT_TRUE(county_table[top].selected && list_selection(app_state.query_panel, IDC_SELECTION) == top);
    // a county chosen in the Selection list is chosen in the ranking too, and stays so through a field change
    auto chosen = [&] { return lines().at(list_selection(ranking, IDC_RANKING)); };  // none chosen: at() throws
    pick_in_list(IDC_SELECTION, 3);
    EXPECT_NE(chosen().find(" " + name(3) + " "), std::string::npos) << chosen();
    pick_in_list(IDC_DEMOGRAPHIC, 0);
    EXPECT_NE(chosen().find(" " + name(3) + " "), std::string::npos) << chosen();
}

TEST_F(Panels, TheInfoPanelKeeps198LinesDroppingWholeLinesFromTheTopAndSavesOrClearsWhatItHolds) {
    pl_window* info = app_state.info_panel;
    for (int i = 0; i < 65; ++i) select_county(int16_t(i));
    EXPECT_EQ(edit_line_count(info, IDC_INFO_TEXT), 196);
    select_county(65);  // line 199: the first, empty, line goes
    EXPECT_EQ(edit_line_count(info, IDC_INFO_TEXT), 198);
    EXPECT_EQ(info_text().rfind("REP VOTE% for Anderson county: 0.00\r\n", 0), 0u);
    select_county(66);  // from now on every report drops the three oldest lines
    EXPECT_EQ(edit_line_count(info, IDC_INFO_TEXT), 198);
    EXPECT_EQ(info_text().rfind("REP VOTE% for Andrews county", 0), 0u);  // Anderson's lines and the blank gone

    // a first line so long that it wraps goes whole, and takes nothing of the next line with it
    std::string text = std::string(600, 'x') + "\r\nsecond line\r\n";
    set_control_text(info, IDC_INFO_TEXT, text);
    const int long_line = edit_line_count(info, IDC_INFO_TEXT) - 2;  // its displayed parts
    ASSERT_GT(long_line, 1) << "the long line does not wrap";
    EXPECT_LT(edit_line_length(info, IDC_INFO_TEXT, 0), 600);
    for (int i = 0; i < 194 - long_line; ++i) text += "filler\r\n";
    set_control_text(info, IDC_INFO_TEXT, text);
    ASSERT_EQ(edit_line_count(info, IDC_INFO_TEXT), 196);
    select_county(0);
    EXPECT_EQ(info_text().rfind("second line\r\n", 0), 0u);
    EXPECT_LE(edit_line_count(info, IDC_INFO_TEXT), 198);

    // Save writes what the panel holds, Clear empties it
    load_sample(), select_county(0), select_county(1);
    std::string expected = info_text();
    auto* save = widget(info, IDC_INFO_SAVE);
    answers = {dir / "report", "", dir / "none/report.txt", dir / "empty.txt"};
    QTest::mouseClick(save, Qt::LeftButton);  // saved, each CR as a blank
    for (char& c : expected) c = c == '\r' ? ' ' : c;
    EXPECT_EQ(test::read_file(dir / "report.txt"), expected);
    EXPECT_NE(expected.find(" \nREP VOTE% for Anderson county: "), std::string::npos);
    QTest::mouseClick(save, Qt::LeftButton);  // cancelled: nothing written or said
    QTest::mouseClick(save, Qt::LeftButton);  // a folder that does not exist
    QTest::mouseClick(widget(info, IDC_INFO_CLEAR), Qt::LeftButton);
    EXPECT_EQ(info_text(), "");
    QTest::mouseClick(save, Qt::LeftButton);  // after Clear: an empty file
    EXPECT_TRUE(std::filesystem::exists(dir / "empty.txt") && test::read_file(dir / "empty.txt").empty());
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Save complete", "Info"}, {"Can't save file!", "Error"},
                                                        {"Save complete", "Info"}}));
    EXPECT_EQ(dialogs.size(), 4u);
    EXPECT_EQ(dialogs[0].substr(0, 9), "save .txt");
}

// The window layer under the program's own panels: controls where their templates put them, Tab kept inside a panel,
// Escape and the close box hiding it, names for screen readers.
TEST_F(Panels, ControlsStandInDialogUnitsAndTabStaysInAPanel) {
    app_state_rec& s = app_state;
    pl_window *gis = s.gis_panel, *query = s.query_panel;
    QWidget* client = widget(gis, IDC_SCALE_LABEL)->parentWidget();
    EXPECT_EQ(QFontInfo(client->font()).family().toStdString(), dialog_font_face());
    const int edge = qobject_cast<QFrame*>(client)->frameWidth();
    for (auto [panel, id] : {std::pair{gis, IDD_GIS_PANEL}, {query, IDD_QUERY_PANEL}, {s.info_panel, IDD_INFO_PANEL}}) {
        const dialog_template* t = find_dialog_template(id);
        EXPECT_EQ(panel->controls.at(t->controls[0].id)->parentWidget()->contentsRect().size(),
                  QSize(dialog_units_x(t->cx), dialog_units_y(t->cy))) << id;
        for (const control_template& c : std::span(t->controls, t->control_count)) {
            QRect want(dialog_units_x(c.x) + edge, dialog_units_y(c.y) + edge, dialog_units_x(c.cx), dialog_units_y(c.cy));
            QRect is = widget(panel, c.id)->geometry();
            if (c.kind == CTL_PICTURE) want.setSize(c.cx > c.cy ? QSize(64, 32) : QSize(32, 64));  // the bitmap's own
            EXPECT_TRUE(c.kind != CTL_DROP_DOWN || is.height() < want.height()) << c.id << " closed: one line high";
            if (c.kind == CTL_DROP_DOWN) is.setHeight(want.height());
            EXPECT_EQ(is, want) << c.id;
        }
    }
    EXPECT_EQ(gis->widget->pos(), QPoint(dialog_units_x(2), dialog_units_y(2)));  // in its corner, inside the window
    EXPECT_TRUE(gis->widget->parentWidget() == panel_area(s.main_window));
    choose("About..");  // the popup: a window of its own, centred on its owner
    EXPECT_TRUE(s.about_box->widget->isWindow());
    EXPECT_LE((s.about_box->widget->frameGeometry().center() - frame->frameGeometry().center()).manhattanLength(), 40);

    // Tab and Shift+Tab go round the panel's own stops; Escape and the close box hide a panel
    QWidget *demographic = widget(query, IDC_DEMOGRAPHIC), *selection = widget(query, IDC_SELECTION);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    set_focus_control(query, IDC_DEMOGRAPHIC);
    for (auto [key, next] : {std::pair{Qt::Key_Tab, selection}, {Qt::Key_Tab, demographic}, {Qt::Key_Backtab, selection}}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_TRUE(QTest::qWaitFor([next] { return QApplication::focusWidget() == next; }, 1000)) << key;
    }
    QTest::keyClick(selection, Qt::Key_Escape);
    QTest::keyClick(widget(gis, IDC_HEIGHT_SCALE), Qt::Key_Escape);
    EXPECT_FALSE(window_visible(query) || window_visible(gis));
    show_window(gis);
    QTest::mouseClick(gis->widget->findChild<QToolButton*>(), Qt::LeftButton);
    EXPECT_FALSE(window_visible(gis) || gis->destroyed);

    // what a screen reader reads of a picture, a panel and a button
    auto read = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? std::pair(a->role(), a->text(QAccessible::Name).toStdString()) : std::pair(QAccessible::NoRole, std::string());
    };
    EXPECT_EQ(read(widget(gis, IDC_NAV_TILT_DOWN)), std::pair(QAccessible::Button, std::string("Tilt down")));
    EXPECT_EQ(read(gis->widget), std::pair(QAccessible::Dialog, std::string("GIS Panel")));
    EXPECT_EQ(read(widget(s.info_panel, IDC_INFO_SAVE)), std::pair(QAccessible::Button, std::string("Save")));
    EXPECT_EQ(read(widget(s.ranking_panel, IDC_RANKING)), std::pair(QAccessible::List, std::string("Ranking")));
}

TEST_F(Panels, AboutShowsTheBoxAndOkEscapeEnterAndItsCloseBoxHideIt) {
    auto* box = qobject_cast<QDialog*>(app_state.about_box->widget.data());
    ASSERT_TRUE(box && !box->isModal());
    const QImage logo = widget(app_state.about_box, 1037)->grab().toImage();  // a fifth of it unlike its corner
    int drawn = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) drawn += logo.pixel(x, y) != logo.pixel(0, 0);
    EXPECT_GT(drawn, 322 * 115 / 5);
    QPoint where;
    for (int way = 0; way < 4; ++way) {
        choose("About..");
        ASSERT_TRUE(window_visible(app_state.about_box)) << way;
        if (way == 0) box->move(box->pos() + QPoint(30, 20)), where = box->pos();
        else EXPECT_EQ(box->pos(), where) << "shown again where it was left";
        QWidget* ok = widget(app_state.about_box, IDC_ABOUT_OK);
        if (way == 0) QTest::mouseClick(ok, Qt::LeftButton);
        if (way == 1) QTest::keyClick(ok, Qt::Key_Escape);
        if (way == 2) QTest::keyClick(ok, Qt::Key_Return);
        if (way == 3) box->close();
        EXPECT_FALSE(window_visible(app_state.about_box) || app_state.about_box->destroyed) << way;
    }
}

}  // namespace
