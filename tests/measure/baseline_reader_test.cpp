#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <variant>

#include "artefact/yaml.hpp"
#include "measure/baseline_reader.hpp"

namespace brelk::measure {
namespace {

std::variant<BaselineArtefact, std::string> read(std::string_view text) {
    auto parsed = yaml::parse_document(text);
    if (auto* error = std::get_if<yaml::ParseError>(&parsed)) return "YAML did not parse: " + error->message;
    return read_baseline_artefact(*std::get<yaml::NodePtr>(parsed));
}

std::string message_of(const std::variant<BaselineArtefact, std::string>& outcome) {
    if (auto* message = std::get_if<std::string>(&outcome)) return *message;
    return "(read)";
}

TEST(BaselineReader, CriteriaSortedByNameAndEveryShapeChecked) {
    auto outcome = read(R"(schemaVersion: brelk-baseline-1
serviceContractId: c
serviceName: checkout
confidenceLevel: 0.95
execution: {samplesExecuted: 18446744073709551615}
criteria:
  b: {successes: 1, trials: 2, wilsonLowerBound: 0.1}
  a:
    successes: 0
    trials: 0
    standings: {optionalSlack: "0.05", rows: []}
    failureDistribution: [{condition: timeout, count: 2, inputIndex: 3}]
)");
    ASSERT_TRUE(std::holds_alternative<BaselineArtefact>(outcome)) << message_of(outcome);
    const auto& baseline = std::get<BaselineArtefact>(outcome);
    EXPECT_EQ(baseline.service_name, "checkout");
    EXPECT_EQ(baseline.execution->samples_executed, 18446744073709551615u);
    ASSERT_EQ(baseline.criteria.size(), 2u);
    EXPECT_EQ(baseline.criteria[0].first, "a");
    EXPECT_EQ(baseline.criteria[0].second.standings->optional_slack, "0.05");
    EXPECT_EQ(baseline.criteria[0].second.failure_distribution.at(0).input_index, 3u);
    EXPECT_EQ(baseline.criteria[1].second.wilson_lower_bound, 0.1);
    EXPECT_FALSE(baseline.criteria[1].second.observed_pass_rate);

    const std::string head = "serviceContractId: c\nserviceName: s\n";
    EXPECT_EQ(message_of(read(head)), "(read)");
    EXPECT_EQ(message_of(read(head + "execution: ~\ncriteria: ~\ninputs: ~\n")), "(read)");
    EXPECT_EQ(message_of(read("serviceContractId: c\n")), "missing field `serviceName`");
    EXPECT_EQ(message_of(read(head + "criteria: {a: {successes: 1}}\n")), "missing field `trials`");
    EXPECT_EQ(message_of(read(head + "criteria: {a: [1]}\n")),
              "invalid type: sequence, expected struct BaselineCriterion");
    EXPECT_EQ(message_of(read(head + "criteria: {a: {successes: -1, trials: 1}}\n")),
              "invalid value: integer `-1`, expected u64");
    EXPECT_EQ(message_of(read(head + "execution: {samplesExecuted: 1.0}\n")),
              "invalid type: floating point `1.0`, expected u64");
    EXPECT_EQ(message_of(read(head + "execution: [1]\n")), "invalid type: sequence, expected struct Execution");
    EXPECT_EQ(message_of(read(head + "criteria: {a: {successes: 1, trials: 1, standings: {}}}\n")),
              "missing field `rows`");
    EXPECT_EQ(message_of(read(head + "confidenceLevel: high\n")), "invalid type: string \"high\", expected f64");
}

TEST(BaselineReader, CountsAndBoundForTheStandingsView) {
    BaselineCriterion criterion;
    criterion.successes = 7;
    criterion.trials = 10;
    auto counts = stated_counts(criterion);
    EXPECT_EQ(counts.passed, 7u);
    EXPECT_EQ(counts.failed, 3u);
    EXPECT_FALSE(stated_bound(criterion, 0.95));

    criterion.successes = 5000000000;
    criterion.trials = 12;
    counts = stated_counts(criterion);
    EXPECT_EQ(counts.passed, 4294967295u);
    EXPECT_EQ(counts.failed, 0u);
    criterion.successes = 0;
    criterion.trials = 6000000000;
    EXPECT_EQ(stated_counts(criterion).failed, 4294967295u);

    criterion.wilson_lower_bound = 0.8;
    auto bound = stated_bound(criterion, std::nullopt);
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->wilson_lower_bound, 0.8);
    EXPECT_FALSE(bound->confidence_level);
    EXPECT_EQ(stated_bound(criterion, 0.99)->confidence_level, 0.99);
}

}  // namespace
}  // namespace brelk::measure
