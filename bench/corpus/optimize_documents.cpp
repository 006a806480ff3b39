// Optimization runs: one file per run, each a stepper's walk over a few
// factors with one full result per iteration.
#include <array>
#include <cmath>

#include "corpus/documents.hpp"

namespace brelk::corpus {
namespace {

constexpr std::uint64_t optimize_stream = 2;

struct Objective {
    std::string_view direction;
    std::string_view scorer;
};

constexpr std::array objectives{
    Objective{"MAXIMIZE", "observed-pass-rate"},
    Objective{"MAXIMIZE", "observed-pass-rate"},
    Objective{"MAXIMIZE", "llm-judge"},
    Objective{"MINIMIZE", "cost-per-success"},
};

struct Iteration {
    std::uint32_t number;
    std::string model;
    double temperature;
    std::uint64_t max_tokens;
    std::vector<std::string> prompt;
    Outcome outcome;
    double score;
};

double rounded(double value, double unit) {
    return std::round(value / unit) * unit;
}

double score_of(const Objective& objective, const Outcome& outcome, Rng& rng) {
    const double rate = static_cast<double>(outcome.successes) / static_cast<double>(outcome.samples);
    if (objective.direction == "MINIMIZE") {
        return rounded(static_cast<double>(outcome.avg_time_ms) / 1000.0 * (2.0 - rate), 0.001);
    }
    if (objective.scorer == "llm-judge") return rounded(rate * (0.85 + 0.1 * unit(rng)), 0.001);
    return rate;
}

std::size_t best_of(const Objective& objective, const std::vector<Iteration>& iterations) {
    std::size_t best = 0;
    for (std::size_t k = 1; k < iterations.size(); ++k) {
        const bool better = objective.direction == "MINIMIZE" ? iterations[k].score < iterations[best].score
                                                              : iterations[k].score > iterations[best].score;
        if (better) best = k;
    }
    return best;
}

// The stepper's own description: any shape the producer likes.
void put_stepper(Buffer& out, Rng& rng) {
    put(out, "stepper:\n  kind: {}\n  factors: [temperature, system_prompt, max_tokens]\n",
        chance(rng, 0.5) ? "hill-climb" : "bandit");
    put(out, "  params:\n    step: 0.1\n    patience: {}\n    seed: {}\n", between(rng, 1, 4), between(rng, 1, 9999));
    put(out, "  prompts:\n    - source: prompt-library/triage.md\n      revisions: {}\n    - source: null\n",
        between(rng, 1, 5));
    put(out,
        "  notes: |\n    Temperature moves first; prompt revisions come from the library\n"
        "    in the order they were written.\n");
}

void put_iteration(Buffer& out, const Contract& contract, const Iteration& it, std::uint32_t planned) {
    const auto& outcome = it.outcome;
    put(out,
        "  - iteration: {}\n    factors:\n      model: {}\n      temperature: {}\n      system_prompt: ", it.number,
        Quoted{it.model}, Float{it.temperature});
    put_lines(out, it.prompt, "        ");
    put(out, "      max_tokens: {}\n    score: {}\n", it.max_tokens, Float{it.score});
    put(out, "    execution: {{samplesPlanned: {}, samplesExecuted: {}, terminationReason: COMPLETED}}\n", planned,
        outcome.samples);
    put(out, "    statistics:\n      observed: {}\n      successes: {}\n      failures: {}\n",
        Float{static_cast<double>(outcome.successes) / static_cast<double>(outcome.samples)}, outcome.successes,
        outcome.failures);
    put_failures(out, contract, outcome.failures_by_condition, "      ");
    put_criteria(out, outcome.criteria, "      ", Layout::Flow);
    put_latency_and_cost(out, outcome, "    ", Layout::Flow);
}

Buffer run_document(const Contract& contract, std::size_t service, std::size_t run) {
    Rng rng = rng_for(optimize_stream, service, run + 1);
    const auto& objective = pick(rng, objectives);
    const auto count = static_cast<std::uint32_t>(between(rng, 4, 14));
    const auto planned = static_cast<std::uint32_t>(between(rng, 20, 240));
    std::vector<Iteration> iterations;
    Iteration current{0, std::string(pick(rng, model_names())), 0.7, 256, contract.prompt, {}, 0.0};
    for (std::uint32_t k = 1; k <= count; ++k) {
        current.number = k;
        if (k > 1) {
            current.temperature = std::max(0.0, rounded(current.temperature + (chance(rng, 0.5) ? 0.1 : -0.1), 0.1));
            if (chance(rng, 0.4)) current.prompt = edited_prompt(rng, current.prompt, 2);
            if (chance(rng, 0.2)) current.max_tokens = std::uint64_t{256} << between(rng, 0, 3);
        }
        const double quality = std::min(0.99, 0.7 + 0.02 * k + 0.08 * unit(rng));
        current.outcome = draw_outcome(rng, contract, planned, quality, 400.0 + 1500.0 * unit(rng));
        current.score = score_of(objective, current.outcome, rng);
        iterations.push_back(current);
    }
    const auto& best = iterations[best_of(objective, iterations)];

    Buffer out;
    put(out, "schemaVersion: brelk-optimize-1\nserviceContractId: {}\nexperimentId: {}\n", contract.contract_id,
        Quoted{fmt::format("experiment-{}", run + 1)});
    put(out, "objective: {}\nscorer: {}\ntermination: {}\n", objective.direction, objective.scorer,
        Quoted{fmt::format("converged after {} iterations", count)});
    put_stepper(out, rng);
    put(out, "iterations:\n");
    for (const auto& iteration : iterations) put_iteration(out, contract, iteration, planned);
    put(out, "convergence:\n  totalIterations: {}\n  bestIteration: {}\n  bestScore: {}\n", count, best.number,
        Float{best.score});
    put(out, "  terminationReason: {}\n", Quoted{"no improvement within patience"});
    put_inputs(out, contract, "");
    return out;
}

}  // namespace

void optimize_service(std::size_t service, const Emit& emit) {
    Rng rng = rng_for(optimize_stream, service);
    const auto contract = draw_contract(rng, service);
    const auto runs = between(rng, 1, 3);
    for (std::size_t r = 0; r < runs; ++r) emit(fmt::format("run-{}.yaml", r + 1), run_document(contract, service, r));
}

}  // namespace brelk::corpus
