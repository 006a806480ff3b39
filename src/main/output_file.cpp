#include "main/output_file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <system_error>

namespace brelk {

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

namespace {

OutputResult write_directly(const std::filesystem::path& path, std::string_view page) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return CouldNotWrite{OsError{errno}};
    bool ok = write_all(fd, page);
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) return CouldNotWrite{OsError{error}};
    return std::monostate{};
}

mode_t default_file_mode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writes a temporary sibling of `target` and renames it over `target`.
// Returns nullopt when no temporary file could be made there, so the caller
// can still try a plain write (a writable file in a read-only directory).
std::optional<OutputResult> replace_atomically(const std::filesystem::path& target, std::string_view page,
                                               mode_t mode) {
    std::filesystem::path dir = target.parent_path();
    std::string pattern = (dir / ("." + target.filename().string() + ".brelk-XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return std::nullopt;
    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, page) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(pattern.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(pattern.c_str());
        return CouldNotWrite{OsError{error}};
    }
    return std::monostate{};
}

}  // namespace

OutputResult write_output(const std::filesystem::path& path, std::string_view page) {
    std::filesystem::path parent = path.parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parent, ec);
        if (ec) return CouldNotCreate{parent, OsError{ec.value()}};
    }

    struct stat info {};
    std::filesystem::path target = path;
    mode_t mode = default_file_mode();
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return write_directly(path, page);
        mode = info.st_mode & 07777;
        // Replace what a link points at, not the link itself.
        std::error_code ec;
        auto resolved = std::filesystem::canonical(path, ec);
        if (!ec) target = resolved;
    } else if (errno != ENOENT) {
        return write_directly(path, page);
    }
    if (auto replaced = replace_atomically(target, page, mode)) return *replaced;
    return write_directly(path, page);
}

}  // namespace brelk
