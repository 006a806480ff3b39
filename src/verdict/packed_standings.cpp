#include "verdict/packed_standings.hpp"

#include <limits>
#include <new>

namespace brelk::verdict {
namespace {

std::optional<std::string> text_of(const PackedStandings& packed, PackedStandings::Text text) {
    auto stated = packed.stated(text);
    if (!stated) return std::nullopt;
    return std::string(*stated);
}

StandingsRowView row_view(const PackedStandings& packed, const PackedStandings::Row& row) {
    StandingsRowView view;
    view.input_key = packed.text(row.input_key);
    view.check = packed.text(row.check);
    view.path = text_of(packed, row.path);
    view.form = text_of(packed, row.form);
    view.expected = text_of(packed, row.expected);
    view.observed.reserve(row.exemplar_count);
    for (std::uint32_t i = row.first_exemplar; i < row.first_exemplar + row.exemplar_count; ++i) {
        const auto& exemplar = packed.exemplars[i];
        view.observed.push_back(ObservedExemplar{std::string(packed.text(exemplar.excerpt)), exemplar.count, exemplar.held});
    }
    take_counts(view, row);
    view.provenance = row.provenance;
    return view;
}

}  // namespace

StandingsDraft::Text StandingsDraft::keep(std::string_view text) {
    // The last offset is left for the texts a row does not state.
    constexpr std::size_t reach = std::numeric_limits<std::uint32_t>::max() - 1;
    if (text.size() > reach - texts.size()) throw std::bad_alloc();
    const Text kept{static_cast<std::uint32_t>(texts.size()), static_cast<std::uint32_t>(text.size())};
    texts.append(text);
    return kept;
}

StandingsDraft::Text StandingsDraft::keep(std::string_view text, Text earlier) {
    if (view().stated(earlier) == text) return earlier;
    return keep(text);
}

PackedStandings settled(const StandingsDraft& draft, RecordArena& arena) {
    const PackedStandings view = draft.view();
    return PackedStandings{arena.keep(view.texts), arena.keep(view.blocks), arena.keep(view.rows),
                           arena.keep(view.exemplars)};
}

std::vector<StandingsBlockView> unpack(const PackedStandings& standings) {
    std::vector<StandingsBlockView> blocks;
    blocks.reserve(standings.blocks.size());
    for (const auto& block : standings.blocks) {
        auto& view = blocks.emplace_back();
        view.criterion = standings.text(block.criterion);
        view.counts = block.counts;
        view.optional_slack = text_of(standings, block.optional_slack);
        view.rows.reserve(block.row_count);
        for (std::uint32_t i = block.first_row; i < block.first_row + block.row_count; ++i) {
            view.rows.push_back(row_view(standings, standings.rows[i]));
        }
    }
    return blocks;
}

}  // namespace brelk::verdict
