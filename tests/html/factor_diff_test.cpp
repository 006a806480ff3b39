#include "html/factor_diff.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace brelk {

void PrintTo(const DiffLine& line, std::ostream* os) {
    static const char* const marks[] = {"=", "-", "+"};
    *os << marks[static_cast<int>(line.kind)] << '"' << line.text << '"';
}

namespace {

DiffLine same(std::string t) { return {DiffKind::Same, std::move(t)}; }
DiffLine removed(std::string t) { return {DiffKind::Removed, std::move(t)}; }
DiffLine added(std::string t) { return {DiffKind::Added, std::move(t)}; }

std::string numbered(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "l" + std::to_string(i) + "\n";
    return text;
}

TEST(LineDiff, WalksTheTableWithRemovalFirst) {
    EXPECT_EQ(line_diff("a\nb\n", "a\nb"), (std::vector<DiffLine>{same("a"), same("b")}));
    EXPECT_EQ(line_diff("A\nB", "B\nA"), (std::vector<DiffLine>{removed("A"), same("B"), added("A")}));
    EXPECT_EQ(line_diff("", "x\ny\n\n"), (std::vector<DiffLine>{added("x"), added("y")}));
    EXPECT_EQ(line_diff("x\n", ""), (std::vector<DiffLine>{removed("x")}));
    EXPECT_TRUE(line_diff("\n\n", "").empty());
    // Only the final carriage return survives the trimmed line feed.
    EXPECT_EQ(line_diff("a\r\nb\r\n", "a\nb\n"), (std::vector<DiffLine>{same("a"), removed("b\r"), added("b")}));
    EXPECT_EQ(line_diff("\n\nx", "\nx"), (std::vector<DiffLine>{same(""), removed(""), same("x")}));
    // A common trailing line may belong to an earlier match.
    EXPECT_EQ(line_diff("x\ny", "y\nx\ny"), (std::vector<DiffLine>{added("y"), same("x"), same("y")}));
    EXPECT_EQ(line_diff("p\nx\nq\nx", "p\nr\nx"),
              (std::vector<DiffLine>{same("p"), removed("x"), removed("q"), added("r"), same("x")}));
}

// The walk over the full (n+1)(m+1) table, line by line as written down.
std::vector<DiffLine> table_walk(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::size_t>> L(n + 1, std::vector<std::size_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            L[i][j] = a[i] == b[j] ? L[i + 1][j + 1] + 1 : std::max(L[i + 1][j], L[i][j + 1]);
    std::vector<DiffLine> out;
    std::size_t i = 0, j = 0;
    while (i < n && j < m) {
        if (a[i] == b[j]) {
            out.push_back(same(a[i]));
            ++i, ++j;
        } else if (L[i + 1][j] >= L[i][j + 1]) {
            out.push_back(removed(a[i++]));
        } else {
            out.push_back(added(b[j++]));
        }
    }
    for (; i < n; ++i) out.push_back(removed(a[i]));
    for (; j < m; ++j) out.push_back(added(b[j]));
    return out;
}

TEST(LineDiff, MatchesThePlainTableWalkOnRandomTexts) {
    std::mt19937 rng(20240611);
    const std::vector<std::string> vocabulary{"a", "b", "c", "d", ""};
    auto random_lines = [&](std::size_t max_len, std::size_t prefix_of_other, const std::vector<std::string>* other) {
        std::vector<std::string> lines;
        if (other) lines.assign(other->begin(), other->begin() + static_cast<std::ptrdiff_t>(std::min(prefix_of_other, other->size())));
        const std::size_t len = std::uniform_int_distribution<std::size_t>(0, max_len)(rng);
        for (std::size_t k = 0; k < len; ++k) lines.push_back(vocabulary[rng() % vocabulary.size()]);
        // A final empty line would be trimmed away with its line feed.
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        return lines;
    };
    auto join = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        const auto a = random_lines(round % 3 == 0 ? 40 : 12, 0, nullptr);
        const auto b = random_lines(12, rng() % 8, &a);  // often a shared leading stretch
        ASSERT_EQ(line_diff(join(a), join(b)), table_walk(a, b)) << "round " << round;
    }
}

TEST(LineDiff, MatchesThePlainTableWalkOnLongTextsWithFewEdits) {
    // Few distinct lines, so that equal lines abound and the choice between
    // removing and adding is asked often; few edits, so that the band is narrow.
    std::mt19937 rng(7);
    auto join = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        return text;
    };
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> a;
        const std::size_t length = 100 + rng() % 300;
        for (std::size_t k = 0; k < length; ++k) a.push_back("v" + std::to_string(rng() % 12));
        auto b = a;
        const std::size_t edits = rng() % (round % 4 == 0 ? 60 : 8);
        for (std::size_t e = 0; e < edits && !b.empty(); ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 3) {
                case 0: b.erase(b.begin() + static_cast<std::ptrdiff_t>(at)); break;
                case 1: b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), "v" + std::to_string(rng() % 14)); break;
                default: b[at] = "v" + std::to_string(rng() % 14);
            }
        }
        ASSERT_EQ(line_diff(join(a), join(b)), table_walk(a, b)) << "round " << round;
    }
}

TEST(LineDiff, HugeTextsThatDifferInAFewLinesGetTheirExactDiff) {
    // 200,000 lines each: far beyond a full table, a narrow band of it.
    std::string old_text;
    std::string new_text;
    for (int i = 0; i < 200000; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        old_text += line;
        new_text += i == 500 || i == 150000 ? "edited " + std::to_string(i) + "\n" : line;
    }
    const auto diff = line_diff(old_text, new_text);
    ASSERT_EQ(diff.size(), 200002u);
    EXPECT_EQ(diff[499], same("line 499"));
    EXPECT_EQ(diff[500], removed("line 500"));
    EXPECT_EQ(diff[501], added("edited 500"));
    EXPECT_EQ(diff[502], same("line 501"));
    EXPECT_EQ(diff[150001], removed("line 150000"));
    EXPECT_EQ(diff[150002], added("edited 150000"));
    EXPECT_EQ(diff[200001], same("line 199999"));
}

TEST(LineDiff, TextsTooLongForTheTableAreReplacedWhole) {
    // 24000 lines against 24000 after the shared first line: the table would
    // be bigger than a diff may spend, so the common "c" lines go unmatched.
    auto text = [](char mark) {
        std::string lines = "same\n";
        for (int i = 0; i < 12000; ++i) lines += mark + std::to_string(i) + "\nc\n";
        return lines;
    };
    const auto diff = line_diff(text('x'), text('y'));
    ASSERT_EQ(diff.size(), 1u + 24000u + 24000u);
    EXPECT_EQ(diff[0], same("same"));
    EXPECT_EQ(diff[1], removed("x0"));
    EXPECT_EQ(diff[2], removed("c"));
    EXPECT_EQ(diff[24001], added("y0"));
    EXPECT_EQ(diff[24002], added("c"));
}

TEST(DiffPre, FoldsLongUnchangedRuns) {
    EXPECT_EQ(diff_pre("a\nb<\nc\nd\n", "a\nb<\nc\nd"), "<pre class=\"diff\" tabindex=\"0\">  a\n  b&lt;\n  c\n  d</pre>");
    EXPECT_EQ(diff_pre(numbered(1, 6), numbered(1, 6)),
              "<pre class=\"diff\" tabindex=\"0\">  l1\n<span class=\"fold\">⋯ 5 lines unchanged ⋯</span></pre>");
    EXPECT_EQ(diff_pre("", ""), "<pre class=\"diff\" tabindex=\"0\"></pre>");

    // Leading run of 5, middle run of 5, trailing run of 5.
    const std::string old_text = numbered(1, 5) + "old\n" + numbered(6, 10) + "gone\n" + numbered(11, 15);
    const std::string new_text = numbered(1, 5) + "new\n" + numbered(6, 10) + numbered(11, 15);
    EXPECT_EQ(diff_pre(old_text, new_text),
              "<pre class=\"diff\" tabindex=\"0\">"
              "<span class=\"fold\">⋯ 4 lines unchanged ⋯</span>\n  l5\n"
              "<span class=\"del\">− old</span>\n<span class=\"add\">+ new</span>\n"
              "  l6\n<span class=\"fold\">⋯ 3 lines unchanged ⋯</span>\n  l10\n"
              "<span class=\"del\">− gone</span>\n"
              "  l11\n<span class=\"fold\">⋯ 4 lines unchanged ⋯</span></pre>");

    // Runs of 4 are shown whole.
    EXPECT_EQ(diff_pre(numbered(1, 4) + "x\n" + numbered(5, 8) + "y\n" + numbered(9, 12),
                       numbered(1, 4) + numbered(5, 8) + numbered(9, 12)),
              "<pre class=\"diff\" tabindex=\"0\">  l1\n  l2\n  l3\n  l4\n<span class=\"del\">− x</span>\n"
              "  l5\n  l6\n  l7\n  l8\n<span class=\"del\">− y</span>\n  l9\n  l10\n  l11\n  l12</pre>");
}

TEST(ChangeChips, CountsAndRendersEveryChipForm) {
    EXPECT_EQ(change_chips({}, {}), R"(<span class="muted">—</span>)");
    EXPECT_EQ(change_chips({{"temp", "0.7"}}, {}),
              R"(<span class="override-count">1 change</span> <span class="chip"><span class="chip-key">temp</span> 0.7</span>)");

    const std::string long81(81, 'q');
    const std::vector<FactorPair> base{{"prompt", "A\nB"}, {"empty", ""}};
    EXPECT_EQ(change_chips({{"<k>", std::nullopt}, {"big", long81}, {"prompt", "B\nA\n"}, {"empty", "x\ny"}}, base),
              R"(<span class="override-count">4 changes</span> )"
              R"(<span class="chip"><span class="chip-key">&lt;k&gt;</span> unset</span> )"
              R"(<details class="chip-details"><summary><span class="chip long"><span class="chip-key">big</span> added · 0.0 kB <span class="caret">▸</span></span></summary><pre>)" + long81 + "</pre></details> "
              R"(<details class="chip-details"><summary><span class="chip long"><span class="chip-key">prompt</span> differs · +1 −1 <span class="caret">▸</span></span></summary>)"
              "<pre class=\"diff\" tabindex=\"0\"><span class=\"del\">− A</span>\n  B\n<span class=\"add\">+ A</span></pre></details> "
              R"(<details class="chip-details"><summary><span class="chip long"><span class="chip-key">empty</span> differs · +2 −0 <span class="caret">▸</span></span></summary>)"
              "<pre class=\"diff\" tabindex=\"0\"><span class=\"add\">+ x</span>\n<span class=\"add\">+ y</span></pre></details>");
}

TEST(FactorDetailsDiffed, OpensOnlyLongDifferingValuesIntoADiff) {
    const std::vector<FactorPair> base{{"prompt", "Hi\nthere"}, {"model", "m1"}, {"same", "x\ny"}};
    EXPECT_EQ(factor_details_diffed("3 <factors>", {}, base, "base"), "3 &lt;factors&gt;");
    EXPECT_EQ(factor_details_diffed("Factors", {{"same", "x\ny"}, {"model", "m<2>"}, {"fresh", "a\nb"}, {"prompt", "Hi\nyou"}},
                                    base, "Base & co"),
              R"(<details class="factor-list"><summary>Factors</summary><dl>)"
              "<dt>same</dt><dd><pre>x\ny</pre></dd>"
              "<dt>model</dt><dd>m&lt;2&gt;</dd>"
              "<dt>fresh</dt><dd><pre>a\nb</pre></dd>"
              R"(<dt>prompt</dt><dd><details class="long-value"><summary>differs from Base &amp; co <span class="muted">&middot; +1 −1</span></summary>)"
              "<pre class=\"diff\" tabindex=\"0\">  Hi\n<span class=\"del\">− there</span>\n<span class=\"add\">+ you</span></pre></details></dd>"
              "</dl></details>");
    // Without a base every value is shown plainly.
    EXPECT_EQ(factor_details_diffed("F", {{"prompt", "Hi\nyou"}}, {}, "base"),
              R"(<details class="factor-list"><summary>F</summary><dl><dt>prompt</dt><dd><pre>Hi)" "\nyou</pre></dd></dl></details>");
}

}  // namespace
}  // namespace brelk
