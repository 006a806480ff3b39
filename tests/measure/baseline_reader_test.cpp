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

    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", "(read)"},
        {"execution: ~\ncriteria: ~\ninputs: ~\n", "(read)"},
        {"criteria: {a: {successes: 1}}\n", "missing field `trials`"},
        {"criteria: {a: [1]}\n", "invalid type: sequence, expected struct BaselineCriterion"},
        {"criteria: {a: {successes: -1, trials: 1}}\n", "invalid value: integer `-1`, expected u64"},
        {"execution: {samplesExecuted: 1.0}\n", "invalid type: floating point `1.0`, expected u64"},
        {"execution: [1]\n", "invalid type: sequence, expected struct Execution"},
        {"criteria: {a: {successes: 1, trials: 1, standings: {}}}\n", "missing field `rows`"},
        {"confidenceLevel: high\n", "invalid type: string \"high\", expected f64"},
    };
    for (const auto& [yaml, message] : cases) {
        EXPECT_EQ(message_of(read("serviceContractId: c\nserviceName: s\n" + std::string(yaml))), message) << yaml;
    }
    EXPECT_EQ(message_of(read("serviceContractId: c\n")), "missing field `serviceName`");
}

TEST(BaselineReader, CountsAndBoundForTheStandingsView) {
    BaselineCriterion criterion;
    auto counts = [&](std::uint64_t successes, std::uint64_t trials) {
        criterion.successes = successes;
        criterion.trials = trials;
        const auto stated = stated_counts(criterion);
        return std::to_string(stated.passed) + "/" + std::to_string(stated.failed);
    };
    EXPECT_EQ(counts(7, 10), "7/3");
    EXPECT_EQ(counts(5000000000, 12), "4294967295/0");
    EXPECT_EQ(counts(0, 6000000000), "0/4294967295");
    EXPECT_FALSE(stated_bound(criterion, 0.95));

    criterion.wilson_lower_bound = 0.8;
    auto bound = stated_bound(criterion, std::nullopt);
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->wilson_lower_bound, 0.8);
    EXPECT_FALSE(bound->confidence_level);
    EXPECT_EQ(stated_bound(criterion, 0.99)->confidence_level, 0.99);
}

}  // namespace
}  // namespace brelk::measure
