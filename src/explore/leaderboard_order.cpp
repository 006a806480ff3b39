#include "explore/leaderboard_order.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "html/numbers.hpp"

namespace brelk::explore {

namespace {

// An unstated median sorts after every stated finite one.
std::uint64_t median_key(const Variant& variant) {
    return total_order_key(variant.p50_ms.value_or(std::numeric_limits<double>::max()));
}

std::uint64_t average_key(const Variant& variant) {
    return variant.avg_time_per_sample_ms.value_or(std::numeric_limits<std::uint64_t>::max());
}

}  // namespace

std::string_view declined_reason(const Variant& variant) {
    if (variant.nothing_evaluated) {
        return "no sample was evaluated — the service returned nothing that could be judged";
    }
    if (variant.samples_executed < 3) return "fewer than three samples ran";
    if (variant.samples_planned &&
        2 * static_cast<std::uint64_t>(variant.samples_executed) < *variant.samples_planned) {
        return "fewer than half the planned samples ran";
    }
    // judged never exceeds total, so this is 2 × judged < total without overflow.
    if (variant.outcomes_judged < variant.outcomes_total - variant.outcomes_judged) {
        return "most of its postcondition outcomes were never judged — too little of the evidence exists to "
               "compare";
    }
    return {};
}

bool ranked(const Variant& a, const Variant& b) {
    const auto rate_a = total_order_key(a.observed_pass_rate);
    const auto rate_b = total_order_key(b.observed_pass_rate);
    if (rate_a != rate_b) return rate_a > rate_b;
    const auto median_a = median_key(a);
    const auto median_b = median_key(b);
    if (median_a != median_b) return median_a < median_b;
    return average_key(a) < average_key(b);
}

bool is_near_tie(const Variant& above, const Variant& below) {
    if (std::bit_cast<std::uint64_t>(above.observed_pass_rate) !=
        std::bit_cast<std::uint64_t>(below.observed_pass_rate)) {
        return false;
    }
    if (!above.p50_ms || !below.p50_ms) return false;
    const double larger = std::max(*above.p50_ms, *below.p50_ms);
    if (!(larger > 0.0)) return false;
    return std::abs(*above.p50_ms - *below.p50_ms) < 0.05 * larger;
}

LeaderboardOrder leaderboard_order(const std::vector<Variant>& variants) {
    LeaderboardOrder order;
    std::vector<const Variant*> candidates;
    for (const auto& variant : variants) {
        const auto reason = declined_reason(variant);
        if (reason.empty()) {
            candidates.push_back(&variant);
        } else {
            order.declined.push_back(Declined{&variant, reason});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Variant* a, const Variant* b) { return ranked(*a, *b); });
    const auto by_position = competition_rank(
        candidates, [](const Variant* above, const Variant* below) { return is_near_tie(*above, *below); });
    order.ranked.reserve(by_position.size());
    for (const auto& entry : by_position) {
        order.ranked.push_back(Ranked<Variant>{*entry.item, entry.rank, entry.near_tie});
    }
    return order;
}

std::string best_overall(const LeaderboardOrder& order) {
    std::string names;
    for (const auto& entry : order.ranked) {
        if (entry.rank != 1) continue;
        if (!names.empty()) names += " ≈ ";
        names += entry.item->name;
    }
    return names;
}

double latency_scale(const std::vector<Variant>& variants) {
    double scale = 0.0;
    for (const auto& variant : variants) {
        for (const auto& stated : {variant.p50_ms, variant.p95_ms, variant.p99_ms}) {
            if (stated && *stated > scale) scale = *stated;
        }
    }
    return scale;
}

}  // namespace brelk::explore
