#include "html/page_buffer.hpp"
#include "html/result_cells.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace brelk {
namespace {

std::size_t occurrences(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

std::string stated_cell(std::optional<double> p50, double column_max) {
    CollectedPage page;
    append_stated_latency_cell(page, p50, column_max);
    return page.text();
}

TEST(ResultCells, BadgesAndCostCells) {
    EXPECT_EQ(termination_badge("COMPLETED"), R"(<span class="badge ok">COMPLETED</span>)");
    EXPECT_EQ(termination_badge("completed"), R"(<span class="badge flagged">completed</span>)");
    EXPECT_EQ(termination_badge("<BUDGET>"), R"(<span class="badge flagged">&lt;BUDGET&gt;</span>)");

    EXPECT_EQ(cost_cell(5, 0), "5ms");
    EXPECT_EQ(cost_cell(5, std::nullopt), "5ms");
    EXPECT_EQ(cost_cell(std::nullopt, 7), "-");
    EXPECT_EQ(cost_cell(5, 12), "5ms · 12 tok");

    const std::string bar = R"(<td class="latency"><span class="bar-track narrow"><span class="bar-fill muted" style="width:)";
    EXPECT_EQ(stated_cell(std::nullopt, 10), "<td class=\"latency muted\">-</td>\n");
    EXPECT_EQ(stated_cell(50, 200), bar + "25%\"></span></span> 50ms</td>\n");
    // 12.5% and 2.5ms are exact ties and go to the even digit; the bar is capped.
    EXPECT_EQ(stated_cell(2.5, 20), bar + "12%\"></span></span> 2ms</td>\n");
    EXPECT_EQ(stated_cell(300, 200), bar + "100%\"></span></span> 300ms</td>\n");
    EXPECT_EQ(stated_cell(3.5, 0), "<td class=\"latency\">4ms</td>\n");
}

LatencyRow row(std::uint64_t ordinal, std::string label, std::vector<std::uint64_t> latencies) {
    LatencyRow r;
    r.ordinal = ordinal;
    r.label = std::move(label);
    r.sorted_passing_latencies_ms = std::move(latencies);
    r.samples_executed = 10;
    return r;
}

TEST(LatencyBlock, RendersStripsLegendAndFigures) {
    CollectedPage page;
    append_latency_block(page, {}, "Configuration");
    auto silent = row(1, "a", {});
    silent.avg_time_per_sample_ms = 40;
    append_latency_block(page, {silent}, "Configuration");
    EXPECT_EQ(page.text(), "") << "no passing latency anywhere: not even the heading";

    auto single = row(1, "single", {120});
    single.avg_time_per_sample_ms = 130;
    auto spread = row(2, "a<b", {80, 200, 400});
    spread.p50_ms = 200.5;
    spread.p95_ms = 390;
    spread.p99_ms = 450;  // beyond the slowest passing sample
    auto average = row(3, "avg", {});
    average.avg_time_per_sample_ms = 500;
    auto unjudged = row(4, "unjudged", {});
    unjudged.avg_time_per_sample_ms = 30;
    unjudged.samples_executed = 1;
    unjudged.nothing_evaluated = true;
    auto nothing = row(5, "none", {});
    nothing.samples_executed = 0;

    append_latency_block(page, {single, spread, average, unjudged, nothing}, "<em>Config</em>");
    // Each drawing states in words what it shows: its figures, never a name.
    const auto svg = [](const std::string& label) {
        return R"(<svg class="latency-strip-svg" width="320" height="24" viewBox="0 0 320 24" role="img" aria-label=")" +
               label + R"("><line class="strip-track" x1="8" y1="14" x2="312" y2="14"/>)";
    };
    const std::string expected =
        "<h3>Latency distribution</h3>\n<div class=\"pc-grid latency\">\n"
        "<div class=\"pc-head\"><span class=\"pc-label\"><em>Config</em></span><span class=\"lat-cell\">Passing-sample latency</span></div>\n"
        R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">1</span>single</span><span class="lat-cell">)" +
        svg("Passing-sample latency: one sample, 120ms") +
        R"(<line class="strip-range" x1="99.2" y1="14" x2="99.2" y2="14"/>)"
        R"(<g class="pt"><circle class="strip-dot" cx="99.2" cy="14" r="2"/><text class="tip" x="99.2" y="9" text-anchor="middle">120ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-only" cx="99.2" cy="14" r="4"/><text class="tip" x="99.2" y="9" text-anchor="middle"> · 120ms</text></g>)"
        R"(</svg><span class="strip-note"><b>120ms</b></span></span></div>)" "\n"
        R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">2</span>a&lt;b</span><span class="lat-cell">)" +
        svg("Passing-sample latency: fastest 80ms, slowest 400ms, p50 200ms, p95 390ms, p99 450ms") +
        R"(<line class="strip-range" x1="68.8" y1="14" x2="312.0" y2="14"/>)"
        R"(<g class="pt"><circle class="strip-dot" cx="68.8" cy="14" r="2"/><text class="tip" x="68.8" y="9" text-anchor="middle">80ms</text></g>)"
        R"(<g class="pt"><circle class="strip-dot" cx="160.0" cy="14" r="2"/><text class="tip" x="160.0" y="9" text-anchor="middle">200ms</text></g>)"
        R"(<g class="pt"><circle class="strip-dot" cx="312.0" cy="14" r="2"/><text class="tip" x="312.0" y="9" text-anchor="end">400ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-fastest" cx="68.8" cy="14" r="4"/><text class="tip" x="68.8" y="9" text-anchor="middle">Fastest · 80ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-slowest" cx="312.0" cy="14" r="4"/><text class="tip" x="312.0" y="9" text-anchor="end">Slowest · 400ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-p99" cx="350.0" cy="14" r="4"/><text class="tip" x="312.0" y="9" text-anchor="end">p99 · 450ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-p95" cx="304.4" cy="14" r="4"/><text class="tip" x="304.4" y="9" text-anchor="end">p95 · 390ms</text></g>)"
        R"(<g class="pt"><circle class="landmark strip-p50" cx="160.4" cy="14" r="4"/><text class="tip" x="160.4" y="9" text-anchor="middle">p50 · 200ms</text></g>)"
        R"(</svg><span class="strip-note"><b>80–400ms</b></span></span></div>)" "\n"
        R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">3</span>avg</span><span class="lat-cell">)" +
        svg("No passing sample: 500ms average over every sample") +
        R"(<g class="pt"><circle class="landmark strip-average" cx="312.0" cy="14" r="4"/><text class="tip" x="312.0" y="9" text-anchor="end">500ms average over every sample</text></g></svg><span class="strip-note"><b>500ms</b> avg</span>)"
        "</span></div>\n"
        R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">4</span>unjudged</span><span class="lat-cell">)"
        R"(<span class="muted">no sample was judged — across all 1 sample it stated an average of 30ms per sample</span>)"
        "</span></div>\n"
        R"(<div class="lat-row"><span class="pc-label"><span class="cfg-badge">5</span>none</span><span class="lat-cell">)"
        R"(<span class="muted">no passing sample — nothing to plot</span>)"
        "</span></div>\n"
        "</div>\n"
        R"(<p class="legend strip-axis">0ms – 400ms · <span class="mark-fastest">● Fastest</span> <span class="mark-p50">● p50</span> <span class="mark-p95">● p95</span> <span class="mark-p99">● p99</span> <span class="mark-slowest">● Slowest</span> · <span class="mark-average">○ average over every sample</span></p>)" "\n"
        R"(<p class="legend strip-axis">Percentiles come from passing samples only, so a run that never passed publishes none and states its average alone. An unstated percentile reads as a dash — never a locally computed replacement. Grey dots are an evenly-thinned subset, for shape.</p>)" "\n"
        "<details class=\"latency-figures\"><summary>Stated percentiles, in figures</summary>\n<table class=\"leaderboard\">\n<thead>\n"
        "<tr><th><em>Config</em></th><th>Fastest</th><th>p50</th><th>p95</th><th>p99</th><th>Slowest</th><th>Average</th><th>Samples</th></tr>\n"
        "</thead>\n<tbody>\n"
        R"(<tr><td><span class="cfg-badge">1</span>single</td><td class="latency">120ms</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency">120ms</td><td class="latency">130ms</td><td class="num">10</td></tr>)" "\n"
        R"(<tr><td><span class="cfg-badge">2</span>a&lt;b</td><td class="latency">80ms</td><td class="latency">201ms</td><td class="latency">390ms</td><td class="latency">450ms</td><td class="latency">400ms</td><td class="latency muted">–</td><td class="num">10</td></tr>)" "\n"
        R"(<tr><td><span class="cfg-badge">3</span>avg</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency">500ms</td><td class="num">10</td></tr>)" "\n"
        R"(<tr><td><span class="cfg-badge">4</span>unjudged</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency">30ms</td><td class="num">1</td></tr>)" "\n"
        R"(<tr><td><span class="cfg-badge">5</span>none</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="latency muted">–</td><td class="num">0</td></tr>)" "\n"
        "</tbody>\n</table>\n</details>\n";
    EXPECT_EQ(page.text(), expected);
}

TEST(LatencyBlock, TipsAnchorInwardsNearTheEnds) {
    // Scale 304 puts a value v at x = v + 8.
    auto r = row(1, "r", {0, 304});
    r.p50_ms = 51.9;   // x 59.9
    r.p95_ms = 252.0;  // x 260.0
    r.p99_ms = 252.1;  // x 260.1
    CollectedPage page;
    append_latency_block(page, {r}, "C");
    EXPECT_NE(page.text().find(R"(cx="59.9" cy="14" r="4"/><text class="tip" x="59.9" y="9" text-anchor="start">p50)"), std::string::npos);
    EXPECT_NE(page.text().find(R"(cx="260.0" cy="14" r="4"/><text class="tip" x="260.0" y="9" text-anchor="middle">p95)"), std::string::npos);
    EXPECT_NE(page.text().find(R"(cx="260.1" cy="14" r="4"/><text class="tip" x="260.1" y="9" text-anchor="end">p99)"), std::string::npos);
    EXPECT_NE(page.text().find(R"(cx="8.0" cy="14" r="2"/><text class="tip" x="8.0" y="9" text-anchor="start">0ms)"), std::string::npos);
}

TEST(LatencyBlock, DotsAreThinnedToAboutHundredFifty) {
    std::vector<std::uint64_t> many(450);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = i;
    CollectedPage page;
    append_latency_block(page, {row(1, "r", many)}, "C");
    EXPECT_EQ(occurrences(page.text(), "strip-dot"), 150U);
    EXPECT_NE(page.text().find(">447ms<"), std::string::npos);
    EXPECT_EQ(page.text().find(">448ms<"), std::string::npos);

    many.resize(299);
    page.clear();
    append_latency_block(page, {row(1, "r", many)}, "C");
    EXPECT_EQ(occurrences(page.text(), "strip-dot"), 299U);
}

TEST(LatencyBlock, AllZeroLatenciesScaleAgainstOne) {
    CollectedPage page;
    append_latency_block(page, {row(1, "r", {0, 0})}, "C");
    EXPECT_NE(page.text().find(R"(<line class="strip-range" x1="8.0" y1="14" x2="8.0" y2="14"/>)"), std::string::npos);
    EXPECT_NE(page.text().find("0ms – 0ms · "), std::string::npos);
}

TEST(FailureBreakdown, RendersEveryInputCellForm) {
    CollectedPage page;
    append_failure_breakdown(page, "Configuration", {{"a", {}}, {"b", {}}});
    EXPECT_EQ(page.text(), "");

    FailureDistributionEntry undelivered{"timeout", 3, "delivery", std::nullopt, std::nullopt};
    FailureDistributionEntry both{"x > 1", 2, "assertion", 4, "say \"hi\""};
    FailureDistributionEntry excerpt_only{"c", 1, std::nullopt, std::nullopt, "e"};
    FailureDistributionEntry index_only{std::string(81, 'z'), 1, "Delivery", 0, std::nullopt};
    append_failure_breakdown(page, "Run & config", {{"base", {undelivered, both}}, {}, {"v<2>", {excerpt_only, index_only}}});
    EXPECT_EQ(page.text(),
              "<h3>Failure breakdown</h3>\n<table class=\"failure-breakdown\">\n<thead>\n"
              "<tr><th>Run &amp; config</th><th>Condition</th><th>Failures</th><th>Input</th></tr>\n</thead>\n<tbody>\n"
              R"(<tr><td>base</td><td><span class="badge delivery">no delivery</span> timeout</td><td class="num">3</td><td><span class="muted">-</span></td></tr>)" "\n"
              R"(<tr><td>base</td><td>x &gt; 1</td><td class="num">2</td><td>input 4 <span class="muted">“say &quot;hi&quot;”</span></td></tr>)" "\n"
              R"(<tr><td>v&lt;2&gt;</td><td>c</td><td class="num">1</td><td><span class="muted">“e”</span></td></tr>)" "\n"
              R"(<tr><td>v&lt;2&gt;</td><td><pre>)" + std::string(81, 'z') + R"(</pre></td><td class="num">1</td><td>input 0</td></tr>)" "\n"
              "</tbody>\n</table>\n");
}

TEST(FactorValues, LongValuesSizeHintsAndBaseConfig) {
    std::string e80;
    for (int i = 0; i < 80; ++i) e80 += "é";  // 160 bytes, 80 characters
    EXPECT_EQ(long_value_html(e80), e80);
    EXPECT_EQ(long_value_html(e80 + "é"), "<pre>" + e80 + "é</pre>");
    EXPECT_EQ(long_value_html("a<b\n\n"), "<pre>a&lt;b</pre>");

    EXPECT_EQ(size_hint("abcd\nefgh\n"), "2 lines");
    EXPECT_EQ(size_hint("a\r\nb\r\nc"), "3 lines");
    EXPECT_EQ(size_hint(std::string(2345, 'x')), "2.3 kB");
    EXPECT_EQ(size_hint(std::string(999, 'x')), "0.9 kB");
    EXPECT_EQ(size_hint("abc\n\n"), "0.0 kB");

    EXPECT_EQ(factor_display(FactorValue{std::string("gpt <4>")}), "gpt <4>");
    EXPECT_EQ(factor_display(FactorValue{true}), "true");
    EXPECT_EQ(factor_display(FactorValue{false}), "false");
    EXPECT_EQ(factor_display(FactorValue{3.0}), "3");
    EXPECT_EQ(factor_display(FactorValue{0.95}), "0.95");
    EXPECT_EQ(factor_display(FactorValue{1e21}), "1000000000000000000000");
    EXPECT_EQ(factor_display(FactorValue{1e23}), "100000000000000000000000");
    EXPECT_EQ(factor_display(FactorValue{std::numeric_limits<double>::max()}),
              "17976931348623157" + std::string(292, '0'));
    EXPECT_EQ(factor_display(FactorValue{5e-324}), "0." + std::string(323, '0') + "5");
    EXPECT_EQ(factor_display(FactorValue{-0.0}), "-0");
    EXPECT_EQ(factor_display(FactorValue{-std::numeric_limits<double>::infinity()}), "-inf");
    EXPECT_EQ(factor_display(FactorValue{std::nan("")}), "NaN");

    CollectedPage page;
    append_base_config(page, "<b>Base</b>", {});
    EXPECT_EQ(page.text(), "");
    const std::string a81(81, 'a');
    append_base_config(page, "<b>Base</b>",
                       {{"model", "m<1>"}, {"wide", a81}, {"prompt", "Hello\r\nWorld\n"}, {"exact", std::string(80, 'b')}});
    EXPECT_EQ(page.text(),
              R"(<details class="factor-list base-config"><summary><b>Base</b></summary><dl>)"
              "<dt>model</dt><dd>m&lt;1&gt;</dd>"
              R"(<dt>wide</dt><dd><details class="long-value"><summary>)" + std::string(60, 'a') +
              R"(&hellip; <span class="muted">(0.0 kB)</span></summary><pre>)" + a81 + "</pre></details></dd>"
              R"(<dt>prompt</dt><dd><details class="long-value"><summary>Hello&hellip; <span class="muted">(2 lines)</span></summary><pre>Hello)" "\r\nWorld</pre></details></dd>"
              "<dt>exact</dt><dd>" + std::string(80, 'b') + "</dd>"
              "</dl></details>\n");
}

}  // namespace
}  // namespace brelk
