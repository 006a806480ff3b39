#pragma once
// How scores read on the page, and what is said when they are hidden.
#include <optional>
#include <string>

#include "optimize/run.hpp"

namespace brelk::optimize {

// Three decimals, then trailing zeros and a bare point trimmed: 0.5, 2, 0.125.
std::string score_display(double score);

// Why hiding the scores loses something for this run, or nothing when the
// pass rate shown instead is the score itself. Plain text.
std::optional<std::string> hidden_score_notice(const OptimizeRun& run);

}  // namespace brelk::optimize
