#include "measure/criteria_table.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <unordered_set>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"
#include "measure/rate_bar.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::measure {

namespace {

// Slack, or any optional check, lets a criterion pass with some checks
// failing. Gathered once per table: a record may state thousands of criteria.
std::unordered_set<std::string_view> partial_credit_criteria(const MeasurementRecord& record) {
    std::unordered_set<std::string_view> names;
    for (const auto& block : record.standings) {
        if (block.optional_slack.has_value() ||
            std::any_of(block.rows.begin(), block.rows.end(), [](const StandingsRowView& row) { return row.optional; })) {
            names.insert(block.criterion);
        }
    }
    return names;
}

struct TableFacts {
    const Comparison& comparison;
    CriterionPositions positions;
    std::unordered_set<std::string_view> partial_credit;
};

void append_row(PageBuffer& page, const ObservationRow& row, const TableFacts& facts) {
    std::string postconditions;
    if (facts.comparison.has_checks()) {
        postconditions = fmt::format(R"(<td class="postconditions">{}</td>)",
                                     strip_for_criterion(facts.comparison, 0, row.criterion, facts.positions));
    }
    fmt::format_to(fmt::appender(page), R"(<tr><td>{}{}</td><td class="cell">{}</td>{}<td class="num">{}</td></tr>)"
                                             "\n",
                   escape(row.criterion),
                   facts.partial_credit.count(row.criterion) != 0
                       ? R"( <span class="badge partial-credit">partial credit</span>)"
                       : "",
                   rate_cell(row), postconditions, row.trials);
}

bool any_row_in(const MeasurementRecord& record, BarMode mode) {
    return std::any_of(record.rows.begin(), record.rows.end(),
                       [&](const ObservationRow& row) { return bar_mode(row) == mode; });
}

}  // namespace

void append_criteria_table(PageBuffer& page, const MeasurementRecord& record, const Comparison& comparison) {
    const bool with_postconditions = comparison.has_checks();
    fmt::format_to(fmt::appender(page),
                   "<table>\n<thead>\n<tr><th>Criterion</th><th>Observed rate</th>{}<th>Samples</th></tr>\n"
                   "</thead>\n<tbody>\n",
                   with_postconditions ? R"(<th>Postconditions <span class="muted">(contract order)</span></th>)"
                                       : "");
    const TableFacts facts{comparison, criterion_positions(comparison), partial_credit_criteria(record)};
    for (const auto& row : record.rows) append_row(page, row, facts);
    page += "</tbody>\n</table>\n";
}

void append_bar_legend(PageBuffer& page, const MeasurementRecord& record) {
    const bool any_tick = any_row_in(record, BarMode::Tick);
    if (!any_tick && !any_row_in(record, BarMode::Band)) return;
    // Without a stated level the sentence still names the confidence once.
    const std::string confidence =
        record.confidence_level ? fixed(*record.confidence_level * 100.0, 0) + "%" : "the stated";
    fmt::format_to(fmt::appender(page),
                   "<p class=\"legend\">The solid bar is the rate this many samples actually support: at {} "
                   "confidence the true rate is <b>at least</b> that percentage. The hatched band runs from there "
                   "to the rate observed — the ordinary variation of a run this size, not a range of equally likely "
                   "answers. More samples narrow it; nothing else does.",
                   escape(confidence));
    if (any_tick) {
        page += " Where the band would be too wide to say anything useful, the bar shows the observed rate and "
                "marks the supported rate with a tick instead.";
    }
    if (any_row_in(record, BarMode::Plain)) {
        page += " A criterion showing neither recorded too few samples, or every sample alike, for a supported "
                "rate to mean much at this size.";
    }
    page += "</p>\n";
}

}  // namespace brelk::measure
