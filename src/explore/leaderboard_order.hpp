#pragma once
// Which configurations of a service are ranked, in what order and with which
// ranks, and why the others are not ranked at all.
#include <string>
#include <string_view>
#include <vector>

#include "explore/variant.hpp"
#include "html/ranking.hpp"

namespace brelk::explore {

// A configuration left out of the ranking, with the fixed text saying why.
struct Declined {
    const Variant* variant = nullptr;
    std::string_view reason;
};

// Both lists point into the service's variants, which must outlive them.
struct LeaderboardOrder {
    std::vector<Ranked<Variant>> ranked;
    std::vector<Declined> declined;  // collection order
};

// The reason a configuration is not ranked, or empty when it is ranked.
std::string_view declined_reason(const Variant& variant);

// Whether `a` belongs before `b`: the higher pass rate, then the faster stated
// median, then the cheaper stated average time.
bool ranked(const Variant& a, const Variant& b);

// Equally reliable, and medians within 5% of the larger one.
bool is_near_tie(const Variant& above, const Variant& below);

LeaderboardOrder leaderboard_order(const std::vector<Variant>& variants);

// The names ranked first, joined with " ≈ "; empty when nothing is ranked.
std::string best_overall(const LeaderboardOrder& order);

// The largest stated percentile of any configuration, 0 when none is stated.
double latency_scale(const std::vector<Variant>& variants);

}  // namespace brelk::explore
