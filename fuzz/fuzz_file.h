// The readers take paths, so each input is written to a private file first,
// removed when the fuzzer exits.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const char* write_fuzz_input(const uint8_t* data, size_t size, const char* suffix) {
    static const std::string path = "/tmp/plexar-fuzz-" + std::to_string(getpid()) + suffix;
    [[maybe_unused]] static const int remove_at_exit = std::atexit([] { std::remove(path.c_str()); });
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path.c_str();
}
