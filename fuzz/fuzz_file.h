// The readers take paths, so each input is written to a private file first.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& fuzz_path(const char* suffix) {
    static std::string path = [suffix] {
        std::atexit([] { std::remove(fuzz_path("").c_str()); });
        return "/tmp/plexar-fuzz-" + std::to_string(getpid()) + suffix;
    }();
    return path;
}

inline const char* write_fuzz_input(const uint8_t* data, size_t size, const char* suffix) {
    const std::string& path = fuzz_path(suffix);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path.c_str();
}
