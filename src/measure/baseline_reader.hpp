#pragma once
// Baseline artefacts read from a document's top-level node, and what a baseline
// criterion supplies to its standings view.
#include <optional>
#include <string>
#include <variant>

#include "artefact/yaml.hpp"
#include "html/standings.hpp"
#include "measure/baseline.hpp"

namespace brelk::measure {

// The record, or the message that tells why the document does not fit it.
std::variant<BaselineArtefact, std::string> read_baseline_artefact(const yaml::Node& document);

// Passed are the successes, failed the trials that did not succeed (never below
// 0); both limited to 4294967295, which is all a criterion count can show.
CriterionCounts stated_counts(const BaselineCriterion& criterion);

// Only a stated Wilson bound makes a bound; the level may be absent.
std::optional<StatedBound> stated_bound(const BaselineCriterion& criterion, std::optional<double> confidence_level);

}  // namespace brelk::measure
