#include <gtest/gtest.h>

#include "measure/measurement_record.hpp"

namespace brelk::measure {
namespace {

BaselineCriterion criterion(std::uint64_t successes, std::uint64_t trials) {
    BaselineCriterion c;
    c.successes = successes;
    c.trials = trials;
    return c;
}

// Grouping, headings and the table are pinned on the page; here what the page cannot show.
TEST(Distil, RowsInNameOrderWithStandingsCountsLimitedAndBoundOnlyWhenStated) {
    StandingsRow row;
    row.input_index = 3;
    BaselineArtefact artefact;
    artefact.confidence_level = 0.95;
    auto b = criterion(5000000000, 6000000000);  // more than 32 bits on both counts
    b.wilson_lower_bound = 0.8;
    b.standings = StandingsBlock{std::nullopt, {row}};
    auto a = criterion(7, 5);  // more successes than trials
    a.standings = b.standings;
    artefact.criteria = {{"b", b}, {"c", criterion(1, 1)}, {"a", a}};  // c states no standings: a row but no view
    artefact.inputs.push_back(InputPresentation{3, "hello"});

    const auto record = distil(artefact);
    ASSERT_EQ(record.rows.size(), 3u);
    EXPECT_EQ(record.rows[0].criterion + record.rows[1].criterion + record.rows[2].criterion, "abc");
    EXPECT_EQ(record.rows[1].successes, 5000000000u);  // the table keeps the stated 64-bit counts
    EXPECT_EQ(record.inputs.at(0).input_excerpt, "hello");

    ASSERT_EQ(record.standings.size(), 2u);
    const auto& view_a = record.standings[0];
    EXPECT_EQ(view_a.criterion, "a");
    ASSERT_TRUE(view_a.counts);
    EXPECT_EQ(view_a.counts->passed, 7u);
    EXPECT_EQ(view_a.counts->failed, 0u);
    EXPECT_FALSE(view_a.bound);
    EXPECT_EQ(view_a.rows.at(0).input_key, "3");
    const auto& view_b = record.standings[1];
    EXPECT_EQ(view_b.criterion, "b");
    EXPECT_EQ(view_b.counts->passed, 4294967295u);
    ASSERT_TRUE(view_b.bound);
    EXPECT_EQ(view_b.bound->wilson_lower_bound, 0.8);
    EXPECT_EQ(view_b.bound->confidence_level, 0.95);
}

}  // namespace
}  // namespace brelk::measure
