// Two 20,000-line factor values with a few hundred scattered differences:
// how long the diff takes and how much memory the process peaks at.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "html/factor_diff.hpp"

namespace {

constexpr int line_count = 20000;
constexpr int changed_lines = 300;

std::vector<std::string> prompt_lines() {
    std::vector<std::string> lines;
    lines.reserve(line_count);
    for (int i = 0; i < line_count; ++i) {
        lines.push_back("Step " + std::to_string(i) + ": answer the customer politely and cite the policy.");
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// Rewrites, inserts or drops lines at random places, keeping the count near 20,000.
std::string edited(std::vector<std::string> lines) {
    std::mt19937 rng(7);
    for (int k = 0; k < changed_lines; ++k) {
        const auto at = static_cast<std::ptrdiff_t>(rng() % lines.size());
        switch (k % 3) {
            case 0: lines[static_cast<std::size_t>(at)] += " (revised)"; break;
            case 1: lines.insert(lines.begin() + at, "Extra rule " + std::to_string(k)); break;
            default: lines.erase(lines.begin() + at); break;
        }
    }
    return joined(lines);
}

double peak_rss_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void BM_LineDiff20kLines(benchmark::State& state) {
    const auto base = prompt_lines();
    const std::string old_text = joined(base);
    const std::string new_text = edited(base);
    const auto new_lines = static_cast<double>(std::count(new_text.begin(), new_text.end(), '\n'));
    const double rss_before = peak_rss_mib();
    std::size_t changes = 0;
    for (auto _ : state) {
        const auto diff = brelk::line_diff(old_text, new_text);
        changes = 0;
        for (const auto& line : diff) changes += line.kind != brelk::DiffKind::Same;
        benchmark::DoNotOptimize(diff.data());
    }
    state.counters["changed_lines"] = static_cast<double>(changes);
    state.counters["peak_rss_MiB"] = peak_rss_mib();
    state.counters["peak_rss_growth_MiB"] = peak_rss_mib() - rss_before;
    // What a table of 64-bit counts over every pair of lines would have needed.
    state.counters["full_table_MiB"] = (line_count + 1.0) * (new_lines + 1.0) * 8.0 / (1024.0 * 1024.0);
}
BENCHMARK(BM_LineDiff20kLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
