// Whole reports over thousands of artefacts: the sample configurations of
// examples/ copied into many services, then rendered as one page.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "explore/explore_report.hpp"
#include "optimize/optimize_report.hpp"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes `services` × (copies of every sample of `kind`) artefacts into a fresh directory.
fs::path make_tree(const std::string& kind, int services, int copies) {
    std::string pattern = (fs::temp_directory_path() / "brelk-bench-XXXXXX").string();
    fs::path root = ::mkdtemp(pattern.data());
    std::vector<std::string> samples;
    for (const auto& service : fs::directory_iterator(fs::path(BRELK_SOURCE_DIR) / "examples" / kind)) {
        for (const auto& file : fs::directory_iterator(service)) samples.push_back(read(file.path()));
    }
    const std::regex contract("serviceContractId: .*");
    const std::regex configuration("\nconfiguration: .*");
    for (int s = 0; s < services; ++s) {
        fs::create_directories(root / std::to_string(s));
        for (int c = 0; c < copies; ++c) {
            for (std::size_t k = 0; k < samples.size(); ++k) {
                std::string text = std::regex_replace(samples[k], contract,
                                                      "serviceContractId: service-" + std::to_string(s));
                text = std::regex_replace(text, configuration, "");
                text += "configuration: copy-" + std::to_string(c) + "-" + std::to_string(k) + "\n";
                std::ofstream(root / std::to_string(s) / (std::to_string(c) + "-" + std::to_string(k) + ".yaml"))
                    << text;
            }
        }
    }
    return root;
}

void report_peak_memory(benchmark::State& state) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ExploreReport(benchmark::State& state) {
    const int services = static_cast<int>(state.range(0));
    const int copies = static_cast<int>(state.range(1));
    fs::path tree = make_tree("explore", services, copies);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto generated = brelk::explore::ExploreReport::generate(tree, false);
        auto& output = std::get<brelk::ReportOutput>(generated);
        bytes = brelk::page_text(output).size();
        state.counters["configurations"] = static_cast<double>(output.count);
    }
    state.counters["page_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    report_peak_memory(state);
    fs::remove_all(tree);
}
// services × copies of the ten explore samples: 200 and 2,000 configurations,
// each a full sample with hundreds of latencies and per-input standings.
BENCHMARK(BM_ExploreReport)->Args({2, 10})->Args({20, 10})->Args({1, 200})->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OptimizeReport(benchmark::State& state) {
    fs::path tree = make_tree("optimize", static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        auto generated = brelk::optimize::OptimizeReport::generate(tree, false);
        state.counters["runs"] = static_cast<double>(std::get<brelk::ReportOutput>(generated).count);
    }
    report_peak_memory(state);
    fs::remove_all(tree);
}
BENCHMARK(BM_OptimizeReport)->Args({20, 30})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
