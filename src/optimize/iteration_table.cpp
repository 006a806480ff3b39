#include "optimize/iteration_table.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/result_cells.hpp"
#include "optimize/iteration_ranking.hpp"
#include "optimize/scores.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::optimize {

namespace {

std::string iteration_label(std::uint32_t iteration) { return fmt::format("#{}", iteration); }

// Column index of every stated iteration, by its stated position.
std::vector<std::size_t> column_indices(const OptimizeRun& run, const RunLayout& layout) {
    std::vector<std::size_t> columns(run.iterations.size());
    for (std::size_t position = 0; position < layout.order.size(); ++position) {
        columns[static_cast<std::size_t>(layout.order[position] - run.iterations.data())] = position;
    }
    return columns;
}

std::string iteration_cell(const IterationRow& row, const IterationRow& start) {
    if (row.iteration == start.iteration) {
        return fmt::format("#{} <span class=\"base-tag\">= original</span>", row.iteration);
    }
    return factor_details_diffed(iteration_label(row.iteration), row.factors, start.factors,
                                 iteration_label(start.iteration));
}

std::string stepper_cell(const RunLayout& layout, std::size_t column) {
    if (column == 0) return "<span class=\"muted\">the starting point every later attempt departs from</span>";
    const auto& predecessor = *layout.order[column - 1];
    const auto changes = stepper_changes(*layout.order[column], predecessor);
    if (changes.empty()) return "<span class=\"muted\">nothing — the attempt repeated its predecessor</span>";
    return change_chips(changes, predecessor.factors);
}

std::string bar(std::string_view kind, double width) {
    return fmt::format("<span class=\"bar-track\"><span class=\"bar-fill {}\" style=\"width:{}%\"></span></span>",
                       kind, fixed(width, 1));
}

void append_row(PageBuffer& page, const Ranked<IterationRow>& entry, std::size_t column, const OptimizeRun& run,
                const RunLayout& layout, const Comparison& comparison, bool hide_scores) {
    const auto& row = *entry.item;
    const bool best = row.iteration == run.best_iteration;
    auto out = fmt::appender(page);
    fmt::format_to(out, "<tr{}>\n<td class=\"rank\">{}{}</td>\n<td>{}{}</td>\n<td class=\"differs\">{}</td>\n",
                   best ? " class=\"best-row\"" : "", entry.rank, entry.near_tie ? " ≈" : "",
                   iteration_cell(row, *layout.order.front()), best ? " <span class=\"badge best\">best</span>" : "",
                   stepper_cell(layout, column));
    if (!hide_scores) {
        fmt::format_to(out, "<td class=\"score\">{} {}</td>\n",
                       bar("score", bar_width(std::abs(row.score), layout.score_scale)), score_display(row.score));
    }
    fmt::format_to(out, "<td class=\"passrate\">{} {} ({}/{})</td>\n",
                   bar("pass", bar_width(row.observed_pass_rate, 1.0)), fixed(row.observed_pass_rate, 3),
                   row.successes, saturating_add(row.successes, row.failures));
    if (comparison.has_checks()) {
        fmt::format_to(out, "<td class=\"postconditions\">{}</td>\n", strip(comparison, column));
    }
    append_stated_latency_cell(page, row.p50_ms, layout.latency_scale);
    fmt::format_to(out, "<td class=\"cost\">{}</td>\n<td class=\"num\">{}</td>\n<td>{}</td>\n</tr>\n",
                   cost_cell(row.avg_time_per_sample_ms, row.avg_tokens_per_sample), row.samples_executed,
                   termination_badge(row.termination_reason));
}

}  // namespace

RunLayout layout_of(const OptimizeRun& run) {
    RunLayout layout;
    layout.ranked = ranked(run);
    layout.order = iteration_order(run);
    for (const auto& row : run.iterations) {
        if (std::abs(row.score) > layout.score_scale) layout.score_scale = std::abs(row.score);
        for (const auto& stated : {row.p50_ms, row.p95_ms}) {
            if (stated && *stated > layout.latency_scale) layout.latency_scale = *stated;
        }
    }
    return layout;
}

std::vector<Change> stepper_changes(const IterationRow& row, const IterationRow& predecessor) {
    std::set<std::pair<std::string_view, std::string_view>> kept;
    for (const auto& factor : predecessor.factors) kept.emplace(factor.name, factor.value);
    std::vector<Change> changes;
    for (const auto& factor : row.factors) {
        if (!kept.count({factor.name, factor.value})) changes.push_back(Change{factor.name, factor.value});
    }
    return changes;
}

double bar_width(double value, double scale) {
    if (!(scale > 0.0)) return 0.0;
    const double width = value / scale * 100.0;
    if (std::isnan(width)) return 0.0;
    return std::clamp(width, 0.0, 100.0);
}

void append_iteration_table(PageBuffer& page, const OptimizeRun& run, const RunLayout& layout,
                            const Comparison& comparison, bool hide_scores) {
    fmt::format_to(fmt::appender(page),
                   "<table class=\"leaderboard\">\n<thead>\n<tr><th>#</th><th>Iteration</th><th>What the stepper "
                   "changed</th>{}<th>Pass rate</th>{}<th>p50</th><th>Avg cost</th><th>Samples</th><th>Termination</th>"
                   "</tr>\n</thead>\n<tbody>\n",
                   hide_scores ? "" : "<th>Score</th>",
                   comparison.has_checks() ? "<th>Postconditions <span class=\"muted\">(contract order)</span></th>"
                                           : "");
    const auto columns = column_indices(run, layout);
    for (const auto& entry : layout.ranked) {
        const auto column = columns[static_cast<std::size_t>(entry.item - run.iterations.data())];
        append_row(page, entry, column, run, layout, comparison, hide_scores);
    }
    page += "</tbody>\n</table>\n";
}

}  // namespace brelk::optimize
