#include "html/standings.hpp"

#include <utility>

namespace brelk {

namespace {

// A block's stated rows with the texts and observed values their views read.
struct HeldRows {
    StandingsBlock block;
    std::vector<std::string> keys;  // each row's input index as text
    std::vector<ExemplarView> exemplars;
};

std::optional<std::string_view> view_of(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return std::string_view(*text);
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
    auto held = std::make_shared<HeldRows>();
    held->block = std::move(block);
    // Sized before any view is taken: the views point into these arrays.
    held->keys.reserve(held->block.rows.size());
    std::size_t exemplars = 0;
    for (const auto& row : held->block.rows) exemplars += row.observed.size();
    held->exemplars.reserve(exemplars);
    view.rows.reserve(held->block.rows.size());
    for (const auto& row : held->block.rows) {
        StandingsRowView& row_view = view.rows.emplace_back();
        row_view.input_key = held->keys.emplace_back(std::to_string(row.input_index));
        row_view.check = row.check;
        row_view.provenance = provenance_of(row.provenance);
        row_view.path = view_of(row.path);
        row_view.form = view_of(row.form);
        row_view.expected = view_of(row.expected);
        const std::size_t first = held->exemplars.size();
        for (const auto& exemplar : row.observed) {
            held->exemplars.push_back(ExemplarView{exemplar.excerpt, exemplar.count, exemplar.held});
        }
        row_view.observed = std::span<const ExemplarView>(held->exemplars).subspan(first, row.observed.size());
        take_counts(row_view, row);
    }
    view.held = std::move(held);
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
