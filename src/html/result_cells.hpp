#pragma once
// Cells and blocks the reports share: termination, cost, latency strips and
// figures, failure breakdowns and factor settings. Artefact text is escaped
// here; headings documented as literal markup are written as given.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "html/page_buffer.hpp"
#include "artefact/records.hpp"

namespace brelk {

// One compared entry (configuration or iteration) of a latency block.
struct LatencyRow {
    std::uint64_t ordinal = 0;  // shown in the entry's badge
    std::string label;          // plain text
    std::vector<std::uint64_t> sorted_passing_latencies_ms;  // ascending
    std::optional<double> p50_ms;
    std::optional<double> p95_ms;
    std::optional<double> p99_ms;
    std::optional<std::uint64_t> avg_time_per_sample_ms;
    std::uint32_t samples_executed = 0;
    // Standings hold rows, but none of them passed or failed.
    bool nothing_evaluated = false;
};

// The failure conditions of one compared entry.
struct FailureGroup {
    std::string label;  // plain text
    std::vector<FailureDistributionEntry> entries;
};

// A factor name and its displayed value (from `factor_display`).
struct FactorLine {
    std::string name;
    std::string value;
};

// "badge ok" only for exactly "COMPLETED"; everything else is flagged.
std::string termination_badge(std::string_view reason);

// "-", "{}ms" or "{}ms · {} tok".
std::string cost_cell(std::optional<std::uint64_t> avg_time_per_sample_ms,
                      std::optional<std::uint64_t> avg_tokens_per_sample);

// One "<td>" holding a stated p50, with a bar scaled against `column_max`.
void append_stated_latency_cell(PageBuffer& page, std::optional<double> p50_ms, double column_max);

// Latency strips of every row, the legend and the figures table; nothing at all
// when no row has a passing latency. `label_heading` is literal markup.
void append_latency_block(PageBuffer& page, const std::vector<LatencyRow>& rows,
                          std::string_view label_heading);

// Table of failure conditions per group; nothing when every group is empty.
// `heading` is plain text.
void append_failure_breakdown(PageBuffer& page, std::string_view heading,
                              const std::vector<FailureGroup>& groups);

// Collapsible list of the base configuration's factors; nothing without factors.
// `summary_html` is literal markup.
void append_base_config(PageBuffer& page, std::string_view summary_html,
                        const std::vector<FactorLine>& lines);

// True for a value with no line feed and at most 80 characters.
bool is_short_value(std::string_view text);

// The escaped text when short, else "<pre>" of it without trailing line feeds.
std::string long_value_html(std::string_view text);

// "{} lines" for multi-line values, else the size as "{}.{} kB".
std::string size_hint(std::string_view text);

// The value as text, unescaped: texts unchanged, "true"/"false", numbers in
// shortest plain notation.
std::string factor_display(const FactorValue& value);

// Copies the stated percentiles, passing latencies and averages into any row
// that carries the latency block's fields under the same names.
template <class Row>
void copy_stated_timing(Row& row, const std::optional<Latency>& latency, const std::optional<Cost>& cost) {
    if (latency) {
        row.p50_ms = latency->p50_ms;
        row.p95_ms = latency->p95_ms;
        row.p99_ms = latency->p99_ms;
        row.sorted_passing_latencies_ms = latency->sorted_passing_latencies_ms;
    }
    if (cost) {
        row.avg_time_per_sample_ms = cost->avg_time_per_sample_ms;
        row.avg_tokens_per_sample = cost->avg_tokens_per_sample;
    }
}

// Each factor with its displayed value, in the factors' order.
std::vector<FactorLine> displayed_factors(const Factors& factors);

// The text without its trailing line feeds (only line feeds).
std::string_view trim_trailing_line_feeds(std::string_view text);

}  // namespace brelk
