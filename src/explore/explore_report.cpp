// Interim generator: collects the documents of its kind and frames an empty page.
#include "explore/explore_report.hpp"

#include <variant>

#include "html/discovery.hpp"
#include "html/page.hpp"

namespace brelk::explore {

Generated ExploreReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/) {
    RecordReader<int> any = [](const yaml::Node&) -> std::variant<int, std::string> { return 0; };
    auto collected = collect_yaml_documents<int>(dir, "brelk-explore-1", any);
    if (auto* error = std::get_if<OsError>(&collected)) return *error;
    auto& documents = std::get<Collected<int>>(collected);
    ReportOutput output;
    append_page_start(output.page, "Brelk Exploration Report", "");
    append_page_end(output.page);
    output.skipped = std::move(documents.skipped);
    output.count = documents.records.size();
    return output;
}

}  // namespace brelk::explore
