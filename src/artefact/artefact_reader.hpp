#pragma once
// Exploration and optimization artefacts read from a document's top-level node,
// and the readers of the records every artefact kind shares.
#include <string>
#include <variant>

#include "artefact/record_reader.hpp"
#include "artefact/records.hpp"
#include "artefact/yaml.hpp"

namespace brelk {

// The record, or the message that tells why the document does not fit it.
std::variant<ExploreArtefact, std::string> read_explore_artefact(const yaml::Node& document);
std::variant<OptimizeArtefact, std::string> read_optimize_artefact(const yaml::Node& document);

// Shared records, for the other artefact kinds' own field tables.
record::Read<FactorValue> read_factor_value(const yaml::Node& node);
record::Read<FailureDistributionEntry> read_failure_distribution_entry(const yaml::Node& node);
record::Read<InputPresentation> read_input_presentation(const yaml::Node& node);
record::Read<StandingsBlock> read_standings_block(const yaml::Node& node);

}  // namespace brelk
