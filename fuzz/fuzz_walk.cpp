// File names in the walk: a tree whose service and file names come from the
// input, read by every command through the whole program. Each file gets at
// most one diagnostic line, however its name is made, and no name can put a
// control character on the terminal or the page.
//
// Input: files cut apart at a line "=====". Each piece is a name, a NUL byte
// and the file's content; a piece without a NUL is a name with no content.
// The name's first "/" separates the service directory from the file name
// (without one, the file goes into the service "s"); each of the two names is
// cut at 255 bytes, and "", "." and ".." become "_", "_." and "_..".
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "main/driver.hpp"
#include "page_check.hpp"
#include "scratch.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t max_files = 8;
constexpr std::size_t name_max = 255;
constexpr std::array<std::string_view, 4> commands = {"explore", "optimize", "measure", "verdict"};

std::string usable_name(std::string_view name) {
    name = name.substr(0, name_max);
    if (name.empty() || name == "." || name == "..") return "_" + std::string(name);
    return std::string(name);
}

// How many files were written.
std::size_t lay_out(const fs::path& dir, std::string_view input) {
    std::size_t written = 0;
    for (std::string_view piece : brelk::fuzz::cut_apart(input, max_files)) {
        const auto nul = piece.find('\0');
        const std::string_view path = piece.substr(0, nul);
        const std::string_view content = nul == std::string_view::npos ? std::string_view() : piece.substr(nul + 1);
        const auto slash = path.find('/');
        const std::string service = slash == std::string_view::npos ? "s" : usable_name(path.substr(0, slash));
        // Service directories are not descended into: a later "/" becomes "_".
        std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
        std::replace(name.begin(), name.end(), '/', '_');
        std::error_code ec;
        fs::create_directory(dir / service, ec);
        written += brelk::fuzz::write_file(dir / service / usable_name(name), content) ? 1 : 0;
    }
    return written;
}

std::size_t skipped_lines(std::string_view diagnostics) {
    std::size_t count = diagnostics.starts_with("skipped ") ? 1 : 0;
    for (auto at = diagnostics.find("\nskipped "); at != std::string_view::npos;
         at = diagnostics.find("\nskipped ", at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A fixed footer stamp: no clock, locale or zone lookups per run.
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path dir = brelk::fuzz::scratch_root() / "walk";
    brelk::fuzz::renew_directory(dir);
    const std::size_t files = lay_out(dir, std::string_view(reinterpret_cast<const char*>(data), size));

    static brelk::fuzz::CapturedOutput out, err;
    for (std::string_view command : commands) {
        const std::vector<std::string> args = {std::string(command), dir.string()};
        const int status = brelk::run_brelk(args, out.fd(), err.fd());
        const std::string page = out.take();
        const std::string diagnostics = err.take();
        if (status != 0 && status != 1) std::abort();
        brelk::fuzz::abort_on(brelk::fuzz::diagnostics_fault(diagnostics));
        if (skipped_lines(diagnostics) > files) brelk::fuzz::abort_on("more skipped lines than files:\n" + diagnostics);
        if (status == 0) brelk::fuzz::abort_on(brelk::fuzz::page_fault(page));
    }
    return 0;
}
