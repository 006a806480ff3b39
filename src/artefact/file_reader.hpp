#pragma once
// Reading one artefact file whole, within bounds.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"

namespace brelk {

// An artefact larger than this is refused before it is read. The largest real
// artefacts are a few megabytes; at 1 GiB the parsed document and its page
// already take several times that in memory, and a link to a huge sparse file
// or a growing log must not take the machine down.
constexpr std::uint64_t max_artefact_bytes = std::uint64_t{1} << 30;

// The text of one file. A large file is read into a block of its own, taken
// from the system and given back whole, rather than into the heap: its
// memory is not cleared before the file is read over it, and it is faulted
// in a huge page at a time where the system allows.
class FileText {
public:
    FileText() = default;
    FileText(FileText&& other) noexcept;
    FileText& operator=(FileText&& other) noexcept;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText();

    std::string_view view() const { return {data(), size_}; }

    // Room for `capacity` bytes in all, keeping those read so far; throws
    // std::bad_alloc when none can be had.
    void reserve(std::size_t capacity);
    char* data() { return block_.empty() ? small_.data() : block_.data(); }
    const char* data() const { return block_.empty() ? small_.data() : block_.data(); }
    std::size_t capacity() const { return block_.empty() ? small_.size() : block_.size(); }
    void set_size(std::size_t size) { size_ = size; }

private:
    std::string small_;      // the text's room while it is small
    std::span<char> block_;  // its room once it is not
    std::size_t size_ = 0;
};

// The whole file as UTF-8 text, or why it cannot be had. Only regular files
// are read: a device, FIFO or socket named like an artefact is refused with
// "Operation not supported (os error 95)" without being read (a link to
// /dev/zero would never end), and a directory with "Is a directory".
std::variant<FileText, Unreadable> read_text_file(const std::string& path);

// Whether `text` is well-formed UTF-8: no stray or missing continuation
// bytes, overlong forms, surrogates or code points past U+10FFFF.
bool valid_utf8(std::string_view text);

}  // namespace brelk
