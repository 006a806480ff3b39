#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

std::string record(const std::string& root_attributes, const std::string& use_case, const std::string& body) {
    return R"(<verdict-record xmlns="https://brelk.io/verdict/1.0")" + root_attributes + ">\n<identity use-case-id=\"" +
           use_case + "\"/>\n" + body + "</verdict-record>\n";
}

std::string render(const TempTree& tree, const std::string& err = "") {
    return page_of(tree, {"verdict", "runs"}, err);
}

const std::string none = R"(<span class="muted">-</span>)";

std::string bar(const std::string& width) {
    return R"(<span class="bar-track"><span class="bar-fill pass" style="width:)" + width + R"(%"></span></span>)";
}

TEST(Verdict, LoneRunStatesEveryValueAsWrittenWithoutHeadings) {
    TempTree tree;
    tree.write("runs/checkout/r.xml", record(R"( timestamp="2024-05-02T02:00:00Z")", "checkout", R"(
<execution samples-executed="about 200" intent="nightly"/>
<per-criterion>
  <criterion id="format" verdict="PASS" pass="7" total="8" observed-rate="0.875" threshold="0.8"/>
  <criterion id="over" verdict="FAIL" pass="12" total="10" observed-rate="1.2"/>
  <criterion id="odd" verdict="pass" pass="x" total="y" observed-rate="n/a" threshold="≥ 0.9"/>
  <criterion id="err" verdict="ERROR" pass="0" total="0" observed-rate="0.50"/>
  <composite value="FAIL"/>
</per-criterion>
<termination reason="COMPLETED"/>
)"));
    const auto page = render(tree);
    EXPECT_TRUE(in_order(page, {"<title>Brelk Verdict: checkout</title>",
                                ".verdict-pass { color: var(--pass-color); font-weight: 600; }.verdict-fail { color: "
                                "var(--fail-color); font-weight: 600; }.run-facts { color: var(--text-muted); "
                                "font-size: 0.8rem; margin: 0.25rem 0 0.5rem; }\n/* ", ".nothing-delivered { ",
                                "</style>"}));
    // No standings and no failures: the facts and the table are the whole body.
    EXPECT_EQ(between(page, "<main>\n", "</main>\n"),
              "<main>\n"
              R"(<p class="run-facts">about 200 samples · nightly · <span class="badge ok">COMPLETED</span></p>)"
              "\n<table>\n<thead>\n"
              "<tr><th>Criterion</th><th>Threshold</th><th>Observed</th><th>Samples</th><th>Verdict</th></tr>\n"
              "</thead>\n<tbody>\n"
              R"(<tr><td>format</td><td class="num">0.8</td><td class="cell">)" + bar("87.5") +
                  R"( 0.875 (7/8)</td><td class="num">8</td><td><span class="verdict-pass">PASS</span></td></tr>)" "\n"
              R"(<tr><td>over</td><td class="num">)" + none + R"(</td><td class="cell">)" + bar("100.0") +
                  R"( 1.2 (12/10)</td><td class="num">10</td><td><span class="verdict-fail">FAIL</span></td></tr>)" "\n"
              R"(<tr><td>odd</td><td class="num">≥ 0.9</td><td class="cell"> n/a (x/y)</td>)"
                  R"(<td class="num">y</td><td><span class="muted">pass</span></td></tr>)" "\n"
              R"(<tr><td>err</td><td class="num">)" + none + R"(</td><td class="cell">)" + bar("50.0") +
                  R"( 0.50 (0/0)</td><td class="num">0</td><td><span class="muted">ERROR</span></td></tr>)" "\n"
              "</tbody>\n</table>\n</main>\n");
}

TEST(Verdict, RunsAreGroupedByTheUseCaseTheyStateWhateverTheirDirectory) {
    TempTree tree;
    tree.write("runs/a/1.xml", record(R"( timestamp="2024-05-03T02:00:00+02:00")", "checkout", R"(
<per-criterion><criterion id="x" verdict="FAIL" pass="1" total="2" observed-rate="0.5"/><composite value="FAIL"/></per-criterion>
)"));
    tree.write("runs/b/0.xml", record("", "alpha", R"(
<per-criterion><composite value="pass"/><composite value="FAIL"/></per-criterion>
)"));
    tree.write("runs/b/2.xml", record("", "checkout", R"(
<per-criterion><criterion id="y" verdict="PASS" pass="2" total="2" observed-rate="1"/><criterion id="x" verdict="PASS" pass="2" total="2" observed-rate="1"/></per-criterion>
<functional><failure-distribution><check name="slow" count="2"/></failure-distribution></functional>
)"));
    tree.write("runs/b/3.xml", "<verdict-record/>");

    auto run = run_brelk({"verdict", "runs", "-o", "out/v.html"}, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "skipped (states verdict-record, not verdict-record): runs/b/3.xml\n"
                       "report over 3 runs written to out/v.html\n");
    const auto page = slurp(tree.path("out/v.html"));
    EXPECT_TRUE(in_order(page, {
        "<title>Brelk Verdict Report</title>",
        "<main>\n<h2>Overview</h2>\n<table>\n<thead>\n<tr><th>Service</th><th>Runs</th><th>Criteria</th><th>Verdicts</th>"
        "</tr>\n</thead>\n<tbody>\n"
        R"(<tr><td>alpha</td><td class="num">1</td><td class="num">0</td><td><span class="muted">pass</span></td></tr>)" "\n"
        R"(<tr><td>checkout</td><td class="num">2</td><td class="num">2</td><td><span class="verdict-fail">FAIL</span></td></tr>)"
        "\n</tbody>\n</table>\n",
        "<h2>alpha</h2>\n<table>\n",
        "<h2>checkout</h2>\n<h3>Run 03.05.2024 02:00 +02:00</h3>\n<table>\n",
        // Without a time stamp the run is named by its use case.
        "<h3>Run run</h3>\n<table>\n",
        R"(<tr><td>checkout</td><td>slow</td><td class="num">2</td><td>)" + none + "</td></tr>\n",
    }));
}

std::string standings_record() {
    return record(R"( timestamp="2024-05-02T02:00:00Z")", "quote", R"(
<per-criterion>
  <criterion id="fmt" verdict="PASS" pass="3" total="4" observed-rate="0.75"/>
  <criterion id="price" verdict="PASS" pass="4" total="4" observed-rate="1"/>
  <criterion id="bare" verdict="PASS" pass="4" total="4" observed-rate="1"/>
</per-criterion>
<postcondition-standings>
  <criterion name="price" optional-slack="1 of 4">
    <row input-index="7" check="total" optional="false" passed="4" failed="0" skipped="0" observed-fraction="1" provenance="input" path="$.total" form="equals" expected="42"/>
  </criterion>
  <criterion name="fmt">
    <row input-index="7" check="a" optional="false" passed="3" failed="1" skipped="0" observed-fraction="0.75" provenance="criterion" path="$.a" form="equals" expected="1"/>
    <row input-index="7" check="cites" optional="yes" passed="1" failed="0" skipped="0" observed-fraction="1"/>
    <row input-index="7" check="cites a source" optional="true" passed="2" failed="0" skipped="2" observed-fraction="1"/>
  </criterion>
</postcondition-standings>
)");
}

TEST(Verdict, StandingsAddStripsPartialCreditSectionsAndExpectedValues) {
    TempTree tree;
    tree.write("runs/s/r.xml", standings_record());
    const auto page = render(tree, "ignoring a malformed standings row for \"fmt\" in runs/s/r.xml\n");

    const std::string partial = R"( <span class="badge partial-credit">partial credit</span>)";
    EXPECT_EQ(between(page, "<main>\n", "</tbody>\n"),
              "<main>\n<table>\n<thead>\n"
              R"(<tr><th>Criterion</th><th>Threshold</th><th>Observed</th><th>Postconditions <span class="muted">(contract order)</span></th><th>Samples</th><th>Verdict</th></tr>)"
              "\n</thead>\n<tbody>\n"
              R"(<tr><td>fmt)" + partial + R"(</td><td class="num">)" + none + R"(</td><td class="cell">)" + bar("75.0") +
                  R"( 0.75 (3/4)</td><td class="postconditions"><span class="outcome-strip">)"
                  R"(<a class="sq-link" href="#pc-1-1" title="$.a equals 1 — held on 3 of 4 samples — open it below"><span class="sq" style="background:#7b7d19"></span></a>)"
                  R"(<a class="sq-link" href="#pc-1-2" title="cites a source — held on 2 of 4 samples, nothing to judge on 2 — open it below"><span class="sq" style="background:#c77c00"></span></a>)"
                  R"(</span></td><td class="num">4</td><td><span class="verdict-pass">PASS</span></td></tr>)" "\n"
              R"(<tr><td>price)" + partial + R"(</td><td class="num">)" + none + R"(</td><td class="cell">)" + bar("100.0") +
                  R"( 1 (4/4)</td><td class="postconditions"><span class="outcome-strip"></span></td>)"
                  R"(<td class="num">4</td><td><span class="verdict-pass">PASS</span></td></tr>)" "\n"
              R"(<tr><td>bare</td><td class="num">)" + none + R"(</td><td class="cell">)" + bar("100.0") +
                  R"( 1 (4/4)</td><td class="postconditions">)" + none +
                  R"(</td><td class="num">4</td><td><span class="verdict-pass">PASS</span></td></tr>)"
                  "\n</tbody>\n");

    EXPECT_FALSE(has(page, "<h3>Failure breakdown</h3>"));
    EXPECT_TRUE(in_order(page, {
        "</tbody>\n</table>\n<p class=\"legend strip-legend\">One square per postcondition, in the contract’s order; its "
        "colour is the share of samples the check held on.",
        R"(<details class="crit" style="--pc-columns: 1"><summary><span class="crit-label"><span class="crit-kind">Criterion:</span> )"
        R"(<span class="crit-name">fmt</span> <span class="crit-note">2 postconditions</span></span>)"
        R"(<span class="pc-cell crit-cell"><span class="crit-rate" style="color:#7b7d19">0.750</span><span class="crit-count">3 of 4 samples</span></span>)",
        "<h3>Expected values</h3>\n",
        // The run's column is named by its time stamp as written.
        R"(<span class="pc-pair pc-pair-head"><span class="cfg-name">2024-05-02T02:00:00Z</span></span>)",
    }));
}

TEST(Verdict, NothingDeliveredOnlyWhenEveryFailureIsOfDeliveryAndNothingSucceeded) {
    TempTree tree;
    const std::string per_criterion =
        R"(<per-criterion><criterion id="x" verdict="INCONCLUSIVE" pass="0" total="0" observed-rate="n/a"/></per-criterion>)"
        "\n";
    tree.write("runs/s/a.xml", record(R"( timestamp="2024-05-03T14:30:00Z")", "a-down", per_criterion + R"(
<functional successes="0"><failure-distribution>
  <check name="refused" count="18" kind="delivery"/><check name="timeout" count="12" kind="delivery"/>
</failure-distribution></functional>
<termination reason="ABORTED"/>
)"));
    tree.write("runs/s/b.xml", record("", "b-one", per_criterion + R"(
<functional><failure-distribution><check name="refused" count="1" kind="delivery"/></failure-distribution></functional>
)"));
    tree.write("runs/s/c.xml", record("", "c-answered", per_criterion + R"(
<functional successes="3"><failure-distribution><check name="refused" count="1" kind="delivery"/></failure-distribution></functional>
)"));
    tree.write("runs/s/d.xml", record("", "d-mixed", per_criterion + R"(
<functional successes="0"><failure-distribution><check name="refused" count="1" kind="delivery"/><check name="empty" count="1"/></failure-distribution></functional>
)"));
    const auto page = render(tree);
    const std::string rest =
        " recorded here received a response, so this record describes the attempt to reach the service and not the "
        "service itself. The breakdown below states what happened; the counts are of trials, as they always are.</p>\n";
    EXPECT_TRUE(in_order(page, {
        "<h2>a-down</h2>\n<p class=\"run-facts\"><span class=\"badge flagged\">ABORTED</span></p>\n<p class=\"nothing-"
        "delivered\"><b>Nothing was delivered.</b> Not one of the 30 samples" + rest + "<table>\n",
        R"(<tr><td>03.05.2024 14:30 UTC</td><td><span class="badge delivery">no delivery</span> refused</td>)"
        R"(<td class="num">18</td><td>)" + none + "</td></tr>\n",
        "<h2>b-one</h2>\n<p class=\"nothing-delivered\"><b>Nothing was delivered.</b> Not one of the 1 sample" + rest,
        "<h2>c-answered</h2>\n<table>\n",
        "<h2>d-mixed</h2>\n<table>\n",
    }));
}

TEST(Verdict, EveryRecordTextIsEscaped) {
    TempTree tree;
    const std::string hostile = R"(&quot;&gt;&lt;script&gt;)";
    tree.write("runs/s/a.xml", record(R"( timestamp="&quot;&gt;&lt;script&gt;")", hostile, R"(
<execution samples-executed="&lt;b&gt;" intent="&quot;&gt;&lt;script&gt;"/>
<per-criterion>
  <criterion id="&quot;&gt;&lt;script&gt;" verdict="&quot;&gt;&lt;script&gt;" pass="&lt;1" total="&lt;2" observed-rate="&lt;0.5" threshold="&lt;t"/>
  <composite value="&quot;&gt;&lt;script&gt;"/>
</per-criterion>
<postcondition-standings><criterion name="&quot;&gt;&lt;script&gt;" optional-slack="&lt;s">
  <row input-index="&quot;&gt;&lt;script&gt;" check="&lt;c" optional="false" passed="1" failed="0" skipped="0" observed-fraction="1" provenance="input"/>
</criterion></postcondition-standings>
<functional><failure-distribution><check name="&lt;f" count="1"/></failure-distribution></functional>
<termination reason="&lt;r"/>
)"));
    tree.write("runs/s/b.xml", record("", "other", "<per-criterion/>\n"));
    const auto page = render(tree);
    EXPECT_FALSE(has(page, "<script"));
    const std::string shown = "&quot;&gt;&lt;script&gt;";
    EXPECT_TRUE(in_order(page, {
        "<tr><td>" + shown + R"(</td><td class="num">1</td><td class="num">1</td><td><span class="muted">)" + shown +
            "</span></td></tr>\n",
        "<h2>" + shown + "</h2>\n<p class=\"run-facts\">&lt;b&gt; samples · " + shown +
            R"( · <span class="badge flagged">&lt;r</span></p>)",
        "<tr><td>" + shown + R"( <span class="badge partial-credit">partial credit</span></td><td class="num">&lt;t</td>)"
            R"(<td class="cell"> &lt;0.5 (&lt;1/&lt;2)</td>)",
        "<tr><td>" + shown + "</td><td>&lt;f</td>",
    }));
}

}  // namespace
}  // namespace brelk::testing
