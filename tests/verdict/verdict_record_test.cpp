#include "verdict/verdict_record.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <string>

#include "html/row_text.hpp"
#include "temp_tree.hpp"
#include "verdict/number_text.hpp"

namespace brelk::verdict {
namespace {

const std::string path = "runs/checkout/a.xml";

std::string record(const std::string& body) {
    return R"(<verdict-record xmlns="https://brelk.io/verdict/1.0">)" + body + "</verdict-record>";
}

const std::string identity = R"(<identity use-case-id="checkout"/>)";

struct Distilled {
    std::variant<VerdictRun, SkipReason> result;
    std::vector<std::string> notices;
};

Distilled distilled(const std::string& text) {
    Distilled out{SkipReason{}, {}};
    out.result = distil(text, path, out.notices);
    return out;
}

// Why the document is skipped, as the skipped line says it before the path.
std::string failure_of(const std::string& text) {
    auto out = distilled(text);
    auto* reason = std::get_if<SkipReason>(&out.result);
    if (reason == nullptr) return "distilled";
    const std::string line = display(SkippedArtefact{*reason, path, "verdict-record"});
    return line.substr(0, line.size() - path.size() - 2);
}

TEST(Distil, NamesTheFirstMissingRequiredItem) {
    const std::string invalid = "(invalid verdict-record document: ";
    EXPECT_EQ(failure_of(record("<per-criterion/>")), invalid + "identity/@use-case-id is missing)");
    EXPECT_EQ(failure_of(record("<identity/><per-criterion/>")), invalid + "identity/@use-case-id is missing)");
    // Only the first identity counts, and only one in the vocabulary's namespace.
    EXPECT_EQ(failure_of(record("<identity/>" + identity + "<per-criterion/>")),
              invalid + "identity/@use-case-id is missing)");
    EXPECT_EQ(failure_of(record(R"(<identity xmlns="" use-case-id="u"/><per-criterion/>)")),
              invalid + "identity/@use-case-id is missing)");
    EXPECT_EQ(failure_of(record("<x>" + identity + "</x><per-criterion/>")),
              invalid + "identity/@use-case-id is missing)");
    EXPECT_EQ(failure_of(record(identity + R"(<per-criterion xmlns="urn:other"/>)")),
              invalid + "per-criterion is missing)");
    // The identity is looked for first, wherever it stands.
    EXPECT_EQ(failure_of(record("<per-criterion><criterion/></per-criterion>")),
              invalid + "identity/@use-case-id is missing)");

    // The complete criterion first: an incomplete one after it still fails the document.
    const std::string complete = "<criterion id='x' verdict='v' pass='1' total='1' observed-rate='1'/>";
    std::string stated;
    for (std::string attribute : {"id", "verdict", "pass", "total", "observed-rate"}) {
        const auto text = record("<per-criterion>" + complete + "<criterion " + stated + "/><criterion/></per-criterion>" +
                                 identity);
        EXPECT_EQ(failure_of(text), invalid + "criterion/@" + attribute + " is missing)");
        stated += attribute + "='1' ";
    }
    // Only the first per-criterion is read.
    EXPECT_EQ(failure_of(record(identity + "<per-criterion/><per-criterion><criterion/></per-criterion>")),
              "distilled");

    // What is not XML, or not a verdict record, says so before anything is missing.
    EXPECT_EQ(failure_of(record("<per-criterion>")), "(invalid XML: mismatched tag at line 1, column 71)");
    EXPECT_EQ(failure_of("<verdict-record><per-criterion/></verdict-record>"),
              "(states verdict-record, not verdict-record)");
    EXPECT_EQ(failure_of(R"(<v:other xmlns:v="https://brelk.io/verdict/1.0">)" + identity + "</v:other>"),
              "(states other, not verdict-record)");
    // A document whose standings gave notices but which is skipped gives none.
    auto skipped = distilled(record("<postcondition-standings><criterion/></postcondition-standings>"));
    EXPECT_TRUE(std::holds_alternative<SkipReason>(skipped.result));
    EXPECT_TRUE(skipped.notices.empty());
}

// The run's own values in one line; what is not stated reads "-".
std::string run_text(const VerdictRun& run) {
    std::string text = fmt::format("{} at {} · {} samples · {} · {} · composite {} · successes {}", run.use_case_id,
                                   run.timestamp.value_or("-"), run.samples_executed.value_or("-"),
                                   run.intent.value_or("-"), run.termination_reason.value_or("-"),
                                   run.composite_verdict.value_or("-"),
                                   run.successes ? std::to_string(*run.successes) : "-");
    for (const auto& c : run.criteria) {
        text += fmt::format(" | {} {} {}/{} {} threshold {}", c.id, c.verdict, c.pass, c.total, c.observed_rate,
                            c.threshold.value_or("-"));
    }
    for (const auto& f : run.failure_distribution) {
        text += fmt::format(" | {} x{} {}", f.condition, f.count, f.kind.value_or("-"));
    }
    return text;
}

TEST(Distil, ReadsEveryStatedValue) {
    auto out = distilled(R"(<verdict-record xmlns="https://brelk.io/verdict/1.0" timestamp="2024-05-01T10:00:00Z">
  <execution samples-executed="about 200" intent="VERIFICATION"/>
  <identity use-case-id="checkout" />
  <per-criterion>
    <criterion id="latency" verdict="PASS" pass="9" total="10" observed-rate="0.9" threshold="0.8"/>
    <o:criterion xmlns:o="urn:other" id="format" verdict="FAIL" pass="x" total="y" observed-rate="z"/>
    <composite value="FAIL"/>
    <composite value="PASS"/>
  </per-criterion>
  <functional successes="-1">
    <failure-distribution>
      <check name="schema" count="+7" kind="FORMAT"/>
      <check count="1"/>
      <check name="size" count="4294967296"/>
      <other:check xmlns:other="urn:x" name="tone" count="2"/>
    </failure-distribution>
  </functional>
  <termination reason="COMPLETED"/>
</verdict-record>)");
    ASSERT_TRUE(std::holds_alternative<VerdictRun>(out.result));
    const auto& run = std::get<VerdictRun>(out.result);
    EXPECT_EQ(run_text(run), "checkout at 2024-05-01T10:00:00Z · about 200 samples · VERIFICATION · COMPLETED · "
                             "composite FAIL · successes - | latency PASS 9/10 0.9 threshold 0.8 | format FAIL x/y z "
                             "threshold - | schema x7 FORMAT | tone x2 -");
    EXPECT_TRUE(run.standings.blocks.empty());
    EXPECT_TRUE(out.notices.empty());

    auto bare = distilled(record(identity + R"(<per-criterion/><functional successes="+12"/>)"));
    EXPECT_EQ(run_text(std::get<VerdictRun>(bare.result)),
              "checkout at - · - samples · - · - · composite - · successes 12");
}

const std::string good_row =
    R"(input-index="007" check="status" optional="false" passed="+5" failed="1" skipped="0" observed-fraction="INF")";

TEST(Distil, DropsMalformedStandingsWithNoticesAndKeepsTheRest) {
    auto out = distilled(record(identity + R"(<per-criterion/><postcondition-standings>
  <criterion optional-slack="1"><row )" + good_row + R"(/></criterion>
  <criterion name="say &quot;hi&quot;\&#9;" optional-slack="0.05">
    <row )" + good_row + R"( provenance="Input" path="$.status" form="equals" expected="200" elided="many">
      <observed excerpt="200" count="4" held="true"/>
      <observed excerpt="no count" held="true"/>
      <observed excerpt="bad" count="-1" held="true"/>
      <observed excerpt="500" count="1" held="yes"/>
    </row>
    <row input-index="1" check="body" optional="yes" passed="1" failed="0" skipped="0" observed-fraction="1"/>
    <row check="body" optional="true" passed="1" failed="0" skipped="0" observed-fraction="1"/>
    <row input-index="1" check="body" optional="true" passed="1 " failed="0" skipped="0" observed-fraction="1"/>
    <row input-index="1" check="body" optional="true" passed="1" failed="0" skipped="0" observed-fraction="0x1p3"/>
    <row input-index="1" check="body" optional="true" passed="1" failed="0" skipped="0"/>
    <row input-index="2" check="body" optional="true" passed="1" failed="0" skipped="18446744073709551615"
         observed-fraction="-1e-999" provenance="criterion" elided="3"/>
  </criterion>
</postcondition-standings>)"));
    ASSERT_TRUE(std::holds_alternative<VerdictRun>(out.result));
    const std::string malformed = R"(ignoring a malformed standings row for "say \"hi\"\\\t" in runs/checkout/a.xml)";
    EXPECT_EQ(out.notices, (std::vector<std::string>{"ignoring an unnamed standings criterion in runs/checkout/a.xml",
                                                      malformed, malformed, malformed, malformed, malformed}));
    const auto standings = unpack(std::get<VerdictRun>(out.result).standings);
    ASSERT_EQ(standings.size(), 1u);
    const auto& block = standings[0];
    EXPECT_EQ(block.criterion, "say \"hi\"\\\t");
    EXPECT_EQ(block.optional_slack, "0.05");
    EXPECT_FALSE(block.counts || block.bound);
    ASSERT_EQ(block.rows.size(), 2u);
    EXPECT_EQ(testing::row_text(block.rows[0]), "007 status 5/1/0 fraction inf unstated path $.status form equals "
                                                "expected 200 elided 0 [200 x4 held] [500 x1]");
    EXPECT_EQ(testing::row_text(block.rows[1]),
              "2 body optional 1/0/18446744073709551615 fraction -0 criterion path - form - expected - elided 3");
}

TEST(Distil, RowsOfOneCheckShareTheTextsTheyRepeat) {
    const std::string counts = R"(optional="false" passed="1" failed="0" skipped="0" observed-fraction="1")";
    auto out = distilled(record(identity + R"(<per-criterion/><postcondition-standings><criterion name="c">
    <row input-index="0" check="status" path="$.s" form="equals" expected="200" )" + counts + R"(/>
    <row input-index="1" check="status" path="$.s" form="equals" expected="201" )" + counts + R"(/>
    <row input-index="2" check="status" )" + counts + R"(/>
    <row input-index="3" check="status" path="" form="equals" expected="" )" + counts + R"(/>
  </criterion></postcondition-standings>)"));
    ASSERT_TRUE(std::holds_alternative<VerdictRun>(out.result));
    const auto& packed = std::get<VerdictRun>(out.result).standings;
    EXPECT_EQ(packed.texts, "c0status$.sequals200120123equals");
    const auto standings = unpack(packed);
    ASSERT_EQ(standings.size(), 1u);
    std::vector<std::string> rows;
    for (const auto& row : standings[0].rows) rows.push_back(testing::row_text(row));
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "0 status 1/0/0 fraction 1 unstated path $.s form equals expected 200 elided 0",
                        "1 status 1/0/0 fraction 1 unstated path $.s form equals expected 201 elided 0",
                        "2 status 1/0/0 fraction 1 unstated path - form - expected - elided 0",
                        "3 status 1/0/0 fraction 1 unstated path  form equals expected  elided 0",
                    }));
}

TEST(Distil, StandingsFollowTheCriteriaAndTakeTheirCounts) {
    auto out = distilled(record(identity + R"(<per-criterion>
    <criterion id="a" verdict="PASS" pass="3" total="2" observed-rate="1"/>
    <criterion id="c" verdict="PASS" pass="1" total="12.0" observed-rate="1"/>
    <criterion id="a" verdict="PASS" pass="1" total="9" observed-rate="1"/>
    <criterion id="b" verdict="PASS" pass="+4" total="4294967295" observed-rate="1"/>
  </per-criterion>
  <postcondition-standings>
    <criterion name="c"/><criterion name="a"/><criterion name="x"/><criterion name="b"/><criterion name="w"/>
  </postcondition-standings>)"));
    std::string order;
    for (const auto& block : unpack(std::get<VerdictRun>(out.result).standings)) {
        order += block.criterion;
        order += block.counts ? fmt::format("={}/{} ", block.counts->passed, block.counts->failed) : " ";
    }
    EXPECT_EQ(order, "a=3/0 c b=4/4294967291 x w ");
}

TEST(NumberText, UnsignedAndFloatTexts) {
    EXPECT_EQ(unsigned_64("+18446744073709551615"), 18446744073709551615u);
    EXPECT_EQ(unsigned_64("0042"), 42u);
    for (const char* invalid : {"18446744073709551616", "-1", "", "+", "++1", " 1", "1 ", "1.0", "1e3", "0x1"}) {
        EXPECT_EQ(unsigned_64(invalid), std::nullopt) << invalid;
    }
    EXPECT_EQ(unsigned_32("4294967295"), 4294967295u);
    EXPECT_EQ(unsigned_32("4294967296"), std::nullopt);

    for (auto [text, value] : {std::pair{"+1.5E+2", 150.0}, {"-.5", -0.5}, {"5.", 5.0}, {"0.95", 0.95},
                               {"iNfInItY", HUGE_VAL}, {"-inf", -HUGE_VAL}, {"1e999", HUGE_VAL},
                               {"0.000001e315", HUGE_VAL}, {"1000e-330", 0.0}, {"4.9e-324", 4.9e-324}}) {
        EXPECT_EQ(floating(text), value) << text;
    }
    EXPECT_TRUE(std::isnan(*floating("NaN")));
    EXPECT_TRUE(std::isnan(*floating("-nan")));
    for (const char* invalid : {"", "+", ".", "e5", "1e", "1e+", "1.5f", " 1", "1 ", "0x1p3", "nan(1)", "infinit",
                                "--1", "1..0", "1,5"}) {
        EXPECT_EQ(floating(invalid), std::nullopt) << invalid;
    }
}

namespace fs = std::filesystem;

TEST(CollectVerdictRuns, WalksServicesInOrderAndSkipsEveryUnusableFile) {
    brelk::testing::TempTree tree;
    const fs::path root = tree.root();
    tree.mkdir("a/e.xml");
    const std::string valid = record(identity + "<per-criterion/>");
    tree.write("top.xml", valid);
    tree.write("B/a.xml", valid);
    tree.write("a/.xml", valid);
    tree.write("a/b.XML", valid);
    tree.write("a/sub/x.xml", "<broken");
    tree.write("a/.h.xml", "<other/>");
    tree.write("a/c.xml", "<verdict-record/>");
    tree.write("a/d.xml", "<a>\xff</a>");
    tree.write("a/f.xml", "");
    tree.write("a/g.xml", record(identity));
    tree.write("a/h.xml", record(R"(<identity use-case-id="second"/><per-criterion/><postcondition-standings><criterion/>)"
                                 "</postcondition-standings>"));

    const std::string dir = root.string() + "/";
    auto collected = collect_verdict_runs(dir);
    ASSERT_TRUE(std::holds_alternative<CollectedRuns>(collected));
    const auto& runs = std::get<CollectedRuns>(collected);
    ASSERT_EQ(runs.runs.size(), 2u);
    EXPECT_EQ(runs.runs[1].use_case_id, "second");
    std::vector<std::string> skipped;
    for (const auto& entry : runs.skipped) skipped.push_back(display(entry));
    const std::string a = root.string() + "/a/";
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "(states other, not verdict-record): " + a + ".h.xml",
                           "(states verdict-record, not verdict-record): " + a + "c.xml",
                           "(unreadable: stream did not contain valid UTF-8): " + a + "d.xml",
                           "(unreadable: Is a directory (os error 21)): " + a + "e.xml",
                           "(invalid XML: no element found at line 1, column 1): " + a + "f.xml",
                           "(invalid verdict-record document: per-criterion is missing): " + a + "g.xml",
                       }));
    EXPECT_EQ(runs.notices, std::vector<std::string>{"ignoring an unnamed standings criterion in " + a + "h.xml"});

    auto missing_dir = collect_verdict_runs(root / "absent");
    ASSERT_TRUE(std::holds_alternative<OsError>(missing_dir));
    EXPECT_EQ(std::get<OsError>(missing_dir).code, ENOENT);
}

// The runs (use case and standings blocks), skipped lines and notices of a collection.
std::string collected_text(const fs::path& dir, unsigned workers) {
    auto collected = collect_verdict_runs(dir, workers);
    if (auto* error = std::get_if<OsError>(&collected)) return "error " + describe(*error);
    const auto& runs = std::get<CollectedRuns>(collected);
    std::string out;
    for (const auto& run : runs.runs) out += fmt::format("{} {}\n", run.use_case_id, run.standings.blocks.size());
    for (const auto& entry : runs.skipped) out += "skipped " + display(entry) + "\n";
    for (const auto& notice : runs.notices) out += notice + "\n";
    return out;
}

TEST(CollectVerdictRuns, AnyNumberOfWorkersGivesWhatOneWorkerGives) {
    brelk::testing::TempTree tree;
    // Every outcome and both notices, over several services, with a long
    // record now and then so that the workers finish out of order.
    std::string long_criteria;
    for (int i = 0; i < 800; ++i) {
        long_criteria += fmt::format(R"(<criterion id="c{}" verdict="PASS" pass="1" total="1" observed-rate="1"/>)", i);
    }
    const std::string standings = R"(<postcondition-standings><criterion name="c1"/><criterion>)"
                                  R"(<row check="x"/></criterion><criterion name="c0"><row check="x"/></criterion>)"
                                  R"(</postcondition-standings>)";
    std::string runs;
    std::string skipped;
    std::string notices;
    for (int service = 0; service < 5; ++service) {
        for (int file = 0; file < 60; ++file) {
            const std::string relative = fmt::format("s{}/f{:02}.xml", service, file);
            const std::string at = tree.root().string() + "/" + relative;
            const std::string use_case = fmt::format("u{}-{}", service, file);
            const std::string identity = R"(<identity use-case-id=")" + use_case + R"("/>)";
            switch ((service + file) % 6) {
                case 0:
                    tree.write(relative, record(identity + "<per-criterion>" + (file % 7 == 0 ? long_criteria : "") +
                                                "</per-criterion>"));
                    runs += use_case + " 0\n";
                    break;
                case 1:
                    tree.write(relative, record(identity + "<per-criterion/>" + standings));
                    runs += use_case + " 2\n";
                    notices += "ignoring an unnamed standings criterion in " + at + "\n" +
                               "ignoring a malformed standings row for \"c0\" in " + at + "\n";
                    break;
                case 2:
                    tree.write(relative, "");
                    skipped += "skipped (invalid XML: no element found at line 1, column 1): " + at + "\n";
                    break;
                case 3:
                    tree.write(relative, "<other>" + long_criteria + "</other>");
                    skipped += "skipped (states other, not verdict-record): " + at + "\n";
                    break;
                case 4:
                    tree.write(relative, "<a>\xff</a>");
                    skipped += "skipped (unreadable: stream did not contain valid UTF-8): " + at + "\n";
                    break;
                default:
                    tree.write(relative, record(identity));
                    skipped += "skipped (invalid verdict-record document: per-criterion is missing): " + at + "\n";
            }
        }
    }
    const std::string one = collected_text(tree.root(), 1);
    EXPECT_EQ(one, runs + skipped + notices);
    for (unsigned workers : {2u, 3u, 8u}) EXPECT_EQ(collected_text(tree.root(), workers), one) << workers << " workers";
}

}  // namespace
}  // namespace brelk::verdict
