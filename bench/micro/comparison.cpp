// How long the postcondition sections of a large page take: 200 columns of
// 2,000 standings rows each, with outcome classes, input checks and stated
// input excerpts.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "postconditions/comparison.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/outcome_strip.hpp"

namespace {

using namespace brelk;

constexpr int column_count = 200;
constexpr int criteria = 4;
constexpr int rows_per_criterion = 500;  // 2,000 rows per column
constexpr int inputs = 100;

struct ColumnData {
    std::vector<StandingsBlockView> blocks;
    std::vector<FailureDistributionEntry> failures;
    std::vector<InputPresentation> inputs;
};

StandingsRowView make_row(int column, int criterion, int n) {
    StandingsRowView row;
    // Postconditions run on 20 inputs each; input checks spread over all of them.
    bool input_check = criterion == criteria - 1;
    int input = input_check ? n % inputs : n % 20;
    int check = input_check ? n / inputs : n / 20;
    row.input_key = std::to_string(input);
    row.passed = static_cast<std::uint64_t>((n + column) % 7);
    row.failed = static_cast<std::uint64_t>((n * 3 + column) % 4);
    row.skipped = static_cast<std::uint64_t>(n % 11 == 0);
    row.observed_fraction = 0.5;
    row.elided = static_cast<std::uint64_t>(n % 13 == 0);
    if (input_check) {
        // Input checks: every input expects its own values, so each is a check of its own.
        row.provenance = Provenance::Input;
        row.path = "$.items[" + std::to_string(check) + "]";
        row.form = "equals";
        row.expected = "value for input " + row.input_key;
        row.check = "expected value";
    } else {
        row.provenance = Provenance::Criterion;
        row.check = "postcondition " + std::to_string(check) + " of criterion " + std::to_string(criterion);
    }
    if (row.failed != 0) {
        row.observed = {{"observed " + std::to_string(n % 9), row.failed, false}, {"held value", row.passed, true}};
    }
    return row;
}

std::vector<ColumnData> make_data() {
    std::vector<ColumnData> data(column_count);
    for (int c = 0; c < column_count; ++c) {
        for (int k = 0; k < criteria; ++k) {
            StandingsBlockView block;
            block.criterion = "criterion " + std::to_string(k);
            block.counts = CriterionCounts{900, 100};
            block.bound = StatedBound{0.88, 0.95};
            for (int n = 0; n < rows_per_criterion; ++n) block.rows.push_back(make_row(c, k, n));
            data[c].blocks.push_back(std::move(block));
        }
        for (int f = 0; f < 8; ++f) {
            data[c].failures.push_back({"condition " + std::to_string(f), static_cast<std::uint32_t>(f + 1),
                                        std::nullopt, static_cast<std::uint32_t>(f), "failure excerpt"});
        }
        for (int i = 0; i < inputs; ++i) {
            data[c].inputs.push_back({static_cast<std::uint32_t>(i), "the text of input " + std::to_string(i)});
        }
    }
    return data;
}

std::vector<Column> columns_over(const std::vector<ColumnData>& data) {
    std::vector<Column> columns;
    for (std::size_t c = 0; c < data.size(); ++c) {
        columns.push_back(Column{"configuration " + std::to_string(c + 1), data[c].blocks, data[c].failures,
                                 data[c].inputs, c + 1, 900, 100});
    }
    return columns;
}

void BM_BuildComparison(benchmark::State& state) {
    auto data = make_data();
    auto columns = columns_over(data);
    for (auto _ : state) {
        auto comparison = Comparison::build(columns);
        benchmark::DoNotOptimize(comparison);
    }
}

void BM_RenderPostconditionSections(benchmark::State& state) {
    auto data = make_data();
    auto columns = columns_over(data);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto comparison = Comparison::build(columns);
        std::string page;
        for (std::size_t c = 0; c < columns.size(); ++c) page += strip(comparison, c);
        append_blocks(page, comparison, columns);
        append_expected_values(page, comparison, columns);
        for (std::size_t c = 0; c < columns.size(); ++c) benchmark::DoNotOptimize(unjudged_inputs(comparison, c));
        bytes = page.size();
        benchmark::DoNotOptimize(page);
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_BuildComparison)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPostconditionSections)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
