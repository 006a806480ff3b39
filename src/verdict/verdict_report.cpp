// Interim generator until verdict records are read: an empty, framed page.
#include "verdict/verdict_report.hpp"

#include "html/discovery.hpp"
#include "html/page.hpp"

namespace brelk::verdict {

Generated VerdictReport::generate(const std::filesystem::path& dir, bool /*hide_scores*/) {
    auto entries = sorted_entries(dir);
    if (auto* error = std::get_if<OsError>(&entries)) return *error;
    ReportOutput output;
    append_page_start(output.page, "Brelk Verdict Report", "");
    append_page_end(output.page);
    return output;
}

}  // namespace brelk::verdict
