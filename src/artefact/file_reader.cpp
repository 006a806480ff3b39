#include "artefact/file_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include <fmt/format.h>
#include <utf8.h>

namespace brelk {
namespace {

struct FileCloser {
    int fd;
    ~FileCloser() { close(fd); }
};

Unreadable too_large(std::uint64_t size) {
    return Unreadable{fmt::format("file of {} bytes is over the 1 GiB an artefact may hold", size)};
}

// Reads to the end, but never more than the bound: a file that grows while it
// is read is refused like one that was too large to begin with.
std::variant<std::string, Unreadable> read_all(int fd, std::uint64_t expected) {
    std::string content;
    content.reserve(static_cast<std::size_t>(expected));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return content;
        if (got < 0) {
            if (errno == EINTR) continue;
            return Unreadable{describe(OsError{errno})};
        }
        if (content.size() + static_cast<std::size_t>(got) > max_artefact_bytes) {
            return too_large(content.size() + static_cast<std::size_t>(got));
        }
        content.append(chunk, static_cast<std::size_t>(got));
    }
}

std::variant<std::string, Unreadable> read_bytes(const std::string& path) {
    // Non-blocking, so opening a FIFO nobody writes to cannot stop the walk.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Unreadable{describe(OsError{errno})};
    FileCloser closer{fd};
    struct stat status {};
    if (fstat(fd, &status) != 0) return Unreadable{describe(OsError{errno})};
    if (S_ISDIR(status.st_mode)) return Unreadable{describe(OsError{EISDIR})};
    if (!S_ISREG(status.st_mode)) return Unreadable{describe(OsError{EOPNOTSUPP})};
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > max_artefact_bytes) return too_large(size);
    // A file too big to hold is reported the way the system words it.
    try {
        return read_all(fd, size);
    } catch (const std::bad_alloc&) {
        return Unreadable{describe(OsError{ENOMEM})};
    } catch (const std::length_error&) {
        return Unreadable{describe(OsError{ENOMEM})};
    }
}

}  // namespace

std::variant<std::string, Unreadable> read_text_file(const std::string& path) {
    auto content = read_bytes(path);
    if (auto* unreadable = std::get_if<Unreadable>(&content)) return std::move(*unreadable);
    const std::string& text = std::get<std::string>(content);
    if (!utf8::is_valid(text.begin(), text.end())) return Unreadable{"stream did not contain valid UTF-8"};
    return std::move(std::get<std::string>(content));
}

}  // namespace brelk
