// Plexar's entry point.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "platform/surface.h"

namespace {

const char* const USAGE =
    "usage: plexar [FILE]\n"
    "  Shows the county figures of Texas as bars on a 3D map.\n"
    "  FILE       a record file (.dat) or a CSV file (.csv) to load at start\n"
    "  --help     this text\n"
    "  --version  the program's version\n";

}  // namespace

int main(int argc, char** argv) {
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts(MAIN_TITLE);
            return 0;
        }
        if (argv[i][0] == '-' || file) {  // a command line not understood: 2, as command-line tools exit
            std::fprintf(stderr, "plexar: unexpected argument %s\n%s", argv[i], USAGE);
            return 2;
        }
        file = argv[i];
    }
    std::string why;
    int qt_argc = 1;  // the file is ours, not the toolkit's
    if (!platform_start(qt_argc, argv, &why)) {
        std::fprintf(stderr, "Plexar cannot start: %s\n", why.c_str());
        return 1;
    }
    const int code = app_main(file);
    // For the soak test (scripts/soak): how much the run drew.
    if (std::getenv("PLEXAR_REPORT_FRAMES")) std::fprintf(stderr, "plexar: %lu frames drawn\n", frames_drawn());
    return code;
}
