#include "html/result_cells.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"

namespace brelk {

namespace {

constexpr std::size_t short_value_chars = 80;
constexpr std::size_t preview_chars = 60;
// Dots beyond this many would only blur the strip's shape.
constexpr std::size_t max_strip_dots = 150;

// The track runs from 8 to 312 in a 320-wide drawing.
constexpr double track_start = 8.0;
constexpr double track_end = 312.0;
constexpr double track_length = 304.0;

struct Tip {
    double x;
    std::string_view anchor;
};

// Tips near either end of the track are anchored inwards so they stay readable.
Tip tip_at(double x) {
    if (x < 60.0) return {std::max(x, track_start), "start"};
    if (x > 260.0) return {std::min(x, track_end), "end"};
    return {x, "middle"};
}

double strip_x(double value, double scale) { return value / scale * track_length + track_start; }

std::string coord(double x) { return fixed(x, 1); }

// Whole milliseconds, halves away from zero; "+ 0.0" keeps -0.4 from reading "-0".
std::string rounded_ms(double value) { return shortest(std::round(value) + 0.0); }

// The drawing says in words what it shows, for readers who cannot see it.
void append_strip_open(PageBuffer& page, std::string_view label) {
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<svg class="latency-strip-svg" width="320" height="24" viewBox="0 0 320 24" role="img" aria-label="{}"><line class="strip-track" x1="8" y1="14" x2="312" y2="14"/>)"),
                   label);
}

// Only figures go into it, so it needs no escaping.
std::string passing_strip_label(const LatencyRow& row) {
    const auto& latencies = row.sorted_passing_latencies_ms;
    std::string label =
        latencies.size() == 1
            ? fmt::format(FMT_COMPILE("Passing-sample latency: one sample, {}ms"), latencies.front())
            : fmt::format(FMT_COMPILE("Passing-sample latency: fastest {}ms, slowest {}ms"), latencies.front(), latencies.back());
    const std::pair<std::string_view, std::optional<double>> percentiles[] = {
        {"p50", row.p50_ms}, {"p95", row.p95_ms}, {"p99", row.p99_ms}};
    for (const auto& [name, value] : percentiles) {
        if (value && std::isfinite(*value)) fmt::format_to(std::back_inserter(label), FMT_COMPILE(", {} {}ms"), name, fixed(*value, 0));
    }
    return label;
}

void append_landmark(PageBuffer& page, std::string_view css_class, std::string_view label, double value,
                     double scale) {
    // A stated NaN or infinity has no place on the track; the figures table states it.
    if (!std::isfinite(value)) return;
    const double x = strip_x(value, scale);
    const Tip tip = tip_at(x);
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<g class="pt"><circle class="landmark {}" cx="{}" cy="14" r="4"/><text class="tip" x="{}" y="9" text-anchor="{}">{} · {}ms</text></g>)"),
                   css_class, coord(x), coord(tip.x), tip.anchor, label, fixed(value, 0));
}

void append_passing_strip(PageBuffer& page, const LatencyRow& row, double scale) {
    const auto& latencies = row.sorted_passing_latencies_ms;
    const auto n = latencies.size();
    const auto min = static_cast<double>(latencies.front());
    const auto max = static_cast<double>(latencies.back());
    auto out = fmt::appender(page);

    append_strip_open(page, passing_strip_label(row));
    fmt::format_to(out, FMT_COMPILE(R"(<line class="strip-range" x1="{}" y1="14" x2="{}" y2="14"/>)"),
                   coord(strip_x(min, scale)), coord(strip_x(max, scale)));

    const std::size_t step = std::max<std::size_t>(n / max_strip_dots, 1);
    for (std::size_t i = 0; i < n; i += step) {
        const double x = strip_x(static_cast<double>(latencies[i]), scale);
        const Tip tip = tip_at(x);
        fmt::format_to(out,
                       FMT_COMPILE(R"(<g class="pt"><circle class="strip-dot" cx="{}" cy="14" r="2"/><text class="tip" x="{}" y="9" text-anchor="{}">{}ms</text></g>)"),
                       coord(x), coord(tip.x), tip.anchor, latencies[i]);
    }

    if (n == 1) {
        append_landmark(page, "strip-only", "", min, scale);
    } else {
        append_landmark(page, "strip-fastest", "Fastest", min, scale);
        append_landmark(page, "strip-slowest", "Slowest", max, scale);
    }
    if (row.p99_ms) append_landmark(page, "strip-p99", "p99", *row.p99_ms, scale);
    if (row.p95_ms) append_landmark(page, "strip-p95", "p95", *row.p95_ms, scale);
    if (row.p50_ms) append_landmark(page, "strip-p50", "p50", *row.p50_ms, scale);

    page += "</svg>";
    const std::string note =
        n == 1 ? fmt::format(FMT_COMPILE("{}ms"), fixed(min, 0)) : fmt::format(FMT_COMPILE("{}–{}ms"), fixed(min, 0), fixed(max, 0));
    fmt::format_to(out, FMT_COMPILE(R"(<span class="strip-note"><b>{}</b></span>)"), note);
}

void append_average_strip(PageBuffer& page, std::uint64_t average, double scale) {
    const double x = std::min(static_cast<double>(average) / scale, 1.0) * track_length + track_start;
    const Tip tip = tip_at(x);
    append_strip_open(page, fmt::format(FMT_COMPILE("No passing sample: {}ms average over every sample"), average));
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<g class="pt"><circle class="landmark strip-average" cx="{}" cy="14" r="4"/><text class="tip" x="{}" y="9" text-anchor="{}">{}ms average over every sample</text></g></svg><span class="strip-note"><b>{}ms</b> avg</span>)"),
                   coord(x), coord(tip.x), tip.anchor, average, average);
}

void append_strip(PageBuffer& page, const LatencyRow& row, double scale) {
    if (!row.sorted_passing_latencies_ms.empty()) {
        append_passing_strip(page, row, scale);
    } else if (!row.avg_time_per_sample_ms) {
        page += R"(<span class="muted">no passing sample — nothing to plot</span>)";
    } else if (row.nothing_evaluated) {
        fmt::format_to(fmt::appender(page),
                       FMT_COMPILE(R"(<span class="muted">no sample was judged — across all {} it stated an average of {}ms per sample</span>)"),
                       count_noun(row.samples_executed, "sample"), *row.avg_time_per_sample_ms);
    } else {
        append_average_strip(page, *row.avg_time_per_sample_ms, scale);
    }
}

void append_figure(PageBuffer& page, const std::optional<std::string>& ms) {
    if (!ms) {
        page += R"(<td class="latency muted">–</td>)";
        return;
    }
    fmt::format_to(fmt::appender(page), FMT_COMPILE(R"(<td class="latency">{}ms</td>)"), *ms);
}

std::optional<std::string> integer_figure(std::optional<std::uint64_t> value) {
    if (!value) return std::nullopt;
    return fmt::format(FMT_COMPILE("{}"), *value);
}

std::optional<std::string> percentile_figure(std::optional<double> value) {
    if (!value) return std::nullopt;
    return rounded_ms(*value);
}

void append_figures_table(PageBuffer& page, const std::vector<LatencyRow>& rows, std::string_view label_heading) {
    auto out = fmt::appender(page);
    fmt::format_to(out,
                   FMT_COMPILE("<details class=\"latency-figures\"><summary>Stated percentiles, in figures</summary>\n"
                   "<table class=\"leaderboard\">\n<thead>\n"
                   "<tr><th>{}</th><th>Fastest</th><th>p50</th><th>p95</th><th>p99</th><th>Slowest</th>"
                   "<th>Average</th><th>Samples</th></tr>\n</thead>\n<tbody>\n"),
                   label_heading);
    for (const auto& row : rows) {
        const auto& latencies = row.sorted_passing_latencies_ms;
        const bool passed = !latencies.empty();
        fmt::format_to(out, FMT_COMPILE(R"(<tr><td><span class="cfg-badge">{}</span>{}</td>)"), row.ordinal, escape(row.label));
        append_figure(page, integer_figure(passed ? std::optional(latencies.front()) : std::nullopt));
        append_figure(page, percentile_figure(row.p50_ms));
        append_figure(page, percentile_figure(row.p95_ms));
        append_figure(page, percentile_figure(row.p99_ms));
        append_figure(page, integer_figure(passed ? std::optional(latencies.back()) : std::nullopt));
        append_figure(page, integer_figure(row.avg_time_per_sample_ms));
        fmt::format_to(out, FMT_COMPILE("<td class=\"num\">{}</td></tr>\n"), row.samples_executed);
    }
    page += "</tbody>\n</table>\n</details>\n";
}

std::string input_cell(const FailureDistributionEntry& entry) {
    if (entry.input_index && entry.input_excerpt) {
        return fmt::format(FMT_COMPILE(R"(input {} <span class="muted">“{}”</span>)"), *entry.input_index,
                           escape(*entry.input_excerpt));
    }
    if (entry.input_excerpt) return fmt::format(FMT_COMPILE(R"(<span class="muted">“{}”</span>)"), escape(*entry.input_excerpt));
    if (entry.input_index) return fmt::format(FMT_COMPILE("input {}"), *entry.input_index);
    return R"(<span class="muted">-</span>)";
}

// The first line, without the carriage return of a CRLF ending.
std::string_view first_line(std::string_view text) {
    const auto feed = text.find('\n');
    if (feed == std::string_view::npos) return text;
    auto line = text.substr(0, feed);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string base_value_html(std::string_view value) {
    if (is_short_value(value)) return escape(value);
    return fmt::format(
        FMT_COMPILE(R"(<details class="long-value"><summary>{}&hellip; <span class="muted">({})</span></summary><pre>{}</pre></details>)"),
        escape(first_chars(first_line(value), preview_chars)), size_hint(value),
        escape(trim_trailing_line_feeds(value)));
}

}  // namespace

std::string termination_badge(std::string_view reason) {
    return fmt::format(FMT_COMPILE(R"(<span class="{}">{}</span>)"), reason == "COMPLETED" ? "badge ok" : "badge flagged",
                       escape(reason));
}

std::string cost_cell(std::optional<std::uint64_t> avg_time_per_sample_ms,
                      std::optional<std::uint64_t> avg_tokens_per_sample) {
    if (!avg_time_per_sample_ms) return "-";
    if (!avg_tokens_per_sample || *avg_tokens_per_sample == 0) return fmt::format(FMT_COMPILE("{}ms"), *avg_time_per_sample_ms);
    return fmt::format(FMT_COMPILE("{}ms · {} tok"), *avg_time_per_sample_ms, *avg_tokens_per_sample);
}

void append_stated_latency_cell(PageBuffer& page, std::optional<double> p50_ms, double column_max) {
    if (!p50_ms) {
        page += "<td class=\"latency muted\">-</td>\n";
        return;
    }
    auto out = fmt::appender(page);
    if (column_max > 0) {
        double width = *p50_ms / column_max * 100.0;
        // Bars never leave their track, whatever was stated.
        width = std::isnan(width) ? 0.0 : std::clamp(width, 0.0, 100.0);
        fmt::format_to(out,
                       FMT_COMPILE("<td class=\"latency\"><span class=\"bar-track narrow\"><span class=\"bar-fill muted\" "
                       "style=\"width:{}%\"></span></span> {}ms</td>\n"),
                       fixed(width, 0), fixed(*p50_ms, 0));
        return;
    }
    fmt::format_to(out, FMT_COMPILE("<td class=\"latency\">{}ms</td>\n"), fixed(*p50_ms, 0));
}

void append_latency_block(PageBuffer& page, const std::vector<LatencyRow>& rows, std::string_view label_heading) {
    std::optional<std::uint64_t> axis_max;
    for (const auto& row : rows) {
        if (row.sorted_passing_latencies_ms.empty()) continue;
        axis_max = std::max(axis_max.value_or(0), row.sorted_passing_latencies_ms.back());
    }
    if (!axis_max) return;
    const double scale = std::max(static_cast<double>(*axis_max), 1.0);

    auto out = fmt::appender(page);
    fmt::format_to(out,
                   FMT_COMPILE("<h3>Latency distribution</h3>\n<div class=\"pc-grid latency\">\n<div class=\"pc-head\">"
                   "<span class=\"pc-label\">{}</span><span class=\"lat-cell\">Passing-sample latency</span></div>\n"),
                   label_heading);
    for (const auto& row : rows) {
        fmt::format_to(out,
                       FMT_COMPILE(R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">{}</span>{}</span><span class="lat-cell">)"),
                       row.ordinal, escape(row.label));
        append_strip(page, row, scale);
        page += "</span></div>\n";
    }
    fmt::format_to(out,
                   FMT_COMPILE("</div>\n<p class=\"legend strip-axis\">0ms – {}ms · <span class=\"mark-fastest\">● Fastest</span> "
                   "<span class=\"mark-p50\">● p50</span> <span class=\"mark-p95\">● p95</span> "
                   "<span class=\"mark-p99\">● p99</span> <span class=\"mark-slowest\">● Slowest</span> · "
                   "<span class=\"mark-average\">○ average over every sample</span></p>\n"
                   "<p class=\"legend strip-axis\">Percentiles come from passing samples only, so a run that never "
                   "passed publishes none and states its average alone. An unstated percentile reads as a dash — "
                   "never a locally computed replacement. Grey dots are an evenly-thinned subset, for shape.</p>\n"),
                   *axis_max);
    append_figures_table(page, rows, label_heading);
}

void append_failure_breakdown(PageBuffer& page, std::string_view heading, const std::vector<FailureGroup>& groups) {
    const bool any = std::any_of(groups.begin(), groups.end(), [](const auto& g) { return !g.entries.empty(); });
    if (!any) return;
    auto out = fmt::appender(page);
    fmt::format_to(out,
                   FMT_COMPILE("<h3>Failure breakdown</h3>\n<table class=\"failure-breakdown\">\n<thead>\n"
                   "<tr><th>{}</th><th>Condition</th><th>Failures</th><th>Input</th></tr>\n</thead>\n<tbody>\n"),
                   escape(heading));
    for (const auto& group : groups) {
        const std::string label = escape(group.label);
        for (const auto& entry : group.entries) {
            const bool undelivered = entry.kind && *entry.kind == "delivery";
            fmt::format_to(out, FMT_COMPILE("<tr><td>{}</td><td>{}{}</td><td class=\"num\">{}</td><td>{}</td></tr>\n"), label,
                           undelivered ? R"(<span class="badge delivery">no delivery</span> )" : "",
                           long_value_html(entry.condition), entry.count, input_cell(entry));
        }
    }
    page += "</tbody>\n</table>\n";
}

void append_base_config(PageBuffer& page, std::string_view summary_html, const std::vector<FactorLine>& lines) {
    if (lines.empty()) return;
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE(R"(<details class="factor-list base-config"><summary>{}</summary><dl>)"), summary_html);
    for (const auto& line : lines) {
        fmt::format_to(out, FMT_COMPILE("<dt>{}</dt><dd>{}</dd>"), escape(line.name), base_value_html(line.value));
    }
    page += "</dl></details>\n";
}

bool is_short_value(std::string_view text) {
    return text.find('\n') == std::string_view::npos && char_count(text) <= short_value_chars;
}

std::string long_value_html(std::string_view text) {
    if (is_short_value(text)) return escape(text);
    return fmt::format(FMT_COMPILE("<pre>{}</pre>"), escape(trim_trailing_line_feeds(text)));
}

std::string size_hint(std::string_view text) {
    const auto trimmed = trim_trailing_line_feeds(text);
    const auto feeds = static_cast<std::size_t>(std::count(trimmed.begin(), trimmed.end(), '\n'));
    if (feeds > 0) return fmt::format(FMT_COMPILE("{} lines"), feeds + 1);
    return fmt::format(FMT_COMPILE("{}.{} kB"), text.size() / 1000, text.size() % 1000 / 100);
}

std::string factor_display(const FactorValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "true" : "false";
    return shortest(std::get<double>(value));
}

std::string_view trim_trailing_line_feeds(std::string_view text) {
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

std::vector<FactorLine> displayed_factors(const Factors& factors) {
    std::vector<FactorLine> lines;
    lines.reserve(factors.size());
    for (const auto& [key, value] : factors) lines.push_back(FactorLine{key, factor_display(value)});
    return lines;
}

}  // namespace brelk
