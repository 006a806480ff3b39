#include "verdict/verdict_page.hpp"

#include <iterator>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/page.hpp"
#include "html/report_rules.hpp"
#include "html/text.hpp"
#include "verdict/criteria_table.hpp"
#include "verdict/run_section.hpp"

namespace brelk::verdict {

namespace {

// As written; the page places the notice box after it.
constexpr std::string_view own_rules =
    ".verdict-pass { color: var(--pass-color); font-weight: 600; }"
    ".verdict-fail { color: var(--fail-color); font-weight: 600; }"
    ".run-facts { color: var(--text-muted); font-size: 0.8rem; margin: 0.25rem 0 0.5rem; }";

std::string page_title(const UseCases& use_cases) {
    if (use_cases.size() == 1) return "Brelk Verdict: " + use_cases.begin()->first;
    return "Brelk Verdict Report";
}

// The composite verdicts of the runs that state one, in run order.
std::string composite_verdicts(const std::vector<VerdictRun>& runs) {
    std::string verdicts;
    for (const auto& run : runs) {
        if (!run.composite_verdict) continue;
        if (!verdicts.empty()) verdicts += ' ';
        verdicts += verdict_html(*run.composite_verdict);
    }
    return verdicts;
}

void append_overview(PageBuffer& page, const UseCases& use_cases) {
    page += "<h2>Overview</h2>\n<table>\n<thead>\n"
            "<tr><th>Service</th><th>Runs</th><th>Criteria</th><th>Verdicts</th></tr>\n"
            "</thead>\n<tbody>\n";
    for (const auto& [id, runs] : use_cases) {
        fmt::format_to(fmt::appender(page),
                       FMT_COMPILE(R"(<tr><td>{}</td><td class="num">{}</td><td class="num">{}</td><td>{}</td></tr>)"
                       "\n"),
                       escaped(id), runs.size(), distinct_criteria(runs), composite_verdicts(runs));
    }
    page += "</tbody>\n</table>\n";
}

}  // namespace

std::string verdict_css() {
    std::string css(own_rules);
    css += nothing_delivered_rules();
    return css;
}

void append_verdict_page(PageBuffer& page, const UseCases& use_cases, unsigned workers) {
    // A lone use case already stands in the title.
    const bool alone = use_cases.size() == 1;
    append_page_start(page, page_title(use_cases), verdict_css());
    if (!alone) append_overview(page, use_cases);
    append_grouped_sections(
        page, use_cases, workers,
        [alone](PageBuffer& part, const std::string& id) {
            if (!alone) fmt::format_to(fmt::appender(part), FMT_COMPILE("<h2>{}</h2>\n"), escaped(id));
        },
        [](PageBuffer& part, std::size_t section, const VerdictRun& run, const std::vector<VerdictRun>& runs) {
            append_run(part, section, run, runs.size() > 1);
        });
    append_page_end(page);
}

}  // namespace brelk::verdict
