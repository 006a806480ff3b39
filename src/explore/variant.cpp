#include "explore/variant.hpp"

#include <map>
#include <utility>

#include <fmt/format.h>

#include "html/numbers.hpp"

namespace brelk::explore {

namespace {

std::string configuration_of(const ExploreArtefact& artefact, const std::vector<FactorLine>& factors,
                             std::size_t position) {
    if (artefact.configuration) return *artefact.configuration;
    if (factors.empty()) return fmt::format("configuration-{}", position);
    std::string joined;
    for (const auto& factor : factors) {
        if (!joined.empty()) joined += ' ';
        joined += factor_label(factor);
    }
    return joined;
}

void count_outcomes(Variant& variant) {
    bool any_row = false;
    bool any_judged = false;
    for (const auto& block : variant.standings) {
        for (const auto& row : block.rows) {
            any_row = true;
            any_judged = any_judged || row.passed != 0 || row.failed != 0;
            const auto judged = saturating_add(row.passed, row.failed);
            variant.outcomes_judged = saturating_add(variant.outcomes_judged, judged);
            variant.outcomes_total = saturating_add(variant.outcomes_total, saturating_add(judged, row.skipped));
        }
    }
    variant.nothing_evaluated = any_row && !any_judged;
}

}  // namespace

std::string factor_label(const FactorLine& factor) { return fmt::format("{}={}", factor.name, factor.value); }

Variant build_variant(ExploreArtefact artefact, std::size_t position) {
    Variant variant;
    variant.factors = displayed_factors(artefact.factors);
    variant.configuration = configuration_of(artefact, variant.factors, position);
    if (artefact.base_configuration) {
        variant.name = "base";
    } else {
        variant.name = artefact.configuration_name.value_or(variant.configuration);
    }
    variant.stated_base = artefact.base_configuration;

    const auto& execution = artefact.execution;
    variant.samples_planned = execution.samples_planned;
    variant.samples_executed = execution.samples_executed;
    variant.termination_reason = execution.termination_reason.value_or("UNKNOWN");

    auto& statistics = artefact.statistics;
    variant.observed_pass_rate = statistics.observed;
    variant.successes = statistics.successes;
    variant.failures = statistics.failures;
    variant.failure_distribution = std::move(statistics.failure_distribution);
    variant.standings = standings_of(statistics);
    count_outcomes(variant);

    copy_stated_timing(variant, artefact.latency, artefact.cost);
    variant.inputs = std::move(artefact.inputs);
    return variant;
}

std::vector<ServiceComparison> collect_services(std::vector<ExploreArtefact> artefacts) {
    std::map<std::string, std::vector<Variant>> by_service;
    for (auto& artefact : artefacts) {
        auto& variants = by_service[artefact.service_contract_id];
        variants.push_back(build_variant(std::move(artefact), variants.size() + 1));
    }
    std::vector<ServiceComparison> services;
    services.reserve(by_service.size());
    for (auto& [service, variants] : by_service) services.push_back(ServiceComparison{service, std::move(variants)});
    return services;
}

std::uint64_t delivery_failures(const std::vector<FailureDistributionEntry>& entries) {
    std::uint64_t total = 0;
    for (const auto& entry : entries) {
        if (entry.kind && *entry.kind == "delivery") total = saturating_add(total, entry.count);
    }
    return total;
}

}  // namespace brelk::explore
