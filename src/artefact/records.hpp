#pragma once
// The records of exploration and optimization artefacts and the pieces the
// other artefact kinds share. Plain data: the reports read them, never change them.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "artefact/yaml.hpp"

namespace brelk {

// Text, number or boolean, chosen by the YAML value's own type.
using FactorValue = std::variant<std::string, double, bool>;
// Factor settings sorted by name, byte order.
using Factors = std::vector<std::pair<std::string, FactorValue>>;

// A mapping kept in the order the file writes it.
template <class T>
using StatedOrder = std::vector<std::pair<std::string, T>>;

struct Execution {
    std::optional<std::uint32_t> samples_planned;
    std::uint32_t samples_executed = 0;
    std::optional<std::string> termination_reason;
};

struct FailureDistributionEntry {
    std::string condition;
    std::uint32_t count = 0;
    std::optional<std::string> kind;
    std::optional<std::uint32_t> input_index;
    std::optional<std::string> input_excerpt;
};

struct InputPresentation {
    std::uint32_t input_index = 0;
    std::string input_excerpt;
};

struct ObservedExemplar {
    std::string excerpt;
    std::uint64_t count = 0;
    bool held = false;
};

struct StandingsRow {
    std::uint32_t input_index = 0;
    std::string check;
    bool optional = false;
    std::uint64_t passed = 0;
    std::uint64_t failed = 0;
    std::uint64_t skipped = 0;
    double observed_fraction = 0.0;
    std::optional<std::string> provenance;
    std::optional<std::string> path;
    std::optional<std::string> form;
    std::optional<std::string> expected;
    std::vector<ObservedExemplar> observed;
    std::uint64_t elided = 0;
};

struct StandingsBlock {
    std::optional<std::string> optional_slack;
    std::vector<StandingsRow> rows;
};

struct CriterionTally {
    double observed_pass_rate = 0.0;
    std::uint32_t pass = 0;
    std::uint32_t fail = 0;
    std::optional<StandingsBlock> standings;
};

struct Statistics {
    double observed = 0.0;
    std::uint32_t successes = 0;
    std::uint32_t failures = 0;
    std::vector<FailureDistributionEntry> failure_distribution;
    std::optional<StatedOrder<CriterionTally>> criteria;
};

struct Latency {
    std::optional<double> p50_ms;
    std::optional<double> p95_ms;
    std::optional<double> p99_ms;
    std::vector<std::uint64_t> sorted_passing_latencies_ms;
};

struct Cost {
    std::optional<std::uint64_t> avg_time_per_sample_ms;
    std::optional<std::uint64_t> avg_tokens_per_sample;
};

struct ExploreArtefact {
    std::string service_contract_id;
    std::optional<std::string> configuration;
    std::optional<std::string> configuration_name;
    bool base_configuration = false;
    Factors factors;
    Execution execution;
    Statistics statistics;
    std::optional<Latency> latency;
    std::optional<Cost> cost;
    std::vector<InputPresentation> inputs;
};

enum class Objective { Maximize, Minimize };

struct OptimizeIteration {
    std::uint32_t iteration = 0;
    Factors factors;
    double score = 0.0;
    Execution execution;
    Statistics statistics;
    std::optional<Latency> latency;
    std::optional<Cost> cost;
};

struct Convergence {
    std::uint32_t total_iterations = 0;
    std::uint32_t best_iteration = 0;
    double best_score = 0.0;
    std::optional<std::string> termination_reason;
};

struct OptimizeArtefact {
    std::string service_contract_id;
    std::optional<std::string> experiment_id;
    Objective objective = Objective::Maximize;
    std::optional<std::string> scorer;
    std::optional<std::string> termination;
    std::optional<yaml::NodePtr> stepper;  // the stepper's own description, any shape
    std::vector<OptimizeIteration> iterations;
    Convergence convergence;
    std::vector<InputPresentation> inputs;
};

}  // namespace brelk
