#include <gtest/gtest.h>

#include "html/page_buffer.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/fixtures.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::column;
using testing::input_check;
using testing::row;

std::string before_grid(const std::string& page) { return page.substr(0, page.find(R"(<div class="pc-grid")")); }

TEST(CriterionSection, RatesPanelsAndSlack) {
    std::vector<StandingsBlockView> a_blocks{block("resp", {row("0", "ok", 2, 0)}), block("resp", {})};
    a_blocks[0].counts = CriterionCounts{19, 1};
    a_blocks[0].bound = StatedBound{0.81, 0.95};
    a_blocks[0].optional_slack = "2 of <5>";
    a_blocks[1].counts = CriterionCounts{1, 1};
    a_blocks[1].optional_slack = "ignored";
    std::vector<FailureDistributionEntry> failures{
        {"a", 5, std::nullopt, std::nullopt, std::nullopt}, {"b<", 9, "delivery", std::nullopt, std::nullopt},
        {"c", 9, "assertion", 4, std::nullopt},              {"d", 1, std::nullopt, std::nullopt, std::nullopt},
        {"e", 2, std::nullopt, std::nullopt, std::nullopt},  {"f", 3, std::nullopt, std::nullopt, std::nullopt},
        {"g", 4, std::nullopt, std::nullopt, std::nullopt}};
    // Every row of the second column skipped: it judged nothing at all.
    std::vector<StandingsBlockView> b_blocks{block("other", {row("0", "x", 0, 0, 3)})};
    auto a = column("A", 1, a_blocks, 7, 3);
    a.failures = failures;
    std::vector<Column> columns{a, column("B", 2, b_blocks, 0, 4)};
    auto comparison = Comparison::build(columns);

    CollectedPage page;
    append_criterion(page, comparison, comparison.criteria[0], 0, columns);
    EXPECT_EQ(before_grid(page.text()),
              R"(<details class="crit" style="--pc-columns: 2"><summary><span class="crit-label"><span class="crit-kind">Criterion:</span> <span class="crit-name">resp</span> <span class="crit-note">1 postcondition</span></span>)"
              R"(<span class="pc-cell crit-cell"><span class="crit-rate" style="color:#3d7d2d">0.950</span><span class="crit-count">19 of 20 samples</span><span class="crit-bound">at least 0.810 at 95%</span></span>)"
              R"(<span class="pc-cell crit-cell"><span class="crit-rate" style="color:#f9a825">—</span><span class="crit-count">nothing judged</span></span>)"
              R"(</summary><div class="pc-panel">)"
              R"(<div class="pc-cfg" id="pc-1-criterion-cfg-1"><div class="pc-who"><span class="cfg-badge">1</span>A</div>)"
              R"(<div class="pc-class"><span class="g m-pass">✓</span><span class="txt">every check held</span><span class="cnt">7 samples</span></div>)"
              R"(<div class="pc-class"><span class="g m-none">○</span><span class="txt">no delivery — <code>b&lt;</code></span><span class="cnt">9 samples</span></div>)"
              R"(<div class="pc-class"><span class="g m-fail">✗</span><span class="txt">first failure at <code>c</code></span><span class="cnt">9 samples · input 4</span></div>)"
              R"(<div class="pc-class"><span class="g m-fail">✗</span><span class="txt">first failure at <code>a</code></span><span class="cnt">5 samples</span></div>)"
              R"(<div class="pc-class"><span class="g m-fail">✗</span><span class="txt">first failure at <code>g</code></span><span class="cnt">4 samples</span></div>)"
              R"(<div class="pc-class"><span class="g m-fail">✗</span><span class="txt">first failure at <code>f</code></span><span class="cnt">3 samples</span></div>)"
              R"(<div class="pc-tail">… 2 further failing conditions — 3 samples</div></div>)"
              R"(<div class="pc-cfg" id="pc-1-criterion-cfg-2"><div class="pc-who"><span class="cfg-badge">2</span>B</div>)"
              R"(<div class="pc-class"><span class="g m-none">○</span><span class="txt">no sample was evaluated — nothing the service returned could be judged</span><span class="cnt">4 samples</span></div></div>)"
              "</div></details>\n"
              R"(<p class="legend">Optional checks may fail within a declared budget without failing their criterion: <span class="cfg-badge">1</span><code>optional-slack: 2 of &lt;5&gt;</code></p>)"
              "\n");

    // The whole page gathers each column's blocks and failures once; its
    // sections read exactly as each one alone.
    CollectedPage sections;
    for (std::size_t i = 0; i < comparison.criteria.size(); ++i) {
        append_criterion(sections, comparison, comparison.criteria[i], i, columns);
    }
    CollectedPage whole;
    append_blocks(whole, comparison, columns);
    EXPECT_NE(whole.text().find(sections.text()), std::string::npos);
}

TEST(CriterionSection, SingleColumnFallbacksAndLegends) {
    // Only input checks: no postconditions, yet the section and its grid stand.
    std::vector<StandingsBlockView> blocks{block("in", {input_check("0", "v", 1, 1)}), block("plain", {})};
    blocks[0].counts = CriterionCounts{0, 0};
    blocks[0].optional_slack = "1";
    blocks[0].bound = StatedBound{0.5, std::nullopt};
    std::vector<Column> columns{column("only", 1, blocks, 3, 1)};
    auto comparison = Comparison::build(columns);

    CollectedPage page;
    append_blocks(page, comparison, columns);
    const std::string legend =
        R"(<p class="legend strip-legend">A criterion states postconditions the response must satisfy whatever input drove it. A sample passes the criterion when every one of them holds on that sample; a cell states the samples it held on, coloured by that share. Postconditions appear in the order the contract declares them.)";
    EXPECT_EQ(page.text().rfind(legend, 0), 0u);
    const std::string first_section =
        R"(<details class="crit" style="--pc-columns: 1"><summary><span class="crit-label"><span class="crit-kind">Criterion:</span> <span class="crit-name">in</span> <span class="crit-note">0 postconditions</span></span>)"
        R"(<span class="pc-cell crit-cell"><span class="muted">-</span></span></summary><div class="pc-panel">)"
        R"(<div class="pc-cfg" id="pc-1-criterion-cfg-1"><div class="pc-class"><span class="g m-pass">✓</span><span class="txt">every check held</span><span class="cnt">3 samples</span></div></div>)"
        "</div></details>\n"
        R"(<p class="legend">Optional checks may fail within a declared budget without failing their criterion: <span class="cfg-badge">1</span><code>optional-slack: 1</code></p>)"
        "\n<div class=\"pc-grid\" style=\"--pc-columns: 1\">\n"
        "<div class=\"pc-head\"><span class=\"pc-label\">Postcondition</span><span class=\"pc-cell\" title=\"only\">Held</span></div>\n"
        "</div>\n";
    EXPECT_NE(page.text().find(first_section), std::string::npos) << page.text();
    // A block without counts falls back to the column's samples and shows no bound.
    EXPECT_NE(page.text().find(R"(<span class="crit-name">plain</span> <span class="crit-note">0 postconditions</span></span><span class="pc-cell crit-cell"><span class="crit-rate" style="color:#7b7d19">0.750</span><span class="crit-count">3 of 4 samples</span></span>)"),
              std::string::npos);
    const std::string closing =
        "<p class=\"legend\">Counts are out of every sample: a postcondition judged once and skipped five times reads 1/6, "
        "not 1/1.</p>\n";
    EXPECT_EQ(page.text().substr(page.text().size() - closing.size()), closing);

    std::vector<StandingsBlockView> empty{block("x", {})};
    std::vector<Column> without_checks{column("a", 1, empty)};
    page.clear();
    append_blocks(page, Comparison::build(without_checks), without_checks);
    EXPECT_EQ(page.text(), "");
}

}  // namespace
}  // namespace brelk
