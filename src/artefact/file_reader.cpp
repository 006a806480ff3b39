#include "artefact/file_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// Reads to the end straight into the text, but never more than the bound: a
// file that grows while it is read is refused like one that was too large to
// begin with.
std::variant<std::string, Unreadable> read_all(int fd, std::uint64_t expected) {
    std::string content;
    // One byte over the stated size, so that the read that finds the end
    // needs no room of its own.
    content.resize(static_cast<std::size_t>(expected) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (filled > max_artefact_bytes) return too_large(filled);
            const std::size_t grown = std::max(filled * 2, filled + (std::size_t{1} << 16));
            content.resize(std::min<std::size_t>(grown, max_artefact_bytes + 1));
        }
        const ssize_t got = read(fd, content.data() + filled, content.size() - filled);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return Unreadable{describe(OsError{errno})};
        }
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
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

// Plain ASCII, thirty-two or eight bytes at a time, is most of any artefact.
// A valid multi-byte sequence never holds an ASCII byte, so checking each run
// of other bytes on its own finds exactly what checking the whole text finds.
bool valid_utf8(std::string_view text) {
    const char* it = text.data();
    const char* const end = it + text.size();
    auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    while (it != end) {
        if (end - it >= 32) {
            std::uint64_t words[4];
            std::memcpy(words, it, sizeof words);
            if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080u) == 0) {
                it += 32;
                continue;
            }
        }
        if (end - it >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, it, sizeof word);
            if ((word & 0x8080808080808080u) == 0) {
                it += 8;
                continue;
            }
        }
        if (ascii(*it)) {
            ++it;
            continue;
        }
        const char* const run_end = std::find_if(it, end, ascii);
        if (!utf8::is_valid(it, run_end)) return false;
        it = run_end;
    }
    return true;
}

std::variant<std::string, Unreadable> read_text_file(const std::string& path) {
    auto content = read_bytes(path);
    if (auto* unreadable = std::get_if<Unreadable>(&content)) return std::move(*unreadable);
    const std::string& text = std::get<std::string>(content);
    if (!valid_utf8(text)) return Unreadable{"stream did not contain valid UTF-8"};
    return std::move(std::get<std::string>(content));
}

}  // namespace brelk
