#include "optimize/scores.hpp"

#include <cmath>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "artefact/diagnostic_text.hpp"

namespace brelk::optimize {

std::string score_display(double score) {
    // From 2^53 on every double is a whole number, and its exact expansion
    // (99999999999999991611392 for 1e23) has digits that were never stated.
    constexpr double whole_from = 9007199254740992.0;
    if (std::fabs(score) >= whole_from) return shortest(score);
    auto text = fixed(score, 3);
    while (!text.empty() && text.back() == '0') text.pop_back();
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::optional<std::string> hidden_score_notice(const OptimizeRun& run) {
    if (run.objective == Objective::Minimize) {
        return fmt::format("scores hidden for {}: objective is MINIMIZE — the pass rate cannot stand in for the "
                           "score",
                           run_label(run));
    }
    if (run.scorer && *run.scorer != "observed-pass-rate") {
        return fmt::format("scores hidden for {}: stated scorer is {}, not {}", run_label(run),
                           quoted_literal(*run.scorer), "observed-pass-rate");
    }
    return std::nullopt;
}

}  // namespace brelk::optimize
