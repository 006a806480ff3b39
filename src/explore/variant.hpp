#pragma once
// One explored configuration of a service as the report compares it, and the
// grouping of configurations by the service they were explored for.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "artefact/records.hpp"
#include "html/result_cells.hpp"
#include "html/standings.hpp"

namespace brelk::explore {

struct Variant {
    std::string name;           // "base", the stated name, or the configuration
    std::string configuration;  // the stated one, or made from the factors or the position
    bool stated_base = false;
    std::vector<FactorLine> factors;  // key order, values as displayed
    std::optional<std::uint32_t> samples_planned;
    std::uint32_t samples_executed = 0;
    std::string termination_reason;
    double observed_pass_rate = 0.0;
    std::uint32_t successes = 0;
    std::uint32_t failures = 0;
    std::vector<FailureDistributionEntry> failure_distribution;
    std::vector<StandingsBlockView> standings;
    std::uint64_t outcomes_total = 0;   // passed + failed + skipped over every row, saturating
    std::uint64_t outcomes_judged = 0;  // passed + failed over every row, saturating
    // Standings hold rows, and every outcome in them was skipped.
    bool nothing_evaluated = false;
    std::optional<double> p50_ms;
    std::optional<double> p95_ms;
    std::optional<double> p99_ms;
    std::vector<std::uint64_t> sorted_passing_latencies_ms;
    std::optional<std::uint64_t> avg_time_per_sample_ms;
    std::optional<std::uint64_t> avg_tokens_per_sample;
    std::vector<InputPresentation> inputs;
};

struct ServiceComparison {
    std::string service;            // the serviceContractId its artefacts share
    std::vector<Variant> variants;  // collection order
};

// "temperature=0.2": a factor's name and displayed value.
std::string factor_label(const FactorLine& factor);

// `position` is the variant's 1-based place among its service's variants; it
// names configurations that state neither a configuration nor factors.
Variant build_variant(ExploreArtefact artefact, std::size_t position);

// Variants grouped by the service the artefacts state, services in byte order.
std::vector<ServiceComparison> collect_services(std::vector<ExploreArtefact> artefacts);

// The number of stated deliveries that never happened, summed without wrapping.
std::uint64_t delivery_failures(const std::vector<FailureDistributionEntry>& entries);

}  // namespace brelk::explore
