#include "verdict/run_section.hpp"

#include <array>
#include <cstddef>
#include <iterator>
#include <span>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/footer_stamp.hpp"
#include "html/numbers.hpp"
#include "html/result_cells.hpp"
#include "html/text.hpp"
#include "postconditions/comparison.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/outcome_strip.hpp"
#include "verdict/criteria_table.hpp"

namespace brelk::verdict {

namespace {

void append_heading(PageBuffer& page, const VerdictRun& run) {
    const std::string when = run.timestamp ? escape(stated_instant(*run.timestamp)) : "run";
    fmt::format_to(fmt::appender(page), FMT_COMPILE("<h3>Run {}</h3>\n"), when);
}

void append_facts(PageBuffer& page, const VerdictRun& run) {
    const auto facts = run_facts(run);
    if (facts.empty()) return;
    page += "<p class=\"run-facts\">";
    for (std::size_t i = 0; i < facts.size(); ++i) {
        if (i != 0) page += " · ";
        page += facts[i];
    }
    page += "</p>\n";
}

void append_nothing_delivered(PageBuffer& page, const VerdictRun& run) {
    const auto undelivered = nothing_delivered(run);
    if (!undelivered) return;
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE("<p class=\"nothing-delivered\"><b>Nothing was delivered.</b> Not one of the {} recorded here "
                   "received a response, so this record describes the attempt to reach the service and not the "
                   "service itself. The breakdown below states what happened; the counts are of trials, as they "
                   "always are.</p>\n"),
                   count_noun(*undelivered, "sample"));
}

// The run's only comparison column is named by the timestamp as written, so
// it reads exactly as the record states it.
Column run_column(const VerdictRun& run, std::span<const StandingsBlockView> standings) {
    Column column;
    column.name = run.timestamp.value_or(run.use_case_id);
    column.blocks = standings;
    column.ordinal = 1;
    return column;
}

}  // namespace

std::string run_label(const VerdictRun& run) {
    return run.timestamp ? stated_instant(*run.timestamp) : run.use_case_id;
}

std::vector<std::string> run_facts(const VerdictRun& run) {
    std::vector<std::string> facts;
    if (run.samples_executed) facts.push_back(escape(*run.samples_executed) + " samples");
    if (run.intent) facts.push_back(escape(*run.intent));
    if (run.termination_reason) facts.push_back(termination_badge(*run.termination_reason));
    return facts;
}

std::optional<std::uint64_t> nothing_delivered(const VerdictRun& run) {
    // "Every failure was of delivery" is asked of the entries themselves, so a
    // saturated sum can never pass for an equal one.
    std::uint64_t delivery = 0;
    for (const auto& entry : run.failure_distribution) {
        if (entry.kind != "delivery" && entry.count != 0) return std::nullopt;
        if (entry.kind == "delivery") delivery = saturating_add(delivery, entry.count);
    }
    if (delivery == 0 || run.successes.value_or(0) != 0) return std::nullopt;
    return delivery;
}

void append_run(PageBuffer& page, std::size_t section, const VerdictRun& run, bool headed) {
    if (headed) append_heading(page, run);
    append_facts(page, run);
    append_nothing_delivered(page, run);

    const auto standings = unpack(run.standings);
    const std::array<Column, 1> columns{run_column(run, standings)};
    Comparison comparison = Comparison::build(columns);
    comparison.anchor_prefix = section_anchor_prefix(section);
    append_criteria_table(page, run, comparison);
    if (comparison.has_checks()) {
        append_strip_legend(page,
                            "One square per postcondition, in the contract’s order; its colour is the share of "
                            "samples the check held on.");
    }
    append_failure_breakdown(page, "Run", {FailureGroup{run_label(run), run.failure_distribution}});
    append_blocks(page, comparison, columns);
    append_expected_values(page, comparison, columns);
}

}  // namespace brelk::verdict
