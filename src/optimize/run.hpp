#pragma once
// One optimization run as the report shows it: the run's stated summary and
// its iterations, each iteration's stated results copied into one row.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "artefact/records.hpp"
#include "artefact/yaml.hpp"
#include "html/result_cells.hpp"
#include "html/standings.hpp"

namespace brelk::optimize {

struct IterationRow {
    std::uint32_t iteration = 0;
    std::vector<FactorLine> factors;  // key order, values as displayed
    double score = 0.0;
    double observed_pass_rate = 0.0;
    std::uint32_t successes = 0;
    std::uint32_t failures = 0;
    std::uint32_t samples_executed = 0;
    std::string termination_reason;  // "UNKNOWN" when not stated
    std::vector<FailureDistributionEntry> failure_distribution;
    std::vector<StandingsBlockView> standings;
    std::optional<double> p50_ms;
    std::optional<double> p95_ms;
    std::optional<double> p99_ms;
    std::vector<std::uint64_t> sorted_passing_latencies_ms;
    std::optional<std::uint64_t> avg_time_per_sample_ms;
    std::optional<std::uint64_t> avg_tokens_per_sample;
};

struct OptimizeRun {
    std::string service;
    std::optional<std::string> experiment;
    Objective objective = Objective::Maximize;
    std::optional<std::string> scorer;
    std::optional<std::string> termination;
    std::optional<yaml::NodePtr> stepper;  // a copy apart from the parsed document, never changed
    std::vector<IterationRow> iterations;  // stated order
    std::optional<std::string> convergence_reason;
    std::uint32_t total_iterations = 0;
    std::uint32_t best_iteration = 0;
    double best_score = 0.0;
    std::vector<InputPresentation> inputs;
};

IterationRow build_iteration(OptimizeIteration iteration);
OptimizeRun build_run(OptimizeArtefact artefact);

// The service, or "service — experiment".
std::string run_label(const OptimizeRun& run);

// By service, then by experiment with an unstated experiment first; stable.
void sort_runs(std::vector<OptimizeRun>& runs);

// "MAXIMIZE" or "MINIMIZE".
std::string_view objective_name(Objective objective);

// The iterations sorted by number, earlier stated first among equal numbers;
// the order the comparison columns, the latency block and the stepper follow.
std::vector<const IterationRow*> iteration_order(const OptimizeRun& run);

// Standings hold rows, and none of them passed or failed.
bool nothing_evaluated(const IterationRow& row);

}  // namespace brelk::optimize
