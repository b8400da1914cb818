#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The file a write to path really lands in: symbolic links followed, so that
// replacing the file keeps the link and changes what it points to.
fs::path write_target(fs::path path) {
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
        fs::path next = fs::read_symlink(path, ec);
        if (ec) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

bool replace_file(const std::string& path, const void* data, std::size_t size) {
    if (path.empty()) return false;
    fs::path target = write_target(path);
    fs::path folder = target.parent_path();
    std::string temp = (folder.empty() ? fs::path(".") : folder) / ("." + target.filename().string() + ".XXXXXX");

    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    // A new file gets the mode an ordinary create would give it; a replaced
    // file keeps its own.
    struct stat st;
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

std::string data_file(const std::string& relative) {
    std::error_code ec;
    if (fs::exists(relative, ec)) return relative;
    std::string rest = relative;
    for (const char* prefix : {"./", "data/"})
        if (rest.rfind(prefix, 0) == 0) rest.erase(0, std::char_traits<char>::length(prefix));
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return relative;
    const fs::path installed = exe.parent_path().parent_path() / "share" / "plexar" / rest;
    return fs::exists(installed, ec) ? installed.string() : relative;
}
