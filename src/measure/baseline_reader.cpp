#include "measure/baseline_reader.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "artefact/artefact_reader.hpp"
#include "artefact/record_reader.hpp"

namespace brelk::measure {

using record::field;
using record::Read;

namespace {

constexpr auto Required = record::Presence::Required;
constexpr auto Optional = record::Presence::Optional;
constexpr auto Default = record::Presence::Default;

constexpr std::array execution_fields{
    field<&Execution::samples_executed, record::u64>("samplesExecuted", Optional),
    field<&Execution::termination_reason, record::text>("terminationReason", Optional),
};

Read<Execution> read_execution(const yaml::Node& node) {
    return record::read_record(node, "struct Execution", execution_fields);
}

constexpr std::array criterion_fields{
    field<&BaselineCriterion::observed_pass_rate, record::f64>("observedPassRate", Optional),
    field<&BaselineCriterion::successes, record::u64>("successes", Required),
    field<&BaselineCriterion::trials, record::u64>("trials", Required),
    field<&BaselineCriterion::wilson_lower_bound, record::f64>("wilsonLowerBound", Optional),
    field<&BaselineCriterion::standings, read_standings_block>("standings", Optional),
    field<&BaselineCriterion::failure_distribution, record::list<read_failure_distribution_entry>>(
        "failureDistribution", Default),
};

Read<BaselineCriterion> read_criterion(const yaml::Node& node) {
    return record::read_record(node, "struct BaselineCriterion", criterion_fields);
}

constexpr std::array artefact_fields{
    field<&BaselineArtefact::service_contract_id, record::text>("serviceContractId", Required),
    field<&BaselineArtefact::service_name, record::text>("serviceName", Required),
    field<&BaselineArtefact::generated_at, record::text>("generatedAt", Optional),
    field<&BaselineArtefact::confidence_level, record::f64>("confidenceLevel", Optional),
    field<&BaselineArtefact::execution, read_execution>("execution", Optional),
    field<&BaselineArtefact::criteria, record::sorted_map<read_criterion>>("criteria", Default),
    field<&BaselineArtefact::inputs, record::list<read_input_presentation>>("inputs", Default),
};

std::uint32_t limited(std::uint64_t count) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

std::variant<BaselineArtefact, std::string> read_baseline_artefact(const yaml::Node& document) {
    return record::to_outcome(record::read_record(document, "struct BaselineArtefact", artefact_fields));
}

CriterionCounts stated_counts(const BaselineCriterion& criterion) {
    auto failed = criterion.trials > criterion.successes ? criterion.trials - criterion.successes : 0;
    return CriterionCounts{limited(criterion.successes), limited(failed)};
}

std::optional<StatedBound> stated_bound(const BaselineCriterion& criterion, std::optional<double> confidence_level) {
    if (!criterion.wilson_lower_bound) return std::nullopt;
    return StatedBound{*criterion.wilson_lower_bound, confidence_level};
}

}  // namespace brelk::measure
