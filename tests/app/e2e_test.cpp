// The built viewer run as a user runs it, on the test display: the sample
// data loaded through the menu and the real file dialog with synthetic mouse
// and keyboard input (xdotool), pictures of the window taken before and after
// (ImageMagick's import), then File > Quit and the exit code.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "test_util.h"

namespace {

const std::string SOURCE_DIR = PLEXAR_SOURCE_DIR;

using namespace std::chrono_literals;

std::string run(const std::string& command) {
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return {};
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

bool ok(const std::string& command) { return std::system(command.c_str()) == 0; }

// The viewer as a child process started from the folder that holds data/;
// stopped at the end of the test if it is still running.
class viewer_process {
public:
    viewer_process() {
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(SOURCE_DIR.c_str()) != 0) _exit(126);
            execl(PLEXAR_VIEWER, PLEXAR_VIEWER, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~viewer_process() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }

    // The exit code once the process ends within the time given; -1 when it
    // does not, or ends by a signal.
    int wait_exit(std::chrono::milliseconds limit) {
        auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

// A visible window of the process whose title matches the pattern. Polled
// rather than "search --sync": xdotool gives up when a window goes away while
// it looks at it, as the toolkit's short-lived windows do.
std::string find_window(pid_t pid, const std::string& title, std::chrono::milliseconds limit) {
    std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '" + title +
                          "' 2>/dev/null";
    auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        std::string out = run(command);
        if (size_t end = out.find('\n'); end != std::string::npos && end > 0) return out.substr(0, end);
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

struct picture {
    int width = 0, height = 0;
    std::string rgb;  // top-down rows, 3 bytes a pixel
    const unsigned char* at(int x, int y) const {
        return reinterpret_cast<const unsigned char*>(rgb.data()) + (static_cast<size_t>(y) * width + x) * 3;
    }
};

// The window's contents as shown on the display, through a binary PPM.
picture grab(const std::string& window) {
    std::string ppm = run("import -window " + window + " -depth 8 ppm:- 2>/dev/null");
    picture p;
    int maxval = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &p.width, &p.height, &maxval, &used) != 3 || maxval != 255)
        return {};
    size_t size = static_cast<size_t>(p.width) * p.height * 3;
    if (ppm.size() < used + 1 + size) return {};
    p.rgb = ppm.substr(used + 1, size);
    return p;
}

void save_ppm(const picture& p, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6 %d %d 255\n", p.width, p.height);
    std::fwrite(p.rgb.data(), 1, p.rgb.size(), f);
    std::fclose(f);
}

bool grey_background(const unsigned char* c) {
    return std::abs(c[0] - 160) <= 2 && std::abs(c[1] - 160) <= 2 && std::abs(c[2] - 160) <= 2;
}

}  // namespace

TEST(ViewerProcess, LoadsTheSampleThroughItsMenuAndDialogThenQuits) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs a display: run under xvfb-run, as ./scripts/test does";
    ASSERT_TRUE(ok("command -v xdotool >/dev/null && command -v import >/dev/null"))
        << "needs xdotool and ImageMagick (scripts/packages.sh: DISPLAY_PACKAGES)";

    viewer_process viewer;
    ASSERT_GT(viewer.pid(), 0);
    std::string window = find_window(viewer.pid(), "^Plexar 1\\.0c$", 20s);
    ASSERT_FALSE(window.empty()) << "no main window appeared";
    ASSERT_TRUE(ok("xdotool windowraise " + window));  // above anything else on the display
    std::this_thread::sleep_for(700ms);  // the first frame is presented
    picture before = grab(window);
    ASSERT_GE(before.width, 800);
    ASSERT_GE(before.height, 600);
    // grey around the map, the map in the middle
    EXPECT_TRUE(grey_background(before.at(before.width - 3, before.height - 3)));
    EXPECT_FALSE(grey_background(before.at(before.width / 2, before.height / 2)));

    // File (at the left end of the menu bar), its first entry "Load Data.."
    ASSERT_TRUE(ok("xdotool mousemove --window " + window + " 15 10 click 1"));
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(ok("xdotool key Down Return"));
    std::string dialog = find_window(viewer.pid(), "^Open$", 5s);
    ASSERT_FALSE(dialog.empty()) << "no open dialog appeared";
    std::this_thread::sleep_for(300ms);
    // the file name field has the focus: type the path and open it
    std::string path = SOURCE_DIR + "/data/sample/texas.dat";
    ASSERT_TRUE(ok("xdotool windowfocus --sync " + dialog + " type --delay 5 '" + path + "'"));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(ok("xdotool key Return"));

    std::string box = find_window(viewer.pid(), "^(Info|ERROR|Error)$", 5s);
    ASSERT_FALSE(box.empty()) << "no message after the dialog";
    EXPECT_EQ(run("xdotool getwindowname " + box), "Info\n") << "the load failed";
    ASSERT_TRUE(ok("xdotool windowfocus --sync " + box + " key Return"));
    for (int i = 0; i < 30 && !find_window(viewer.pid(), "^Info$", 100ms).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(find_window(viewer.pid(), "^Info$", 100ms).empty()) << "the message box stayed open";
    std::this_thread::sleep_for(500ms);  // the view is shown again where the box was

    // The bars now stand on the map: many pixels of the map area changed,
    // the grey border did not.
    picture after = grab(window);
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    int changed = 0, area = 0;
    for (int y = before.height / 10; y < before.height * 9 / 10; ++y) {
        for (int x = before.width / 10; x < before.width * 9 / 10; ++x) {
            const unsigned char *a = before.at(x, y), *b = after.at(x, y);
            ++area;
            if (std::abs(a[0] - b[0]) > 24 || std::abs(a[1] - b[1]) > 24 || std::abs(a[2] - b[2]) > 24) ++changed;
        }
    }
    std::printf("%d of %d pixels of the map area changed\n", changed, area);
    EXPECT_GT(changed, area / 100);
    EXPECT_TRUE(grey_background(after.at(after.width - 3, after.height - 3)));
    if (testing::Test::HasFailure() || std::getenv("PLEXAR_KEEP_PICTURES")) {
        std::string keep = testing::TempDir() + "plexar-e2e-";
        save_ppm(before, keep + "before.ppm");
        save_ppm(after, keep + "after.ppm");
        std::printf("pictures of the window: %sbefore.ppm, %safter.ppm\n", keep.c_str(), keep.c_str());
    }

    // File > Quit: the last entry
    ASSERT_TRUE(ok("xdotool mousemove --window " + window + " 15 10 click 1"));
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(ok("xdotool key Up Return"));
    EXPECT_EQ(viewer.wait_exit(5s), 0);
}
