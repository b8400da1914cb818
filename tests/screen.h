// A screen of a test's own, as a person's desktop has one: a virtual X display of a given size with the openbox
// window manager on it, so that windows get frames, placement and focus, and input goes through the window system
// to whatever lies on top at the pointer (xdotool). What it starts ends with it, or with the process that made it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_util.h"

namespace test {

class own_screen {
public:
    own_screen(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) return;
        // the server writes its display number to fd 3 once it takes connections
        const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
        start({"Xvfb", "-displayfd", "3", "-screen", "0", size, "-nolisten", "tcp", "-noreset"}, ".", fds[1]);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (number.empty()) return;
        display_ = ":" + number;
        // openbox runs its start-up command once it manages the screen
        const std::string ready = (dir_ / "ready");
        start({"openbox", "--sm-disable", "--startup", "touch " + ready});
        for (int i = 0; i < 100 && !std::filesystem::exists(ready); ++i) usleep(50000);
        if (!std::filesystem::exists(ready)) display_.clear();
    }
    ~own_screen() {
        for (auto pid = started_.rbegin(); pid != started_.rend(); ++pid)  // unless a test has waited for its end
            if (*pid > 0 && waitpid(*pid, nullptr, WNOHANG) == 0) kill(*pid, SIGTERM), waitpid(*pid, nullptr, 0);
    }
    own_screen(const own_screen&) = delete;
    own_screen& operator=(const own_screen&) = delete;

    // An X display name, or empty when the server or the window manager could not start.
    const std::string& display() const { return display_; }

    // Runs xdotool with these arguments on this screen; true when it succeeded.
    bool xdotool(const std::string& args) const {
        return std::system(("DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
    }

    // Starts a program on this screen (once it has one) in folder, its output dropped; its process id.
    pid_t start(std::vector<std::string> args, const std::string& folder = ".", int display_fd = -1) {
        const pid_t parent = getpid(), pid = fork();
        started_.push_back(pid);
        if (pid != 0) return pid;
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // gone with the test
        if (getppid() != parent || chdir(folder.c_str()) != 0) _exit(1);
        if (display_fd >= 0) dup2(display_fd, 3);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1), dup2(null, 2);
        if (!display_.empty()) setenv("DISPLAY", display_.c_str(), 1), unsetenv("XAUTHORITY");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }

private:
    scratch_dir dir_;
    std::vector<pid_t> started_;
    std::string display_;
};

}  // namespace test
