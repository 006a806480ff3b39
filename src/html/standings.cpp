#include "html/standings.hpp"

#include <utility>

namespace brelk {

namespace {

StandingsRowView row_view(StandingsRow&& row) {
    StandingsRowView view;
    view.input_key = std::to_string(row.input_index);
    view.check = std::move(row.check);
    view.provenance = provenance_of(row.provenance);
    view.path = std::move(row.path);
    view.form = std::move(row.form);
    view.expected = std::move(row.expected);
    view.observed = std::move(row.observed);
    take_counts(view, row);
    return view;
}

}  // namespace

StandingsBlockView StandingsBlockView::of_stated(std::string name, StandingsBlock block,
                                                 std::optional<CriterionCounts> counts,
                                                 std::optional<StatedBound> bound) {
    StandingsBlockView view;
    view.criterion = std::move(name);
    view.counts = counts;
    view.bound = bound;
    view.optional_slack = std::move(block.optional_slack);
    view.rows.reserve(block.rows.size());
    for (auto& row : block.rows) view.rows.push_back(row_view(std::move(row)));
    return view;
}

Provenance provenance_of(std::optional<std::string_view> text) {
    if (text == "criterion") return Provenance::Criterion;
    if (text == "input") return Provenance::Input;
    return Provenance::Unstated;
}

std::vector<StandingsBlockView> standings_of(Statistics& statistics) {
    std::vector<StandingsBlockView> blocks;
    if (!statistics.criteria) return blocks;
    for (auto& [name, tally] : *statistics.criteria) {
        if (!tally.standings) continue;
        blocks.push_back(StandingsBlockView::of_stated(name, std::move(*tally.standings),
                                                       CriterionCounts{tally.pass, tally.fail}, std::nullopt));
    }
    return blocks;
}

}  // namespace brelk
