// The built viewer as a user runs it: File > Load Data.. through the real dialog (xdotool), File > Quit.
#include <signal.h>
#include <unistd.h>

#include "test_util.h"

static std::string run(const std::string& command) { return test::run(command).second; }

static bool xdotool(const std::string& args) { return std::system(("xdotool " + args).c_str()) == 0; }

// A visible window of the process whose title matches, polled ("search --sync" trips on short-lived windows).
static std::string find_window(pid_t pid, const std::string& title, int tries = 50) {
    std::string search = "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '" + title + "'";
    for (int i = 0; i < tries; ++i, usleep(100000))
        if (std::string out = run(search + " 2>/dev/null"); out.find('\n') != std::string::npos && out[0] != '\n')
            return out.substr(0, out.find('\n'));
    return "";
}

struct child {  // a forked process, killed when the test ends unless it has ended
    pid_t pid = fork();
    ~child() { if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0); }
};

TEST(ViewerProcess, LoadsTheSampleThroughItsMenuAndDialogThenQuits) {
    child viewer;
    if (viewer.pid == 0 && chdir(PLEXAR_SOURCE_DIR) == 0) execl(PLEXAR_VIEWER, PLEXAR_VIEWER, nullptr);
    if (viewer.pid == 0) _exit(127);
    const std::string window = find_window(viewer.pid, "^Plexar 1\\.0c$", 200);
    ASSERT_TRUE(!window.empty() && xdotool("windowraise " + window + " sleep 0.7"))
        << "no main window (the test needs xvfb-run, xdotool and ImageMagick)";
    const std::string grab = "import -window " + window + " -depth 8 ppm:-", before = run(grab);

    // File at the left end of the menu bar, its first entry; the path typed into the dialog
    ASSERT_TRUE(xdotool("mousemove --window " + window + " 15 10 click 1 sleep 0.4 key Down Return"));
    const std::string dialog = find_window(viewer.pid, "^Open$");
    ASSERT_TRUE(!dialog.empty() && xdotool("sleep 0.3 windowfocus --sync " + dialog +
                                           " type --delay 5 " PLEXAR_SOURCE_DIR "/data/sample/texas.dat"));
    ASSERT_TRUE(xdotool("sleep 0.2 key Return"));
    const std::string box = find_window(viewer.pid, "^(Info|ERROR|Error)$");
    ASSERT_EQ(run("xdotool getwindowname " + box), "Info\n") << "no message, or the load failed";
    ASSERT_TRUE(xdotool("windowfocus --sync " + box + " key Return sleep 1"));  // the view shows again

    // the bars now stand on the map: many bytes of the picture changed
    const std::string after = run(grab);
    ASSERT_TRUE(before.size() > 800 * 600 * 3 && after.size() == before.size()) << before.size();
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); ++i) changed += std::abs(int(uint8_t(after[i])) - uint8_t(before[i])) > 24;
    EXPECT_GT(changed, after.size() / 100);

    ASSERT_TRUE(xdotool("mousemove --window " + window + " 15 10 click 1 sleep 0.4 key Up Return"));  // File > Quit
    int status = 0, done = 0;
    for (int i = 0; i < 50 && !(done = waitpid(viewer.pid, &status, WNOHANG)); ++i) usleep(100000);
    if (done == viewer.pid) viewer.pid = -1;
    EXPECT_TRUE(done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "still running, or failed: " << status;
}

TEST(ViewerProcess, OpensTheFileNamedOnItsCommandLineWithoutAWordRefusesAFolderAndAnswersHelpAndVersion) {
    EXPECT_EQ(run(PLEXAR_VIEWER " --version"), "Plexar 1.0c\n");
    const auto [help_code, help] = test::run(PLEXAR_VIEWER " --help 2>/dev/null");  // on standard output
    EXPECT_TRUE(help_code == 0 && help.rfind("usage: plexar [FILE]\n", 0) == 0) << help_code << help;
    // a command line not understood: the usage on standard error, exit code 2
    for (const char* args : {" --bogus", " a.dat b.dat"}) {
        auto [code, errors] = test::run(PLEXAR_VIEWER + std::string(args) + " 2>&1 >/dev/null");
        EXPECT_EQ(code, 2) << args;
        EXPECT_NE(errors.find("usage: plexar [FILE]\n"), std::string::npos) << errors;
    }
    // A folder: one message, captioned Error (its text is not to be had through xdotool), and no bars.
    // The sample CSV: no message at all, the bars say it loaded.
    std::string views[2];
    const char* files[2] = {PLEXAR_SOURCE_DIR "/data/sample", PLEXAR_SOURCE_DIR "/data/sample/texas.csv"};
    for (int i = 0; i < 2; ++i) {
        child viewer;
        if (viewer.pid == 0 && chdir(PLEXAR_SOURCE_DIR) == 0) execl(PLEXAR_VIEWER, PLEXAR_VIEWER, files[i], nullptr);
        if (viewer.pid == 0) _exit(127);
        const std::string window = find_window(viewer.pid, "^Plexar 1\\.0c$", 200);
        ASSERT_FALSE(window.empty()) << "no main window (the test needs xvfb-run, xdotool and ImageMagick)";
        const std::string box = find_window(viewer.pid, "^(Info|ERROR|ERROR!|Error)$", 20);  // 2 seconds
        if (i == 0) {
            ASSERT_FALSE(box.empty()) << "no message for a folder";
            EXPECT_EQ(run("xdotool getwindowname " + box), "Error\n");
            ASSERT_TRUE(xdotool("windowfocus --sync " + box + " key Return"));
            std::string next = box;  // the box goes, and no other comes in the next second
            for (int i = 0; i < 30 && next == box; ++i) next = find_window(viewer.pid, "^(Info|ERROR|ERROR!|Error)$", 1);
            if (next.empty()) next = find_window(viewer.pid, "^(Info|ERROR|ERROR!|Error)$", 10);
            EXPECT_EQ(next, "") << "a second message";
        } else {
            EXPECT_EQ(box, "") << "a message after a good start: " << run("xdotool getwindowname " + box);
        }
        ASSERT_TRUE(xdotool("windowraise " + window + " sleep 0.7"));
        views[i] = run("import -window " + window + " -depth 8 ppm:-");
    }
    ASSERT_TRUE(views[0].size() > 800 * 600 * 3 && views[1].size() == views[0].size()) << views[0].size();
    size_t changed = 0;
    for (size_t i = 0; i < views[0].size(); ++i) changed += std::abs(int(uint8_t(views[1][i])) - uint8_t(views[0][i])) > 24;
    EXPECT_GT(changed, views[0].size() / 100);
}
