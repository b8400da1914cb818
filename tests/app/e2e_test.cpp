// The built viewer as a user runs it: its command line, File > Load Data.. through the real dialog (xdotool),
// File > Quit, on a screen smaller than the window would like.
#include "screen.h"

static std::string run(const std::string& command) { return test::run(command).second; }

static bool xdotool(const std::string& args) { return std::system(("xdotool " + args).c_str()) == 0; }

static const std::string MESSAGE = "^(Info|ERROR|ERROR!|Error)$";  // the captions a message box may have

// A visible window of the process whose title matches, polled ("search --sync" trips on short-lived windows).
static std::string find_window(pid_t pid, const std::string& title, int tries = 50) {
    std::string search = "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '" + title + "'";
    for (int i = 0; i < tries; ++i, usleep(100000))
        if (std::string out = run(search + " 2>/dev/null"); out.find('\n') != std::string::npos && out[0] != '\n')
            return out.substr(0, out.find('\n'));
    return "";
}

// A picture of a window, raised first so that nothing lies over it.
static std::string picture(const std::string& window) {
    xdotool("windowraise " + window + " sleep 0.7");
    return run("import -window " + window + " -depth 8 ppm:-");
}

TEST(ViewerProcess, AnswersHelpAndVersionAndGivesTheUsageForACommandLineNotUnderstood) {
    EXPECT_EQ(run(PLEXAR_VIEWER " --version"), "Plexar 1.0c\n");
    const auto [help_code, help] = test::run(PLEXAR_VIEWER " --help 2>/dev/null");  // on standard output
    EXPECT_TRUE(help_code == 0 && help.rfind("usage: plexar [FILE]\n", 0) == 0) << help_code << help;
    for (const char* args : {" --bogus", " a.dat b.dat"}) {  // on standard error, exit code 2
        auto [code, errors] = test::run(PLEXAR_VIEWER + std::string(args) + " 2>&1 >/dev/null");
        EXPECT_EQ(code, 2) << args;
        EXPECT_NE(errors.find("usage: plexar [FILE]\n"), std::string::npos) << errors;
    }
}

TEST(ViewerProcess, FitsASmallScreenRefusesAFolderOnItsCommandLineLoadsThroughItsMenuAndDialogAndQuits) {
    test::own_screen desk(1024, 600);  // the window's own outer size is 1024 x 768
    ASSERT_FALSE(desk.display().empty()) << "no screen of its own (the test needs Xvfb and openbox)";
    setenv("DISPLAY", desk.display().c_str(), 1), unsetenv("XAUTHORITY");
    // a folder: one message, captioned Error (its text is not to be had through xdotool), and no bars
    const pid_t pid = desk.start({PLEXAR_VIEWER, PLEXAR_SOURCE_DIR "/data/sample"}, PLEXAR_SOURCE_DIR);  // finds ./data
    const std::string window = find_window(pid, "^Plexar 1\\.0c$", 200);
    ASSERT_FALSE(window.empty()) << "no main window (the test needs xdotool and ImageMagick)";
    const std::string error = find_window(pid, MESSAGE, 20);  // 2 seconds
    ASSERT_FALSE(error.empty()) << "no message for a folder";
    EXPECT_EQ(run("xdotool getwindowname " + error), "Error\n");
    ASSERT_TRUE(xdotool("windowfocus --sync " + error + " key Return sleep 1"));
    EXPECT_EQ(find_window(pid, MESSAGE, 1), "") << "a second message, or the first did not go";
    // the whole screen, frame included: the window's place and size, widened by its frame's extents
    int x, y, w, h, left, right, top, bottom;
    ASSERT_EQ(std::sscanf(run("xwininfo -id " + window + " | awk '/Absolute|Width:|Height:/ { print $NF }'; "
                              "xprop -id " + window + " _NET_FRAME_EXTENTS | cut -d= -f2 | tr , ' '").c_str(),
                          "%d %d %d %d %d %d %d %d", &x, &y, &w, &h, &left, &right, &top, &bottom), 8);
    EXPECT_EQ(std::tuple(x - left, y - top, w + left + right, h + top + bottom), std::tuple(0, 0, 1024, 600));
    const std::string before = picture(window);

    // File at the left end of the menu bar, its first entry; the path typed into the dialog
    const std::string menu = "mousemove --window " + window + " 15 10 click 1 sleep 0.4 ";
    ASSERT_TRUE(xdotool(menu + "key Down Return"));
    const std::string dialog = find_window(pid, "^Open$");
    ASSERT_TRUE(!dialog.empty() && xdotool("sleep 0.3 windowfocus --sync " + dialog +
                                           " type --delay 5 " PLEXAR_SOURCE_DIR "/data/sample/texas.dat"));
    ASSERT_TRUE(xdotool("sleep 0.2 key Return"));
    const std::string box = find_window(pid, MESSAGE);
    ASSERT_EQ(run("xdotool getwindowname " + box), "Info\n") << "no message, or the load failed";
    ASSERT_TRUE(xdotool("windowfocus --sync " + box + " key Return sleep 1"));  // the view shows again
    const std::string after = picture(window);  // with bars on the map: many bytes changed
    ASSERT_TRUE(before.size() > 800 * 500 * 3 && after.size() == before.size()) << before.size();
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); ++i) changed += std::abs(int(uint8_t(after[i])) - uint8_t(before[i])) > 24;
    EXPECT_GT(changed, after.size() / 100);

    ASSERT_TRUE(xdotool(menu + "key Up Return"));  // File > Quit
    int status = 0, done = 0;
    for (int i = 0; i < 50 && !(done = waitpid(pid, &status, WNOHANG)); ++i) usleep(100000);
    EXPECT_TRUE(done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "still running, or failed: " << status;
}
