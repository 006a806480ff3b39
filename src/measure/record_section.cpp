#include "measure/record_section.hpp"

#include <array>
#include <iterator>
#include <vector>

#include <fmt/format.h>

#include "html/footer_stamp.hpp"
#include "html/numbers.hpp"
#include "html/result_cells.hpp"
#include "html/text.hpp"
#include "measure/criteria_table.hpp"
#include "postconditions/comparison.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::measure {

namespace {

constexpr std::string_view strip_legend =
    "One square per postcondition, in the contract’s order; its colour is the share of samples the check held on.";

struct DeliveryTotals {
    std::uint64_t delivery_failures = 0;  // D
    std::uint64_t failures = 0;           // F
    std::uint64_t successes = 0;          // S
};

DeliveryTotals delivery_totals(const MeasurementRecord& record) {
    DeliveryTotals totals;
    for (const auto& row : record.rows) {
        for (const auto& entry : row.failure_distribution) {
            if (entry.kind == "delivery") totals.delivery_failures = saturating_add(totals.delivery_failures, entry.count);
        }
        const auto failed = row.trials > row.successes ? row.trials - row.successes : 0;
        totals.failures = saturating_add(totals.failures, failed);
        totals.successes = saturating_add(totals.successes, row.successes);
    }
    return totals;
}

// Every failure being a delivery failure means the service never answered,
// and the rates below describe the attempt to reach it.
void append_nothing_delivered(PageBuffer& page, const MeasurementRecord& record) {
    const auto totals = delivery_totals(record);
    if (totals.successes != 0 || totals.delivery_failures == 0 || totals.delivery_failures != totals.failures) return;
    fmt::format_to(fmt::appender(page),
                   R"(<p class="nothing-delivered"><b>Nothing was delivered.</b> Not one of the {} recorded here )"
                   "received a response, so this record describes the attempt to reach the service and not the "
                   "service itself. The breakdown below states what happened; the counts are of trials, as they "
                   "always are.</p>\n",
                   count_noun(totals.delivery_failures, "sample"));
}

std::vector<FailureGroup> failure_groups(const MeasurementRecord& record) {
    std::vector<FailureGroup> groups;
    for (const auto& row : record.rows) groups.push_back(FailureGroup{row.criterion, row.failure_distribution});
    return groups;
}

}  // namespace

std::string record_facts(const MeasurementRecord& record) {
    std::vector<std::string> facts;
    if (record.samples_executed) facts.push_back(fmt::format("{} samples", *record.samples_executed));
    if (record.generated_at) facts.push_back("measured " + escape(stated_instant(*record.generated_at)));
    if (record.confidence_level) facts.push_back(fixed(*record.confidence_level * 100.0, 0) + "% confidence");
    // A completed run is the ordinary case and needs no badge.
    if (record.termination_reason && *record.termination_reason != "COMPLETED") {
        facts.push_back(termination_badge(*record.termination_reason));
    }
    std::string joined;
    for (const auto& fact : facts) {
        if (!joined.empty()) joined += " · ";
        joined += fact;
    }
    return joined;
}

void append_record(PageBuffer& page, std::size_t section, const MeasurementRecord& record, bool with_heading) {
    auto out = fmt::appender(page);
    if (with_heading) {
        fmt::format_to(out, "<h3>Measured {}</h3>\n", record.generated_at ? escape(*record.generated_at) : "record");
    }
    if (auto facts = record_facts(record); !facts.empty()) {
        fmt::format_to(out, "<p class=\"record-facts\">{}</p>\n", facts);
    }
    if (!record.rows.empty()) append_nothing_delivered(page, record);

    const std::array<Column, 1> columns{Column{
        record.generated_at ? stated_instant(*record.generated_at) : "record",
        record.standings,
        {},
        record.inputs,
        1,
        0,
        0,
    }};
    Comparison comparison = Comparison::build(columns);
    comparison.anchor_prefix = section_anchor_prefix(section);
    const bool with_postconditions = comparison.has_checks();

    append_criteria_table(page, record, comparison);
    if (with_postconditions) append_strip_legend(page, strip_legend);
    append_bar_legend(page, record);
    append_failure_breakdown(page, "Criterion", failure_groups(record));
    // The sections of every criterion in one go: they share what is gathered
    // about the column, which a record of many criteria would otherwise
    // gather again for each.
    append_blocks(page, comparison, columns);
    append_expected_values(page, comparison, columns);
}

}  // namespace brelk::measure
