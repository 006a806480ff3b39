#pragma once
// One run's section of the optimization page.
#include <cstddef>
#include <string>

#include "html/page_buffer.hpp"
#include "optimize/run.hpp"

namespace brelk::optimize {

// `index` is the run's 0-based place in run order; with several runs the
// section carries the run label as its heading.
void append_run_section(PageBuffer& page, const OptimizeRun& run, std::size_t index, bool several_runs,
                        bool hide_scores);

}  // namespace brelk::optimize
