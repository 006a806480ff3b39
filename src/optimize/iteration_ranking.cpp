#include "optimize/iteration_ranking.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "html/numbers.hpp"

namespace brelk::optimize {

namespace {

// An unstated median sorts after every stated finite one.
std::uint64_t median_key(const IterationRow& row) {
    return total_order_key(row.p50_ms.value_or(std::numeric_limits<double>::max()));
}

std::uint64_t average_key(const IterationRow& row) {
    return row.avg_time_per_sample_ms.value_or(std::numeric_limits<std::uint64_t>::max());
}

}  // namespace

bool ranks_before(Objective objective, const IterationRow& a, const IterationRow& b) {
    const auto score_a = total_order_key(a.score);
    const auto score_b = total_order_key(b.score);
    if (score_a != score_b) return objective == Objective::Minimize ? score_a < score_b : score_a > score_b;
    const auto median_a = median_key(a);
    const auto median_b = median_key(b);
    if (median_a != median_b) return median_a < median_b;
    return average_key(a) < average_key(b);
}

bool is_near_tie(const IterationRow& above, const IterationRow& below) {
    if (std::bit_cast<std::uint64_t>(above.score) == std::bit_cast<std::uint64_t>(below.score)) return true;
    const double larger = std::max(std::abs(above.score), std::abs(below.score));
    if (!(larger > 0.0)) return false;
    return std::abs(above.score - below.score) < 0.05 * larger;
}

std::vector<Ranked<IterationRow>> ranked(const OptimizeRun& run) {
    std::vector<const IterationRow*> order;
    order.reserve(run.iterations.size());
    for (const auto& row : run.iterations) order.push_back(&row);
    std::stable_sort(order.begin(), order.end(), [&run](const IterationRow* a, const IterationRow* b) {
        return ranks_before(run.objective, *a, *b);
    });
    const auto by_position = competition_rank(
        order, [](const IterationRow* above, const IterationRow* below) { return is_near_tie(*above, *below); });
    std::vector<Ranked<IterationRow>> entries;
    entries.reserve(by_position.size());
    for (const auto& entry : by_position) {
        entries.push_back(Ranked<IterationRow>{*entry.item, entry.rank, entry.near_tie});
    }
    return entries;
}

}  // namespace brelk::optimize
