#include "measure/measure_report.hpp"

#include <utility>
#include <variant>

#include "artefact/discovery.hpp"
#include "measure/baseline_reader.hpp"
#include "measure/measure_page.hpp"
#include "measure/measurement_record.hpp"

namespace brelk::measure {

Generated MeasureReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/, unsigned workers) {
    auto collected = collect_yaml_documents<BaselineArtefact>(
        dir, "brelk-baseline-1", RecordReader<BaselineArtefact>(read_baseline_artefact), workers);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& documents = std::get<Collected<BaselineArtefact>>(collected);

    ReportOutput output;
    output.count = documents.records.size();
    output.render = renderer(group_by_service(std::move(documents.records)),
                             [workers](PageBuffer& page, const MeasuredServices& held) {
                                 append_measure_page(page, held, workers);
                             });
    output.skipped = std::move(documents.skipped);
    return output;
}

}  // namespace brelk::measure
