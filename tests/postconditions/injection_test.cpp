#include <gtest/gtest.h>

#include "html/page_buffer.hpp"
#include "postconditions/criterion_section.hpp"
#include "postconditions/expected_values.hpp"
#include "postconditions/fixtures.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::column;
using testing::expects;
using testing::row;

// Every text an artefact states carries the same payload; none may reach the
// page unescaped, in element content or in an attribute.
TEST(Injection, ArtefactTextsAreEscapedEverywhere) {
    const std::string hostile = R"(x"><script>alert(1)</script>)";
    const std::string inert = "x&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;";

    auto criterion_row = row("1", "check " + hostile, 1, 2, 1, Provenance::Criterion);
    criterion_row.observed = testing::observed({{"seen " + hostile, 2, false}});
    criterion_row.observed_fraction = 0.9;
    auto path_row = expects(row("1", "c", 1, 0), "path " + hostile, "form " + hostile, "value " + hostile);
    auto input_row = expects(row(hostile, "c", 1, 1, 0, Provenance::Input), std::nullopt, "equals", "exp " + hostile);
    std::vector<StandingsBlockView> blocks{block("crit " + hostile, {criterion_row, path_row, input_row})};
    blocks[0].optional_slack = "slack " + hostile;
    std::vector<FailureDistributionEntry> failures{{"cond " + hostile, 3, "delivery", 1, "excerpt " + hostile}};
    auto only = column("col " + hostile, 1, blocks, 1, 2);
    only.failures = failures;
    std::vector<Column> columns{only, column("second " + hostile, 2, blocks)};
    auto comparison = Comparison::build(columns);

    CollectedPage page;
    append_blocks(page, comparison, columns);
    append_expected_values(page, comparison, columns);
    page += strip(comparison, 0);
    page += strip_for_criterion(comparison, 1, "crit " + hostile);

    EXPECT_EQ(page.text().find("<script"), std::string::npos);
    EXPECT_EQ(page.text().find(R"(x">)"), std::string::npos);
    for (auto text : {"crit ", "check ", "seen ", "path ", "form ", "value ", "exp ", "slack ", "cond ", "excerpt ",
                      "col ", "second "}) {
        EXPECT_NE(page.text().find(text + inert), std::string::npos) << text;
    }
    // The input key lands in ids and hrefs escaped, the same on both ends.
    EXPECT_NE(page.text().find(R"(href="#exp-)" + inert + R"(-1-3")"), std::string::npos);
    EXPECT_NE(page.text().find(R"(<div class="pc-row static" id="exp-)" + inert + R"(-1-3">)"), std::string::npos);
    EXPECT_NE(page.text().find(R"(id="input-x---script-alert-1---script-")"), std::string::npos);

    // Numeric keys read exactly as written.
    std::vector<StandingsBlockView> numeric{block("k", {expects(row("07", "c", 1, 0, 0, Provenance::Input),
                                                                std::nullopt, "equals", "v")})};
    std::vector<Column> plain{column("a", 1, numeric)};
    page.clear();
    append_expected_values(page, Comparison::build(plain), plain);
    EXPECT_NE(page.text().find(R"(href="#exp-07-1-1")"), std::string::npos);
    EXPECT_NE(page.text().find(R"(id="exp-07-1-1")"), std::string::npos);
}

}  // namespace
}  // namespace brelk
