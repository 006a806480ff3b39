#include "explore/leaderboard.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/result_cells.hpp"
#include "html/text.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/input_naming.hpp"

namespace brelk::explore {

namespace {

// Beyond this many never-judged inputs the note gives their number instead of links.
constexpr std::size_t max_listed_inputs = 3;

constexpr std::string_view table_head =
    "<table class=\"leaderboard\">\n<thead>\n<tr><th>#</th><th>Configuration</th><th>How it differs from the "
    "base</th><th>Pass rate</th><th>p50</th><th>Avg cost</th><th>Samples</th><th>Termination</th></tr>\n"
    "</thead>\n<tbody>\n";

constexpr std::string_view declined_divider =
    "<tr class=\"declined-divider\"><td colspan=\"8\"><b>Not ranked</b> — a configuration is ranked only when "
    "it ran at least three samples and at least half of those planned for it. Below that the evidence is too "
    "thin, or too unequal, for the comparison to be fair; the observations are still shown, and the pass rate "
    "still counts every sample that ran.</td></tr>\n";

// The badge of every variant by its place in the service's list, found once:
// a service may hold a hundred thousand configurations.
std::vector<std::uint64_t> badges_by_place(const std::vector<Variant>& variants,
                                           const std::vector<const Variant*>& badges) {
    std::vector<std::uint64_t> by_place(variants.size());
    for (std::size_t k = 0; k < badges.size(); ++k) {
        by_place[static_cast<std::size_t>(badges[k] - variants.data())] = k + 1;
    }
    return by_place;
}

// Whole seconds and tenths, rounded at the twentieth: 1249 ms reads 1.2, 1250 ms 1.3.
std::string timing_note(const Variant& variant) {
    if (!variant.avg_time_per_sample_ms) return {};
    const auto rounded = saturating_add(*variant.avg_time_per_sample_ms, 50);
    return fmt::format(R"(<div class="declined-timing">each of its {} ran {}.{} s on average before failing</div>)",
                       count_noun(variant.samples_executed, "sample"), rounded / 1000, rounded % 1000 / 100);
}

std::string declined_block(const Variant& variant, const std::optional<std::string_view>& reason) {
    if (!reason) return {};
    return fmt::format(R"(<div class="declined-reason">{}{}</div>)", escape(*reason), timing_note(variant));
}

std::string pass_bar(double rate) {
    const double width = std::isnan(rate) ? 0.0 : std::clamp(rate * 100.0, 0.0, 100.0);
    return fmt::format(R"(<span class="bar-track"><span class="bar-fill pass" style="width:{}%"></span></span>)",
                       fixed(width, 1));
}

std::string evidence_note(const Variant& variant, const LeaderboardRowContext& context,
                          const Comparison& comparison) {
    const auto delivery = delivery_failures(variant.failure_distribution);
    const auto unjudged = unjudged_inputs(comparison, context.badge - 1);
    if (delivery == 0 && unjudged.empty()) return {};
    const auto prefix = delivery > 0 ? count_noun(delivery, "sample") + " never answered" : std::string("no result");
    if (unjudged.empty()) return fmt::format(R"(<div class="evidence">{}</div>)", prefix);
    const auto inputs = unjudged.size() > max_listed_inputs
                            ? fmt::format("{} inputs", unjudged.size())
                            : fmt::format("{}", fmt::join(missing_evidence_inputs(context.columns, unjudged), ", "));
    return fmt::format(R"(<div class="evidence">{} — {}</div>)", prefix, inputs);
}

std::string samples_text(const Variant& variant) {
    auto text = variant.samples_planned
                    ? fmt::format("{} of {}", variant.samples_executed, *variant.samples_planned)
                    : fmt::format("{}", variant.samples_executed);
    if (variant.nothing_evaluated) text += R"(<span class="never-evaluated">none evaluated</span>)";
    return text;
}

void append_base_block(PageBuffer& page, const Base& base) {
    const auto stated_by =
        base.ref ? fmt::format(" &middot; as stated by the “{}” configuration", escape(base.ref->configuration))
                 : std::string();
    const auto header =
        fmt::format(R"(<span class="config-name">{}</span> configuration <span class="muted">&middot; {}{}</span>)",
                    "base", count_noun(base.factors.size(), "factor"), stated_by);
    append_base_config(page, header, base.factors);
}

}  // namespace

std::string differs_cell(const Variant& variant, const std::vector<FactorLine>& base_factors,
                         const std::optional<std::string>& base_name) {
    if (base_name && *base_name == variant.name) {
        return R"(<span class="muted">the configuration every other is described against</span>)";
    }
    return change_chips(overrides(variant, base_factors), base_factors);
}

std::vector<Change> overrides(const Variant& variant, const std::vector<FactorLine>& base_factors) {
    // Configurations may state tens of thousands of factors: each side is
    // looked up in a set of the other rather than walked once per factor.
    std::set<std::pair<std::string_view, std::string_view>> base_pairs;
    for (const auto& base : base_factors) base_pairs.emplace(base.name, base.value);
    std::unordered_set<std::string_view> variant_names;
    variant_names.reserve(variant.factors.size());
    for (const auto& factor : variant.factors) variant_names.insert(factor.name);

    std::vector<Change> changes;
    for (const auto& factor : variant.factors) {
        if (base_pairs.count({factor.name, factor.value}) == 0) changes.push_back(Change{factor.name, factor.value});
    }
    for (const auto& base : base_factors) {
        if (variant_names.count(base.name) == 0) changes.push_back(Change{base.name, std::nullopt});
    }
    return changes;
}

std::vector<std::string> missing_evidence_inputs(std::span<const Column> columns,
                                                 const std::vector<std::string>& keys) {
    std::vector<std::string> links;
    links.reserve(keys.size());
    for (const auto& key : keys) links.push_back(input_link(columns, key));
    return links;
}

void append_leaderboard_row(PageBuffer& page, const Variant& variant, const LeaderboardRowContext& context,
                            const Comparison& comparison) {
    auto out = fmt::appender(page);
    const auto row_class = context.declined_reason ? std::string_view(R"( class="declined")") : std::string_view();
    const auto title = variant.name != variant.configuration
                           ? fmt::format(R"( title="{}")", escape(variant.configuration))
                           : std::string();
    fmt::format_to(out,
                   "<tr{}>\n<td class=\"rank\">{}</td>\n<td><span class=\"config-name\"{}><span "
                   "class=\"cfg-badge\">{}</span>{}</span>{}</td>\n",
                   row_class, context.rank_text, title, context.badge, escape(variant.name),
                   declined_block(variant, context.declined_reason));
    fmt::format_to(out, "<td class=\"differs\">{}</td>\n", context.differs_html);
    fmt::format_to(out, "<td class=\"passrate\">{} {} ({}/{}){}</td>\n", pass_bar(variant.observed_pass_rate),
                   fixed(variant.observed_pass_rate, 3), variant.successes,
                   saturating_add(variant.successes, variant.failures), evidence_note(variant, context, comparison));
    append_stated_latency_cell(page, variant.p50_ms, context.latency_scale);
    fmt::format_to(out, "<td class=\"cost\">{}</td>\n<td class=\"num\">{}</td>\n<td>{}</td>\n</tr>\n",
                   cost_cell(variant.avg_time_per_sample_ms, variant.avg_tokens_per_sample), samples_text(variant),
                   termination_badge(variant.termination_reason));
}

void append_leaderboard(PageBuffer& page, const std::vector<Variant>& variants, const LeaderboardOrder& order,
                        const Base& base, const std::vector<const Variant*>& badges,
                        std::span<const Column> columns, const Comparison& comparison) {
    const double scale = latency_scale(variants);
    const auto badge_at = badges_by_place(variants, badges);
    const auto badge_of = [&](const Variant* variant) {
        return badge_at[static_cast<std::size_t>(variant - variants.data())];
    };
    const auto base_name = base.ref ? std::optional<std::string>(base.ref->name) : std::nullopt;
    page += "<h3>Overview</h3>\n";
    append_base_block(page, base);
    page += table_head;
    for (const auto& entry : order.ranked) {
        LeaderboardRowContext context{fmt::format("{}{}", entry.rank, entry.near_tie ? " ≈" : ""),
                                      differs_cell(*entry.item, base.factors, base_name),
                                      columns,
                                      badge_of(entry.item),
                                      std::nullopt,
                                      scale};
        append_leaderboard_row(page, *entry.item, context, comparison);
    }
    if (!order.declined.empty()) page += declined_divider;
    for (const auto& entry : order.declined) {
        LeaderboardRowContext context{"—",
                                      differs_cell(*entry.variant, base.factors, base_name),
                                      columns,
                                      badge_of(entry.variant),
                                      entry.reason,
                                      scale};
        append_leaderboard_row(page, *entry.variant, context, comparison);
    }
    page += "</tbody>\n</table>\n";
}

}  // namespace brelk::explore
