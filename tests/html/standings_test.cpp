#include <gtest/gtest.h>

#include "html/row_text.hpp"
#include "html/standings.hpp"

namespace brelk {
namespace {

StandingsRow row(std::uint32_t input, std::optional<std::string> provenance) {
    StandingsRow r;
    r.input_index = input;
    r.check = "status == 200";
    r.provenance = std::move(provenance);
    return r;
}

TEST(StandingsView, RowsCopiedWithTheirProvenance) {
    StandingsBlock block;
    block.optional_slack = "0.1";
    block.rows = {row(0, "criterion"), row(12, "input"), row(3, "Input"), row(4, std::nullopt)};
    auto& first = block.rows[0];
    first.optional = true;
    first.passed = 5;
    first.failed = 2;
    first.skipped = 1;
    first.observed_fraction = 0.25;  // never derived from the counts
    first.elided = 9;
    first.path = "$.status";
    first.form = "equals";
    first.expected = "200";
    first.observed = {ObservedExemplar{"200", 5, true}, ObservedExemplar{"500", 2, false}};

    auto view = StandingsBlockView::of_stated("latency", block, CriterionCounts{5, 3}, StatedBound{0.7, 0.95});
    EXPECT_EQ(view.criterion, "latency");
    EXPECT_EQ(view.optional_slack, "0.1");
    EXPECT_EQ(view.counts->passed, 5u);
    EXPECT_EQ(view.counts->failed, 3u);
    EXPECT_EQ(view.bound->wilson_lower_bound, 0.7);
    EXPECT_EQ(view.bound->confidence_level, 0.95);
    ASSERT_EQ(view.rows.size(), 4u);
    EXPECT_EQ(testing::row_text(view.rows[0]), "0 status == 200 optional 5/2/1 fraction 0.25 criterion path $.status "
                                               "form equals expected 200 elided 9 [200 x5 held] [500 x2]");
    // Provenance is read exactly: "Input" is not a provenance this program knows.
    EXPECT_EQ(testing::row_text(view.rows[1]),
              "12 status == 200 0/0/0 fraction 0 input path - form - expected - elided 0");
    EXPECT_EQ(view.rows[2].provenance, Provenance::Unstated);
    EXPECT_EQ(view.rows[3].provenance, Provenance::Unstated);

    auto empty = StandingsBlockView::of_stated("c", StandingsBlock{}, std::nullopt, std::nullopt);
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_FALSE(empty.optional_slack || empty.counts || empty.bound);
}

}  // namespace
}  // namespace brelk
