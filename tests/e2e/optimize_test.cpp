#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

// One stated iteration, written as one flow mapping.
struct Iter {
    int n = 1;
    std::string score = "0.5";
    std::string factors = "{}";
    std::string rate = "0.5";
    std::string stats{};  // more keys of its statistics
    std::string more{};   // more keys of the iteration
};

struct RunDoc {
    std::string service = "triage";
    std::string experiment{};
    std::string objective = "MAXIMIZE";
    std::vector<Iter> iterations{};
    int best = 1;
    std::string best_score = "0.5";
    std::string more{};  // scorer, stepper, termination, inputs
};

std::string yaml(const RunDoc& doc) {
    std::string text = "schemaVersion: brelk-optimize-1\nserviceContractId: " + doc.service + "\n";
    if (!doc.experiment.empty()) text += "experimentId: " + doc.experiment + "\n";
    text += "objective: " + doc.objective + "\n" + doc.more + "iterations:";
    if (doc.iterations.empty()) text += " []";
    for (const auto& it : doc.iterations) {
        text += "\n  - {iteration: " + std::to_string(it.n) + ", factors: " + it.factors + ", score: " + it.score +
                ", execution: {samplesExecuted: 4}, statistics: {observed: " + it.rate +
                ", successes: 2, failures: 2" + it.stats + "}" + it.more + "}";
    }
    return text + "\nconvergence: {totalIterations: " + std::to_string(doc.iterations.size()) +
           ", bestIteration: " + std::to_string(doc.best) + ", bestScore: " + doc.best_score + "}\n";
}

std::string render(const TempTree& tree) { return page_of(tree, {"optimize", "runs"}); }

// The rank and the start of the iteration cell of an iteration without factors.
std::string rank_cell(const std::string& rank, int n) {
    return "<td class=\"rank\">" + rank + "</td>\n<td>" + (n == 1 ? "#1 <span class=\"base-tag\">= original</span>"
                                                                  : "#" + std::to_string(n));
}

std::string rank_with_factors(const std::string& rank, int n) {
    return "<td class=\"rank\">" + rank + "</td>\n<td><details class=\"factor-list\"><summary>#" + std::to_string(n) +
           "</summary>";
}

const std::string near_tie_legend = "<p class=\"legend\">≈ too close to call — scores within 5% on the objective";

// Services compare byte by byte, so "Zeta" comes before "triage".
TEST(OptimizeE2E, RunsAreOrderedByServiceThenExperimentWithTheUnstatedFirst) {
    TempTree tree;
    tree.write("runs/a/1.yaml", yaml({.service = "triage", .experiment = "e2", .iterations = {{}}}));
    tree.write("runs/a/2.yaml", yaml({.service = "triage", .iterations = {{}}}));
    tree.write("runs/a/3.yaml", yaml({.service = "triage", .experiment = "e1", .iterations = {{}}}));
    tree.write("runs/z/1.yaml", yaml({.service = "Zeta & co", .objective = "MINIMIZE", .iterations = {{}}}));
    auto page = render(tree);
    EXPECT_TRUE(in_order(page, {
        "<title>Brelk Optimization Report</title>",
        "<tbody>\n<tr><td><a href=\"#run-0\">Zeta &amp; co</a></td><td><span class=\"muted\">-</span></td><td>MINIMIZE"
        "</td><td class=\"num\">1</td><td>#1 (score 0.5)</td></tr>\n<tr><td><a href=\"#run-1\">triage</a></td><td><span "
        "class=\"muted\">-</span></td><td>MAXIMIZE</td><td class=\"num\">1</td><td>#1 (score 0.5)</td></tr>\n"
        "<tr><td><a href=\"#run-2\">triage</a></td><td>e1</td>",
        "<a href=\"#run-3\">triage</a></td><td>e2</td>",
        "<section class=\"run\" id=\"run-0\">\n<h2>Zeta &amp; co</h2>\n<p class=\"convergence\">Objective <strong>"
        "MINIMIZE</strong> · 1 iterations · best iteration <strong>#1</strong> (score 0.5)</p>\n<h3>Overview</h3>\n",
        "<section class=\"run\" id=\"run-2\">\n<h2>triage — e1</h2>\n",
        "<section class=\"run\" id=\"run-3\">\n<h2>triage — e2</h2>\n",
    }));
    EXPECT_FALSE(has(page, near_tie_legend));

    TempTree single;
    single.write("runs/a/1.yaml", yaml({.experiment = "x<y", .iterations = {{}}}));
    page = render(single);
    EXPECT_TRUE(in_order(page, {"<title>Brelk Optimization: triage — x&lt;y</title>",
                                "<section class=\"run\" id=\"run-0\">\n<p class=\"convergence\">"}));
    EXPECT_FALSE(has(page, "<h2>"));
}

TEST(OptimizeE2E, NearTiesShareARankAndExtendTheBestCell) {
    TempTree tree;
    auto pair = [&](const std::string& file, const std::string& a, const std::string& b, int best = 1) {
        tree.write("runs/s/" + file + ".yaml",
                   yaml({.service = file, .iterations = {{.n = 1, .score = a}, {.n = 2, .score = b}}, .best = best,
                         .best_score = a}));
    };
    pair("a-close", "0.80", "0.77");
    pair("b-apart", "0.80", "0.76");
    pair("c-zero", "0", "0", 2);
    pair("d-negative", "-1.00", "-0.97");
    tree.write("runs/s/e.yaml", yaml({.service = "e-min",
                                      .objective = "MINIMIZE",
                                      .iterations = {{.n = 4, .score = "0.9"}, {.n = 7, .score = "0.2"}},
                                      .best = 4,
                                      .best_score = "0.9"}));
    auto page = render(tree);

    auto section = [&](int i) {
        return between(page, "<section class=\"run\" id=\"run-" + std::to_string(i) + "\">", "</section>");
    };
    EXPECT_TRUE(in_order(section(0), {rank_cell("1 ≈", 1), rank_cell("1 ≈", 2)}));
    EXPECT_TRUE(in_order(section(1), {rank_cell("1", 1), rank_cell("2", 2)}));
    EXPECT_TRUE(in_order(section(2), {rank_cell("1 ≈", 1), "<tr class=\"best-row\">\n" + rank_cell("1 ≈", 2) +
                                                               " <span class=\"badge best\">"}));
    EXPECT_TRUE(has(section(3), rank_cell("1 ≈", 2)));  // -0.97 ranks above -1.00
    EXPECT_TRUE(has(section(4), "<tr>\n" + rank_cell("1", 7)));
    // The stated best leads even where the report's own ranking puts it last.
    EXPECT_TRUE(in_order(page, {"<td>#1 (score 0.8) ≈ #2</td>",
                                "<td>#1 (score 0.8)</td></tr>\n<tr><td><a href=\"#run-2\">", "<td>#2 (score 0) ≈ #1</td>",
                                "<td>#1 (score -1) ≈ #2</td>", "<td>#4 (score 0.9) ≈ #7</td>",
                                "</section>\n" + near_tie_legend}));
}

TEST(OptimizeE2E, HiddenScoresDropTheScoreButKeepTheRanking) {
    TempTree tree;
    const std::string standings =
        ", criteria: {answers: {observedPassRate: 0.5, pass: 1, fail: 1, standings: {rows: [{inputIndex: 0, "
        "check: has total, optional: false, passed: 1, failed: 1, skipped: 0, observedFraction: 0.5}]}}}";
    tree.write("runs/a/judge.yaml",
               yaml({.service = "a",
                     .iterations = {{.n = 1, .score = "0.2", .rate = "0.9", .stats = standings},
                                    {.n = 2, .score = "0.7", .rate = "0.4", .stats = standings}},
                     .best = 2,
                     .best_score = "0.7",
                     .more = "scorer: \"llm\\tjudge\"\n"}));
    tree.write("runs/b/min.yaml", yaml({.service = "b", .objective = "MINIMIZE", .iterations = {{}}}));
    tree.write("runs/c/pass.yaml", yaml({.service = "c", .iterations = {{}}, .more = "scorer: observed-pass-rate\n"}));
    auto run = run_brelk({"optimize", "runs", "--hide-scores"}, tree.root());
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "scores hidden for a: stated scorer is \"llm\\tjudge\", not observed-pass-rate\n"
              "scores hidden for b: objective is MINIMIZE — the pass rate cannot stand in for the score\n");
    const auto& page = run.out;

    EXPECT_FALSE(has(page, "<th>Score</th>"));
    EXPECT_FALSE(has(page, "class=\"score\""));
    EXPECT_FALSE(has(page, "Score trajectory"));
    EXPECT_TRUE(in_order(page, {
        "<td class=\"num\">2</td><td>#2</td></tr>\n",
        "Objective <strong>MAXIMIZE</strong> · scorer: llm\tjudge · 2 iterations · best iteration <strong>#2</strong>"
        "</p>\n",
        "<tr><th>#</th><th>Iteration</th><th>What the stepper changed</th><th>Pass rate</th><th>Postconditions <span "
        "class=\"muted\">(contract order)</span></th><th>p50</th>",
        // Still ranked by score: iteration 2 first although its pass rate is lower.
        "<tr class=\"best-row\">\n" + rank_cell("1", 2),
        "<h3>Pass-rate trajectory</h3>\n",
        "role=\"img\" aria-label=\"Pass rate of 2 iterations, in stated order: first #1 at 0.9, last #2 at 0.4; "
        "stated best #2 at 0.4\">",
        "<text class=\"tip\" x=\"16.0\" y=\"8.0\" text-anchor=\"start\">#1 · 0.9</text>",
        "<p class=\"trajectory-note\">pass rate per iteration",
    }));

    EXPECT_TRUE(in_order(render(tree), {
        "<td class=\"num\">2</td><td>#2 (score 0.7)</td></tr>\n",
        "best iteration <strong>#2</strong> (score 0.7)</p>\n",
        "<td class=\"differs\"><span class=\"muted\">nothing — the attempt repeated its predecessor</span></td>\n<td "
        "class=\"score\"><span class=\"bar-track\"><span class=\"bar-fill score\" style=\"width:100.0%\"></span></span> "
        "0.7</td>\n<td class=\"passrate\"><span class=\"bar-track\"><span class=\"bar-fill pass\" style=\"width:40.0%\">"
        "</span></span> 0.400 (2/4)</td>\n<td class=\"postconditions\"><span class=\"outcome-strip\"><a class=\"sq-link\"",
        "<h3>Score trajectory</h3>\n",
    }));
}

TEST(OptimizeE2E, IterationsStatedOutOfOrderDiffAgainstTheirPredecessor) {
    TempTree tree;
    const std::string latency = ", latency: {sortedPassingLatenciesMs: [100]}";
    tree.write("runs/a/run.yaml",
               yaml({.iterations = {{.n = 3, .score = "0.9", .factors = "{t: 0.4, model: big}", .more = latency},
                                    {.n = 1, .score = "0.1", .factors = "{t: 0.2, model: small}", .more = latency},
                                    {.n = 2, .score = "0.5", .factors = "{t: 0.4, model: small}"},
                                    {.n = 4, .score = "0.3", .factors = "{t: 0.4}"}},
                     .best = 3,
                     .best_score = "0.9"}));
    auto page = render(tree);

    // Dropping a factor is not a change the stepper made.
    EXPECT_TRUE(has(between(page, rank_with_factors("3", 4), "</tr>"),
                    "<td class=\"differs\"><span class=\"muted\">nothing — the attempt repeated its predecessor"));
    EXPECT_TRUE(in_order(page, {
        "<h3>Overview</h3>\n<details class=\"factor-list base-config\"><summary><span class=\"base-tag\">original</span> "
        "configuration <span class=\"muted\">&middot; 2 factors (iteration #1; later iterations diff against it)</span>"
        "</summary><dl><dt>model</dt><dd>small</dd><dt>t</dt><dd>0.2</dd></dl></details>\n",
        "<tr class=\"best-row\">\n<td class=\"rank\">1</td>\n<td><details class=\"factor-list\"><summary>#3</summary><dl>"
        "<dt>model</dt><dd>big</dd><dt>t</dt><dd>0.4</dd></dl></details> <span class=\"badge best\">best</span></td>\n",
        "<td class=\"differs\"><span class=\"override-count\">1 change</span> <span class=\"chip\"><span "
        "class=\"chip-key\">model</span> big</span></td>\n",
        "</details></td>\n<td class=\"differs\"><span class=\"override-count\">1 change</span> <span class=\"chip\"><span "
        "class=\"chip-key\">t</span> 0.4</span></td>\n",
        rank_cell("4", 1) + "</td>\n<td class=\"differs\"><span class=\"muted\">the starting point every later attempt "
                            "departs from</span></td>\n",
        // Columns follow iteration numbers, the trajectory the stated order.
        "<tr><td><span class=\"cfg-badge\">1</span>iteration 1</td>",
        "<tr><td><span class=\"cfg-badge\">3</span>iteration 3</td>",
        "<polyline class=\"trajectory-line\" points=\"16.0,12.0 112.0,52.0 208.0,32.0 304.0,42.0\"/>",
        "<text class=\"tip\" x=\"16.0\" y=\"8.0\" text-anchor=\"start\">#3 · 0.9</text>",
    }));
}

TEST(OptimizeE2E, TrajectoryCoordinates) {
    auto trajectory = [](const std::vector<Iter>& iterations, int best) {
        TempTree tree;
        tree.write("runs/a/run.yaml", yaml({.iterations = iterations, .best = best}));
        auto page = render(tree);
        return between(page, "<svg class=\"trajectory-svg\"", "</div>\n");
    };
    // The chart states in words where it starts and ends, and the stated best.
    const auto open = [](const std::string& label) {
        return "<svg class=\"trajectory-svg\" width=\"320\" height=\"64\" viewBox=\"0 0 320 64\" role=\"img\" "
               "aria-label=\"" + label + "\">";
    };
    const std::string close = "</svg>\n<p class=\"trajectory-note\">score per iteration, left→right = iteration "
                              "order · <span class=\"mark-best\">● stated best</span></p>\n</div>\n";

    EXPECT_EQ(trajectory({{.n = 1, .score = "0.125"}}, 1),
              open("Score of 1 iteration: #1 at 0.125; stated best #1 at 0.125") +
                  "<g class=\"pt\"><circle class=\"trajectory-best\" cx=\"160.0\" cy=\"32.0\" r=\"4.5\"/><text "
                     "class=\"tip\" x=\"160.0\" y=\"25.0\" text-anchor=\"middle\">#1 · 0.125</text></g>" + close);

    EXPECT_EQ(trajectory({{.n = 1, .score = "0.5"}, {.n = 2, .score = "0.9"}}, 1),
              open("Score of 2 iterations, in stated order: first #1 at 0.5, last #2 at 0.9; stated best #1 at 0.5") +
                  "<polyline class=\"trajectory-line\" points=\"16.0,52.0 304.0,12.0\"/>"
                     "<g class=\"pt\"><circle class=\"trajectory-best\" cx=\"16.0\" cy=\"52.0\" r=\"4.5\"/><text "
                     "class=\"tip\" x=\"16.0\" y=\"45.0\" text-anchor=\"start\">#1 · 0.5</text></g>"
                     "<g class=\"pt\"><circle class=\"trajectory-dot\" cx=\"304.0\" cy=\"12.0\" r=\"3\"/><text "
                     "class=\"tip\" x=\"304.0\" y=\"8.0\" text-anchor=\"end\">#2 · 0.9</text></g>" + close);

    std::vector<Iter> five;
    for (int n = 1; n <= 5; ++n) five.push_back({.n = n, .score = "2.000"});
    auto equal = trajectory(five, 9);
    EXPECT_TRUE(has(equal, "points=\"16.0,32.0 88.0,32.0 160.0,32.0 232.0,32.0 304.0,32.0\"/>"));
    EXPECT_TRUE(has(equal, "cx=\"88.0\" cy=\"32.0\" r=\"3\"/><text class=\"tip\" x=\"88.0\" y=\"25.0\" "
                           "text-anchor=\"middle\">#2 · 2</text>"));
    EXPECT_TRUE(has(equal, "x=\"304.0\" y=\"25.0\" text-anchor=\"end\">#5 · 2</text>"));
    EXPECT_FALSE(has(equal, "trajectory-best"));
    EXPECT_TRUE(has(equal, open("Score of 5 iterations, in stated order: first #1 at 2, last #5 at 2")));
}

TEST(OptimizeE2E, StepperIsShownInWhateverShapeItIsStated) {
    auto stepper = [](const std::string& stated) {
        TempTree tree;
        tree.write("runs/a/run.yaml", yaml({.iterations = {{}}, .more = stated}));
        auto page = render(tree);
        return between(page, "<h3>Stepper</h3>\n", "</div>\n");
    };
    EXPECT_EQ(stepper("stepper:\n  kind: grid <a>\n  params: [1, 2.50]\n  ? {nested: key}\n  : [true, ~, !x y]\n"
                      "  note: \"two\\nlines\"\n"),
              "<h3>Stepper</h3>\n<div class=\"stated-block\">\n<dl><dt>kind</dt><dd>grid &lt;a&gt;</dd>"
              "<dt>params</dt><dd><ol><li>1</li><li>2.5</li></ol></dd><dt>-</dt><dd><ol><li>true</li><li>-</li>"
              "<li>-</li></ol></dd><dt>note</dt><dd><pre>two\nlines</pre></dd></dl></div>\n");
    EXPECT_EQ(stepper("stepper: random search\n"),
              "<h3>Stepper</h3>\n<div class=\"stated-block\">\nrandom search</div>\n");
    EXPECT_EQ(stepper("stepper: ~\n"), "");
}

TEST(OptimizeE2E, RunWithoutIterationsShowsNoIterationNumber) {
    TempTree tree;
    tree.write("runs/a/run.yaml", yaml({.iterations = {}, .best = 0, .best_score = "0"}));
    auto page = render(tree);

    EXPECT_TRUE(has(page, "<h3>Overview</h3>\n<table class=\"leaderboard\">\n"));
    EXPECT_TRUE(has(page, "<th>Termination</th></tr>\n</thead>\n<tbody>\n</tbody>\n</table>\n</section>\n"));
    EXPECT_FALSE(has(page, "4294967295"));
    EXPECT_FALSE(has(page, "<svg class=\"trajectory-svg\""));

    TempTree empty;
    empty.mkdir("runs/a");
    auto run = run_brelk({"optimize", "runs"}, empty.root());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "nothing renderable beneath runs — expected <service>/*.yaml brelk-optimize-1 documents\n");
}

}  // namespace
}  // namespace brelk::testing
