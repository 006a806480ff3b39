#include <gtest/gtest.h>

#include "html/page_buffer.hpp"
#include "postconditions/fixtures.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::column;
using testing::input_check;
using testing::row;

TEST(OutcomeStrip, ColourRampAndDescription) {
    struct Case {
        Tally tally;
        const char* colour;
    };
    for (auto [tally, colour] : {Case{{0, 1, 0}, "#c62828"}, Case{{1, 1, 0}, "#c77c00"}, Case{{1, 0, 0}, "#2e7d32"},
                                 Case{{1, 3, 0}, "#c75214"}, Case{{3, 1, 0}, "#7b7d19"}, Case{{1, 0, 5}, "#c6441b"},
                                 Case{{0, 0, 4}, "#f9a825"}}) {
        EXPECT_EQ(tally_colour(tally), colour) << tally.passed << "/" << tally.failed << "/" << tally.skipped;
    }
    EXPECT_EQ(tally_colour(Tally{}), std::nullopt);
    EXPECT_EQ(fmt::to_string(stated_state({0, 0, 4})), "nothing to judge on any sample");
    EXPECT_EQ(fmt::to_string(stated_state({})), "nothing to judge on any sample");
    EXPECT_EQ(fmt::to_string(stated_state({4, 2, 1})), "held on 4 of 7 samples, nothing to judge on 1");
    EXPECT_EQ(fmt::to_string(stated_state({4, 2, 0})), "held on 4 of 6 samples");
}

TEST(OutcomeStrip, CellsAndHead) {
    CollectedPage page;
    append_cell(page, {1, 0, 5});
    append_cell(page, {0, 0, 3});
    append_cell(page, {});
    EXPECT_EQ(page.text(),
              R"(<span class="pc-cell" title="1 passed · 0 failed · 5 never evaluated"><span class="mark" style="color:#c6441b">1/6</span></span>)"
              R"(<span class="pc-cell" title="0 passed · 0 failed · 3 never evaluated"><span class="mark" style="color:#f9a825">—/3</span></span>)"
              R"(<span class="pc-cell" title="0 passed · 0 failed · 0 never evaluated"><span class="muted">-</span></span>)");

    std::vector<StandingsBlockView> none;
    std::vector<Column> columns{column("a\"1", 1, none), column("b", 2, none), column("c", 3, none)};
    page.clear();
    append_head(page, {columns.data(), 1}, "Post<condition>");
    EXPECT_EQ(page.text(), "<div class=\"pc-head\"><span class=\"pc-label\">Post&lt;condition&gt;</span><span class=\"pc-cell\" "
                    "title=\"a&quot;1\">Held</span></div>\n");
    page.clear();
    append_head(page, columns, "Postcondition");
    EXPECT_EQ(page.text(),
              R"(<div class="pc-head"><span class="pc-label">Postcondition</span>)"
              R"(<span class="pc-cell pc-cfg-head" title="a&quot;1"><span class="cfg-badge">1</span><span class="cfg-name">a&quot;1</span></span>)"
              R"(<span class="pc-cell pc-cfg-head" title="b"><span class="cfg-badge">2</span><span class="cfg-name">b</span></span>)"
              R"(<span class="pc-cell pc-cfg-head" title="c"><span class="cfg-badge">3</span><span class="cfg-name">c</span></span>)"
              "</div>\n");

    page.clear();
    append_strip_legend(page, "Some <i>text</i>.");
    EXPECT_EQ(page.text(),
              R"(<p class="legend strip-legend">Some <i>text</i>.<span class="key"><span class="ramp"></span><span class="ramp-ends"><span>none held</span><span>all held</span></span></span><span class="key"><span class="sq" style="background:#f9a825"></span> nothing to judge — not a rate, and off the scale</span></p>)"
              "\n");
}

TEST(OutcomeStrip, StripsLinkEachSquareToItsCheck) {
    std::vector<StandingsBlockView> none;
    std::vector<StandingsBlockView> third{
        block("first", {row("0", "a", 1, 0), row("0", "x > \"y\"", 3, 1), row("0", "zero", 0, 0)}),
        block("second", {input_check("0", "v", 1, 0), row("0", "b", 0, 0, 2)}),
    };
    std::vector<Column> columns{column("a", 1, none), column("b", 2, none), column("c", 3, third)};
    auto comparison = Comparison::build(columns);

    const std::string first_squares =
        R"(<a class="sq-link" href="#pc-1-1" title="a — held on 1 of 1 samples — open it below"><span class="sq" style="background:#2e7d32"></span></a>)"
        R"(<a class="sq-link" href="#pc-1-2" title="x &gt; &quot;y&quot; — held on 3 of 4 samples — open it below"><span class="sq" style="background:#7b7d19"></span></a>)";
    const std::string second_squares =
        R"(<a class="sq-link" href="#pc-2-2" title="b — nothing to judge on any sample — open it below"><span class="sq" style="background:#f9a825"></span></a>)";
    EXPECT_EQ(strip(comparison, 2), R"(<span class="outcome-strip">)" + first_squares +
                                        R"(<span class="strip-break" title="second"></span>)" + second_squares + "</span>");
    EXPECT_EQ(strip(comparison, 0), R"(<span class="outcome-strip"><span class="strip-break" title="second"></span></span>)");
    EXPECT_EQ(strip_for_criterion(comparison, 2, "second"), R"(<span class="outcome-strip">)" + second_squares + "</span>");
    EXPECT_EQ(strip_for_criterion(comparison, 2, "third"), R"(<span class="muted">-</span>)");

    std::vector<StandingsBlockView> empty_blocks{block("first", {}), block("second", {})};
    std::vector<Column> without_checks{column("a", 1, empty_blocks)};
    auto bare = Comparison::build(without_checks);
    EXPECT_EQ(strip(bare, 0), R"(<span class="muted">-</span>)");
    EXPECT_EQ(strip_for_criterion(bare, 0, "first"), R"(<span class="muted">-</span>)");

    std::vector<StandingsBlockView> inputs_only{block("only", {input_check("0", "v", 1, 0)})};
    std::vector<Column> input_columns{column("a", 1, inputs_only)};
    EXPECT_EQ(strip_for_criterion(Comparison::build(input_columns), 0, "only"), R"(<span class="outcome-strip"></span>)");
}

}  // namespace
}  // namespace brelk
