#include <gtest/gtest.h>

#include <limits>

#include "postconditions/comparison.hpp"
#include "postconditions/input_naming.hpp"
#include "postconditions/fixtures.hpp"

namespace brelk {
namespace {

using testing::block;
using testing::column;
using testing::expects;
using testing::row;

TEST(Comparison, GroupsRowsIntoChecksPerColumn) {
    EXPECT_TRUE(Comparison::build({}).criteria.empty());
    EXPECT_EQ(Comparison::build({}).column_count, 0u);

    std::vector<StandingsBlockView> first{
        block("latency", {row("0", "under 2s", 3, 1), row("1", "under 2s", 2, 0, 4),
                          expects(row("0", "status is 200", 4, 0), "$.status", "equals", "200"),
                          expects(row("1", "status must be 200", 1, 1), "$.status", "equals", "200"),
                          expects(row("1", "status is 201", 1, 0), "$.status", "equals", "201"),
                          expects(row("0", "has a path only", 1, 0), "$.x", "", std::nullopt)}),
        block("latency", {row("9", "ignored", 9, 9)}),
    };
    first[0].rows[5].form.reset();
    std::vector<StandingsBlockView> second{block("schema", {row("0", "valid", 1, 0)})};
    std::vector<Column> columns{column("a", 1, first), column("b", 2, second)};

    auto comparison = Comparison::build(columns);
    ASSERT_EQ(comparison.criteria.size(), 2u);
    EXPECT_EQ(comparison.column_count, 2u);
    const auto& latency = comparison.criteria[0];
    EXPECT_EQ(latency.name, "latency");
    ASSERT_EQ(latency.checks.size(), 4u);
    // Two inputs of one check: one view, both rows, summed tally.
    EXPECT_EQ(latency.checks[0].id, CheckId{CheckOnly{"under 2s"}});
    EXPECT_EQ(latency.checks[0].rows[0].size(), 2u);
    EXPECT_EQ(latency.checks[0].tallies[0], (Tally{5, 1, 4}));
    // The column without the criterion still has one empty entry.
    EXPECT_TRUE(latency.checks[0].rows[1].empty());
    EXPECT_EQ(latency.checks[0].tallies[1], Tally{});
    // Differing check texts, same path, form and expected value: one check.
    EXPECT_EQ(latency.checks[1].id, (CheckId{PathForm{"$.status", "equals", "200"}}));
    EXPECT_EQ(latency.checks[1].tallies[0], (Tally{5, 1, 0}));
    EXPECT_EQ(latency.checks[2].id, (CheckId{PathForm{"$.status", "equals", "201"}}));
    // A path without a form is named by its check text.
    EXPECT_EQ(latency.checks[3].id, CheckId{CheckOnly{"has a path only"}});
    EXPECT_EQ(comparison.criteria[1].checks[0].tallies[0], Tally{});
    EXPECT_EQ(comparison.criteria[1].checks[0].tallies[1], (Tally{1, 0, 0}));
}

TEST(Comparison, IdentityKindsAndLabels) {
    EXPECT_NE((CheckId{FormOnly{"x", std::nullopt}}), (CheckId{FormOnly{"x", ""}}));
    EXPECT_NE((CheckId{FormOnly{"x", "y"}}), (CheckId{PathForm{"", "x", "y"}}));

    std::string at140 = std::string(138, 'a') + "éü";
    std::string at141 = at140 + "z";
    CheckId whole{PathForm{"$.a", "is", at140}};
    CheckId cut{PathForm{"$.a", "is", at141}};
    EXPECT_EQ(fmt::to_string(label_of(whole)), "<code>$.a</code> <b>is</b> <code>" + at140 + "</code>");
    EXPECT_EQ(fmt::to_string(label_of(cut)), "<code>$.a</code> <b>is</b> <code>" + at140 + "…</code>");
    EXPECT_EQ(fmt::to_string(title_of(cut)), "$.a is " + at140 + "…");
    EXPECT_EQ(fmt::to_string(label_of(CheckId{PathForm{"$.a", "is", std::nullopt}})), "<code>$.a</code> <b>is</b>");
    EXPECT_EQ(fmt::to_string(title_of(CheckId{PathForm{"$.a", "is", std::nullopt}})), "$.a is");

    const std::string long_expected = "a\nb" + std::string(200, 'c');
    CheckId form_only{FormOnly{"contains", long_expected}};
    EXPECT_EQ(fmt::to_string(label_of(form_only)), "<b>contains</b> <code>a\nb" + std::string(200, 'c') + "</code>");
    EXPECT_EQ(fmt::to_string(title_of(form_only)), "contains a\nb" + std::string(200, 'c'));
    EXPECT_EQ(fmt::to_string(label_of(CheckId{PathForm{"p", "f", "a\nb\r"}})), "<code>p</code> <b>f</b> <code>a b\r</code>");
    EXPECT_EQ(fmt::to_string(label_of(CheckId{PathForm{"p", "f", "x<\n\"y"}})), "<code>p</code> <b>f</b> <code>x&lt; &quot;y</code>");
    EXPECT_EQ(fmt::to_string(title_of(CheckId{PathForm{"p", "f", "x<\n\"y"}})), "p f x&lt; &quot;y");
    EXPECT_EQ(fmt::to_string(label_of(CheckId{FormOnly{"f", std::nullopt}})), "<b>f</b>");
    EXPECT_EQ(fmt::to_string(title_of(CheckId{FormOnly{"f", std::nullopt}})), "f");
    EXPECT_EQ(fmt::to_string(label_of(CheckId{CheckOnly{"a < b"}})), "a &lt; b");
    EXPECT_EQ(fmt::to_string(title_of(CheckId{CheckOnly{"a < b"}})), "a &lt; b");
}

// The outcome classes are pinned through the postcondition grid that shows them.
TEST(Comparison, ProvenanceIsTheFirstOneStated) {
    std::vector<StandingsBlockView> a{block("k", {row("0", "c", 1, 0)})};
    std::vector<StandingsBlockView> b{block("k", {row("0", "c", 1, 0, 0, Provenance::Input),
                                                  row("1", "c", 1, 0, 0, Provenance::Criterion)})};
    std::vector<Column> columns{column("a", 1, a), column("b", 2, b)};
    EXPECT_EQ(stated_provenance(Comparison::build(columns).criteria[0].checks[0]), Provenance::Input);
    EXPECT_EQ(stated_provenance(Comparison::build({columns.data(), 1}).criteria[0].checks[0]), Provenance::Unstated);
}

TEST(Comparison, StatedCountsSaturate) {
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    std::vector<StandingsBlockView> blocks{block("k", {row("0", "c", max, 0), row("1", "c", 2, 0)})};
    std::vector<Column> columns{column("a", 1, blocks)};
    auto comparison = Comparison::build(columns);
    EXPECT_EQ(comparison.criteria[0].checks[0].tallies[0].passed, max);
    EXPECT_EQ((Tally{max, 1, 1}).total(), max);
}

TEST(InputNaming, NamesAndStatedExcerpts) {
    EXPECT_EQ(fmt::to_string(input_name("12")), "input 12");
    EXPECT_EQ(fmt::to_string(input_name("a&b")), "a&amp;b");
    EXPECT_EQ(fmt::to_string(input_name("")), "input ");

    std::vector<StandingsBlockView> none;
    std::vector<InputPresentation> first_inputs{{3, "first <3>"}};
    std::vector<InputPresentation> second_inputs{{3, "second"}, {4, "four"}};
    std::vector<FailureDistributionEntry> failures{{"c", 1, std::nullopt, 5, std::nullopt},
                                                   {"c", 1, std::nullopt, 5, "late"},
                                                   {"c", 1, std::nullopt, 6, "six\nlines"},
                                                   {"c", 1, std::nullopt, 4, "not consulted"}};
    auto a = column("a", 1, none);
    a.inputs = first_inputs;
    auto b = column("b", 2, none);
    b.inputs = second_inputs;
    b.failures = failures;
    std::vector<Column> columns{a, b};
    auto index = ExcerptIndex::of(columns);

    for (std::string_view key : {"3", "4", "5", "6", "7", "03", "+3", "x"}) {
        EXPECT_EQ(stated_excerpt(columns, key), index.find(key)) << key;
        EXPECT_EQ(input_link(columns, key), input_link(index, key)) << key;
    }
    EXPECT_EQ(input_link(columns, "3"), R"(input 3 <span class="muted">first &lt;3&gt;</span>)");
    EXPECT_EQ(input_link(columns, "4"), R"(input 4 <span class="muted">four</span>)");
    // A failure entry naming the input without an excerpt ends the search.
    EXPECT_EQ(input_link(columns, "5"), "input 5");
    EXPECT_EQ(input_link(columns, "6"), R"(input 6 <span class="muted">six lines</span>)");
    EXPECT_EQ(input_link(columns, "03"), "input 03");
    EXPECT_EQ(input_link(std::span<const Column>{}, "3"), "input 3");
}

}  // namespace
}  // namespace brelk
