#pragma once
// The report's own ordering of a run's iterations by their stated scores.
#include <vector>

#include "html/ranking.hpp"
#include "optimize/run.hpp"

namespace brelk::optimize {

// Whether `a` belongs before `b` under `objective`: the better score, then the
// faster stated median, then the cheaper stated average time.
bool ranks_before(Objective objective, const IterationRow& a, const IterationRow& b);

// Identical scores, or scores within 5% of the larger magnitude.
bool is_near_tie(const IterationRow& above, const IterationRow& below);

// Every iteration of the run, best first, competition-ranked with near ties.
// The entries point into the run, which must outlive them.
std::vector<Ranked<IterationRow>> ranked(const OptimizeRun& run);

}  // namespace brelk::optimize
