#pragma once
// A small inline chart of a run's score (or pass rate) per iteration, in the
// order the iterations were stated, marking the stated best iteration.
#include <string>

#include "html/page_buffer.hpp"
#include "optimize/run.hpp"

namespace brelk::optimize {

// Nothing for a run without iterations.
void append_trajectory(PageBuffer& page, const OptimizeRun& run, bool hide_scores);

}  // namespace brelk::optimize
