#include "optimize/optimize_page.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>

#include <fmt/format.h>

#include "html/page.hpp"
#include "html/report_rules.hpp"
#include "html/text.hpp"
#include "optimize/iteration_ranking.hpp"
#include "optimize/run_section.hpp"
#include "optimize/scores.hpp"

namespace brelk::optimize {

namespace {

// This report's own rules as written; the page places them after the shared
// stylesheet, followed by the chip rules its stepper cells need and the mends.
constexpr std::string_view own_rules =
    ".bar-fill.score { background: var(--accent-color); }"
    ".convergence { font-size: 0.875rem; margin: 0.25rem 0 0.75rem; }"
    "tr.best-row td { background: #e8f5e9; }"
    ".badge.best { background: #e8f5e9; color: var(--pass-color); border: 1px solid var(--pass-color); }"
    ".trajectory-svg { overflow: visible; }"
    ".trajectory-line { fill: none; stroke: var(--accent-color); stroke-width: 2; }"
    ".trajectory-dot { fill: var(--accent-color); }"
    ".trajectory-best { fill: var(--pass-color); stroke: var(--bg-white); stroke-width: 1.5; }"
    ".trajectory-note { font-size: 0.75rem; color: var(--text-muted); }"
    ".mark-best { color: var(--pass-color); }"
    ".stated-block { background: var(--bg-white); border: 1px solid var(--border-color);padding: 0.5rem 0.75rem; "
    "font-size: 0.8rem; }"
    ".stated-block dl dl { margin-left: 1rem; }"
    ".stated-block dt { color: var(--text-muted); }"
    ".stated-block dd { margin: 0 0 0.25rem 1rem; }"
    ".stated-block ol { margin: 0 0 0.25rem 1.5rem; }";

// The best row's and badge's pale green, on the dark ground.
constexpr std::string_view mends = R"css(
/* the best row and its badge kept their pale green on the dark ground: a dark green instead */
@media screen and (prefers-color-scheme: dark) { tr.best-row td { background: #14301a; } .badge.best { background: #16361b; } }
)css";

std::string stylesheet() {
    std::string css(own_rules);
    css += chip_rules();
    css += chip_mends();
    css += mends;
    return css;
}

constexpr std::string_view empty_state =
    "<p class=\"empty\">No optimize runs found. Run an optimize experiment to produce an iteration history, then "
    "regenerate this report.</p>\n";

constexpr std::string_view near_tie_legend =
    "<p class=\"legend\">≈ too close to call — scores within 5% on the objective share a rank. A presentational "
    "margin on the ordering, not a significance test: this report makes no claim that one iteration is "
    "statistically better than another.</p>\n";

constexpr std::string_view latency_legend =
    "<p class=\"legend\">Latency percentiles are shown exactly as the emitter stated them; a dash means the "
    "percentile was not stateable at that iteration's sample count — at optimization's typically small "
    "per-iteration counts, most are not. This report never computes a replacement.</p>\n";

void append_overview(PageBuffer& page, const std::vector<OptimizeRun>& runs,
                     const std::vector<std::vector<Ranked<IterationRow>>>& rankings, bool hide_scores) {
    page +=
        "<section class=\"overview\">\n<h2>Overview</h2>\n<table>\n<thead>\n<tr><th>Service</th><th>Experiment</th>"
        "<th>Objective</th><th>Iterations</th><th>Best iteration</th></tr>\n</thead>\n<tbody>\n";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& run = runs[i];
        fmt::format_to(fmt::appender(page),
                       "<tr><td><a href=\"#run-{}\">{}</a></td><td>{}</td><td>{}</td><td class=\"num\">{}</td>"
                       "<td>{}</td></tr>\n",
                       i, escape(run.service),
                       run.experiment ? escape(*run.experiment) : "<span class=\"muted\">-</span>",
                       objective_name(run.objective), run.total_iterations, best_cell(run, rankings[i], hide_scores));
    }
    page += "</tbody>\n</table>\n</section>\n";
}

}  // namespace

std::string best_cell(const OptimizeRun& run, const std::vector<Ranked<IterationRow>>& ranked, bool hide_scores) {
    auto cell = hide_scores ? fmt::format("#{}", run.best_iteration)
                            : fmt::format("#{} (score {})", run.best_iteration, score_display(run.best_score));
    for (const auto& entry : ranked) {
        if (entry.rank != 1 || entry.item->iteration == run.best_iteration) continue;
        fmt::format_to(std::back_inserter(cell), " ≈ #{}", entry.item->iteration);
    }
    return cell;
}

void append_optimize_page(PageBuffer& page, const std::vector<OptimizeRun>& runs, bool hide_scores,
                          unsigned workers) {
    const auto title = runs.size() == 1 ? fmt::format("Brelk Optimization: {}", run_label(runs.front()))
                                        : std::string("Brelk Optimization Report");
    append_page_start(page, title, stylesheet());
    if (runs.empty()) {
        page += empty_state;
        append_page_end(page);
        return;
    }

    std::vector<std::vector<Ranked<IterationRow>>> rankings;
    rankings.reserve(runs.size());
    for (const auto& run : runs) rankings.push_back(ranked(run));

    if (runs.size() >= 2) append_overview(page, runs, rankings, hide_scores);
    const bool any_near_tie = std::any_of(rankings.begin(), rankings.end(), [](const auto& entries) {
        return std::any_of(entries.begin(), entries.end(), [](const auto& entry) { return entry.near_tie; });
    });
    if (any_near_tie) page += near_tie_legend;
    page += latency_legend;
    append_sections(page, runs.size(), workers, [&](PageBuffer& part, std::size_t i) {
        append_run_section(part, runs[i], i, runs.size() >= 2, hide_scores);
    });
    append_page_end(page);
}

}  // namespace brelk::optimize
