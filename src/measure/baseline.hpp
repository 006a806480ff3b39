#pragma once
// The records of a baseline measurement artefact.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "artefact/records.hpp"

namespace brelk::measure {

// The baseline's own execution record: unlike the exploration one, every field is optional.
struct Execution {
    std::optional<std::uint64_t> samples_executed;
    std::optional<std::string> termination_reason;
};

struct BaselineCriterion {
    std::optional<double> observed_pass_rate;
    std::uint64_t successes = 0;
    std::uint64_t trials = 0;
    std::optional<double> wilson_lower_bound;
    std::optional<StandingsBlock> standings;
    std::vector<FailureDistributionEntry> failure_distribution;
};

struct BaselineArtefact {
    std::string service_contract_id;
    std::string service_name;
    std::optional<std::string> generated_at;
    std::optional<double> confidence_level;
    std::optional<Execution> execution;
    std::vector<std::pair<std::string, BaselineCriterion>> criteria;  // sorted by name, byte order
    std::vector<InputPresentation> inputs;
};

}  // namespace brelk::measure
