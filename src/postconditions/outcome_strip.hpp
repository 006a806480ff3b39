#pragma once
// Outcome strips (one coloured square per postcondition), their colour ramp
// and legend, and the head row and tally cell every postcondition grid shares.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"

namespace brelk {

// Colour used when a check had samples but nothing to judge on any of them.
inline constexpr std::string_view nothing_to_judge_colour = "#f9a825";

// A colour as a stylesheet writes it, "#rrggbb": a value, so that the
// thousands of squares and cells of a page make no string for it.
struct Colour {
    std::array<char, 7> hex{};

    static Colour of(std::string_view hex);  // "#rrggbb" as written
    static Colour rgb(int red, int green, int blue);

    std::string_view text() const { return {hex.data(), hex.size()}; }
    friend bool operator==(const Colour& colour, std::string_view text) { return colour.text() == text; }
};

// On the red-amber-green ramp by the share of samples held; absent for a
// zero tally.
std::optional<Colour> tally_colour(const Tally& tally);

// What a tally says in words, shown as a format argument:
// "held on 4 of 7 samples, nothing to judge on 1" (plain text).
struct StatedState {
    Tally tally;
};

inline StatedState stated_state(const Tally& tally) { return StatedState{tally}; }

// One column's strip over every criterion; `column` is 0-based and below the
// comparison's column count.
std::string strip(const Comparison& comparison, std::size_t column);

// One column's strip over one criterion.
std::string strip_for_criterion(const Comparison& comparison, std::size_t column, std::string_view criterion);

// The same, finding the criterion through `positions` (the comparison's own
// criterion_positions) instead of walking every criterion: for tables that
// ask once per row.
std::string strip_for_criterion(const Comparison& comparison, std::size_t column, std::string_view criterion,
                                const CriterionPositions& positions);

// `legend` is HTML and inserted as is.
void append_strip_legend(PageBuffer& page, std::string_view legend);

void append_head(PageBuffer& page, std::span<const Column> columns, std::string_view label);

void append_cell(PageBuffer& page, const Tally& tally);

}  // namespace brelk

template <>
struct fmt::formatter<brelk::Colour> : fmt::formatter<std::string_view> {
    template <class Context>
    auto format(const brelk::Colour& colour, Context& context) const {
        return fmt::formatter<std::string_view>::format(colour.text(), context);
    }
};

template <>
struct fmt::formatter<brelk::StatedState> {
    constexpr auto parse(format_parse_context& context) { return context.begin(); }

    template <class Context>
    auto format(const brelk::StatedState& state, Context& context) const {
        const auto& tally = state.tally;
        if (!tally.judged()) return fmt::format_to(context.out(), FMT_COMPILE("nothing to judge on any sample"));
        auto out = fmt::format_to(context.out(), FMT_COMPILE("held on {} of {} samples"), tally.passed, tally.total());
        if (tally.skipped == 0) return out;
        return fmt::format_to(out, FMT_COMPILE(", nothing to judge on {}"), tally.skipped);
    }
};
