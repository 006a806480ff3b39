#pragma once
// Verdict runs grouped by the use case each record states, whatever service
// directory it was found in.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "verdict/verdict_record.hpp"

namespace brelk::verdict {

// Use-case identifier (byte order) to its runs in walk order.
using UseCases = std::map<std::string, std::vector<VerdictRun>>;

UseCases group_by_use_case(std::vector<VerdictRun> runs);

// Distinct criterion ids over every run of a use case.
std::size_t distinct_criteria(const std::vector<VerdictRun>& runs);

}  // namespace brelk::verdict
