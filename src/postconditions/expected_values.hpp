#pragma once
// The expected-values panel: checks whose expected value the contract states
// per input, shown input by input.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"

namespace brelk {

// Nothing when the comparison has no input-check rows. `columns` are those the
// comparison was built from.
void append_expected_values(PageBuffer& page, const Comparison& comparison, std::span<const Column> columns);

// Keys of the inputs on which the column (0-based) skipped samples of any
// check, each once, in input order.
std::vector<std::string> unjudged_inputs(const Comparison& comparison, std::size_t column);

}  // namespace brelk
