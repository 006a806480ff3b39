#include "verdict/use_cases.hpp"

#include <set>
#include <string_view>
#include <utility>

namespace brelk::verdict {

UseCases group_by_use_case(std::vector<VerdictRun> runs) {
    UseCases use_cases;
    for (auto& run : runs) {
        auto& list = use_cases[run.use_case_id];
        list.push_back(std::move(run));
    }
    return use_cases;
}

std::size_t distinct_criteria(const std::vector<VerdictRun>& runs) {
    std::set<std::string_view> ids;
    for (const auto& run : runs) {
        for (const auto& row : run.criteria) ids.insert(row.id);
    }
    return ids.size();
}

}  // namespace brelk::verdict
