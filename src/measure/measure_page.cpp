#include "measure/measure_page.hpp"

#include <iterator>
#include <set>

#include <fmt/format.h>

#include "html/page.hpp"
#include "html/report_rules.hpp"
#include "html/text.hpp"
#include "measure/record_section.hpp"

namespace brelk::measure {

namespace {

// As written; the page places the notice box after it.
constexpr std::string_view own_rules =
    ".record-facts { color: var(--text-muted); font-size: 0.8rem; margin: 0.25rem 0 0.5rem; }"
    "h2 .measured-under { color: var(--text-muted); font-size: 0.8rem; font-weight: 400; }"
    ".bar-track.varied { position: relative; width: 120px; }"
    ".ordinary-variation { position: absolute; top: 0; bottom: 0;background: repeating-linear-gradient(45deg, "
    "var(--pass-color) 0 2px, transparent 2px 5px);border-top: 1px solid var(--border-color); border-bottom: 1px "
    "solid var(--border-color); }"
    ".observed-mark, .bound-mark { position: absolute; top: -3px; bottom: -3px; width: 2px;background: "
    "var(--text-color); }"
    ".at-least { color: var(--text-muted); }";

std::string page_title(const MeasuredServices& services) {
    if (services.size() == 1) return "Brelk Measurement: " + services.begin()->first.service;
    return "Brelk Measurement Report";
}

std::size_t distinct_criteria(const std::vector<MeasurementRecord>& records) {
    std::set<std::string_view> names;
    for (const auto& record : records) {
        for (const auto& row : record.rows) names.insert(row.criterion);
    }
    return names.size();
}

void append_overview(PageBuffer& page, const MeasuredServices& services) {
    page += "<h2>Overview</h2>\n<table>\n<thead>\n"
            "<tr><th>Service</th><th>Contract</th><th>Records</th><th>Criteria</th></tr>\n"
            "</thead>\n<tbody>\n";
    for (const auto& [key, records] : services) {
        fmt::format_to(fmt::appender(page),
                       R"(<tr><td>{}</td><td>{}</td><td class="num">{}</td><td class="num">{}</td></tr>)"
                       "\n",
                       escape(key.service), escape(key.contract), records.size(), distinct_criteria(records));
    }
    page += "</tbody>\n</table>\n";
}

void append_service_heading(PageBuffer& page, const MeasuredService& key, bool alone) {
    auto out = fmt::appender(page);
    // A lone service already stands in the title; only its contract is left to say.
    if (alone) {
        fmt::format_to(out, R"(<p class="legend">measured under <span class="measured-under">{}</span></p>)"
                            "\n",
                       escape(key.contract));
        return;
    }
    fmt::format_to(out, R"(<h2>{} <span class="measured-under">{}</span></h2>)"
                        "\n",
                   escape(key.service), escape(key.contract));
}

}  // namespace

std::string measure_css() {
    std::string css(own_rules);
    css += nothing_delivered_rules();
    return css;
}

void append_measure_page(PageBuffer& page, const MeasuredServices& services, unsigned workers) {
    const bool alone = services.size() == 1;
    append_page_start(page, page_title(services), measure_css());
    if (!alone) append_overview(page, services);
    append_grouped_sections(
        page, services, workers,
        [alone](PageBuffer& part, const MeasuredService& key) { append_service_heading(part, key, alone); },
        [](PageBuffer& part, std::size_t section, const MeasurementRecord& record,
           const std::vector<MeasurementRecord>& records) { append_record(part, section, record, records.size() > 1); });
    append_page_end(page);
}

}  // namespace brelk::measure
