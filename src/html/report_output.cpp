#include "html/report_output.hpp"

namespace brelk {

std::string page_text(const ReportOutput& report) {
    CollectedPage page;
    if (report.render) report.render(page);
    return page.text();
}

}  // namespace brelk
