// Any bytes, cut into artefact files laid out as <dir>/<service>/<file> and
// rendered by every report. Whatever survives reading must render into a page
// of valid UTF-8 in which no artefact text turned into markup.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

#include <utf8.h>

#include "explore/explore_report.hpp"
#include "measure/measure_report.hpp"
#include "optimize/optimize_report.hpp"
#include "verdict/verdict_report.hpp"

namespace {

namespace fs = std::filesystem;

// Files are cut apart at this line; the dictionary holds it so the fuzzer
// learns to make several.
constexpr std::string_view file_separator = "\n=====\n";
constexpr std::size_t max_files = 6;

// One scratch directory per process, removed when the fuzzer exits normally.
struct Scratch {
    fs::path root;
    Scratch() {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
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

const fs::path& scratch_root() {
    static const Scratch scratch;
    return scratch.root;
}

void write_file(const fs::path& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// Every piece goes in twice, as YAML and as XML, alternating between two
// services, so each report sees all of them.
fs::path lay_out(std::string_view input) {
    const fs::path dir = scratch_root() / "runs";
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir / "a", ec);
    fs::create_directories(dir / "b", ec);
    for (std::size_t i = 0; i < max_files && !input.empty(); ++i) {
        const auto cut = i + 1 < max_files ? input.find(file_separator) : std::string_view::npos;
        const std::string_view piece = input.substr(0, cut);
        input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + file_separator.size());
        const fs::path service = dir / (i % 2 == 0 ? "a" : "b");
        const std::string stem = "f" + std::to_string(i);
        write_file(service / (stem + ".yaml"), piece);
        write_file(service / (stem + ".xml"), piece);
    }
    return dir;
}

void check(const brelk::Generated& generated) {
    const auto* output = std::get_if<brelk::ReportOutput>(&generated);
    if (output == nullptr) std::abort();  // the scratch tree is always listable
    const std::string page = brelk::page_text(*output);
    if (!utf8::is_valid(page.begin(), page.end())) {
        std::fputs("page is not valid UTF-8\n", stderr);
        std::abort();
    }
    if (page.find("<script") != std::string::npos) {
        std::fputs("artefact text reached the page unescaped\n", stderr);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A fixed footer stamp: no clock, locale or zone lookups per run.
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path dir = lay_out(std::string_view(reinterpret_cast<const char*>(data), size));
    check(brelk::explore::ExploreReport::generate(dir, false));
    check(brelk::optimize::OptimizeReport::generate(dir, false));
    check(brelk::optimize::OptimizeReport::generate(dir, true));
    check(brelk::measure::MeasureReport::generate(dir, false));
    check(brelk::verdict::VerdictReport::generate(dir, false));
    return 0;
}
