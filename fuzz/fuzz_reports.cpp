// Any bytes, cut into artefact files laid out as <dir>/<service>/<file> and
// rendered by every report. Whatever survives reading must render into a page
// that holds only the templates' own markup and no raw control characters.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

#include "explore/explore_report.hpp"
#include "measure/measure_report.hpp"
#include "optimize/optimize_report.hpp"
#include "page_check.hpp"
#include "scratch.hpp"
#include "verdict/verdict_report.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t max_files = 6;

// Every piece goes in twice, as YAML and as XML, alternating between two
// services, so each report sees all of them.
fs::path lay_out(std::string_view input) {
    const fs::path dir = brelk::fuzz::scratch_root() / "runs";
    brelk::fuzz::renew_directory(dir / "a");
    brelk::fuzz::renew_directory(dir / "b");
    const auto pieces = brelk::fuzz::cut_apart(input, max_files);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const fs::path service = dir / (i % 2 == 0 ? "a" : "b");
        const std::string stem = "f" + std::to_string(i);
        brelk::fuzz::write_file(service / (stem + ".yaml"), pieces[i]);
        brelk::fuzz::write_file(service / (stem + ".xml"), pieces[i]);
    }
    return dir;
}

void check(const brelk::Generated& generated) {
    const auto* output = std::get_if<brelk::ReportOutput>(&generated);
    if (output == nullptr) std::abort();  // the scratch tree is always listable
    brelk::fuzz::abort_on(brelk::fuzz::page_fault(brelk::page_text(*output)));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A fixed footer stamp: no clock, locale or zone lookups per run.
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path dir = lay_out(std::string_view(reinterpret_cast<const char*>(data), size));
    // One thread: the same page as any other number gives, and the fuzzer
    // sees each input's own path through the code.
    constexpr unsigned workers = 1;
    check(brelk::explore::ExploreReport::generate(dir, false, workers));
    check(brelk::optimize::OptimizeReport::generate(dir, false, workers));
    check(brelk::optimize::OptimizeReport::generate(dir, true, workers));
    check(brelk::measure::MeasureReport::generate(dir, false, workers));
    check(brelk::verdict::VerdictReport::generate(dir, false, workers));
    return 0;
}
