#pragma once
// Putting the finished page where the user asked for it.
#include <filesystem>
#include <string_view>
#include <variant>

#include "html/report_output.hpp"

namespace brelk {

struct CouldNotCreate {
    std::filesystem::path directory;
    OsError error;
};
struct CouldNotWrite {
    OsError error;
};

using OutputResult = std::variant<std::monostate, CouldNotCreate, CouldNotWrite>;

// Creates the missing parent directories (0777 before the umask), then writes
// the page so that a reader of `path` sees either the old file or the whole new
// one, never a part: a regular file (or a new one) is replaced by renaming a
// finished temporary file over it, keeping an existing file's permission bits;
// anything else (a terminal, /dev/stdout, a FIFO) is written directly.
OutputResult write_output(const std::filesystem::path& path, std::string_view page);

// Writes all of `data` to the descriptor; false on any failure.
bool write_all(int fd, std::string_view data);

}  // namespace brelk
