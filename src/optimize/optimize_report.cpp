#include "optimize/optimize_report.hpp"

#include <utility>
#include <variant>

#include "artefact/artefact_reader.hpp"
#include "artefact/discovery.hpp"
#include "optimize/optimize_page.hpp"
#include "optimize/run.hpp"
#include "optimize/scores.hpp"

namespace brelk::optimize {

Generated OptimizeReport::generate(const std::filesystem::path& dir, bool hide_scores, unsigned workers) {
    const RecordReader<OptimizeArtefact> read = [](const yaml::Node& node) { return read_optimize_artefact(node); };
    auto collected = collect_yaml_documents<OptimizeArtefact>(dir, "brelk-optimize-1", read, workers);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& documents = std::get<Collected<OptimizeArtefact>>(collected);

    std::vector<OptimizeRun> runs;
    runs.reserve(documents.records.size());
    for (auto& artefact : documents.records) runs.push_back(build_run(std::move(artefact)));
    sort_runs(runs);

    ReportOutput output;
    if (hide_scores) {
        for (const auto& run : runs) {
            if (auto notice = hidden_score_notice(run)) output.notices.push_back(std::move(*notice));
        }
    }
    output.skipped = std::move(documents.skipped);
    output.count = runs.size();
    output.render =
        renderer(std::move(runs), [hide_scores, workers](PageBuffer& page, const std::vector<OptimizeRun>& held) {
            append_optimize_page(page, held, hide_scores, workers);
        });
    return output;
}

}  // namespace brelk::optimize
