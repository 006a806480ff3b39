#include <fmt/format.h>
#include <gtest/gtest.h>

#include "html/page_buffer.hpp"
#include "postconditions/fixtures.hpp"
#include "postconditions/outcome_strip.hpp"
#include "postconditions/postcondition_grid.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::cell;
using testing::column;
using testing::input_check;
using testing::row;

std::string class_cell(std::string_view mark, int count, std::string_view where) {
    return fmt::format(R"(<span class="pc-cell class-cell"><span class="class-count {}">{}</span><span class="class-where">{}</span></span>)",
                       mark, count, where);
}

const std::string absent = R"(<span class="pc-cell class-cell"><span class="muted">—</span></span>)";

StandingsRowView observing(StandingsRowView r, std::vector<ObservedExemplar> observed) {
    r.observed = testing::observed(observed);
    return r;
}

TEST(PostconditionGrid, RowsMatrixAndTails) {
    auto first = observing(row("1", "status ok", 3, 10), {{"<500>", 4, false}, {"404", 3, false}, {"200", 3, true}});
    first.elided = 1;
    first.observed_fraction = 0.3;
    std::vector<StandingsBlockView> a_blocks{
        block("c", {first, row("2", "status ok", 2, 0, 1), input_check("1", "v", 1, 0), row("1", "zero", 0, 0)})};
    auto b_row = row("1", "status ok", 0, 0, 2);
    b_row.elided = 2;
    b_row.optional = true;
    std::vector<StandingsBlockView> b_blocks{block("c", {b_row})};
    std::vector<InputPresentation> inputs{{1, "first <in>"}};
    auto a = column("A", 1, a_blocks);
    a.inputs = inputs;
    std::vector<Column> columns{a, column("B", 2, b_blocks)};
    auto comparison = Comparison::build(columns);

    CollectedPage page;
    append_postcondition_grid(page, comparison, comparison.criteria[0], 0, columns);
    CollectedPage head;
    append_head(head, columns, "Postcondition");
    const std::string first_in = "first &lt;in&gt;";
    EXPECT_EQ(page.text(),
              "<div class=\"pc-grid\" style=\"--pc-columns: 2\">\n" + head.text() +
                  R"(<details class="pc-row"><summary id="pc-1-1"><span class="pc-label">status ok <span class="badge optional">optional</span></span>)" +
                  cell({5, 10, 1}) + cell({0, 0, 2}) + R"(</summary><div class="pc-panel">)" +
                  "<div class=\"class-grid\" style=\"--pc-columns: 2\">\n"
                  R"(<div class="class-row"><span class="pc-label"><span class="m-pass">✓</span> held</span>)" +
                  class_cell("m-pass", 5, "every input") + absent + "</div>\n" +
                  R"(<div class="class-row"><span class="pc-label"><span class="m-fail">✗</span> obtained <code class="obtained">&lt;500&gt;</code></span>)" +
                  class_cell("m-fail", 4, first_in) + absent + "</div>\n" +
                  R"(<div class="class-row"><span class="pc-label"><span class="m-fail">✗</span> obtained <code class="obtained">404</code></span>)" +
                  class_cell("m-fail", 3, first_in) + absent + "</div>\n" +
                  R"(<div class="class-row"><span class="pc-label"><span class="m-fail">✗</span> did not hold — <span class="muted">this emitter states no observed value</span></span>)" +
                  class_cell("m-fail", 3, first_in) + absent + "</div>\n" +
                  R"(<div class="class-row"><span class="pc-label"><span class="m-none">○</span> never evaluated — <span class="muted">nothing was returned to judge</span></span>)" +
                  class_cell("m-none", 1, "input 2") + class_cell("m-none", 2, first_in) + "</div>\n" +
                  "</div>\n"
                  R"(<div class="pc-tail">3 further samples beyond the stated exemplars</div>)"
                  R"(<div class="pc-tail"><span class="cfg-badge">1</span>A · <div class="pc-tail">stated observed fraction — input 1: 0.300</div></div>)"
                  "</div></details>\n"
                  // The input check keeps number 2, so the zero check is number 3.
                  R"(<details class="pc-row"><summary id="pc-1-3"><span class="pc-label">zero</span>)" +
                  cell({}) + cell({}) + R"(</summary><div class="pc-panel"></div></details>)" + "\n</div>\n");
}

TEST(PostconditionGrid, FiveValueCutAndWhereTexts) {
    auto failing = [](std::string key, std::uint64_t passed, std::uint64_t failed, std::string observed,
                      std::uint64_t count) {
        return observing(row(std::move(key), "c", passed, failed), {{std::move(observed), count, false}});
    };
    std::vector<StandingsBlockView> blocks{block(
        "k", {failing("10", 1, 3, "f", 3), failing("9", 1, 3, "f", 3), failing("3", 1, 5, "e", 5),
              failing("4", 1, 4, "d", 4), failing("5", 0, 3, "c", 3), failing("6", 0, 2, "b", 2),
              failing("7", 0, 3, "a", 2), row("5", "single", 1, 0)})};
    std::vector<Column> columns{column("solo", 1, blocks)};
    auto comparison = Comparison::build(columns);
    CollectedPage page;
    append_postcondition_grid(page, comparison, comparison.criteria[0], 0, columns);

    auto has = [&page](const std::string& part) { return page.text().find(part) != std::string::npos; };
    EXPECT_TRUE(has(class_cell("m-pass", 4, "4 of 7 inputs")));
    EXPECT_TRUE(has(R"(obtained <code class="obtained">f</code></span>)" + class_cell("m-fail", 6, "input 10, input 9")));
    EXPECT_TRUE(has(R"(obtained <code class="obtained">a</code>)"));
    EXPECT_FALSE(has(R"(obtained <code class="obtained">b</code>)"));
    // The value cut from the rows still counts as described.
    EXPECT_TRUE(has(R"(this emitter states no observed value</span></span>)" + class_cell("m-fail", 1, "every input")));
    // One input in the whole check is named, not "every input".
    EXPECT_TRUE(has(R"(<span class="m-pass">✓</span> held</span>)" + class_cell("m-pass", 1, "input 5") + "</div>"));
}

}  // namespace
}  // namespace brelk
