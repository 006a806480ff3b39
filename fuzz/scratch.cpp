#include "scratch.hpp"

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace brelk::fuzz {

namespace fs = std::filesystem;

namespace {

// The line that separates two files of one input; the dictionaries hold it
// so the fuzzers learn to make several.
constexpr std::string_view file_separator = "\n=====\n";

// TMPDIR when it is set (fuzz/run sets it to a directory it removes even
// after a finding), else /dev/shm, else the system temporary directory.
fs::path scratch_base() {
    if (std::getenv("TMPDIR") == nullptr && fs::exists("/dev/shm")) return "/dev/shm";
    return fs::temp_directory_path();
}

struct Scratch {
    fs::path root;
    Scratch() {
        const fs::path base = scratch_base();
        std::string pattern = (base / "brelk-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

}  // namespace

const fs::path& scratch_root() {
    static const Scratch scratch;
    return scratch.root;
}

void renew_directory(const fs::path& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
}

bool write_file(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out.flush());
}

std::vector<std::string_view> cut_apart(std::string_view input, std::size_t limit) {
    std::vector<std::string_view> pieces;
    while (!input.empty() && pieces.size() < limit) {
        const auto cut = pieces.size() + 1 < limit ? input.find(file_separator) : std::string_view::npos;
        pieces.push_back(input.substr(0, cut));
        input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + file_separator.size());
    }
    return pieces;
}

fs::path confined(std::string_view text) {
    fs::path relative;
    while (!text.empty()) {
        const auto slash = text.find('/');
        const std::string_view component = text.substr(0, slash);
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
        if (component.empty() || component == ".") continue;
        relative /= component == ".." ? fs::path("_..") : fs::path(component);
    }
    return relative;
}

CapturedOutput::CapturedOutput() : fd_(::memfd_create("brelk-fuzz-output", MFD_CLOEXEC)) {
    if (fd_ < 0) std::abort();
}

CapturedOutput::~CapturedOutput() { ::close(fd_); }

std::string CapturedOutput::take() {
    std::string text;
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0) std::abort();
    text.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::pread(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (got <= 0) std::abort();
        done += static_cast<std::size_t>(got);
    }
    if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) std::abort();
    return text;
}

}  // namespace brelk::fuzz
