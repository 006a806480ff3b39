#pragma once
// The leaderboard of one service: the base block and one row per
// configuration, ranked rows first and declined rows after a divider.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/page_buffer.hpp"
#include "explore/base_config.hpp"
#include "explore/leaderboard_order.hpp"
#include "explore/variant.hpp"
#include "html/factor_diff.hpp"
#include "postconditions/comparison.hpp"

namespace brelk::explore {

struct LeaderboardRowContext {
    std::string rank_text;
    std::string differs_html;
    std::span<const Column> columns;  // one per configuration, in badge order
    std::uint64_t badge = 0;
    std::optional<std::string_view> declined_reason;  // present exactly for declined rows
    double latency_scale = 0.0;
};

// The base's own row names it as the reference; every other row lists its
// changes against the base.
std::string differs_cell(const Variant& variant, const std::vector<FactorLine>& base_factors,
                         const std::optional<std::string>& base_name);

// The configuration's factors that the base does not share, then the base's
// factors it leaves unset.
std::vector<Change> overrides(const Variant& variant, const std::vector<FactorLine>& base_factors);

// One link per never-judged input, in the order given.
std::vector<std::string> missing_evidence_inputs(std::span<const Column> columns,
                                                 const std::vector<std::string>& keys);

void append_leaderboard_row(PageBuffer& page, const Variant& variant, const LeaderboardRowContext& context,
                            const Comparison& comparison);

// `badges` holds the configurations in badge order; `columns` and
// `comparison` were built in that order.
void append_leaderboard(PageBuffer& page, const std::vector<Variant>& variants, const LeaderboardOrder& order,
                        const Base& base, const std::vector<const Variant*>& badges,
                        std::span<const Column> columns, const Comparison& comparison);

}  // namespace brelk::explore
