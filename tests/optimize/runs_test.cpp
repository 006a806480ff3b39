#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "html/page_buffer.hpp"
#include "artefact/yaml.hpp"
#include "optimize/iteration_ranking.hpp"
#include "optimize/iteration_table.hpp"
#include "optimize/run.hpp"
#include "optimize/scores.hpp"
#include "optimize/stated_value.hpp"
#include "optimize/trajectory.hpp"

namespace brelk::optimize {
namespace {

IterationRow row(std::uint32_t n, double score, std::optional<double> p50 = std::nullopt,
                 std::optional<std::uint64_t> average = std::nullopt) {
    IterationRow r;
    r.iteration = n;
    r.score = score;
    r.p50_ms = p50;
    r.avg_time_per_sample_ms = average;
    return r;
}

// The objective's direction is pinned on the page; here what breaks equal scores.
TEST(IterationRanking, EqualScoresGoByMedianThenAverageTime) {
    OptimizeRun run;
    // Equal scores: a stated median beats none, the faster median wins, then
    // the cheaper average; what remains keeps the stated order.
    run.iterations = {row(1, 0.5), row(2, 0.5, 120.0), row(3, 0.5, 100.0), row(4, 0.5, std::nullopt, 9),
                      row(5, 0.5), row(6, 0.5, 100.0)};
    const auto entries = ranked(run);
    std::vector<std::uint32_t> numbers;
    for (const auto& entry : entries) {
        numbers.push_back(entry.item->iteration);
        EXPECT_EQ(entry.rank, 1u);
        EXPECT_TRUE(entry.near_tie);
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{3, 6, 2, 4, 1, 5}));

    // Ties chain from neighbour to neighbour; the numbering resumes at the position.
    run.iterations = {row(1, 1.0), row(2, 0.96), row(3, 0.92), row(4, 0.5)};
    std::vector<std::uint64_t> ranks;
    for (const auto& entry : ranked(run)) ranks.push_back(entry.rank);
    EXPECT_EQ(ranks, (std::vector<std::uint64_t>{1, 1, 1, 4}));
}

// The page shows the boundary cases; these are the ones it cannot reach.
TEST(IterationRanking, NearTiesAreWithinFivePercentOfTheLargerMagnitude) {
    EXPECT_FALSE(is_near_tie(row(1, 0.0), row(2, 0.01)));
    EXPECT_FALSE(is_near_tie(row(1, 1.0), row(2, std::nan(""))));
    // Latency never decides a tie.
    EXPECT_TRUE(is_near_tie(row(1, 0.5, 10.0), row(2, 0.5, 900.0)));
}

TEST(Scores, DisplayTrimsAfterThreeDecimals) {
    for (auto [score, shown] : {std::pair{2.5, "2.5"}, {3.0, "3"}, {0.1234, "0.123"}, {10.0, "10"}, {0.0, "0"},
                                {-0.97, "-0.97"}, {9007199254740991.0, "9007199254740991"},
                                {1e23, "100000000000000000000000"}, {-1e23, "-100000000000000000000000"}}) {
        EXPECT_EQ(score_display(score), shown);
    }
}

TEST(Scores, HiddenScoreNoticeNamesWhatThePassRateCannotReplace) {
    OptimizeRun run;
    run.service = "triage";
    EXPECT_EQ(hidden_score_notice(run), std::nullopt);
    run.scorer = "llm \"judge\"";
    run.experiment = "e1";
    EXPECT_EQ(hidden_score_notice(run),
              "scores hidden for triage — e1: stated scorer is \"llm \\\"judge\\\"\", not observed-pass-rate");
    // The objective outweighs the scorer.
    run.objective = Objective::Minimize;
    EXPECT_EQ(hidden_score_notice(run),
              "scores hidden for triage — e1: objective is MINIMIZE — the pass rate cannot stand in for the score");
}

TEST(Runs, BuildKeepsStatedValuesAndStandingsBlocks) {
    OptimizeIteration stated;
    stated.iteration = 7;
    stated.factors = {{"model", std::string("big")}, {"t", 0.5}};
    stated.statistics.criteria = StatedOrder<CriterionTally>{
        {"no-standings", CriterionTally{0.5, 1, 1, std::nullopt}},
        {"empty", CriterionTally{0.5, 3, 4, StandingsBlock{std::nullopt, {}}}},
    };
    const auto built = build_iteration(stated);
    EXPECT_EQ(built.termination_reason, "UNKNOWN");
    ASSERT_EQ(built.factors.size(), 2u);
    EXPECT_EQ(built.factors[1].value, "0.5");
    ASSERT_EQ(built.standings.size(), 1u);
    EXPECT_EQ(built.standings[0].criterion, "empty");
    ASSERT_TRUE(built.standings[0].counts);
    EXPECT_EQ(built.standings[0].counts->failed, 4u);
    EXPECT_FALSE(built.standings[0].bound);
    EXPECT_FALSE(nothing_evaluated(built));  // no rows at all

    IterationRow skipped;
    skipped.standings.push_back(StandingsBlockView{"c", std::nullopt, std::nullopt, std::nullopt, {}, nullptr});
    StandingsRowView outcome;
    outcome.skipped = 3;
    skipped.standings[0].rows.push_back(outcome);
    EXPECT_TRUE(nothing_evaluated(skipped));
    outcome.failed = 1;
    skipped.standings[0].rows.push_back(outcome);
    EXPECT_FALSE(nothing_evaluated(skipped));
}

TEST(IterationTable, StepperChangesAndBarWidths) {
    IterationRow before;
    before.factors = {{"a", "1"}, {"b", "2"}, {"gone", "x"}};
    IterationRow after;
    after.factors = {{"a", "1"}, {"b", "3"}, {"new", "y"}};
    const auto changes = stepper_changes(after, before);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].name, "b");
    EXPECT_EQ(changes[0].value, "3");
    EXPECT_EQ(changes[1].name, "new");

    EXPECT_EQ(bar_width(0.5, 2.0), 25.0);
    EXPECT_EQ(bar_width(3.0, 2.0), 100.0);
    EXPECT_EQ(bar_width(1.0, 0.0), 0.0);
    EXPECT_EQ(bar_width(std::nan(""), 1.0), 0.0);
    EXPECT_EQ(bar_width(-0.2, 1.0), 0.0);
    EXPECT_EQ(bar_width(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()), 0.0);
}

TEST(Trajectory, ValuesThatAreNotFiniteStayOnTheChart) {
    OptimizeRun run;
    const double inf = std::numeric_limits<double>::infinity();
    run.iterations = {row(1, 0.5), row(2, std::nan("")), row(3, inf), row(4, -inf), row(5, 0.9)};
    CollectedPage page;
    append_trajectory(page, run, false);
    EXPECT_NE(page.text().find("points=\"16.0,52.0 88.0,32.0 160.0,12.0 232.0,52.0 304.0,12.0\""), std::string::npos);
    EXPECT_NE(page.text().find(">#2 · NaN</text>"), std::string::npos);
    EXPECT_NE(page.text().find(">#3 · inf</text>"), std::string::npos);

    // The largest finite scores of both signs span more than a double holds.
    const double most = std::numeric_limits<double>::max();
    run.iterations = {row(1, -most), row(2, 0.0), row(3, most)};
    page.clear();
    append_trajectory(page, run, false);
    EXPECT_NE(page.text().find("points=\"16.0,52.0 160.0,32.0 304.0,12.0\""), std::string::npos) << page.text();
}

yaml::NodePtr parse(const std::string& text) {
    auto parsed = yaml::parse_document(text);
    EXPECT_TRUE(std::holds_alternative<yaml::NodePtr>(parsed));
    return std::get<yaml::NodePtr>(parsed);
}

TEST(StatedValue, ScalarsAndNesting) {
    for (auto [text, shown] : {std::pair{"-12", "-12"}, {"18446744073709551615", "18446744073709551615"},
                               {"3.0", "3"}, {"0.1e1", "1"}, {"1.0e23", "100000000000000000000000"}, {"-.inf", "-.inf"}, {"false", "false"}, {"'7'", "7"},
                               {"~", "-"}, {"!custom 7", "-"}, {"[1]", "-"}}) {
        EXPECT_EQ(scalar_display(*parse(text)), shown) << text;
    }

    CollectedPage page;
    append_stated_value(page, *parse("- [a, [b]]\n- {x: {y: <z>}}\n- !seq [1]\n- {[k]: v}\n"));
    EXPECT_EQ(page.text(),
              "<ol><li><ol><li>a</li><li><ol><li>b</li></ol></li></ol></li><li><dl><dt>x</dt><dd><dl><dt>y</dt>"
              "<dd>&lt;z&gt;</dd></dl></dd></dl></li><li>-</li><li><dl><dt>-</dt><dd>v</dd></dl></li></ol>");

    // The deepest nesting the parser lets through renders without trouble.
    std::string deep(127, '[');
    deep += std::string(127, ']');
    page.clear();
    append_stated_value(page, *parse(deep));
    EXPECT_EQ(page.size(), 126u * 18u + 9u);
}

}  // namespace
}  // namespace brelk::optimize
