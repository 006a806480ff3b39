#include "explore/explore_page.hpp"

#include <algorithm>
#include <iterator>
#include <span>

#include <fmt/format.h>

#include "explore/base_config.hpp"
#include "explore/leaderboard.hpp"
#include "explore/leaderboard_order.hpp"
#include "html/numbers.hpp"
#include "html/page.hpp"
#include "html/report_rules.hpp"
#include "html/result_cells.hpp"
#include "html/text.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"

namespace brelk::explore {

namespace {

// The piece as written is these rules followed by the chip rules, which the
// optimization page shares; the mends come after both.
constexpr std::string_view own_rules =
    ".config-name { font-weight: 600; }"
    "tr.declined { opacity: 0.82; }"
    "tr.declined-divider td { background: var(--bg-light); color: var(--text-muted);font-size: 0.8rem; }"
    ".declined-reason { color: var(--text-muted); font-size: 0.78rem; font-weight: 400; }"
    ".never-evaluated { display: block; color: #c77c00; font-size: 0.72rem; white-space: nowrap; }"
    ".declined-timing { color: #c77c00; font-size: 0.78rem; font-weight: 400; }"
    "table.config-key td.num { text-align: center; }"
    "table.config-key .config-name { font-weight: 600; overflow-wrap: anywhere; }"
    "table.config-key td.differs { max-width: 30rem; }"
    ".evidence { color: #c77c00; font-size: 0.75rem; }"
    ".nothing-measured { background: #fff8e1; border: 1px solid #f0c14b; border-radius: 4px;padding: 0.5rem "
    "0.75rem; margin: 0.5rem 0 0.75rem; font-size: 0.875rem; }"
    ".overrides { max-width: 26rem; }";

constexpr std::string_view mends = R"css(
/* nothing sized "How it differs": its rules name a config-key table and an overrides class that no element has; the column is capped at 30rem and an opened diff widens it up to that, scrolling beyond */
table.leaderboard td.differs { max-width: 30rem; }
table.leaderboard td.differs pre { width: auto; min-width: 0; max-width: 100%; }
/* amber text (#c77c00) read at 3.2:1 */
.never-evaluated, .declined-timing, .evidence { color: var(--advisory-text); }
/* declined rows are dimmed to 82%: their text takes darker tones so it still reads at 4.5:1 */
tr.declined { --text-muted: #454b51; --advisory-text: #5f3d00; }
tr.declined .chip { color: #004a69; }
/* on the dark ground the notice kept its pale amber, and declined rows their darker tones: dark amber, and lighter tones */
@media screen and (prefers-color-scheme: dark) {
.nothing-measured { background: #372f12; border-color: #7a6420; }
tr.declined { --text-muted: #c3cad1; --advisory-text: #f6c868; }
tr.declined .chip { color: #b6e3f8; }
}
)css";

constexpr std::string_view empty_state =
    "<p class=\"empty\">No explorations found. Run an explore experiment to produce configuration data, then "
    "regenerate this report.</p>\n";

constexpr std::string_view near_tie_legend =
    "<p class=\"legend\">≈ too close to call — equally reliable, medians within 5%. A presentational margin on "
    "the ordering, not a significance test: this report makes no claim that one configuration statistically "
    "beats another.</p>\n";

void append_overview(PageBuffer& page, const std::vector<ServiceComparison>& services,
                     const std::vector<LeaderboardOrder>& orders) {
    auto out = fmt::appender(page);
    page +=
        "<section class=\"overview\">\n<h2>Overview</h2>\n<table>\n<thead>\n<tr><th>Service</th>"
        "<th>Configurations</th><th>Best overall</th></tr>\n</thead>\n<tbody>\n";
    for (std::size_t i = 0; i < services.size(); ++i) {
        const auto service = escape(services[i].service);
        fmt::format_to(out, "<tr><td><a href=\"#{}\">{}</a></td><td class=\"num\">{}</td><td>{}</td></tr>\n",
                       service, service, services[i].variants.size(), escape(best_overall(orders[i])));
    }
    page += "</tbody>\n</table>\n</section>\n";
}

// Only when no configuration of the service judged anything: then its rates
// describe delivery, and the reader should know that before reading them.
void append_nothing_measured(PageBuffer& page, const std::vector<Variant>& variants) {
    if (variants.empty()) return;
    const bool none_judged =
        std::all_of(variants.begin(), variants.end(), [](const Variant& v) { return v.nothing_evaluated; });
    if (!none_judged) return;
    std::uint64_t undelivered = 0;
    std::uint64_t failed = 0;
    for (const auto& variant : variants) {
        undelivered = saturating_add(undelivered, delivery_failures(variant.failure_distribution));
        failed = saturating_add(failed, variant.failures);
    }
    const auto configurations = count_noun(variants.size(), "configuration");
    auto out = fmt::appender(page);
    if (undelivered > 0 && undelivered == failed) {
        fmt::format_to(out,
                       "<p class=\"nothing-measured\"><b>Nothing was delivered.</b> Across these {}, not one of "
                       "the {} received a response to judge. The rates below are a record of that, and say "
                       "nothing about the service. Read the failure breakdown for what went wrong.</p>\n",
                       configurations, count_noun(undelivered, "sample"));
        return;
    }
    fmt::format_to(out,
                   "<p class=\"nothing-measured\"><b>Nothing was measured.</b> Every one of these {} ran its "
                   "samples and judged none of them: no reply reached a postcondition, so the rates below "
                   "describe delivery, not quality. Read the failure breakdown before anything else on this "
                   "page.</p>\n",
                   configurations);
}

std::vector<Column> columns_of(const std::vector<const Variant*>& badges) {
    std::vector<Column> columns;
    columns.reserve(badges.size());
    for (std::size_t i = 0; i < badges.size(); ++i) {
        const Variant& variant = *badges[i];
        columns.push_back(Column{variant.name, variant.standings, variant.failure_distribution, variant.inputs,
                                 i + 1, variant.successes, variant.failures});
    }
    return columns;
}

std::vector<FailureGroup> failure_groups(const std::vector<const Variant*>& badges) {
    std::vector<FailureGroup> groups;
    groups.reserve(badges.size());
    for (const auto* variant : badges) groups.push_back(FailureGroup{variant->name, variant->failure_distribution});
    return groups;
}

std::vector<LatencyRow> latency_rows(const std::vector<const Variant*>& badges) {
    std::vector<LatencyRow> rows;
    rows.reserve(badges.size());
    for (std::size_t i = 0; i < badges.size(); ++i) {
        const Variant& v = *badges[i];
        rows.push_back(LatencyRow{i + 1, v.name, v.sorted_passing_latencies_ms, v.p50_ms, v.p95_ms, v.p99_ms,
                                  v.avg_time_per_sample_ms, v.samples_executed, v.nothing_evaluated});
    }
    return rows;
}

void append_service(PageBuffer& page, std::size_t section, const ServiceComparison& service, const LeaderboardOrder& order,
                    bool several_services) {
    const auto name = escape(service.service);
    fmt::format_to(fmt::appender(page), "<section class=\"service\" id=\"{}\">\n", name);
    if (several_services) fmt::format_to(fmt::appender(page), "<h2>{}</h2>\n", name);
    append_nothing_measured(page, service.variants);

    const Base base = base_config(service.variants);
    const auto badges =
        badge_order(service.variants, base.ref ? std::optional<std::string>(base.ref->name) : std::nullopt);
    const auto columns = columns_of(badges);
    auto comparison = Comparison::build(columns);
    comparison.anchor_prefix = section_anchor_prefix(section);

    append_leaderboard(page, service.variants, order, base, badges, columns, comparison);
    append_blocks(page, comparison, columns);
    append_expected_values(page, comparison, columns);
    append_failure_breakdown(page, "Configuration", failure_groups(badges));
    append_latency_block(page, latency_rows(badges), "Configuration");
    page += "</section>\n";
}

bool any_near_tie(const std::vector<LeaderboardOrder>& orders) {
    return std::any_of(orders.begin(), orders.end(), [](const LeaderboardOrder& order) {
        return std::any_of(order.ranked.begin(), order.ranked.end(),
                           [](const Ranked<Variant>& entry) { return entry.near_tie; });
    });
}

}  // namespace

std::string explore_stylesheet() {
    std::string css(own_rules);
    css += chip_rules();
    css += chip_mends();
    css += mends;
    return css;
}

std::string page_title(const std::vector<ServiceComparison>& services) {
    if (services.size() == 1) return "Brelk Exploration: " + services.front().service;
    return "Brelk Exploration Report";
}

void append_explore_page(PageBuffer& page, const std::vector<ServiceComparison>& services, unsigned workers) {
    append_page_start(page, page_title(services), explore_stylesheet());
    if (services.empty()) {
        page += empty_state;
        append_page_end(page);
        return;
    }
    // The overview and the sections rank the same lists; rank each service once.
    std::vector<LeaderboardOrder> orders;
    orders.reserve(services.size());
    for (const auto& service : services) orders.push_back(leaderboard_order(service.variants));

    const bool several = services.size() > 1;
    if (several) append_overview(page, services, orders);
    if (any_near_tie(orders)) page += near_tie_legend;
    append_sections(page, services.size(), workers, [&](PageBuffer& part, std::size_t i) {
        append_service(part, i, services[i], orders[i], several);
    });
    append_page_end(page);
}

}  // namespace brelk::explore
