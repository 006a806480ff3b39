#include "optimize/run.hpp"

#include <algorithm>
#include <utility>

#include <fmt/format.h>

namespace brelk::optimize {

IterationRow build_iteration(OptimizeIteration iteration) {
    IterationRow row;
    row.iteration = iteration.iteration;
    row.factors = displayed_factors(iteration.factors);
    row.score = iteration.score;
    row.observed_pass_rate = iteration.statistics.observed;
    row.successes = iteration.statistics.successes;
    row.failures = iteration.statistics.failures;
    row.samples_executed = iteration.execution.samples_executed;
    row.termination_reason = iteration.execution.termination_reason.value_or("UNKNOWN");
    row.failure_distribution = std::move(iteration.statistics.failure_distribution);
    row.standings = standings_of(iteration.statistics);
    copy_stated_timing(row, iteration.latency, iteration.cost);
    return row;
}

OptimizeRun build_run(OptimizeArtefact artefact) {
    OptimizeRun run;
    run.service = std::move(artefact.service_contract_id);
    run.experiment = std::move(artefact.experiment_id);
    run.objective = artefact.objective;
    run.scorer = std::move(artefact.scorer);
    run.termination = std::move(artefact.termination);
    run.stepper = std::move(artefact.stepper);
    run.iterations.reserve(artefact.iterations.size());
    for (auto& iteration : artefact.iterations) run.iterations.push_back(build_iteration(std::move(iteration)));
    run.convergence_reason = std::move(artefact.convergence.termination_reason);
    run.total_iterations = artefact.convergence.total_iterations;
    run.best_iteration = artefact.convergence.best_iteration;
    run.best_score = artefact.convergence.best_score;
    run.inputs = std::move(artefact.inputs);
    return run;
}

std::string run_label(const OptimizeRun& run) {
    if (!run.experiment) return run.service;
    return fmt::format("{} — {}", run.service, *run.experiment);
}

void sort_runs(std::vector<OptimizeRun>& runs) {
    std::stable_sort(runs.begin(), runs.end(), [](const OptimizeRun& a, const OptimizeRun& b) {
        if (a.service != b.service) return a.service < b.service;
        // std::optional orders an absent value before every stated one.
        return a.experiment < b.experiment;
    });
}

std::string_view objective_name(Objective objective) {
    return objective == Objective::Minimize ? "MINIMIZE" : "MAXIMIZE";
}

std::vector<const IterationRow*> iteration_order(const OptimizeRun& run) {
    std::vector<const IterationRow*> order;
    order.reserve(run.iterations.size());
    for (const auto& row : run.iterations) order.push_back(&row);
    std::stable_sort(order.begin(), order.end(),
                     [](const IterationRow* a, const IterationRow* b) { return a->iteration < b->iteration; });
    return order;
}

bool nothing_evaluated(const IterationRow& row) {
    bool any_row = false;
    for (const auto& block : row.standings) {
        for (const auto& standing : block.rows) {
            if (standing.passed != 0 || standing.failed != 0) return false;
            any_row = true;
        }
    }
    return any_row;
}

}  // namespace brelk::optimize
