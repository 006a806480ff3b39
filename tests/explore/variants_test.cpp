#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "explore/explore_page.hpp"
#include "explore/leaderboard_order.hpp"
#include "explore/variant.hpp"

namespace brelk::explore {
namespace {

ExploreArtefact artefact(std::string service) {
    ExploreArtefact a;
    a.service_contract_id = std::move(service);
    a.execution.samples_executed = 10;
    return a;
}

StandingsRow row(std::uint64_t passed, std::uint64_t failed, std::uint64_t skipped) {
    StandingsRow r;
    r.passed = passed;
    r.failed = failed;
    r.skipped = skipped;
    return r;
}

Variant timed(std::string name, double rate, std::optional<double> p50) {
    Variant v;
    v.name = std::move(name);
    v.configuration = v.name;
    v.samples_executed = 10;
    v.observed_pass_rate = rate;
    v.p50_ms = p50;
    return v;
}

// Names from factors, the base's name and the leaderboard are pinned on the page.
TEST(ExploreVariants, NamesCountsAndGrouping) {
    auto stated_base = artefact("b");
    stated_base.base_configuration = true;
    stated_base.statistics.criteria = StatedOrder<CriterionTally>{
        {"no-standings", CriterionTally{}},
        {"empty", CriterionTally{0.0, 0, 0, StandingsBlock{}}},
        {"skipped", CriterionTally{0.0, 0, 0, StandingsBlock{std::nullopt, {row(0, 0, 4)}}}},
    };
    auto services = collect_services({artefact("b"), artefact("a"), artefact("b"), stated_base});

    ASSERT_EQ(services.size(), 2u);
    EXPECT_EQ(services[0].service, "a");
    EXPECT_EQ(services[0].variants.at(0).termination_reason, "UNKNOWN");
    EXPECT_FALSE(services[0].variants[0].nothing_evaluated);
    const auto& b = services[1].variants;
    ASSERT_EQ(b.size(), 3u);
    // Unnamed and without factors: numbered in collection order.
    EXPECT_EQ(b[0].configuration, "configuration-1");
    EXPECT_EQ(b[1].name, "configuration-2");
    ASSERT_EQ(b[2].standings.size(), 2u);  // a tally without standings yields no block
    EXPECT_EQ(b[2].standings[0].criterion, "empty");
    EXPECT_EQ(b[2].outcomes_total, 4u);
    EXPECT_EQ(b[2].outcomes_judged, 0u);
    EXPECT_TRUE(b[2].nothing_evaluated);
}

TEST(ExploreVariants, OutcomeSumsSaturate) {
    auto a = artefact("s");
    const auto huge = std::numeric_limits<std::uint64_t>::max();
    a.statistics.criteria = StatedOrder<CriterionTally>{
        {"c", CriterionTally{0.0, 0, 0, StandingsBlock{std::nullopt, {row(huge, 0, 3),
                                                                       row(0, 2, 0)}}}}};
    auto v = build_variant(a, 1);
    EXPECT_EQ(v.outcomes_total, huge);
    EXPECT_EQ(v.outcomes_judged, huge);
    EXPECT_EQ(declined_reason(v), "");
}

TEST(ExploreVariants, OrderingIsTotalEvenForStatedNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Variant> variants{timed("nan", nan, 5.0), timed("low", 0.5, 5.0), timed("max", 0.9, std::nullopt),
                                  timed("inf", 0.9, std::numeric_limits<double>::infinity()),
                                  timed("nan-median", 0.9, nan), timed("fast", 0.9, 1.0)};
    auto order = leaderboard_order(variants);
    std::vector<std::string> names;
    for (const auto& entry : order.ranked) names.push_back(entry.item->name);
    // A stated NaN rate sorts first under the total order; it never ties.
    EXPECT_EQ(names, (std::vector<std::string>{"nan", "fast", "max", "inf", "nan-median", "low"}));
    EXPECT_EQ(best_overall(order), "nan");

    EXPECT_FALSE(is_near_tie(timed("a", 0.0, 1.0), timed("b", -0.0, 1.0)));
    EXPECT_FALSE(is_near_tie(timed("a", 0.5, nan), timed("b", 0.5, nan)));
    EXPECT_EQ(latency_scale(variants), std::numeric_limits<double>::infinity());
    EXPECT_EQ(latency_scale({}), 0.0);
}

TEST(ExplorePage, EmptyStateAndTitles) {
    CollectedPage collected;
    append_explore_page(collected, {}, 1);
    const std::string& page = collected.text();
    EXPECT_NE(page.find("<h1>Brelk Exploration Report</h1>\n</header>\n<main>\n<p class=\"empty\">No explorations "
                        "found. Run an explore experiment to produce configuration data, then regenerate this "
                        "report.</p>\n</main>\n"),
              std::string::npos);
    EXPECT_EQ(page_title({ServiceComparison{"a<b", {}}}), "Brelk Exploration: a<b");
}

}  // namespace
}  // namespace brelk::explore
