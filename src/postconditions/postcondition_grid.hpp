#pragma once
// The grid of one criterion's postconditions, each row opening onto its
// outcome matrix.
#include <cstddef>
#include <span>
#include <string>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"
#include "postconditions/input_naming.hpp"

namespace brelk {

// `index` is the criterion's 0-based position in the comparison.
void append_postcondition_grid(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                               std::size_t index, std::span<const Column> columns);

// The same, naming inputs from an excerpt index built once for the page.
void append_postcondition_grid(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                               std::size_t index, std::span<const Column> columns, const ExcerptIndex& excerpts);

}  // namespace brelk
