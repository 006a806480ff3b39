#include "optimize/run_section.hpp"

#include <iterator>
#include <vector>

#include <fmt/format.h>

#include "html/result_cells.hpp"
#include "html/text.hpp"
#include "optimize/iteration_table.hpp"
#include "optimize/scores.hpp"
#include "optimize/stated_value.hpp"
#include "optimize/trajectory.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::optimize {

namespace {

void append_convergence(PageBuffer& page, const OptimizeRun& run, bool hide_scores) {
    auto out = fmt::appender(page);
    fmt::format_to(out, "<p class=\"convergence\">Objective <strong>{}</strong>", objective_name(run.objective));
    if (run.scorer) fmt::format_to(out, " · scorer: {}", escape(*run.scorer));
    fmt::format_to(out, " · {} iterations · best iteration <strong>#{}</strong>", run.total_iterations,
                   run.best_iteration);
    if (!hide_scores) fmt::format_to(out, " (score {})", score_display(run.best_score));
    if (run.convergence_reason) fmt::format_to(out, " · convergence: {}", escape(*run.convergence_reason));
    if (run.termination) fmt::format_to(out, " · termination: {}", escape(*run.termination));
    page += "</p>\n";
}

std::vector<Column> columns_of(const OptimizeRun& run, const RunLayout& layout) {
    std::vector<Column> columns;
    columns.reserve(layout.order.size());
    for (std::size_t i = 0; i < layout.order.size(); ++i) {
        const auto& row = *layout.order[i];
        columns.push_back(Column{fmt::format("iteration {}", row.iteration), row.standings, row.failure_distribution,
                                 run.inputs, i + 1, row.successes, row.failures});
    }
    return columns;
}

// A run without iterations has no starting configuration to show.
void append_original(PageBuffer& page, const OptimizeRun& run, const RunLayout& layout) {
    if (layout.order.empty()) return;
    const auto& start = *layout.order.front();
    const auto header = fmt::format(
        "<span class=\"base-tag\">original</span> configuration <span class=\"muted\">&middot; {} (iteration "
        "#{}{})</span>",
        count_noun(start.factors.size(), "factor"), start.iteration,
        run.iterations.size() >= 2 ? "; later iterations diff against it" : "");
    append_base_config(page, header, start.factors);
}

std::vector<LatencyRow> latency_rows(const RunLayout& layout) {
    std::vector<LatencyRow> rows;
    rows.reserve(layout.order.size());
    for (std::size_t i = 0; i < layout.order.size(); ++i) {
        const auto& row = *layout.order[i];
        rows.push_back(LatencyRow{i + 1, fmt::format("iteration {}", row.iteration), row.sorted_passing_latencies_ms,
                                  row.p50_ms, row.p95_ms, row.p99_ms, row.avg_time_per_sample_ms,
                                  row.samples_executed, nothing_evaluated(row)});
    }
    return rows;
}

std::vector<FailureGroup> failure_groups(const RunLayout& layout) {
    std::vector<FailureGroup> groups;
    groups.reserve(layout.ranked.size());
    for (const auto& entry : layout.ranked) {
        groups.push_back(FailureGroup{fmt::format("#{}", entry.item->iteration), entry.item->failure_distribution});
    }
    return groups;
}

}  // namespace

void append_run_section(PageBuffer& page, const OptimizeRun& run, std::size_t index, bool several_runs,
                        bool hide_scores) {
    fmt::format_to(fmt::appender(page), "<section class=\"run\" id=\"run-{}\">\n", index);
    if (several_runs) fmt::format_to(fmt::appender(page), "<h2>{}</h2>\n", escape(run_label(run)));
    append_convergence(page, run, hide_scores);

    const auto layout = layout_of(run);
    const auto columns = columns_of(run, layout);
    auto comparison = Comparison::build(columns);
    comparison.anchor_prefix = section_anchor_prefix(index);

    page += "<h3>Overview</h3>\n";
    append_original(page, run, layout);
    append_iteration_table(page, run, layout, comparison, hide_scores);
    if (comparison.has_checks()) {
        append_strip_legend(page,
                            "One square per postcondition, in the contract’s order; its colour is the share of "
                            "samples the check held on.");
    }
    append_blocks(page, comparison, columns);
    append_expected_values(page, comparison, columns);
    append_latency_block(page, latency_rows(layout), "Iteration");
    append_failure_breakdown(page, "Iteration", failure_groups(layout));
    append_trajectory(page, run, hide_scores);
    append_stepper_block(page, run);
    page += "</section>\n";
}

}  // namespace brelk::optimize
