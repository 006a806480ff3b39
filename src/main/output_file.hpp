#pragma once
// Putting the finished page where the user asked for it, so that whoever reads
// the report sees the old file or the whole new one, never a part of either.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

#include "artefact/os_error.hpp"

namespace brelk {

struct CouldNotCreate {
    std::filesystem::path directory;
    OsError error;
};
struct CouldNotWrite {
    OsError error;
};

using OutputResult = std::variant<std::monostate, CouldNotCreate, CouldNotWrite>;

// How the page reaches the path.
enum class OutputWay {
    Anonymous,  // an unnamed file in the report's directory, linked in and renamed over the report when complete
    NamedTemp,  // the same with a hidden named sibling, where the file system has no unnamed files
    InPlace,    // the directory takes no new file but the report is writable: staged elsewhere, then
                // copied over the report once its whole size is reserved, the old report kept aside
                // to be put back should the copy fail part way
    Direct,     // not a regular file (a terminal, a FIFO, /dev/null): written as it comes
    Relayed,    // standard output: staged in an unnamed file and copied out once complete
};

// A page being written. Chunks go to `fd`; the first failure is kept and
// reported when the file is finished.
struct OutputFile {
    OutputWay way = OutputWay::Direct;
    int fd = -1;
    int report_fd = -1;                // InPlace: the report, opened without truncating it; Relayed: the output
    std::string temp_path;             // NamedTemp: the hidden sibling
    std::filesystem::path target;      // the file that ends up holding the page
    std::uint64_t size = 0;
    std::uint64_t written_back = 0;    // bytes the system was asked to start putting on disk
    int error = 0;                     // errno of the first failed write
};

using OpenedOutput = std::variant<OutputFile, CouldNotCreate, CouldNotWrite>;

// Creates the missing parent directories of `path` (0777 before the umask)
// and opens the way the page will take. A report that its owner may not
// write is refused as a plain write would be; a symbolic link is followed to
// the file it names, also when that file does not exist yet; an existing
// report keeps its permission bits.
OpenedOutput open_output(const std::filesystem::path& path);

// Standard output (or any open descriptor, which is not closed): nothing
// reaches it before the page is complete. Where no unnamed file can be made,
// the page goes to it as it comes.
OpenedOutput open_relay(int fd);

void write_chunk(OutputFile& file, std::string_view chunk);

// Puts the page in place and closes everything. On failure the old report is
// untouched and no temporary file is left.
OutputResult finish_output(OutputFile& file);

// Drops a page that will not be finished.
void discard_output(OutputFile& file);

// Writes all of `data` to the descriptor; false on any failure (errno tells).
bool write_all(int fd, std::string_view data);

}  // namespace brelk
