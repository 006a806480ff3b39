#include "html/standings.hpp"

#include <utility>

namespace brelk {

namespace {

StandingsRowView row_view(const StandingsRow& row) {
    StandingsRowView view;
    view.input_key = std::to_string(row.input_index);
    view.check = row.check;
    view.provenance = provenance_of(row.provenance);
    view.path = row.path;
    view.form = row.form;
    view.expected = row.expected;
    view.observed = row.observed;
    view.passed = row.passed;
    view.failed = row.failed;
    view.skipped = row.skipped;
    view.observed_fraction = row.observed_fraction;
    view.elided = row.elided;
    view.optional = row.optional;
    return view;
}

}  // namespace

StandingsBlockView StandingsBlockView::of_stated(std::string name, const StandingsBlock& block,
                                                 std::optional<CriterionCounts> counts,
                                                 std::optional<StatedBound> bound) {
    StandingsBlockView view;
    view.criterion = std::move(name);
    view.counts = counts;
    view.bound = bound;
    view.optional_slack = block.optional_slack;
    view.rows.reserve(block.rows.size());
    for (const auto& row : block.rows) view.rows.push_back(row_view(row));
    return view;
}

Provenance provenance_of(const std::optional<std::string>& text) {
    if (text == "criterion") return Provenance::Criterion;
    if (text == "input") return Provenance::Input;
    return Provenance::Unstated;
}

std::vector<StandingsBlockView> standings_of(const Statistics& statistics) {
    std::vector<StandingsBlockView> blocks;
    if (!statistics.criteria) return blocks;
    for (const auto& [name, tally] : *statistics.criteria) {
        if (!tally.standings) continue;
        blocks.push_back(StandingsBlockView::of_stated(name, *tally.standings,
                                                       CriterionCounts{tally.pass, tally.fail}, std::nullopt));
    }
    return blocks;
}

}  // namespace brelk
