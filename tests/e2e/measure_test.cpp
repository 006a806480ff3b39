#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

std::string baseline(const std::string& service, const std::string& contract, const std::string& rest) {
    return "schemaVersion: brelk-baseline-1\nserviceName: \"" + service + "\"\nserviceContractId: \"" + contract +
           "\"\n" + rest;
}

std::string render(const TempTree& tree) { return page_of(tree, {"measure", "runs"}); }

TEST(Measure, OneServiceShowsEveryBarModeInNameOrderWithItsLegend) {
    TempTree tree;
    tree.write("runs/checkout/a.yaml", baseline("checkout", "checkout@2", R"(generatedAt: "2024-03-02T10:15:00Z"
confidenceLevel: 0.95
execution: {samplesExecuted: 40, terminationReason: COMPLETED}
criteria:
  tone: {observedPassRate: 0.9, wilsonLowerBound: 0.7, successes: 9, trials: 10}
  band: {observedPassRate: 0.95, wilsonLowerBound: 0.8, successes: 19, trials: 20}
  edge: {observedPassRate: 0.2, wilsonLowerBound: 0, successes: 2, trials: 10}
  cite: {observedPassRate: 0.6, wilsonLowerBound: 0.3, successes: 6, trials: 10}
  json: {observedPassRate: 0.9796, successes: 48, trials: 49}
  most: {observedPassRate: 0.42, successes: 21, trials: 50}
  half: {observedPassRate: 0.975, successes: 39, trials: 40}
  flat: {observedPassRate: 1.0, wilsonLowerBound: 0.58, successes: 42, trials: 42}
  none: {successes: 3, trials: 4}
)"));
    const auto page = render(tree);
    EXPECT_FALSE(has(page, "<h2>Overview</h2>"));
    EXPECT_FALSE(has(page, "<h3>Measured"));
    EXPECT_TRUE(in_order(page, {
        "<title>Brelk Measurement: checkout</title>",
        "<main>\n<p class=\"legend\">measured under <span class=\"measured-under\">checkout@2</span></p>\n<p class="
        "\"record-facts\">40 samples · measured 02.03.2024 10:15 UTC · 95% confidence</p>\n<table>\n<thead>\n<tr><th>"
        "Criterion</th><th>Observed rate</th><th>Samples</th></tr>\n",
        "</tbody>\n</table>\n<p class=\"legend\">The solid bar is the rate this many samples actually support: at 95% "
        "confidence the true rate is <b>at least</b> that percentage. The hatched band runs from there to the rate "
        "observed — the ordinary variation of a run this size, not a range of equally likely answers. More samples "
        "narrow it; nothing else does. Where the band would be too wide to say anything useful, the bar shows the "
        "observed rate and marks the supported rate with a tick instead. A criterion showing neither recorded too few "
        "samples, or every sample alike, for a supported rate to mean much at this size.</p>\n",
    }));
    // Nothing failed for lack of a response, and no record states standings.
    EXPECT_FALSE(has(page, "<p class=\"nothing-delivered\">"));
    EXPECT_FALSE(has(page, "<p class=\"legend strip-legend\">"));

    auto tr = [](const std::string& name, const std::string& cell, const std::string& samples) {
        return "<tr><td>" + name + R"(</td><td class="cell">)" + cell + R"(</td><td class="num">)" + samples + "</td></tr>\n";
    };
    const std::string varied = R"(<span class="bar-track varied" title="observed )";
    const std::string plain = R"(<span class="bar-track"><span class="bar-fill pass" style="width:)";
    EXPECT_EQ(between(page, "<tbody>\n", "</tbody>\n"),
              "<tbody>\n" +
                  tr("band", varied + R"(0.95 · at least 0.8"><span class="bar-fill pass" style="width:80.0%"></span><span class="ordinary-variation" style="left:80.0%;width:15.0%"></span><span class="observed-mark" style="left:95.0%"></span></span> 95% (19/20) · <span class="at-least">at least 80%</span>)", "20") +
                  tr("cite", varied + R"(0.6 · at least 0.3"><span class="bar-fill pass" style="width:60.0%"></span><span class="bound-mark" style="left:30.0%"></span></span> 60% (6/10) · <span class="at-least">at least 30%</span>)", "10") +
                  tr("edge", varied + R"(0.2 · at least 0"><span class="bar-fill pass" style="width:0.0%"></span><span class="ordinary-variation" style="left:0.0%;width:20.0%"></span><span class="observed-mark" style="left:20.0%"></span></span> 20% (2/10) · <span class="at-least">at least 0%</span>)", "10") +
                  tr("flat", plain + R"(100.0%"></span></span> 100% (42/42))", "42") +
                  tr("half", plain + R"(97.5%"></span></span> 97.5% (39/40))", "40") +
                  tr("json", plain + R"(98.0%"></span></span> 98% (48/49))", "49") +
                  tr("most", plain + R"(42.0%"></span></span> 42% (21/50))", "50") + tr("none", "3/4", "4") +
                  tr("tone", varied + R"(0.9 · at least 0.7"><span class="bar-fill pass" style="width:90.0%"></span><span class="bound-mark" style="left:70.0%"></span></span> 90% (9/10) · <span class="at-least">at least 70%</span>)", "10") +
                  "</tbody>\n");
}

// Contracts compare byte by byte: "v10" before "v2".
TEST(Measure, GroupsByServiceAndContractWhateverTheDirectory) {
    TempTree tree;
    tree.write("runs/a/1.yaml", baseline("search", "v2", R"(generatedAt: "2024-03-01T08:00:00+01:00"
criteria: {a: {successes: 1, trials: 1}, b: {successes: 1, trials: 1}}
)"));
    tree.write("runs/b/1.yaml", baseline("search", "v10", "criteria: {a: {successes: 1, trials: 1}}\n"));
    tree.write("runs/b/2.yaml",
               baseline("search", "v2", "criteria: {c: {successes: 1, trials: 1}, b: {successes: 1, trials: 1}}\n"));
    tree.write("runs/c/1.yaml", baseline("check<out>", "c&1", "confidenceLevel: 0.999\n"));

    auto run = run_brelk({"measure", "runs", "-o", "out/m.html"}, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "report over 4 records written to out/m.html\n");
    const auto page = slurp(tree.path("out/m.html"));
    EXPECT_EQ(occurrences(page, "<h3>Measured"), 2u);
    EXPECT_TRUE(in_order(page, {
        "<title>Brelk Measurement Report</title>",
        "<h2>Overview</h2>\n<table>\n<thead>\n<tr><th>Service</th><th>Contract</th><th>Records</th><th>Criteria</th>"
        "</tr>\n</thead>\n<tbody>\n"
        R"(<tr><td>check&lt;out&gt;</td><td>c&amp;1</td><td class="num">1</td><td class="num">0</td></tr>)" "\n"
        R"(<tr><td>search</td><td>v10</td><td class="num">1</td><td class="num">1</td></tr>)" "\n"
        R"(<tr><td>search</td><td>v2</td><td class="num">2</td><td class="num">3</td></tr>)" "\n</tbody>\n</table>\n",
        "<h2>check&lt;out&gt; <span class=\"measured-under\">c&amp;1</span></h2>\n<p class=\"record-facts\">100% "
        "confidence</p>\n<table>\n",
        "<h2>search <span class=\"measured-under\">v10</span></h2>\n<table>\n",
        "<h2>search <span class=\"measured-under\">v2</span></h2>\n<h3>Measured 2024-03-01T08:00:00+01:00</h3>\n<p "
        "class=\"record-facts\">measured 01.03.2024 08:00 +01:00</p>\n<table>\n",
        "<h3>Measured record</h3>\n<table>\n",
    }));
}

TEST(Measure, NothingDeliveredNoticeOnlyWhenEveryFailureIsADeliveryFailure) {
    TempTree tree;
    tree.write("runs/s/a.yaml", baseline("a-all", "c", R"(execution: {terminationReason: TIMEOUT}
criteria:
  x: {successes: 0, trials: 3, failureDistribution: [{condition: refused, count: 3, kind: delivery}]}
  y: {successes: 0, trials: 4, failureDistribution: [{condition: refused, count: 4, kind: delivery}]}
)"));
    tree.write("runs/s/b.yaml", baseline("b-one", "c", R"(execution: {samplesExecuted: 1, terminationReason: COMPLETED}
criteria:
  x: {successes: 0, trials: 1, failureDistribution: [{condition: refused, count: 1, kind: delivery}]}
)"));
    tree.write("runs/s/c.yaml", baseline("c-some", "c", R"(criteria:
  x: {successes: 0, trials: 4, failureDistribution: [{condition: refused, count: 3, kind: delivery}, {condition: empty, count: 1}]}
)"));
    tree.write("runs/s/d.yaml", baseline("d-answered", "c", R"(criteria:
  x: {observedPassRate: 0.95, wilsonLowerBound: 0.8, successes: 19, trials: 20, failureDistribution: [{condition: refused, count: 1, kind: delivery}]}
)"));
    const auto page = render(tree);
    const std::string notice_tail =
        " recorded here received a response, so this record describes the attempt to reach the service and not "
        "the service itself. The breakdown below states what happened; the counts are of trials, as they always "
        "are.</p>\n";
    EXPECT_EQ(occurrences(page, "<p class=\"nothing-delivered\">"), 2u);
    EXPECT_EQ(occurrences(page, "The solid bar"), 1u);
    EXPECT_TRUE(in_order(page, {
        "<h2>a-all <span class=\"measured-under\">c</span></h2>\n<p class=\"record-facts\"><span class=\"badge "
        "flagged\">TIMEOUT</span></p>\n<p class=\"nothing-delivered\"><b>Nothing was delivered.</b> Not one of the 7 "
        "samples" + notice_tail + "<table>\n",
        "<h2>b-one <span class=\"measured-under\">c</span></h2>\n<p class=\"record-facts\">1 samples</p>\n<p class="
        "\"nothing-delivered\"><b>Nothing was delivered.</b> Not one of the 1 sample" + notice_tail,
        // Without a stated level the legend still names the confidence once; a
        // band alone needs neither the tick nor the plain sentence.
        "<p class=\"legend\">The solid bar is the rate this many samples actually support: at the stated confidence "
        "the true rate is <b>at least</b> that percentage. The hatched band runs from there to the rate observed — "
        "the ordinary variation of a run this size, not a range of equally likely answers. More samples narrow it; "
        "nothing else does.</p>\n<h3>Failure breakdown</h3>\n",
    }));
}

TEST(Measure, StandingsAddStripsPartialCreditAndCriterionSections) {
    TempTree tree;
    tree.write("runs/s/a.yaml", baseline("svc", "c", R"(generatedAt: "2024-03-02T10:15:00Z"
criteria:
  reply:
    successes: 3
    trials: 4
    standings:
      rows:
        - {inputIndex: 0, check: status is 200, optional: false, passed: 3, failed: 1, skipped: 0, observedFraction: 0.75}
        - {inputIndex: 0, check: has greeting, optional: true, passed: 4, failed: 0, skipped: 0, observedFraction: 1.0}
  tone: {successes: 4, trials: 4}
)"));
    const auto page = render(tree);
    EXPECT_TRUE(in_order(page, {
        "<tr><th>Criterion</th><th>Observed rate</th><th>Postconditions <span class=\"muted\">(contract order)</span>"
        "</th><th>Samples</th></tr>\n",
        "<tr><td>reply <span class=\"badge partial-credit\">partial credit</span></td><td class=\"cell\">3/4</td><td "
        "class=\"postconditions\"><span class=\"outcome-strip\">",
        "title=\"status is 200 — held on 3 of 4 samples — open it below\"",
        "<tr><td>tone</td><td class=\"cell\">4/4</td><td class=\"postconditions\"><span class=\"muted\">-</span></td>"
        "<td class=\"num\">4</td></tr>\n",
        "</tbody>\n</table>\n<p class=\"legend strip-legend\">One square per postcondition, in the contract’s order; its "
        "colour is the share of samples the check held on.<span class=\"key\">",
        "<p class=\"legend strip-legend\">A criterion states postconditions the response must satisfy whatever input "
        "drove it.",
        // The one column is named by the stated instant.
        "<span class=\"pc-cell\" title=\"02.03.2024 10:15 UTC\">Held</span>",
        "<p class=\"legend\">Counts are out of every sample: a postcondition judged once and skipped five times reads "
        "1/6, not 1/1.</p>\n",
    }));
}

}  // namespace
}  // namespace brelk::testing
