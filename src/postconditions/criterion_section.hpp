#pragma once
// The detailed section of each criterion: heading with per-column rates,
// per-column panels of how the samples fell apart, slack note and the
// postcondition grid.
#include <cstddef>
#include <span>
#include <string>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"

namespace brelk {

// Every criterion's section between the two legends; nothing at all when no
// criterion has a check. `columns` are those the comparison was built from.
void append_blocks(PageBuffer& page, const Comparison& comparison, std::span<const Column> columns);

// One criterion's section; `index` is its 0-based position in the comparison.
void append_criterion(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                      std::size_t index, std::span<const Column> columns);

}  // namespace brelk
