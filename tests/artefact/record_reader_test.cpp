#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "artefact/artefact_reader.hpp"
#include "artefact/yaml.hpp"

namespace brelk {
namespace {

yaml::NodePtr parse(std::string_view text) {
    auto parsed = yaml::parse_document(text);
    if (auto* error = std::get_if<yaml::ParseError>(&parsed)) {
        ADD_FAILURE() << "YAML did not parse: " << error->message << "\n" << text;
        return std::make_shared<const yaml::Node>();
    }
    return std::get<yaml::NodePtr>(parsed);
}

template <class Record>
std::string message_of(const std::variant<Record, std::string>& read) {
    if (auto* message = std::get_if<std::string>(&read)) return *message;
    return "(read)";
}

constexpr std::string_view minimal_explore = R"(schemaVersion: brelk-explore-1
serviceContractId: checkout
execution: {samplesExecuted: 10}
statistics: {observed: 0.9, successes: 9, failures: 1}
)";

std::string explore_message(std::string_view extra) {
    return message_of(read_explore_artefact(*parse(std::string(minimal_explore) + std::string(extra))));
}

TEST(RecordReader, ExploreKeepsStatedValuesAndDefaults) {
    auto minimal = read_explore_artefact(*parse(minimal_explore));
    ASSERT_TRUE(std::holds_alternative<ExploreArtefact>(minimal)) << message_of(minimal);
    const auto& bare = std::get<ExploreArtefact>(minimal);
    EXPECT_EQ(bare.service_contract_id, "checkout");
    EXPECT_FALSE(bare.configuration || bare.configuration_name || bare.latency || bare.cost || bare.base_configuration ||
                 bare.execution.samples_planned || bare.statistics.criteria);
    EXPECT_TRUE(bare.factors.empty() && bare.inputs.empty() && bare.statistics.failure_distribution.empty());

    auto read = read_explore_artefact(*parse(R"(
serviceContractId: !custom checkout
configuration: c-1
baseConfiguration: true
factors: {temperature: 3, model: gpt, cached: false, top: 3.0}
unknownTopKey: {anything: [1, 2]}
execution: {samplesPlanned: ~, samplesExecuted: 4294967295, extra: 1}
statistics:
  observed: 1
  successes: 9
  failures: 1
  failureDistribution: ~
  criteria:
    c: {observedPassRate: .nan, pass: 1, fail: 0}
    a:
      observedPassRate: 1
      pass: 2
      fail: 0
      standings:
        rows:
          - {inputIndex: 0, check: status, optional: false, passed: 2, failed: 0, skipped: 0, observedFraction: 1}
    b: {observedPassRate: .inf, pass: 0, fail: 1}
latency: {p50Ms: 12, p99Ms: ~, sortedPassingLatenciesMs: [3, 18446744073709551615]}
inputs: [{inputIndex: 7, inputExcerpt: hello}]
)"));
    ASSERT_TRUE(std::holds_alternative<ExploreArtefact>(read)) << message_of(read);
    const auto& full = std::get<ExploreArtefact>(read);
    EXPECT_EQ(full.service_contract_id, "checkout");
    EXPECT_TRUE(full.base_configuration);
    ASSERT_EQ(full.factors.size(), 4u);
    EXPECT_EQ(full.factors[0], (std::pair<std::string, FactorValue>{"cached", false}));
    EXPECT_EQ(full.factors[1], (std::pair<std::string, FactorValue>{"model", std::string("gpt")}));
    EXPECT_EQ(full.factors[2].second, full.factors[3].second);  // temperature 3 and top 3.0
    EXPECT_EQ(full.factors[2].second, FactorValue{3.0});
    EXPECT_FALSE(full.execution.samples_planned);
    EXPECT_EQ(full.execution.samples_executed, 4294967295u);
    EXPECT_EQ(full.statistics.observed, 1.0);
    ASSERT_TRUE(full.statistics.criteria);
    const auto& criteria = *full.statistics.criteria;
    ASSERT_EQ(criteria.size(), 3u);
    EXPECT_EQ(criteria[0].first + criteria[1].first + criteria[2].first, "cab");
    EXPECT_TRUE(std::isnan(criteria[0].second.observed_pass_rate));
    EXPECT_TRUE(std::isinf(criteria[2].second.observed_pass_rate));
    ASSERT_TRUE(criteria[1].second.standings);
    const auto& row = criteria[1].second.standings->rows.at(0);
    EXPECT_EQ(row.elided, 0u);
    EXPECT_TRUE(row.observed.empty());
    EXPECT_FALSE(row.provenance);
    ASSERT_TRUE(full.latency);
    EXPECT_EQ(full.latency->p50_ms, 12.0);
    EXPECT_FALSE(full.latency->p99_ms);
    EXPECT_EQ(full.latency->sorted_passing_latencies_ms.back(), 18446744073709551615u);
    EXPECT_EQ(full.inputs.at(0).input_excerpt, "hello");
}

TEST(RecordReader, ExploreMessages) {
    struct Case {
        std::string_view yaml;
        std::string_view message;
    };
    const Case cases[] = {
        {"configuration: 5\n", "invalid type: integer `5`, expected a string"},
        {"configuration: true\n", "invalid type: boolean `true`, expected a string"},
        {"baseConfiguration: ~\n", "invalid type: unit value, expected a boolean"},
        {"baseConfiguration: yes\n", "invalid type: string \"yes\", expected a boolean"},
        {"inputs: {a: 1}\n", "invalid type: map, expected a sequence"},
        {"inputs: [{inputIndex: 1}]\n", "missing field `inputExcerpt`"},
        {"factors: [a]\n", "invalid type: sequence, expected a map"},
        {"factors: {a: [1]}\n", "data did not match any variant of untagged enum FactorValue"},
        {"factors: {a: ~}\n", "data did not match any variant of untagged enum FactorValue"},
        {"factors: {a: !custom x}\n", "untagged and internally tagged enums do not support enum input"},
        {"factors: {1: x}\n", "invalid type: integer `1`, expected a string"},
        {"latency: {sortedPassingLatenciesMs: [1, ~]}\n", "invalid type: unit value, expected u64"},
        {"latency: {p50Ms: \"1\", sortedPassingLatenciesMs: []}\n", "invalid type: string \"1\", expected f64"},
        {"cost: {avgTimePerSampleMs: -1}\n", "invalid value: integer `-1`, expected u64"},
        {"cost: {avgTokensPerSample: 18446744073709551616}\n",
         "invalid type: floating point `18446744073709552000.0`, expected u64"},
        {"cost: [1]\n", "invalid type: sequence, expected struct Cost"},
    };
    for (const auto& c : cases) EXPECT_EQ(explore_message(c.yaml), c.message) << c.yaml;
}

TEST(RecordReader, NumbersAndRecordsInPlaceOfCounts) {
    auto with_execution = [](std::string_view value) {
        return message_of(read_explore_artefact(*parse(
            std::string("serviceContractId: s\nstatistics: {observed: 1, successes: 1, failures: 0}\nexecution: ") +
            std::string(value) + "\n")));
    };
    EXPECT_EQ(with_execution("{samplesExecuted: -3}"), "invalid value: integer `-3`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: 4294967296}"), "invalid value: integer `4294967296`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: 1.5}"), "invalid type: floating point `1.5`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: 2.0}"), "invalid type: floating point `2.0`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: .nan}"), "invalid type: floating point `NaN`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: -.inf}"), "invalid type: floating point `-inf`, expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: 'a \"b\" c'}"), "invalid type: string \"a \"b\" c\", expected u32");
    EXPECT_EQ(with_execution("{samplesExecuted: []}"), "invalid type: sequence, expected u32");
    EXPECT_EQ(with_execution("~"), "missing field `samplesExecuted`");
    EXPECT_EQ(with_execution("[]"), "invalid type: sequence, expected struct Execution");
    EXPECT_EQ(with_execution("text"), "invalid type: string \"text\", expected struct Execution");
}

TEST(RecordReader, MissingKeysComeAfterTheKeysWritten) {
    // The innermost record reports its own first missing key, in declaration order.
    EXPECT_EQ(message_of(read_explore_artefact(*parse("{}"))), "missing field `serviceContractId`");
    EXPECT_EQ(message_of(read_explore_artefact(*parse("serviceContractId: s\nstatistics: {}\n"))),
              "missing field `observed`");
    EXPECT_EQ(message_of(read_explore_artefact(*parse("serviceContractId: s\n"))), "missing field `execution`");
    // A bad value is found while reading, before the missing keys are looked for.
    EXPECT_EQ(message_of(read_explore_artefact(*parse("execution: {samplesExecuted: -1}\n"))),
              "invalid value: integer `-1`, expected u32");
    EXPECT_EQ(explore_message("statistics2: ~\n"), "(read)");
    EXPECT_EQ(message_of(read_explore_artefact(*parse("- a\n"))),
              "invalid type: sequence, expected struct ExploreArtefact");

    // The parser refuses a key written twice; should one slip through, the record does too.
    yaml::Node key;
    key.kind = yaml::NodeKind::String;
    key.text = "serviceContractId";
    const yaml::Entry both[] = {{&key, &key}, {&key, &key}};
    yaml::Node twice;
    twice.kind = yaml::NodeKind::Mapping;
    twice.entries = both;
    EXPECT_EQ(message_of(read_explore_artefact(twice)), "duplicate field `serviceContractId`");
}

constexpr std::string_view minimal_optimize = R"(serviceContractId: s
objective: MINIMIZE
convergence: {totalIterations: 2, bestIteration: 1, bestScore: 0.5}
)";

std::string optimize_message(std::string_view extra) {
    return message_of(read_optimize_artefact(*parse(std::string(minimal_optimize) + std::string(extra))));
}

TEST(RecordReader, OptimizeRun) {
    auto read = read_optimize_artefact(*parse(std::string(minimal_optimize) + R"(stepper: {z: 1, a: [x]}
iterations:
  - iteration: 1
    factors: {b: 1, a: x}
    score: -2
    execution: {samplesExecuted: 3}
    statistics: {observed: 0.5, successes: 1, failures: 1}
)"));
    ASSERT_TRUE(std::holds_alternative<OptimizeArtefact>(read)) << message_of(read);
    const auto& run = std::get<OptimizeArtefact>(read);
    EXPECT_EQ(run.objective, Objective::Minimize);
    ASSERT_TRUE(run.stepper);
    ASSERT_EQ((*run.stepper)->entries.size(), 2u);
    EXPECT_EQ((*run.stepper)->entries[0].first->text, "z");
    ASSERT_EQ(run.iterations.size(), 1u);
    EXPECT_EQ(run.iterations[0].factors[0].first, "a");
    EXPECT_EQ(run.iterations[0].score, -2.0);
    EXPECT_EQ(run.convergence.best_score, 0.5);

    EXPECT_EQ(optimize_message("iterations: ~\nstepper: ~\n"), "(read)");
    EXPECT_EQ(optimize_message(""), "missing field `iterations`");
    EXPECT_EQ(optimize_message("iterations: [{}]\n"), "missing field `iteration`");
    EXPECT_EQ(message_of(read_optimize_artefact(*parse("objective: maximize\n"))),
              "unknown variant `maximize`, expected `MAXIMIZE` or `MINIMIZE`");
    EXPECT_EQ(message_of(read_optimize_artefact(*parse("objective: 1\n"))),
              "invalid type: integer `1`, expected enum Objective");
}

}  // namespace
}  // namespace brelk
