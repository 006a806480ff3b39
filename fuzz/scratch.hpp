#pragma once
// Where the fuzzers lay out artefact trees, and how they catch what the
// program writes to its descriptors.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brelk::fuzz {

// One fresh directory per process under TMPDIR, else /dev/shm, else the
// system temporary directory; removed when the fuzzer exits normally.
const std::filesystem::path& scratch_root();

// `dir` made anew and empty.
void renew_directory(const std::filesystem::path& dir);

// False when the file could not be written whole.
bool write_file(const std::filesystem::path& path, std::string_view content);

// The input cut apart at lines "=====" into at most `limit` pieces; the last
// piece keeps any further separators.
std::vector<std::string_view> cut_apart(std::string_view input, std::size_t limit);

// `text` as a relative path that cannot leave the directory it is joined to:
// leading slashes and "." components go, ".." components become "_..".
std::filesystem::path confined(std::string_view text);

// An in-memory file standing in for standard output or error during one run.
class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    int fd() const { return fd_; }
    // Everything written since the last call, and an empty file for the next run.
    std::string take();

private:
    int fd_;
};

}  // namespace brelk::fuzz
