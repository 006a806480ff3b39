#pragma once
// What one generated service has in common across its artefacts (the
// inputs, the criteria and their checks, the base prompt) and the outcome of
// one batch of samples against it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corpus/phrases.hpp"
#include "corpus/random.hpp"

namespace brelk::corpus {

struct Check {
    const CheckTemplate* shape;
    std::vector<std::string> expected;  // none, one for every input, or one per input
};

// Whether the check's expected value comes from the input (a price, a SKU)
// rather than from the criterion.
bool input_provenance(const Check& check);

struct Criterion {
    std::string name;
    std::vector<Check> checks;
    std::optional<std::string> slack;
};

struct Contract {
    std::string service;      // e.g. "checkout-assistant-0042"
    std::string contract_id;  // e.g. "checkout-assistant-0042@3"
    std::vector<std::string> inputs;
    std::vector<Criterion> criteria;
    std::vector<std::string> prompt;  // lines of the base prompt
};

Contract draw_contract(Rng& rng, std::size_t service);

// The base prompt with a few lines rewritten, inserted or dropped.
std::vector<std::string> edited_prompt(Rng& rng, const std::vector<std::string>& lines, int edits);

struct Exemplar {
    std::string excerpt;
    std::uint64_t count;
    bool held;
};

// One check on one input.
struct Standing {
    std::size_t input;
    const Check* check;
    std::uint64_t passed;
    std::uint64_t failed;
    std::uint64_t skipped;
    std::uint64_t elided;
    std::vector<Exemplar> observed;
};

std::string_view expected_of(const Standing& standing);  // empty when the check expects nothing
double observed_fraction(const Standing& standing);

struct CriterionResult {
    const Criterion* criterion;
    std::uint32_t pass;
    std::uint32_t fail;
    std::vector<Standing> rows;
};

struct Failure {
    std::string condition;
    std::uint32_t count;
    std::string_view kind;
    std::optional<std::size_t> input;
    bool with_excerpt;
};

struct Outcome {
    std::uint32_t samples;
    std::uint32_t successes;
    std::uint32_t failures;
    std::vector<CriterionResult> criteria;
    std::vector<Failure> failures_by_condition;
    std::vector<std::uint64_t> latencies;  // ascending, one per passing sample
    std::optional<double> p50, p95, p99;   // only where the sample count supports them
    std::uint64_t avg_time_ms;
    std::uint64_t avg_tokens;
};

// One entry per check of the criterion that failed somewhere, some naming
// the input it failed on most.
std::vector<Failure> check_failures(Rng& rng, const CriterionResult& result);

// `quality` near 1 means few failures; latencies spread around `median_ms`.
Outcome draw_outcome(Rng& rng, const Contract& contract, std::uint32_t samples, double quality, double median_ms);

}  // namespace brelk::corpus
