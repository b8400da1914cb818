// The main window, its menu and its commands with real Qt widgets; each test starts the program afresh.
#include <QMimeData>
#include <QUrl>

#include <sys/stat.h>

#include <unistd.h>

#include <cmath>

#include "app/viewer.h"

namespace {

using namespace viewer_test;

TEST_F(Viewer, StartsWithItsTitleItsMenusAndTheMapOnGreyThenOnlyPaintsKeyReleasesAndCommandsDraw) {
    std::string menus = frame->windowTitle().toStdString();
    for (QAction* top : frame->menuBar()->actions()) {
        menus += "\n" + top->text().toStdString();
        for (QAction* a : top->menu()->actions()) menus += "|" + a->text().toStdString();
    }
    EXPECT_EQ(menus, "Plexar 1.0c\nFile|Load Data..|Save Data..|Import CSV..|Export CSV..|Open Table..|Save Snapshot..|Print..|Quit"
                     "\nLocation|Default Location|Saved Location|Save Location\nQuery|Default Query|Saved Query|Save Query|Colour by Value"
                     "\nPanel|Show GIS Panel|Show Query Panel|Show Info Panel|Show Ranking Panel\nHelp|About..");
    const size_t w = first_frame.width, h = first_frame.height;
    ASSERT_GT(w * h, 0u);
    auto grey = [p = first_frame.pixels](size_t i) {  // pixel i, counted from the bottom left
        return std::abs(p[3 * i] - 160) + std::abs(p[3 * i + 1] - 160) + std::abs(p[3 * i + 2] - 160) <= 2; };
    EXPECT_TRUE(grey(0) && grey(w - 1) && grey(w * (h - 1)) && grey(w * h - 1));  // the corners
    EXPECT_FALSE(grey(w * (h / 2) + w / 2));

    // after start-up only paints, key releases and commands draw
    app_state_rec& s = app_state;
    send_message(s.main_window, WM_SIZE, 0, make_lparam(640, 480));
    EXPECT_EQ(std::tuple(s.win_width, s.win_height, presents), std::tuple(640, 480, 0));
    send_message(s.main_window, WM_PAINT, 0, 0), QTest::keyPress(client_area(s.main_window), Qt::Key_A);
    EXPECT_EQ(presents, 1);
    QTest::keyRelease(client_area(s.main_window), Qt::Key_A);
    EXPECT_EQ(presents, 2);
    // ids without a command of their own only redraw; the high word is no part of an id
    load_sample(), s.view_center = {300.0f, 400.0f, 0.0f}, s.active_field = 7;
    for (wparam id : std::initializer_list<wparam>{0, 9, 13, 15, 20, 22, 40, 42, 0xFFFF, 0x10000, 0x10016, 0xABCD0009}) {
        presents = 0, send_message(s.main_window, WM_COMMAND, id, 0);
        EXPECT_EQ(std::tuple(presents, s.view_center.x, s.active_field), std::tuple(1, 300.0f, 7)) << id;
    }
    EXPECT_TRUE(holds_sample() && bars_show_field(0) && recorder->messages().empty() && dialogs.empty());
    // "Default Location" moves only the look-at point home, whatever the high word
    s.view_distance = 900.0f, s.view_tilt = 35.0f, s.view_yaw = -120.0f;
    send_message(s.main_window, WM_COMMAND, (3u << 16) | CMD_DEFAULT_LOCATION, 0);
    EXPECT_EQ(std::tuple(s.view_center.x, s.view_center.y, s.view_distance, s.view_tilt, s.view_yaw),
              std::tuple(941.0f, 694.0f, 900.0f, 35.0f, -120.0f));
}

TEST_F(Viewer, LoadAndImportFillTheTableExportAndSaveWriteItOrEachSaysWhyNot) {
    std::filesystem::create_directory(dir / "sub");
    answers = {SAMPLE + ".csv", SAMPLE + ".dat", dir / "missing.dat", dir / "sub", "/dev/zero", ""};
    choose("Import CSV..");
    EXPECT_STREQ(record_table[STATE_INDEX].name, "TEXAS");
    choose("Load Data..");
    EXPECT_TRUE(holds_sample() && app_state.record_count == 255 && bars_show_field(0));
    app_state.active_field = 3, choose("Load Data..");  // a missing file; a rebuild would now show field 3
    choose("Load Data.."), choose("Import CSV..");     // a folder, and a device that never ends: loads that fail
    choose("Load Data..");                              // cancelled: not a word; the current directory put back
    EXPECT_TRUE(holds_sample() && app_state.record_count == 255 && bars_show_field(0) && current_directory() == start_dir);
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Import complete", "Info"}, {"Load complete", "Info"},
        {"read_records(): fopen error", "ERROR"}, {"Can't load data file!", "Error"},
        {"Can't load data file!", "Error"}, {"Can't import CSV file!", "Error"}}));
    // each dialog opens in the folder of the file chosen last
    const std::string scratch = dir.path().string() + "/";
    EXPECT_EQ(dialogs, (std::vector<std::string>{"open .csv " + start_dir, "open .dat " + SAMPLE_DIR,
        "open .dat " + SAMPLE_DIR, "open .dat " + scratch, "open .csv " + scratch, "open .dat /dev/"}));

    // Export and Save write the sample's files, and ask before replacing one
    dialogs.clear(), load_sample(), test::write_file(dir / "old.csv", "old");
    answers = {dir / "view.CSV", dir / "saved", dir / "none/out.csv", dir / "none/out.dat", dir / "old", ""};
    const char *csv = "Export CSV..", *dat = "Save Data..";
    for (const char* entry : {csv, dat, csv, dat, csv, csv}) choose(entry);
    EXPECT_TRUE(test::read_file(dir / "view.CSV.csv") == test::read_file(SAMPLE + ".csv") &&
                test::read_file(dir / "saved.dat") == test::read_file(SAMPLE + ".dat"));
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Export complete", "Info"}, {"Save complete", "Info"},
        {"Can't export CSV file!", "Error"}, {"Can't save data file!", "Error"}}));
    EXPECT_EQ(dialogs.at(0), "save .csv " + SAMPLE_DIR);  // where the last file was loaded from
    // "no" to replacing old.csv is a cancel: nothing written or said, the next dialog's folder kept
    EXPECT_EQ(questions, std::vector<std::string>{"old.csv already exists.\nDo you want to replace it?"});
    EXPECT_TRUE(test::read_file(dir / "old.csv") == "old" && dialogs.at(5) == dialogs.at(4));
}

TEST_F(Viewer, FilesOpenFromTheCommandLineOrADropAndTheKeysReachTheirCommands) {
    // at start-up as "Import CSV.." would load it, without a word: the bars say it
    open_data_file(SAMPLE + ".csv", true);
    EXPECT_TRUE(std::string(record_table[STATE_INDEX].name) == "TEXAS" && app_state.record_count == 255);
    EXPECT_TRUE(recorder->messages().empty() && bars_show_field(0));
    // the extension in any case
    std::filesystem::copy_file(SAMPLE + ".dat", dir / "TEXAS.DAT");
    open_data_file(dir / "TEXAS.DAT");
    EXPECT_TRUE(holds_sample() && bars_show_field(0));
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Load complete", "Info"}}));
    // Anything else is not read: one message names it and says why, at start-up too, and nothing changes.
    test::write_file(dir / "map.png", "\x89PNG\r\n"), test::write_file(dir / "locked.csv", "header\r\nA,1\r\n");
    std::filesystem::permissions(dir / "locked.csv", std::filesystem::perms::none);
    ASSERT_EQ(mkfifo((dir / "pipe.csv").c_str(), 0600), 0);  // opening it would wait for a writer
    std::vector<std::pair<std::string, std::string>> refused = {
        {dir.path().string(), "it is a folder, not a data file"}, {"/dev/zero", "it is a device, not a data file"},
        {dir / "pipe.csv", "it is not a regular file"},
        {dir / "map.png", "only record files (.dat), CSV files (.csv) and tables (.tsv, .txt) can be opened"},
        {dir / "none.dat", "No such file or directory"}};
    if (geteuid() != 0) refused.emplace_back(dir / "locked.csv", "Permission denied");  // root reads it all the same
    auto table = [] { return std::string(reinterpret_cast<const char*>(record_table), sizeof record_table); };
    const std::string before = table();
    for (const auto& [path, why] : refused) {
        test::shown.clear(), open_data_file(path, true);
        EXPECT_EQ(recorder->messages(), (test::message_list{{"Can't open " + path + ": " + why, "Error"}}));
        EXPECT_TRUE(app_state.record_count == 255 && table() == before) << path;
    }
    // dropped from a file manager
    std::memset(record_table, 0, sizeof record_table), test::shown.clear();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(SAMPLE + ".dat"))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &drop);
    EXPECT_TRUE(holds_sample() && bars_show_field(0));
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Load complete", "Info"}}));
    // the keys every desktop program has
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    QWidget* view = client_area(app_state.main_window);
    for (Qt::Key key : {Qt::Key_O, Qt::Key_S, Qt::Key_I, Qt::Key_E}) QTest::keyClick(view, key, Qt::ControlModifier);
    EXPECT_EQ(dialogs, (std::vector<std::string>{"open .dat " + start_dir, "save .dat " + start_dir,
                                                 "open .csv " + start_dir, "save .csv " + start_dir}));
    QTest::keyClick(view, Qt::Key_F1);
    EXPECT_TRUE(window_visible(app_state.about_box));
    QTest::keyClick(view, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(end_run(), 0);
}

TEST_F(Viewer, ASavedLocationAndQueryComeBackAlsoAfterARestartAndNothingSavedOnlyRedraws) {
    app_state_rec& s = app_state;
    auto restart = [&] {
        quit_app(), run_message_loop(), QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        reset_app_state(), clear_values();
        ASSERT_NO_FATAL_FAILURE(start());
        load_sample();
    };
    auto pose = [&] { return std::tuple(s.view_distance, s.view_tilt, s.view_yaw, s.view_center.x, s.view_center.y); };
    auto query = [&] {
        return std::tuple(s.active_field, s.height_scale, s.selected_county,
                          list_selection(s.query_panel, IDC_DEMOGRAPHIC), list_selection(s.query_panel, IDC_SELECTION),
                          list_selection(s.gis_panel, IDC_HEIGHT_SCALE), s.colour_by_value, legend_place().shown);
    };
    load_sample();
    const auto home = pose();
    choose("Saved Location"), choose("Saved Query");  // nothing saved: a redraw each, nothing else
    EXPECT_EQ(std::tuple(presents, pose(), s.active_field), std::tuple(2, home, int16_t(0)));

    s.view_distance = 912.5f, s.view_tilt = -35.0f, s.view_yaw = 40.25f, s.view_center = {300.125f, 400.5f, 0.0f};
    const auto kept = pose();
    choose("Save Location");
    s.active_field = 11, s.selected_county = 100, refresh_query_panel(s.query_panel);
    set_height_scale(2), select_county(100), choose("Colour by Value");
    const auto chosen = query();
    choose("Save Query");
    const std::string file = test::read_file(config / "plexar/views.txt");  // a text a person can read
    EXPECT_NE(file.find("location distance=912.5 tilt=-35 yaw=40.25 center=300.125,400.5\n"), std::string::npos) << file;
    EXPECT_NE(file.find("query field=11 scale=2 county=100 colour=1\n"), std::string::npos) << file;
    for (int run = 0; run < 2; ++run) {  // then again in a new run
        choose("Default Location"), choose("Default Query"), s.view_tilt = 10.0f, select_county(5);
        EXPECT_FALSE(s.colour_by_value || legend_place().shown) << "Default Query leaves the colours on";
        const std::string before = info_text();
        choose("Saved Location"), choose("Saved Query");
        EXPECT_EQ(info_text(), before) << "a report appended";
        EXPECT_EQ(pose(), kept) << run;
        EXPECT_EQ(query(), chosen) << run;
        EXPECT_TRUE(only_highlighted(100) && bars_show_field(11)) << run;
        if (run == 0) restart();
    }
    EXPECT_TRUE(recorder->messages().empty());

    // a query saved before colours existed is read as one without them
    test::write_file(config / "plexar/views.txt", "query field=3 scale=1 county=7\n");
    restart(), choose("Colour by Value"), choose("Saved Query");
    EXPECT_TRUE(s.active_field == 3 && s.selected_county == 7 && !s.colour_by_value);
    // a file not understood is nothing saved; a folder that cannot be written says so once, and this run keeps it
    test::write_file(config / "plexar/views.txt", "location distance=912.5 tilt=-35 yaw=40.25 center=300.125,400.5\n"
                                                  "query field=99 scale=2 county=100\n");
    restart(), choose("Saved Location");
    EXPECT_EQ(pose(), home);
    setenv("XDG_CONFIG_HOME", (config / "plexar/views.txt").c_str(), 1);  // a file, not a folder
    s.view_yaw = -90.0f, choose("Save Location"), s.view_yaw = 0.0f, choose("Saved Location");
    EXPECT_EQ(s.view_yaw, -90.0f);
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Can't save location!", "Error"}}));
}

TEST_F(Viewer, OpenTableShowsItsColumnsAsFieldsSaysWhatMatchedAndLoadDataBringsTheCatalogueBack) {
    test::write_file(dir / "results.csv", "County,Votes,Share %\r\n\"Harris County, Texas\",\"1,234\",55.5%\r\n"
                                          "Texas,\"9,999\",50%\r\nLa Salle,12,N/A\r\nNowhere,1,2\r\n");
    auto labels = [] { return list_lines(app_state.query_panel, IDC_DEMOGRAPHIC); };
    app_state.active_field = 7;  // the table has no eighth field: its first is shown
    answers = {dir / "results.csv"}, choose("Open Table..");
    EXPECT_EQ(dialogs, (std::vector<std::string>{"open .csv .tsv .txt " + start_dir}));
    EXPECT_EQ(labels(), (std::vector<std::string>{"Votes", "Share %"}));
    EXPECT_EQ(recorder->messages(), (test::message_list{{
        "2 of 254 counties got a row, 2 fields were taken, 1 row did not match.\n"
        "Counties matched by the column \"County\".\nThe row for Texas gives the state-wide values.\n"
        "The Info panel lists the rows not matched and the counties without a row.", "Info"}}));
    EXPECT_NE(info_text().find("Rows not matched (1): Nowhere (line 5)\r\nCounties without a row (252): Anderson, "),
              std::string::npos) << info_text();
    EXPECT_TRUE(window_visible(app_state.info_panel));

    // the first field with the scale that fits its tallest bar (1234 x 0.1), "n/a" where a county has no value
    const int harris = 100, la_salle = 141;  // in the county table
    EXPECT_EQ(std::tuple(app_state.active_field, list_selection(app_state.gis_panel, IDC_HEIGHT_SCALE),
                         county_table[harris].value, app_state.state_value), std::tuple(0, 1, 1234.0f, 9999.0f));
    EXPECT_TRUE(std::isnan(county_table[0].value));
    EXPECT_EQ(county_report(int16_t(harris)), "\r\nVotes for Harris county: 1234.00\r\nVotes for Texas: 9999.00");
    app_state.active_field = 1, build_scene();
    EXPECT_EQ(county_report(int16_t(la_salle)), "\r\nShare % for LaSalle county: n/a\r\nShare % for Texas: 50.00");

    // Load Data puts the catalogue's labels back (the export header follows them: the table tests)
    answers = {SAMPLE + ".dat"}, dialogs.clear(), choose("Load Data..");
    ASSERT_EQ(labels().size(), 25u);
    EXPECT_EQ(labels()[0], "REP VOTE%");

    // a table without figures is refused, and nothing changes
    test::write_file(dir / "names.tsv", "Name\tNote\r\nHarris\tbig\r\n"), test::shown.clear();
    answers = {dir / "names.tsv"}, dialogs.clear(), choose("Open Table..");
    EXPECT_EQ(recorder->messages(),
              (test::message_list{{"Can't open " + dir / "names.tsv" + ": it has no column of numbers", "Error"}}));
    EXPECT_TRUE(holds_sample() && labels().size() == 25u);
}

class Ending : public Viewer, public ::testing::WithParamInterface<bool> {};

TEST_P(Ending, QuitOrTheCloseBoxEndsTheRunWithCodeZeroDestroyingEveryWindowAndDrawingNothingMore) {
    pl_window* const windows[] = {app_state.gis_panel, app_state.query_panel, app_state.info_panel, app_state.about_box};
    std::vector<QPointer<QWidget>> widgets;
    for (pl_window* p : windows) widgets.emplace_back(p->widget);
    GetParam() ? choose("Quit") : void(frame->close());
    EXPECT_TRUE(end_run() == 0 && presents == 0);  // nothing drawn after
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (pl_window* p : windows) EXPECT_TRUE(p->destroyed && !window_visible(p));
    for (auto& w : widgets) EXPECT_TRUE(w.isNull());
}
INSTANTIATE_TEST_SUITE_P(Viewer, Ending, ::testing::Bool(), [](auto& end) { return end.param ? "Quit" : "CloseBox"; });

}  // namespace
