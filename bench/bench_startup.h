// What the start-up benchmarks share: clocks measured from the start of the
// process and the resident memory, read the same way for the viewer and for
// the empty OpenGL window it is compared with.
#pragma once

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace bench {

// Milliseconds since the kernel started this process (the clock-tick
// resolution of /proc, usually 10 ms), so dynamic loading counts too.
inline double ms_since_process_start() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    // field 22, counted after the command name in parentheses (which may hold blanks)
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    double start = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (now.tv_sec + now.tv_nsec / 1e9 - start) * 1000.0;
}

// A "kB" line of /proc/self/status, such as VmRSS or VmHWM.
inline long status_kb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') return std::stol(line.substr(n + 1));
    return -1;
}

class stopwatch {
public:
    stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

// One line a script can read: name=value pairs. "drawn" is the first frame
// drawn into the view's framebuffer, "shown" the moment the toolkit has put it
// on the window (QOpenGLWidget::frameSwapped).
inline void report(const char* program, double drawn_ms, double shown_ms, double shown_from_process_ms, long rss_kb,
                   long hwm_kb) {
    std::printf("%s: drawn_from_main_ms=%.1f shown_from_main_ms=%.1f shown_from_process_start_ms=%.0f rss_kb=%ld "
                "hwm_kb=%ld\n",
                program, drawn_ms, shown_ms, shown_from_process_ms, rss_kb, hwm_kb);
    std::fflush(stdout);
}

}  // namespace bench
