// Plexar's entry point.
#include <cstdio>
#include <string>

#include "app/app.h"

int main(int argc, char** argv) {
    std::string why;
    if (!platform_start(argc, argv, &why)) {
        std::fprintf(stderr, "Plexar cannot start: %s\n", why.c_str());
        return 1;
    }
    return app_main();
}
