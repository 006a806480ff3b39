#include "artefact/artefact_reader.hpp"

#include <array>

#include <fmt/format.h>

namespace brelk {

using record::Failure;
using record::field;
using record::Read;

namespace {

constexpr auto Required = record::Presence::Required;
constexpr auto Optional = record::Presence::Optional;
constexpr auto Default = record::Presence::Default;

Read<Objective> read_objective(const yaml::Node& node) {
    if (node.kind != yaml::NodeKind::String) return record::invalid_type(node, "enum Objective");
    if (node.text == "MAXIMIZE") return Objective::Maximize;
    if (node.text == "MINIMIZE") return Objective::Minimize;
    return Failure{fmt::format("unknown variant `{}`, expected `MAXIMIZE` or `MINIMIZE`", node.text)};
}

constexpr std::array observed_exemplar_fields{
    field<&ObservedExemplar::excerpt, record::text>("excerpt", Required),
    field<&ObservedExemplar::count, record::u64>("count", Required),
    field<&ObservedExemplar::held, record::boolean>("held", Required),
};

Read<ObservedExemplar> read_observed_exemplar(const yaml::Node& node) {
    return record::read_record(node, "struct ObservedExemplar", observed_exemplar_fields);
}

constexpr std::array standings_row_fields{
    field<&StandingsRow::input_index, record::u32>("inputIndex", Required),
    field<&StandingsRow::check, record::text>("check", Required),
    field<&StandingsRow::optional, record::boolean>("optional", Required),
    field<&StandingsRow::passed, record::u64>("passed", Required),
    field<&StandingsRow::failed, record::u64>("failed", Required),
    field<&StandingsRow::skipped, record::u64>("skipped", Required),
    field<&StandingsRow::observed_fraction, record::f64>("observedFraction", Required),
    field<&StandingsRow::provenance, record::text>("provenance", Optional),
    field<&StandingsRow::path, record::text>("path", Optional),
    field<&StandingsRow::form, record::text>("form", Optional),
    field<&StandingsRow::expected, record::text>("expected", Optional),
    field<&StandingsRow::observed, record::list<read_observed_exemplar>>("observed", Default),
    field<&StandingsRow::elided, record::u64>("elided", Default),
};

Read<StandingsRow> read_standings_row(const yaml::Node& node) {
    return record::read_record(node, "struct StandingsRow", standings_row_fields);
}

constexpr std::array standings_block_fields{
    field<&StandingsBlock::optional_slack, record::text>("optionalSlack", Optional),
    field<&StandingsBlock::rows, record::list<read_standings_row>>("rows", Required),
};

constexpr std::array criterion_tally_fields{
    field<&CriterionTally::observed_pass_rate, record::f64>("observedPassRate", Required),
    field<&CriterionTally::pass, record::u32>("pass", Required),
    field<&CriterionTally::fail, record::u32>("fail", Required),
    field<&CriterionTally::standings, read_standings_block>("standings", Optional),
};

Read<CriterionTally> read_criterion_tally(const yaml::Node& node) {
    return record::read_record(node, "struct CriterionTally", criterion_tally_fields);
}

constexpr std::array failure_distribution_entry_fields{
    field<&FailureDistributionEntry::condition, record::text>("condition", Required),
    field<&FailureDistributionEntry::count, record::u32>("count", Required),
    field<&FailureDistributionEntry::kind, record::text>("kind", Optional),
    field<&FailureDistributionEntry::input_index, record::u32>("inputIndex", Optional),
    field<&FailureDistributionEntry::input_excerpt, record::text>("inputExcerpt", Optional),
};

constexpr std::array statistics_fields{
    field<&Statistics::observed, record::f64>("observed", Required),
    field<&Statistics::successes, record::u32>("successes", Required),
    field<&Statistics::failures, record::u32>("failures", Required),
    field<&Statistics::failure_distribution, record::list<read_failure_distribution_entry>>("failureDistribution",
                                                                                            Default),
    field<&Statistics::criteria, record::stated_order<read_criterion_tally>>("criteria", Optional),
};

Read<Statistics> read_statistics(const yaml::Node& node) {
    return record::read_record(node, "struct Statistics", statistics_fields);
}

constexpr std::array execution_fields{
    field<&Execution::samples_planned, record::u32>("samplesPlanned", Optional),
    field<&Execution::samples_executed, record::u32>("samplesExecuted", Required),
    field<&Execution::termination_reason, record::text>("terminationReason", Optional),
};

Read<Execution> read_execution(const yaml::Node& node) {
    return record::read_record(node, "struct Execution", execution_fields);
}

constexpr std::array input_presentation_fields{
    field<&InputPresentation::input_index, record::u32>("inputIndex", Required),
    field<&InputPresentation::input_excerpt, record::text>("inputExcerpt", Required),
};

constexpr std::array latency_fields{
    field<&Latency::p50_ms, record::f64>("p50Ms", Optional),
    field<&Latency::p95_ms, record::f64>("p95Ms", Optional),
    field<&Latency::p99_ms, record::f64>("p99Ms", Optional),
    field<&Latency::sorted_passing_latencies_ms, record::list<record::u64>>("sortedPassingLatenciesMs", Required),
};

Read<Latency> read_latency(const yaml::Node& node) {
    return record::read_record(node, "struct Latency", latency_fields);
}

constexpr std::array cost_fields{
    field<&Cost::avg_time_per_sample_ms, record::u64>("avgTimePerSampleMs", Optional),
    field<&Cost::avg_tokens_per_sample, record::u64>("avgTokensPerSample", Optional),
};

Read<Cost> read_cost(const yaml::Node& node) { return record::read_record(node, "struct Cost", cost_fields); }

constexpr std::array explore_artefact_fields{
    field<&ExploreArtefact::service_contract_id, record::text>("serviceContractId", Required),
    field<&ExploreArtefact::configuration, record::text>("configuration", Optional),
    field<&ExploreArtefact::configuration_name, record::text>("configurationName", Optional),
    field<&ExploreArtefact::base_configuration, record::boolean>("baseConfiguration", Default),
    field<&ExploreArtefact::factors, record::sorted_map<read_factor_value>>("factors", Default),
    field<&ExploreArtefact::execution, read_execution>("execution", Required),
    field<&ExploreArtefact::statistics, read_statistics>("statistics", Required),
    field<&ExploreArtefact::latency, read_latency>("latency", Optional),
    field<&ExploreArtefact::cost, read_cost>("cost", Optional),
    field<&ExploreArtefact::inputs, record::list<read_input_presentation>>("inputs", Default),
};

constexpr std::array optimize_iteration_fields{
    field<&OptimizeIteration::iteration, record::u32>("iteration", Required),
    field<&OptimizeIteration::factors, record::sorted_map<read_factor_value>>("factors", Default),
    field<&OptimizeIteration::score, record::f64>("score", Required),
    field<&OptimizeIteration::execution, read_execution>("execution", Required),
    field<&OptimizeIteration::statistics, read_statistics>("statistics", Required),
    field<&OptimizeIteration::latency, read_latency>("latency", Optional),
    field<&OptimizeIteration::cost, read_cost>("cost", Optional),
};

Read<OptimizeIteration> read_optimize_iteration(const yaml::Node& node) {
    return record::read_record(node, "struct OptimizeIteration", optimize_iteration_fields);
}

constexpr std::array convergence_fields{
    field<&Convergence::total_iterations, record::u32>("totalIterations", Required),
    field<&Convergence::best_iteration, record::u32>("bestIteration", Required),
    field<&Convergence::best_score, record::f64>("bestScore", Required),
    field<&Convergence::termination_reason, record::text>("terminationReason", Optional),
};

Read<Convergence> read_convergence(const yaml::Node& node) {
    return record::read_record(node, "struct Convergence", convergence_fields);
}

constexpr std::array optimize_artefact_fields{
    field<&OptimizeArtefact::service_contract_id, record::text>("serviceContractId", Required),
    field<&OptimizeArtefact::experiment_id, record::text>("experimentId", Optional),
    field<&OptimizeArtefact::objective, read_objective>("objective", Required),
    field<&OptimizeArtefact::scorer, record::text>("scorer", Optional),
    field<&OptimizeArtefact::termination, record::text>("termination", Optional),
    field<&OptimizeArtefact::stepper, record::any_node>("stepper", Optional),
    field<&OptimizeArtefact::iterations, record::list<read_optimize_iteration>>("iterations", Required),
    field<&OptimizeArtefact::convergence, read_convergence>("convergence", Required),
    field<&OptimizeArtefact::inputs, record::list<read_input_presentation>>("inputs", Default),
};

}  // namespace

Read<FactorValue> read_factor_value(const yaml::Node& node) {
    // The alternative is chosen by the value's own type, so a tag that would
    // choose it instead cannot be honoured.
    if (!node.tag.empty()) return Failure{"untagged and internally tagged enums do not support enum input"};
    switch (node.kind) {
        case yaml::NodeKind::String: return FactorValue{std::string(node.text)};
        case yaml::NodeKind::Integer:
        case yaml::NodeKind::Float: return FactorValue{std::get<double>(record::f64(node))};
        case yaml::NodeKind::Boolean: return FactorValue{node.boolean};
        default: return Failure{"data did not match any variant of untagged enum FactorValue"};
    }
}

Read<FailureDistributionEntry> read_failure_distribution_entry(const yaml::Node& node) {
    return record::read_record(node, "struct FailureDistributionEntry", failure_distribution_entry_fields);
}

Read<InputPresentation> read_input_presentation(const yaml::Node& node) {
    return record::read_record(node, "struct InputPresentation", input_presentation_fields);
}

Read<StandingsBlock> read_standings_block(const yaml::Node& node) {
    return record::read_record(node, "struct StandingsBlock", standings_block_fields);
}

std::variant<ExploreArtefact, std::string> read_explore_artefact(const yaml::Node& document) {
    return record::to_outcome(record::read_record(document, "struct ExploreArtefact", explore_artefact_fields));
}

std::variant<OptimizeArtefact, std::string> read_optimize_artefact(const yaml::Node& document) {
    return record::to_outcome(record::read_record(document, "struct OptimizeArtefact", optimize_artefact_fields));
}

}  // namespace brelk
