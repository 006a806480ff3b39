#include "explore/explore_report.hpp"

#include <utility>
#include <variant>

#include "artefact/artefact_reader.hpp"
#include "explore/explore_page.hpp"
#include "explore/variant.hpp"
#include "artefact/discovery.hpp"

namespace brelk::explore {

Generated ExploreReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/, unsigned workers) {
    const RecordReader<ExploreArtefact> read = [](const yaml::Node& node) { return read_explore_artefact(node); };
    auto collected = collect_yaml_documents<ExploreArtefact>(dir, "brelk-explore-1", read, workers);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& documents = std::get<Collected<ExploreArtefact>>(collected);

    auto services = collect_services(std::move(documents.records));
    ReportOutput output;
    output.skipped = std::move(documents.skipped);
    for (const auto& service : services) output.count += service.variants.size();
    output.render =
        renderer(std::move(services), [workers](PageBuffer& page, const std::vector<ServiceComparison>& held) {
            append_explore_page(page, held, workers);
        });
    return output;
}

}  // namespace brelk::explore
