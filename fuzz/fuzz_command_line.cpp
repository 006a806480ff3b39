// The program as it is started: the footer stamp's environment and an
// argument vector, run against a small tree of one artefact of every kind.
//
// Input: fields separated by NUL bytes. The first three are the values of
// SOURCE_DATE_EPOCH, TZ and LC_ALL (an empty field leaves the variable unset);
// the rest are the arguments after the program name. The parsed directory and
// output path are joined to the scratch directory, so a run reads and writes
// nothing outside it.
#include <stdlib.h>
#include <time.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "main/command_line.hpp"
#include "main/driver.hpp"
#include "page_check.hpp"
#include "scratch.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 3> stamp_variables = {"SOURCE_DATE_EPOCH", "TZ", "LC_ALL"};

// Seeds of every kind, placed beneath runs/checkout/ of the tree.
constexpr std::array<std::string_view, 4> tree_files = {
    "fuzz_yaml_records/explore-small.yaml", "fuzz_yaml_records/optimize-small.yaml",
    "fuzz_yaml_records/baseline-2024-03-09.yaml", "fuzz_verdict_xml/2024-05-02-nightly.xml"};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) std::abort();
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TreeFile {
    fs::path name;
    std::string content;
};

const std::vector<TreeFile>& tree() {
    static const std::vector<TreeFile> files = [] {
        std::vector<TreeFile> read;
        for (std::string_view seed : tree_files) {
            const fs::path path = fs::path(BRELK_SOURCE_DIR) / "fuzz" / "corpus" / seed;
            read.push_back({path.filename(), read_file(path)});
        }
        return read;
    }();
    return files;
}

// Runs may write into the tree (an output path inside it), so every run gets
// a fresh one.
const fs::path& lay_out_tree() {
    static const fs::path root = brelk::fuzz::scratch_root() / "cwd";
    brelk::fuzz::renew_directory(root / "runs" / "checkout");
    for (const TreeFile& file : tree()) brelk::fuzz::write_file(root / "runs" / "checkout" / file.name, file.content);
    return root;
}

std::vector<std::string> fields(std::string_view input) {
    std::vector<std::string> split;
    for (;;) {
        const auto nul = input.find('\0');
        split.emplace_back(input.substr(0, nul));
        if (nul == std::string_view::npos) return split;
        input.remove_prefix(nul + 1);
    }
}

void set_environment(const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < stamp_variables.size(); ++i) {
        if (i < values.size() && !values[i].empty()) {
            ::setenv(stamp_variables[i], values[i].c_str(), 1);
        } else {
            ::unsetenv(stamp_variables[i]);
        }
    }
    // localtime_r reads TZ only once unless told to read it again.
    ::tzset();
}

// An empty path stays empty: it names no file at all.
std::string rebased(const fs::path& root, const std::string& path) {
    if (path.empty()) return path;
    return (root / brelk::fuzz::confined(path)).string();
}

void check_answer(const brelk::Answer& answer) {
    if (answer.status != 0 && answer.status != 2) std::abort();
    if (!answer.out.empty() && answer.out != brelk::version_text()) std::abort();
    brelk::fuzz::abort_on(brelk::fuzz::diagnostics_fault(answer.err));
}

void check_report(const brelk::Options& options, int status, const std::string& out, const std::string& err) {
    if (status != 0 && status != 1) std::abort();
    brelk::fuzz::abort_on(brelk::fuzz::diagnostics_fault(err));
    if (status != 0) return;
    if (!options.output) {
        brelk::fuzz::abort_on(brelk::fuzz::page_fault(out));
        return;
    }
    if (!out.empty()) std::abort();  // the page went to the file
    brelk::fuzz::abort_on(brelk::fuzz::page_fault(read_file(*options.output)));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // Only LC_ALL names the locale here; the host's own settings stay out.
    ::unsetenv("LC_TIME");
    ::unsetenv("LANG");
    (void)tree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> values = fields(std::string_view(reinterpret_cast<const char*>(data), size));
    set_environment(values);
    const std::vector<std::string> args(values.begin() + static_cast<std::ptrdiff_t>(std::min(values.size(), stamp_variables.size())),
                                        values.end());

    auto parsed = brelk::parse_command_line(args);
    if (const auto* answer = std::get_if<brelk::Answer>(&parsed)) {
        check_answer(*answer);
        return 0;
    }
    brelk::Options options = std::get<brelk::Options>(parsed);
    const fs::path& root = lay_out_tree();
    options.dir = rebased(root, options.dir);
    if (options.output) options.output = rebased(root, *options.output);

    static brelk::fuzz::CapturedOutput out, err;
    const int status = brelk::run_report(options, out.fd(), err.fd());
    check_report(options, status, out.take(), err.take());
    return 0;
}
