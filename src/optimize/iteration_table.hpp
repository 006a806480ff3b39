#pragma once
// The leaderboard of one run: one row per iteration in ranked order, with what
// the stepper changed, score and pass-rate bars, the postcondition strip,
// latency, cost, samples and termination.
#include <cstddef>
#include <string>
#include <vector>

#include "html/page_buffer.hpp"
#include "html/factor_diff.hpp"
#include "html/ranking.hpp"
#include "optimize/run.hpp"
#include "postconditions/comparison.hpp"

namespace brelk::optimize {

// What a run section derives once from the run and hands to its blocks.
struct RunLayout {
    std::vector<Ranked<IterationRow>> ranked;  // best first
    std::vector<const IterationRow*> order;    // iteration order; a row's position is its column index
    double score_scale = 0.0;                  // largest absolute score, from 0
    double latency_scale = 0.0;                // largest stated p50 or p95, from 0
};

RunLayout layout_of(const OptimizeRun& run);

// The factors the row sets differently from its predecessor; factors the row
// dropped are not changes the stepper made to it.
std::vector<Change> stepper_changes(const IterationRow& row, const IterationRow& predecessor);

// Width in percent of a bar for `value` out of `scale`, within 0..100; 0 for
// a zero scale or a value that is not a number.
double bar_width(double value, double scale);

void append_iteration_table(PageBuffer& page, const OptimizeRun& run, const RunLayout& layout,
                            const Comparison& comparison, bool hide_scores);

}  // namespace brelk::optimize
