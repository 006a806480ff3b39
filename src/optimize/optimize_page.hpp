#pragma once
// The optimization page: title, overview of several runs, legends and one
// section per run.
#include <string>
#include <vector>

#include "html/page_sections.hpp"
#include "html/ranking.hpp"
#include "optimize/run.hpp"

namespace brelk::optimize {

// The stated best iteration first, then the others the report ranks first
// with it: "#4 (score 0.9) ≈ #7".
std::string best_cell(const OptimizeRun& run, const std::vector<Ranked<IterationRow>>& ranked, bool hide_scores);

// `runs` in run order, their sections drawn by `workers` threads.
void append_optimize_page(PageBuffer& page, const std::vector<OptimizeRun>& runs, bool hide_scores,
                          unsigned workers);

}  // namespace brelk::optimize
