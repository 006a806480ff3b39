#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

const std::string ten_samples = "{samplesExecuted: 10}";
const std::string half_passed = "{observed: 0.5, successes: 5, failures: 5}";

// One exploration document; the fields a test does not care about are plain
// and sufficient. `naming` holds configuration, names and factors; `rest`
// latency, cost and inputs.
std::string yaml(const std::string& service, const std::string& naming, const std::string& execution = ten_samples,
                 const std::string& statistics = half_passed, const std::string& rest = "") {
    return "schemaVersion: brelk-explore-1\nserviceContractId: " + service + "\n" + naming + "execution: " +
           execution + "\nstatistics: " + statistics + "\n" + rest;
}

// A configuration told apart from its neighbours by pass rate and median alone.
std::string timed(const std::string& service, const std::string& name, const std::string& rate,
                  const std::string& p50, const std::string& rest = "") {
    return yaml(service, "configuration: " + name + "\n", ten_samples,
                "{observed: " + rate + ", successes: 5, failures: 5}",
                p50.empty() ? rest : "latency: {p50Ms: " + p50 + ", sortedPassingLatenciesMs: []}\n" + rest);
}

// Standings of one criterion, one row per (input, passed, failed, skipped).
std::string criteria(const std::vector<std::vector<int>>& rows) {
    std::string text = "\n  criteria:\n    answers:\n      observedPassRate: 0.5\n      pass: 1\n      fail: 1\n"
                       "      standings:\n        rows:";
    if (rows.empty()) return text + " []";
    for (const auto& row : rows) {
        text += "\n          - {inputIndex: " + std::to_string(row[0]) +
                ", check: has total, optional: false, passed: " + std::to_string(row[1]) +
                ", failed: " + std::to_string(row[2]) + ", skipped: " + std::to_string(row[3]) +
                ", observedFraction: 0.5}";
    }
    return text;
}

std::string statistics_with(const std::string& counts, const std::string& more) {
    return "\n  observed: 0.5\n  " + counts + more;
}

std::string render(const TempTree& tree) { return page_of(tree, {"explore", "runs"}); }

std::string section(const std::string& page, const std::string& service) {
    return between(page, "<section class=\"service\" id=\"" + service + "\">", "</section>\n");
}

std::string rank_cells(const std::string& rank, int badge, const std::string& name) {
    return "<td class=\"rank\">" + rank + "</td>\n<td><span class=\"config-name\"><span class=\"cfg-badge\">" +
           std::to_string(badge) + "</span>" + name + "</span></td>\n";
}

std::string declined_cells(int badge, const std::string& name, const std::string& reason_block) {
    return "<tr class=\"declined\">\n<td class=\"rank\">—</td>\n<td><span class=\"config-name\"><span "
           "class=\"cfg-badge\">" +
           std::to_string(badge) + "</span>" + name + "</span><div class=\"declined-reason\">" + reason_block +
           "</div></td>\n";
}

std::string base_header(const std::string& factors, const std::string& configuration) {
    return "<details class=\"factor-list base-config\"><summary><span class=\"config-name\">base</span> "
           "configuration <span class=\"muted\">&middot; " +
           factors + " &middot; as stated by the “" + configuration + "” configuration</span></summary>";
}

const std::string legend =
    "<p class=\"legend\">≈ too close to call — equally reliable, medians within 5%. A presentational margin on "
    "the ordering, not a significance test: this report makes no claim that one configuration statistically "
    "beats another.</p>\n";

const std::string base_sentence =
    "<td class=\"differs\"><span class=\"muted\">the configuration every other is described against</span></td>\n";

TEST(ExploreE2E, SingleServiceHasNoOverviewAndTheLegendAfterTheHead) {
    TempTree tree;
    tree.write("runs/checkout/a.yaml", timed("checkout", "fast", "0.9", "100"));
    tree.write("runs/checkout/b.yaml", timed("checkout", "close", "0.9", "104"));
    auto run = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "report over 2 configurations written to out/r.html\n");
    auto page = slurp(tree.path("out/r.html"));

    EXPECT_TRUE(in_order(page, {"<title>Brelk Exploration: checkout</title>",
                                "<main>\n" + legend + "<section class=\"service\" id=\"checkout\">\n<h3>Overview</h3>\n",
                                rank_cells("1 ≈", 1, "fast"), rank_cells("1 ≈", 2, "close")}));
    EXPECT_FALSE(has(page, "<h2>"));
    EXPECT_FALSE(has(page, "class=\"overview\""));
}

TEST(ExploreE2E, SeveralServicesAreGroupedByStatedServiceWithAnOverview) {
    TempTree tree;
    tree.write("runs/alpha/two.yaml", timed("beta & co", "solo", "0.5", ""));
    tree.write("runs/beta/x.yaml", timed("alpha", "x", "0.9", "104"));
    tree.write("runs/zeta/one.yaml", timed("alpha", "one", "0.9", "100"));
    auto page = render(tree);

    EXPECT_TRUE(in_order(page, {
        "<title>Brelk Exploration Report</title>",
        "<section class=\"overview\">\n<h2>Overview</h2>\n<table>\n<thead>\n<tr><th>Service</th><th>Configurations</th>"
        "<th>Best overall</th></tr>\n</thead>\n<tbody>\n<tr><td><a href=\"#alpha\">alpha</a></td><td class=\"num\">2</td>"
        "<td>one ≈ x</td></tr>\n<tr><td><a href=\"#beta &amp; co\">beta &amp; co</a></td><td class=\"num\">1</td>"
        "<td>solo</td></tr>\n</tbody>\n</table>\n</section>\n" + legend +
            "<section class=\"service\" id=\"alpha\">\n<h2>alpha</h2>\n<h3>Overview</h3>\n",
        "<section class=\"service\" id=\"beta &amp; co\">\n<h2>beta &amp; co</h2>\n",
    }));
}

TEST(ExploreE2E, RanksFollowPassRateThenMedianWithNearTies) {
    TempTree tree;
    // Collected out of order: the page must sort them.
    tree.write("runs/s/a.yaml", timed("ranks", "a", "0.7", "106"));
    tree.write("runs/s/b.yaml", timed("ranks", "b", "0.8", "105"));
    tree.write("runs/s/c.yaml", timed("ranks", "c", "0.9", "100"));
    tree.write("runs/s/d.yaml", timed("ranks", "d", "0.8", "100"));
    tree.write("runs/s/e.yaml", timed("ranks", "e", "0.7", "100"));
    // Equal rates: zero medians never tie, an unstated median comes last,
    // then the cheaper average time wins; a last-bit difference in the rate
    // is not equally reliable.
    tree.write("runs/t/a.yaml", timed("edges", "zero-a", "0.6", "0"));
    tree.write("runs/t/b.yaml", timed("edges", "unstated", "0.6", ""));
    tree.write("runs/t/c.yaml", timed("edges", "zero-b", "0.6", "0"));
    tree.write("runs/t/d.yaml", timed("edges", "cheap", "0.6", "", "cost: {avgTimePerSampleMs: 10}\n"));
    tree.write("runs/t/e.yaml", timed("edges", "bit-low", "0.30000000000000004", "100"));
    tree.write("runs/t/f.yaml", timed("edges", "bit-high", "0.3", "100"));
    auto page = render(tree);

    auto ranks = section(page, "ranks");
    EXPECT_TRUE(in_order(ranks, {rank_cells("1", 3, "c"), rank_cells("2 ≈", 4, "d"), rank_cells("2 ≈", 2, "b"),
                                 rank_cells("4", 5, "e"), rank_cells("5", 1, "a")}));
    EXPECT_FALSE(has(ranks, "declined-divider"));
    EXPECT_TRUE(in_order(section(page, "edges"),
                         {rank_cells("1", 1, "zero-a"), rank_cells("2", 3, "zero-b"), rank_cells("3", 4, "cheap"),
                          rank_cells("4", 2, "unstated"), rank_cells("5", 5, "bit-low"), rank_cells("6", 6, "bit-high")}));
    EXPECT_TRUE(in_order(page, {"</h1>\n</header>\n<main>\n<section class=\"overview\">",
                                "</section>\n" + legend + "<section class=\"service\" id=\"edges\">"}));
}

TEST(ExploreE2E, DeclinedConfigurationsAtEachBoundary) {
    TempTree tree;
    auto write = [&](const std::string& file, const std::string& execution, const std::string& statistics,
                     const std::string& rest = "") {
        tree.write("runs/gate/" + file + ".yaml",
                   yaml("gate", "configuration: " + file + "\n", execution, statistics, rest));
    };
    const std::string five_five = "successes: 5\n  failures: 5";
    write("a-full", "{samplesPlanned: 10, samplesExecuted: 10}", half_passed);
    write("b-two", "{samplesPlanned: 2, samplesExecuted: 2}", half_passed, "cost: {avgTimePerSampleMs: 1249}\n");
    write("c-half", "{samplesPlanned: 10, samplesExecuted: 5}", half_passed);
    write("d-under-half", "{samplesPlanned: 11, samplesExecuted: 5}", half_passed,
          "cost: {avgTimePerSampleMs: 1250}\n");
    write("e-judged-half", ten_samples, statistics_with(five_five, criteria({{0, 3, 2, 5}})));
    write("f-judged-under", ten_samples, statistics_with(five_five, criteria({{0, 3, 2, 6}})));
    write("g-skipped", "{samplesExecuted: 2}",
          statistics_with("successes: 0\n  failures: 2", criteria({{0, 0, 0, 4}})));
    write("h-no-rows", "{samplesExecuted: 3}", statistics_with("successes: 3\n  failures: 0", criteria({})));
    auto gate = section(render(tree), "gate");
    EXPECT_TRUE(has(gate, "<td class=\"num\">5 of 10</td>\n"));
    EXPECT_TRUE(in_order(gate, {
        rank_cells("1", 1, "a-full"),
        rank_cells("2", 3, "c-half"),
        rank_cells("3", 5, "e-judged-half"),
        rank_cells("4", 8, "h-no-rows"),
        "<tr class=\"declined-divider\"><td colspan=\"8\"><b>Not ranked</b> — a configuration is ranked only when it "
        "ran at least three samples and at least half of those planned for it. Below that the evidence is too thin, "
        "or too unequal, for the comparison to be fair; the observations are still shown, and the pass rate still "
        "counts every sample that ran.</td></tr>\n",
        declined_cells(2, "b-two",
                       "fewer than three samples ran<div class=\"declined-timing\">each of its 2 samples ran 1.2 s on "
                       "average before failing</div>"),
        declined_cells(4, "d-under-half",
                       "fewer than half the planned samples ran<div class=\"declined-timing\">each of its 5 samples "
                       "ran 1.3 s on average before failing</div>"),
        declined_cells(6, "f-judged-under",
                       "most of its postcondition outcomes were never judged — too little of the evidence exists to "
                       "compare"),
        declined_cells(7, "g-skipped",
                       "no sample was evaluated — the service returned nothing that could be judged"),
        "<td class=\"num\">2<span class=\"never-evaluated\">none evaluated</span></td>\n",
    }));
}

TEST(ExploreE2E, BaseConfigurationChoice) {
    TempTree tree;
    auto write = [&](const std::string& service, const std::string& file, const std::string& naming) {
        tree.write("runs/" + service + "/" + file + ".yaml", yaml(service, naming));
    };
    // A stated base wins over "baseline" and is named "base" whatever its stated name.
    write("stated", "a", "configuration: baseline\n");
    write("stated", "b",
          "configuration: chosen\nconfigurationName: Chosen\nbaseConfiguration: true\nfactors: {t: 3}\n");
    // Without one, the configuration called "baseline".
    write("named", "a", "configuration: other\nfactors: {t: 1}\n");
    write("named", "b", "configuration: other-2\n");
    write("named", "c", "configuration: baseline\nfactors: {t: 2}\n");
    // Fewer than three configurations: the first collected.
    write("small", "a", "factors: {t: 1}\n");
    write("small", "b", "factors: {t: 2}\n");
    // The one configuration holding every modal pair.
    write("modal", "a", "factors: {m: small, t: 1}\n");
    write("modal", "b", "factors: {m: large, t: 2, x: on}\n");
    write("modal", "c", "factors: {m: large, t: 1, x: on}\n");
    write("modal", "d", "factors: {m: large, t: 1}\n");
    // Two configurations hold every modal pair: the first collected.
    write("twice", "a", "factors: {m: small}\n");
    write("twice", "b", "factors: {m: large, t: 1}\n");
    write("twice", "c", "factors: {m: large, t: 1, x: on}\n");
    write("twice", "d", "factors: {m: large, t: 1, x: on}\n");
    // A key with two equally common values: the first collected.
    write("split", "a", "factors: {m: small}\n");
    write("split", "b", "factors: {m: large}\n");
    write("split", "c", "factors: {t: 1}\n");
    auto page = render(tree);

    EXPECT_TRUE(in_order(section(page, "stated"),
                         {base_header("1 factor", "chosen"), "<td class=\"rank\">2</td>\n<td><span class=\"config-name\" "
                          "title=\"chosen\"><span class=\"cfg-badge\">1</span>base</span></td>\n" + base_sentence}));
    EXPECT_TRUE(in_order(section(page, "named"),
                         {base_header("1 factor", "baseline") + "<dl><dt>t</dt><dd>2</dd></dl></details>\n",
                          rank_cells("2", 3, "other-2") + "<td class=\"differs\"><span class=\"override-count\">1 change"
                          "</span> <span class=\"chip\"><span class=\"chip-key\">t</span> unset</span></td>\n",
                          rank_cells("3", 1, "baseline") + base_sentence}));
    EXPECT_TRUE(has(section(page, "small"), base_header("1 factor", "t=1")));
    EXPECT_TRUE(has(section(page, "modal"), base_header("3 factors", "m=large t=1 x=on")));
    EXPECT_TRUE(has(section(page, "twice"), base_header("1 factor", "m=small")));
    EXPECT_TRUE(has(section(page, "split"), base_header("1 factor", "m=small")));
}

TEST(ExploreE2E, ChangeChipsAgainstTheBase) {
    TempTree tree;
    const std::string seed(81, 's');
    tree.write("runs/chips/a.yaml",
               yaml("chips",
                     "configuration: reference\nbaseConfiguration: true\nfactors:\n  model: small\n"
                               "  temperature: 0.2\n  prompt: |\n    You are a checkout assistant.\n"
                               "    Answer in one sentence.\n    Never invent prices.\n"));
    tree.write("runs/chips/b.yaml",
               yaml("chips",
                     "configuration: tuned\nfactors:\n  temperature: 0.7\n  seed: " + seed +
                               "\n  prompt: |\n    You are a checkout assistant.\n"
                               "    Answer in two sentences.\n    Never invent prices.\n"));
    tree.write("runs/chips/c.yaml",
               yaml("chips",
                     "configuration: same\nfactors: {model: small, temperature: 0.2, prompt: \"You are a "
                               "checkout assistant.\\nAnswer in one sentence.\\nNever invent prices.\\n\"}\n"));
    EXPECT_TRUE(in_order(section(render(tree), "chips"), {
        base_header("3 factors", "reference"),
        "<span class=\"cfg-badge\">2</span>tuned</span></td>\n<td class=\"differs\"><span class=\"override-count\">4 "
        "changes</span> <details class=\"chip-details\"><summary><span class=\"chip long\"><span class=\"chip-key\">"
        "prompt</span> differs · +1 −1 <span class=\"caret\">▸</span></span></summary><pre class=\"diff\" tabindex=\"0\">  You are a "
        "checkout assistant.\n<span class=\"del\">− Answer in one sentence.</span>\n<span class=\"add\">+ Answer in two "
        "sentences.</span>\n  Never invent prices.</pre></details> <details class=\"chip-details\"><summary><span "
        "class=\"chip long\"><span class=\"chip-key\">seed</span> added · 0.0 kB <span class=\"caret\">▸</span></span>"
        "</summary><pre>" + seed + "</pre></details> <span class=\"chip\"><span class=\"chip-key\">temperature</span> "
        "0.7</span> <span class=\"chip\"><span class=\"chip-key\">model</span> unset</span></td>\n",
        "<span class=\"cfg-badge\">3</span>same</span></td>\n<td class=\"differs\"><span class=\"muted\">—</span></td>\n",
    }));
}

TEST(ExploreE2E, EvidenceNotesOfThePassRateCell) {
    TempTree tree;
    auto write = [&](const std::string& file, const std::string& naming, const std::string& statistics,
                     const std::string& rest = "") {
        tree.write("runs/e/" + file + ".yaml",
                   yaml("evidence", naming, ten_samples, statistics, rest));
    };
    const std::string all_judged = criteria({{0, 5, 0, 0}});
    write("a", "configuration: clean\n", "\n  observed: 1.2\n  successes: 12\n  failures: 0" + all_judged);
    write("b", "configuration: answered <v2>\nconfigurationName: answered\n",
          statistics_with("successes: 5\n  failures: 7\n  failureDistribution:\n"
                          "    - {condition: timed out, count: 4, kind: delivery}\n"
                          "    - {condition: wrong total, count: 3}",
                          all_judged));
    write("c", "configuration: three-missing\n",
          statistics_with("successes: 5\n  failures: 1\n  failureDistribution:\n"
                          "    - {condition: refused, count: 1, kind: delivery, inputIndex: 2}",
                          criteria({{2, 5, 0, 1}, {0, 5, 0, 1}, {1, 5, 0, 1}})),
          "inputs:\n  - {inputIndex: 0, inputExcerpt: one pen}\n  - {inputIndex: 1, inputExcerpt: two <pens>}\n");
    write("d", "configuration: four-missing\n",
          statistics_with("successes: 5\n  failures: 5",
                          criteria({{0, 5, 0, 1}, {1, 5, 0, 1}, {2, 5, 0, 1}, {3, 5, 0, 1}})));
    EXPECT_TRUE(in_order(section(render(tree), "evidence"), {
        "<td class=\"passrate\"><span class=\"bar-track\"><span class=\"bar-fill pass\" style=\"width:100.0%\"></span>"
        "</span> 1.200 (12/12)</td>\n",
        "<td><span class=\"config-name\" title=\"answered &lt;v2&gt;\"><span class=\"cfg-badge\">2</span>answered</span>"
        "</td>\n",
        "<span class=\"bar-track\"><span class=\"bar-fill pass\" style=\"width:50.0%\"></span></span> 0.500 (5/12)<div "
        "class=\"evidence\">4 samples never answered</div></td>\n",
        " 0.500 (5/6)<div class=\"evidence\">1 sample never answered — input 0 <span class=\"muted\">one pen</span>, "
        "input 1 <span class=\"muted\">two &lt;pens&gt;</span>, input 2</div></td>\n",
        " 0.500 (5/10)<div class=\"evidence\">no result — 4 inputs</div></td>\n",
    }));
}

TEST(ExploreE2E, NothingMeasuredAndNothingDeliveredNotices) {
    TempTree tree;
    auto write = [&](const std::string& service, const std::string& file, const std::string& failures,
                     bool judged) {
        tree.write("runs/" + service + "/" + file + ".yaml",
                   yaml(service, "configuration: " + file + "\n", ten_samples,
                        statistics_with("successes: 0\n  failures: 6\n  failureDistribution:" + failures,
                                        criteria({{0, judged ? 1 : 0, 0, 6}}))));
    };
    const std::string undelivered = "\n    - {condition: connection reset, count: 6, kind: delivery}";
    const std::string partly = "\n    - {condition: connection reset, count: 4, kind: delivery}"
                               "\n    - {condition: empty reply, count: 2}";
    write("delivered", "a", undelivered, false);
    write("delivered", "b", undelivered, false);
    write("measured", "a", undelivered, false);
    write("measured", "b", partly, false);
    write("partly", "a", undelivered, false);
    write("partly", "b", undelivered, true);
    write("partly", "c", undelivered, false);
    auto page = render(tree);

    EXPECT_TRUE(has(section(page, "delivered"),
                    "<h2>delivered</h2>\n<p class=\"nothing-measured\"><b>Nothing was delivered.</b> Across these 2 "
                    "configurations, not one of the 12 samples received a response to judge. The rates below are a "
                    "record of that, and say nothing about the service. Read the failure breakdown for what went "
                    "wrong.</p>\n<h3>Overview</h3>\n"));
    EXPECT_TRUE(has(section(page, "measured"),
                    "<h2>measured</h2>\n<p class=\"nothing-measured\"><b>Nothing was measured.</b> Every one of these 2 "
                    "configurations ran its samples and judged none of them: no reply reached a postcondition, so the "
                    "rates below describe delivery, not quality. Read the failure breakdown before anything else on "
                    "this page.</p>\n<h3>Overview</h3>\n"));
    EXPECT_TRUE(has(section(page, "partly"), "<h2>partly</h2>\n<h3>Overview</h3>\n"));
}

}  // namespace
}  // namespace brelk::testing
