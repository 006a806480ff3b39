#include "artefact/file_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>
#include <utf8.h>

#include "artefact/mapped_block.hpp"

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
std::variant<FileText, Unreadable> read_all(int fd, std::uint64_t expected) {
    FileText content;
    // One byte over the stated size, so that the read that finds the end
    // needs no room of its own.
    content.reserve(static_cast<std::size_t>(expected) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.capacity()) {
            if (filled > max_artefact_bytes) return too_large(filled);
            const std::size_t grown = std::max(filled * 2, filled + (std::size_t{1} << 16));
            content.reserve(std::min<std::size_t>(grown, max_artefact_bytes + 1));
        }
        const ssize_t got = read(fd, content.data() + filled, content.capacity() - filled);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return Unreadable{describe(OsError{errno})};
        }
        filled += static_cast<std::size_t>(got);
        content.set_size(filled);
    }
    return content;
}

std::variant<FileText, Unreadable> read_bytes(const std::string& path) {
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

FileText::FileText(FileText&& other) noexcept
    : small_(std::move(other.small_)),
      block_(std::exchange(other.block_, {})),
      size_(std::exchange(other.size_, 0)) {}

FileText& FileText::operator=(FileText&& other) noexcept {
    if (this == &other) return *this;
    if (!block_.empty()) unmap_block(block_);
    small_ = std::move(other.small_);
    block_ = std::exchange(other.block_, {});
    size_ = std::exchange(other.size_, 0);
    return *this;
}

FileText::~FileText() {
    if (!block_.empty()) unmap_block(block_);
}

void FileText::reserve(std::size_t capacity) {
    if (capacity <= this->capacity()) return;
    if (capacity < huge_page_size) {
        small_.resize(capacity);
        return;
    }
    const auto larger = map_block(capacity);
    std::copy_n(data(), size_, larger.data());
    if (!block_.empty()) unmap_block(block_);
    block_ = larger;
    small_ = std::string();
}

std::variant<FileText, Unreadable> read_text_file(const std::string& path) {
    auto content = read_bytes(path);
    if (auto* unreadable = std::get_if<Unreadable>(&content)) return std::move(*unreadable);
    if (!valid_utf8(std::get<FileText>(content).view())) return Unreadable{"stream did not contain valid UTF-8"};
    return std::move(std::get<FileText>(content));
}

}  // namespace brelk
