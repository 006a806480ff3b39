#include <gtest/gtest.h>

#include <algorithm>

#include "postconditions/expected_values.hpp"
#include "postconditions/fixtures.hpp"
#include "postconditions/input_naming.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::cell;
using testing::column;
using testing::input_check;
using testing::row;

std::size_t occurrences(const std::string& text, std::string_view part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ExpectedValues, InputOrderAndAnchors) {
    std::vector<std::string_view> keys{"10", "9", "abc", "+7", "A-b", "07", "18446744073709551616", "18446744073709551615"};
    std::stable_sort(keys.begin(), keys.end(), input_order_less);
    EXPECT_EQ(keys, (std::vector<std::string_view>{"+7", "07", "9", "10", "18446744073709551615",
                                                   "18446744073709551616", "A-b", "abc"}));
    EXPECT_EQ(input_anchor("3"), "input-3");
    EXPECT_EQ(input_anchor("a b/c"), "input-a-b-c");
    EXPECT_EQ(input_anchor("Ab\xC3\xA9"), "input-Ab-");
    // Keys that share an anchor take the next free number after it, in order.
    const std::vector<std::string_view> clashing = {"a b", "a-b", "a-b-2", "a/b", "\xC3\xA9", "\xC3\xBC", "c"};
    EXPECT_EQ(unique_input_anchors(clashing), (std::vector<std::string>{"input-a-b", "input-a-b-2", "input-a-b-2-2",
                                                                   "input-a-b-3", "input--", "input---2", "input-c"}));
}

TEST(ExpectedValues, PanelRowsStripsAndNestedGrid) {
    std::vector<StandingsBlockView> a_blocks{block(
        "crit", {row("0", "plain", 1, 0), input_check("3", "v1", 3, 2), input_check("3", "v1", 4, 1),
                 input_check("3", "v1", 2, 1, 1), input_check("z", "v2", 0, 0, 0)})};
    std::vector<StandingsBlockView> b_blocks{block("crit", {input_check("3", "v1", 1, 0)})};
    std::vector<InputPresentation> inputs{{3, "three"}};
    auto a = column("A", 1, a_blocks);
    a.inputs = inputs;
    std::vector<Column> columns{a, column("B", 2, b_blocks)};
    auto comparison = Comparison::build(columns);

    std::string page;
    append_expected_values(page, comparison, columns);
    std::string legend;
    append_strip_legend(legend, "One square per value this input expects, in the order it states them; its colour is "
                                "the share of that input’s samples the check held on.");
    std::string nested_head;
    append_head(nested_head, columns, "Expected postcondition");
    const std::string square =
        R"(<a class="sq-link" href="#exp-3-1-2" title="$.body contains v1 — {} — open it below"><span class="sq" style="background:{}"></span></a>)";
    auto square_of = [&](std::string state, std::string colour) {
        auto s = square;
        s.replace(s.find("{}"), 2, state);
        s.replace(s.find("{}"), 2, colour);
        return s;
    };
    EXPECT_EQ(page,
              "<h3>Expected values</h3>\n"
              "<p class=\"legend\">What the service’s response is expected to contain for a particular input, as the "
              "contract’s <code>expected:</code> blocks declare it — judged only on the samples that input drove. Open "
              "an input for the values themselves.</p>\n" +
                  legend +
                  "<div class=\"pc-grid inputs\" style=\"--pc-columns: 2\">\n"
                  R"(<div class="pc-head"><span class="pc-label">Input</span><span class="pc-cell">Samples</span>)"
                  R"(<span class="pc-pair pc-pair-head"><span class="cfg-badge">1</span><span class="cfg-name">A</span></span>)"
                  R"(<span class="pc-pair pc-pair-head"><span class="cfg-badge">2</span><span class="cfg-name">B</span></span></div>)"
                  "\n"
                  R"(<details class="pc-row exp-row" id="input-3"><summary><span class="pc-label"><b>input 3</b> <span class="muted">three</span></span>)"
                  R"(<span class="pc-cell samples" title="A: 5 · B: 1">6</span>)"
                  R"(<span class="pc-pair">)" +
                  cell({9, 4, 1}) + R"(<span class="outcome-strip">)" +
                  square_of("held on 9 of 14 samples, nothing to judge on 1", "#9b7c0e") + "</span></span>" +
                  R"(<span class="pc-pair">)" + cell({1, 0, 0}) + R"(<span class="outcome-strip">)" +
                  square_of("held on 1 of 1 samples", "#2e7d32") + "</span></span>" +
                  "</summary><div class=\"pc-panel\"><div class=\"pc-grid nested\" style=\"--pc-columns: 2\">\n" +
                  nested_head +
                  R"(<div class="pc-row static" id="exp-3-1-2"><span class="pc-label"><code>$.body</code> <b>contains</b> <code>v1</code></span>)" +
                  cell({9, 4, 1}) + cell({1, 0, 0}) + "</div>\n</div></div></details>\n" +
                  R"(<details class="pc-row exp-row" id="input-z"><summary><span class="pc-label"><b>z</b></span>)"
                  R"(<span class="pc-cell samples" title="A: 0 · B: 0">0</span>)"
                  R"(<span class="pc-pair">)" +
                  cell({}) + R"(<span class="outcome-strip"></span></span><span class="pc-pair">)" + cell({}) +
                  R"(<span class="outcome-strip"></span></span></summary><div class="pc-panel"><div class="pc-cfg"><span class="muted">This input states no expected values.</span></div></div></details>)"
                  "\n</div>\n");
}

TEST(ExpectedValues, EnumerationLimitAndSingleColumn) {
    auto panel_of = [](int inputs) {
        std::vector<StandingsRowView> rows;
        for (int i = 0; i < inputs; ++i) rows.push_back(input_check(std::to_string(i), "v", 1, 0));
        std::vector<StandingsBlockView> blocks{block("c", rows)};
        std::vector<Column> columns{column("solo", 1, blocks)};
        std::string page;
        append_expected_values(page, Comparison::build(columns), columns);
        return page;
    };
    auto twelve = panel_of(12);
    EXPECT_EQ(occurrences(twelve, R"(<details class="pc-row exp-row")"), 10u);
    EXPECT_NE(twelve.find(R"(id="input-9")"), std::string::npos);
    EXPECT_EQ(twelve.find(R"(id="input-10")"), std::string::npos);
    EXPECT_TRUE(twelve.ends_with("</div>\n<p class=\"legend\">… 2 further inputs not enumerated.</p>\n"));
    EXPECT_TRUE(panel_of(11).ends_with("<p class=\"legend\">… 1 further input not enumerated.</p>\n"));
    EXPECT_TRUE(panel_of(10).ends_with("</details>\n</div>\n"));
    EXPECT_NE(twelve.find(R"(<span class="pc-pair pc-pair-head"><span class="cfg-name">solo</span></span>)"),
              std::string::npos);

    std::vector<StandingsBlockView> plain{block("c", {row("0", "x", 1, 0)})};
    std::vector<Column> columns{column("a", 1, plain)};
    std::string page;
    append_expected_values(page, Comparison::build(columns), columns);
    EXPECT_EQ(page, "");
}

TEST(ExpectedValues, UnjudgedInputs) {
    std::vector<StandingsBlockView> a_blocks{
        block("one", {row("10", "x", 1, 0, 2), row("9", "x", 0, 0, 1), row("2", "x", 1, 0)}),
        block("two", {row("10", "y", 0, 0, 1), input_check("abc", "v", 0, 0, 1)})};
    std::vector<StandingsBlockView> b_blocks{block("one", {row("10", "x", 1, 0)})};
    std::vector<Column> columns{column("a", 1, a_blocks), column("b", 2, b_blocks)};
    auto comparison = Comparison::build(columns);
    EXPECT_EQ(unjudged_inputs(comparison, 0), (std::vector<std::string>{"9", "10", "abc"}));
    EXPECT_TRUE(unjudged_inputs(comparison, 1).empty());
}

}  // namespace
}  // namespace brelk
