#include "verdict/packed_standings.hpp"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace brelk::verdict {
namespace {

StandingsRowView row_view(const PackedStandings& packed, const PackedStandings::Row& row,
                          std::span<const ExemplarView> observed) {
    StandingsRowView view;
    view.input_key = packed.text(row.input_key);
    view.check = packed.text(row.check);
    view.path = packed.stated(row.path);
    view.form = packed.stated(row.form);
    view.expected = packed.stated(row.expected);
    view.observed = observed.subspan(row.first_exemplar, row.exemplar_count);
    take_counts(view, row);
    view.provenance = row.provenance;
    return view;
}

// Each array of settled standings starts aligned for any record.
std::size_t padded(std::size_t bytes) {
    constexpr std::size_t unit = alignof(std::max_align_t);
    return (bytes + unit - 1) / unit * unit;
}

template <class T>
std::span<const T> placed(std::span<const T> items, char*& at) {
    if (items.empty()) return {};
    std::memcpy(at, items.data(), items.size_bytes());
    const std::span<const T> copy(reinterpret_cast<const T*>(at), items.size());
    at += padded(items.size_bytes());
    return copy;
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

std::size_t settled_size(const StandingsDraft& draft) {
    return padded(draft.texts.size()) + padded(std::span(draft.blocks).size_bytes()) +
           padded(std::span(draft.rows).size_bytes()) + padded(std::span(draft.exemplars).size_bytes());
}

PackedStandings settled(const StandingsDraft& draft, std::span<char> room) {
    const PackedStandings view = draft.view();
    char* at = room.data();
    const auto texts = placed(std::span<const char>(view.texts), at);
    return PackedStandings{std::string_view(texts.data(), texts.size()), placed(view.blocks, at),
                           placed(view.rows, at), placed(view.exemplars, at)};
}

std::vector<StandingsBlockView> unpack(const PackedStandings& standings) {
    // The observed values of every row, as the rows' views read them, held
    // by every block: a run's exemplars are one array.
    auto exemplars = std::make_shared<std::vector<ExemplarView>>();
    exemplars->reserve(standings.exemplars.size());
    for (const auto& exemplar : standings.exemplars) {
        exemplars->push_back(ExemplarView{standings.text(exemplar.excerpt), exemplar.count, exemplar.held});
    }
    const std::span<const ExemplarView> observed(*exemplars);
    std::vector<StandingsBlockView> blocks;
    blocks.reserve(standings.blocks.size());
    for (const auto& block : standings.blocks) {
        auto& view = blocks.emplace_back();
        view.criterion = standings.text(block.criterion);
        view.counts = block.counts;
        if (auto slack = standings.stated(block.optional_slack)) view.optional_slack = std::string(*slack);
        view.rows.reserve(block.row_count);
        for (std::uint32_t i = block.first_row; i < block.first_row + block.row_count; ++i) {
            view.rows.push_back(row_view(standings, standings.rows[i], observed));
        }
        view.held = exemplars;
    }
    return blocks;
}

}  // namespace brelk::verdict
