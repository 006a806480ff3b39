#include "verdict/verdict_report.hpp"

#include <utility>
#include <variant>

#include "verdict/use_cases.hpp"
#include "verdict/verdict_page.hpp"
#include "verdict/verdict_record.hpp"

namespace brelk::verdict {

Generated VerdictReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/, unsigned workers) {
    auto collected = collect_verdict_runs(dir, workers);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& records = std::get<CollectedRuns>(collected);

    ReportOutput output;
    output.count = records.runs.size();
    // The runs' standings lie in the arena, so the two are held together.
    struct Held {
        RecordArena arena;
        UseCases use_cases;
    };
    output.render = renderer(Held{std::move(records.arena), group_by_use_case(std::move(records.runs))},
                             [workers](PageBuffer& page, const Held& held) {
                                 append_verdict_page(page, held.use_cases, workers);
                             });
    output.skipped = std::move(records.skipped);
    output.notices = std::move(records.notices);
    return output;
}

}  // namespace brelk::verdict
