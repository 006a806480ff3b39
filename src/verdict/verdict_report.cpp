#include "verdict/verdict_report.hpp"

#include <utility>
#include <variant>

#include "verdict/use_cases.hpp"
#include "verdict/verdict_page.hpp"
#include "verdict/verdict_record.hpp"

namespace brelk::verdict {

Generated VerdictReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/) {
    auto collected = collect_verdict_runs(dir);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& records = std::get<CollectedRuns>(collected);

    ReportOutput output;
    output.count = records.runs.size();
    output.render = renderer(group_by_use_case(std::move(records.runs)), append_verdict_page);
    output.skipped = std::move(records.skipped);
    output.notices = std::move(records.notices);
    return output;
}

}  // namespace brelk::verdict
