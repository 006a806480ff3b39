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

StandingsBlock one_row_block() {
    StandingsRow row;
    row.input_index = 3;
    row.check = "status is 200";
    return StandingsBlock{std::nullopt, {row}};
}

TEST(Distil, RowsInNameOrderWithStandingsCountsLimitedAndBoundOnlyWhenStated) {
    BaselineArtefact artefact;
    artefact.service_name = "checkout";
    artefact.service_contract_id = "checkout-v2";
    artefact.confidence_level = 0.95;
    artefact.generated_at = "2024-03-02T10:15:00Z";

    auto b = criterion(5000000000, 6000000000);  // more than 32 bits on both counts
    b.wilson_lower_bound = 0.8;
    b.standings = one_row_block();
    auto a = criterion(7, 5);  // more successes than trials
    a.observed_pass_rate = 1.0;
    a.standings = one_row_block();
    a.failure_distribution.push_back(FailureDistributionEntry{"timeout", 2, "delivery", std::nullopt, std::nullopt});
    auto c = criterion(1, 1);  // no standings: a row but no view
    artefact.criteria = {{"b", b}, {"c", c}, {"a", a}};
    artefact.inputs.push_back(InputPresentation{3, "hello"});

    const auto record = distil(artefact);
    ASSERT_EQ(record.rows.size(), 3u);
    EXPECT_EQ(record.rows[0].criterion, "a");
    EXPECT_EQ(record.rows[1].criterion, "b");
    EXPECT_EQ(record.rows[2].criterion, "c");
    EXPECT_EQ(record.rows[0].observed_pass_rate, 1.0);
    EXPECT_EQ(record.rows[0].failure_distribution.size(), 1u);
    EXPECT_EQ(record.rows[1].successes, 5000000000u);  // the table keeps the stated 64-bit counts
    EXPECT_EQ(record.rows[1].wilson_lower_bound, 0.8);

    ASSERT_EQ(record.standings.size(), 2u);
    const auto& view_a = record.standings[0];
    EXPECT_EQ(view_a.criterion, "a");
    ASSERT_TRUE(view_a.counts);
    EXPECT_EQ(view_a.counts->passed, 7u);
    EXPECT_EQ(view_a.counts->failed, 0u);
    EXPECT_FALSE(view_a.bound);
    ASSERT_EQ(view_a.rows.size(), 1u);
    EXPECT_EQ(view_a.rows[0].input_key, "3");

    const auto& view_b = record.standings[1];
    EXPECT_EQ(view_b.criterion, "b");
    EXPECT_EQ(view_b.counts->passed, 4294967295u);
    EXPECT_EQ(view_b.counts->failed, 1000000000u);
    ASSERT_TRUE(view_b.bound);
    EXPECT_EQ(view_b.bound->wilson_lower_bound, 0.8);
    EXPECT_EQ(view_b.bound->confidence_level, 0.95);

    EXPECT_EQ(record.service, "checkout");
    EXPECT_EQ(record.contract, "checkout-v2");
    EXPECT_EQ(record.generated_at, "2024-03-02T10:15:00Z");
    EXPECT_EQ(record.confidence_level, 0.95);
    EXPECT_FALSE(record.samples_executed);
    EXPECT_FALSE(record.termination_reason);
    ASSERT_EQ(record.inputs.size(), 1u);
    EXPECT_EQ(record.inputs[0].input_excerpt, "hello");

    artefact.execution = Execution{40, "COMPLETED"};
    const auto executed = distil(artefact);
    EXPECT_EQ(executed.samples_executed, 40u);
    EXPECT_EQ(executed.termination_reason, "COMPLETED");
}

TEST(Distil, GroupsByServiceThenContractKeepingCollectionOrderWithinOne) {
    auto artefact = [](std::string service, std::string contract, std::string at) {
        BaselineArtefact a;
        a.service_name = std::move(service);
        a.service_contract_id = std::move(contract);
        a.generated_at = std::move(at);
        return a;
    };
    const auto services = group_by_service({artefact("search", "v1", "first"), artefact("checkout", "v2", "x"),
                                            artefact("search", "v1", "second"), artefact("checkout", "v10", "y")});
    ASSERT_EQ(services.size(), 3u);
    auto it = services.begin();
    EXPECT_EQ(it->first, (MeasuredService{"checkout", "v10"}));  // "v10" < "v2" byte-wise
    ++it;
    EXPECT_EQ(it->first, (MeasuredService{"checkout", "v2"}));
    ++it;
    EXPECT_EQ(it->first, (MeasuredService{"search", "v1"}));
    ASSERT_EQ(it->second.size(), 2u);
    EXPECT_EQ(it->second[0].generated_at, "first");
    EXPECT_EQ(it->second[1].generated_at, "second");
}

}  // namespace
}  // namespace brelk::measure
