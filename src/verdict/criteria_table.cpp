#include "verdict/criteria_table.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <span>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"
#include "postconditions/outcome_strip.hpp"
#include "verdict/number_text.hpp"

namespace brelk::verdict {

namespace {

// A rate of "nan" has no length to draw; it gets an empty bar, like any rate at or below 0.
double bar_width(double rate) {
    const double percent = rate * 100.0;
    if (std::isnan(percent) || percent <= 0.0) return 0.0;
    return std::min(percent, 100.0);
}

std::string threshold_cell(const CriterionRow& row) {
    if (!row.threshold) return R"(<span class="muted">-</span>)";
    return escape(*row.threshold);
}

// What every row looks up, gathered once per table: a run may list tens of
// thousands of criteria.
struct TableFacts {
    const Comparison& comparison;
    CriterionPositions positions;
    std::unordered_set<std::string_view> partial_credit;
};

void append_row(PageBuffer& page, const CriterionRow& row, const TableFacts& facts) {
    std::string postconditions;
    if (facts.comparison.has_checks()) {
        postconditions = fmt::format(FMT_COMPILE(R"(<td class="postconditions">{}</td>)"),
                                     strip_for_criterion(facts.comparison, 0, row.id, facts.positions));
    }
    const std::string_view partial_credit = facts.partial_credit.count(row.id) != 0
                                                ? R"( <span class="badge partial-credit">partial credit</span>)"
                                                : "";
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<tr><td>{}{}</td><td class="num">{}</td><td class="cell">{} {} ({}/{})</td>{}<td class="num">{}</td><td>{}</td></tr>)"
                   "\n"),
                   escaped(row.id), partial_credit, threshold_cell(row), observed_bar(row.observed_rate),
                   escaped(row.observed_rate), escaped(row.pass), escaped(row.total), postconditions,
                   escaped(row.total), verdict_html(row.verdict));
}

}  // namespace

std::string verdict_html(std::string_view verdict) {
    std::string_view css_class = "muted";
    if (verdict == "PASS") css_class = "verdict-pass";
    if (verdict == "FAIL") css_class = "verdict-fail";
    return fmt::format(FMT_COMPILE(R"(<span class="{}">{}</span>)"), css_class, escaped(verdict));
}

std::string observed_bar(std::string_view observed_rate) {
    auto rate = floating(observed_rate);
    if (!rate) return {};
    return fmt::format(FMT_COMPILE(R"(<span class="bar-track"><span class="bar-fill pass" style="width:{}%"></span></span>)"),
                       fixed(bar_width(*rate), 1));
}

std::unordered_set<std::string_view> partial_credit_criteria(const VerdictRun& run) {
    std::unordered_set<std::string_view> names;
    const auto& standings = run.standings;
    for (const auto& block : standings.blocks) {
        const auto rows = std::span(standings.rows).subspan(block.first_row, block.row_count);
        if (standings.stated(block.optional_slack) ||
            std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.optional; })) {
            names.insert(standings.text(block.criterion));
        }
    }
    return names;
}

void append_criteria_table(PageBuffer& page, const VerdictRun& run, const Comparison& comparison) {
    const std::string_view postconditions_head =
        comparison.has_checks() ? R"(<th>Postconditions <span class="muted">(contract order)</span></th>)" : "";
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE("<table>\n<thead>\n"
                   "<tr><th>Criterion</th><th>Threshold</th><th>Observed</th>{}<th>Samples</th><th>Verdict</th></tr>\n"
                   "</thead>\n<tbody>\n"),
                   postconditions_head);
    const TableFacts facts{comparison, criterion_positions(comparison), partial_credit_criteria(run)};
    for (const auto& row : run.criteria) append_row(page, row, facts);
    page += "</tbody>\n</table>\n";
}

}  // namespace brelk::verdict
