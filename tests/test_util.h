// Helpers shared by the tests: a scratch folder, the messages the program showed, file bytes, commands run.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/modal.h"

namespace test {

// A fresh folder, removed with everything in it when the test ends.
class scratch_dir {
public:
    scratch_dir() {
        std::string templ = (std::filesystem::temp_directory_path() / "plexar-test-XXXXXX").string();
        if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
        path_ = templ;
    }
    ~scratch_dir() { std::error_code ec; std::filesystem::remove_all(path_, ec); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

using message_list = std::vector<std::pair<std::string, std::string>>;
inline message_list shown;

// Records every message box (text, caption) instead of showing it.
struct message_recorder {
    message_fn previous = set_message_handler([](const char* t, const char* c) { shown.emplace_back(t, c); });
    message_recorder() { shown.clear(); }
    ~message_recorder() { set_message_handler(previous); }
    const message_list& messages() const { return shown; }
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Runs a shell command: its exit code (-1 when it did not exit) and what it wrote to standard output.
inline std::pair<int, std::string> run(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    for (int c; p && (c = std::fgetc(p)) != EOF;) out += char(c);
    const int status = p ? pclose(p) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace test
