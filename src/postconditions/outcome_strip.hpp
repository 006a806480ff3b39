#pragma once
// Outcome strips (one coloured square per postcondition), their colour ramp
// and legend, and the head row and tally cell every postcondition grid shares.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"

namespace brelk {

// Colour used when a check had samples but nothing to judge on any of them.
inline constexpr std::string_view nothing_to_judge_colour = "#f9a825";

// "#rrggbb" on the red-amber-green ramp by the share of samples held;
// absent for a zero tally.
std::optional<std::string> tally_colour(const Tally& tally);

// "held on 4 of 7 samples, nothing to judge on 1" (plain text).
std::string stated_state(const Tally& tally);

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
