#include "verdict/verdict_record.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "verdict/number_text.hpp"

namespace brelk::verdict {
namespace {

const std::string path = "runs/checkout/a.xml";

std::string record(const std::string& body) {
    return R"(<verdict-record xmlns="https://brelk.io/verdict/1.0">)" + body + "</verdict-record>";
}

const std::string identity = R"(<identity use-case-id="checkout"/>)";

struct Distilled {
    std::variant<VerdictRun, std::string> result;
    std::vector<std::string> notices;
};

Distilled distilled(const std::string& text) {
    auto parsed = xml::parse(text);
    if (auto* error = std::get_if<xml::ParseError>(&parsed)) return {"unparsed: " + error->message, {}};
    Distilled out{std::string(), {}};
    out.result = distil(std::get<xml::Document>(parsed).root(), path, out.notices);
    return out;
}

std::string failure_of(const std::string& text) {
    auto out = distilled(text);
    if (auto* message = std::get_if<std::string>(&out.result)) return *message;
    return "distilled";
}

TEST(Distil, NamesTheFirstMissingRequiredItem) {
    EXPECT_EQ(failure_of(record("<per-criterion/>")), "identity/@use-case-id is missing");
    EXPECT_EQ(failure_of(record("<identity/><per-criterion/>")), "identity/@use-case-id is missing");
    EXPECT_EQ(failure_of(record(R"(<identity xmlns="" use-case-id="u"/><per-criterion/>)")),
              "identity/@use-case-id is missing");
    EXPECT_EQ(failure_of(record(identity + R"(<per-criterion xmlns="urn:other"/>)")), "per-criterion is missing");

    const std::vector<std::string> attributes{R"(id="a")", R"(verdict="PASS")", R"(pass="1")", R"(total="2")",
                                              R"(observed-rate="0.5")"};
    const std::vector<std::string> missing{"id", "verdict", "pass", "total", "observed-rate"};
    for (std::size_t stated = 0; stated < attributes.size(); ++stated) {
        std::string criterion = "<criterion ";
        for (std::size_t i = 0; i < stated; ++i) criterion += attributes[i] + " ";
        criterion += "/>";
        // The complete criterion first: the incomplete one still fails the document.
        std::string text = record(identity + "<per-criterion><criterion id='x' verdict='v' pass='1' total='1' " +
                                  "observed-rate='1'/>" + criterion + "</per-criterion>");
        EXPECT_EQ(failure_of(text), "criterion/@" + missing[stated] + " is missing");
    }
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
    ASSERT_TRUE(std::holds_alternative<VerdictRun>(out.result)) << std::get<std::string>(out.result);
    const auto& run = std::get<VerdictRun>(out.result);
    EXPECT_EQ(run.use_case_id, "checkout");
    EXPECT_EQ(run.timestamp, "2024-05-01T10:00:00Z");
    EXPECT_EQ(run.samples_executed, "about 200");
    EXPECT_EQ(run.intent, "VERIFICATION");
    EXPECT_EQ(run.termination_reason, "COMPLETED");
    EXPECT_EQ(run.composite_verdict, "FAIL");
    EXPECT_EQ(run.successes, std::nullopt);
    ASSERT_EQ(run.criteria.size(), 2u);
    EXPECT_EQ(run.criteria[0].threshold, "0.8");
    EXPECT_EQ(run.criteria[1].id, "format");
    EXPECT_EQ(run.criteria[1].pass, "x");
    EXPECT_EQ(run.criteria[1].observed_rate, "z");
    EXPECT_EQ(run.criteria[1].threshold, std::nullopt);
    EXPECT_TRUE(run.standings.empty());
    ASSERT_EQ(run.failure_distribution.size(), 2u);
    EXPECT_EQ(run.failure_distribution[0].condition, "schema");
    EXPECT_EQ(run.failure_distribution[0].count, 7u);
    EXPECT_EQ(run.failure_distribution[0].kind, "FORMAT");
    EXPECT_EQ(run.failure_distribution[1].condition, "tone");
    EXPECT_EQ(run.failure_distribution[1].kind, std::nullopt);
    EXPECT_TRUE(out.notices.empty());

    auto bare = distilled(record(identity + R"(<per-criterion/><functional successes="+12"/>)"));
    const auto& minimal = std::get<VerdictRun>(bare.result);
    EXPECT_EQ(minimal.successes, 12u);
    EXPECT_TRUE(minimal.failure_distribution.empty());
    EXPECT_EQ(minimal.timestamp, std::nullopt);
    EXPECT_EQ(minimal.samples_executed, std::nullopt);
    EXPECT_EQ(minimal.composite_verdict, std::nullopt);
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
    const auto& standings = std::get<VerdictRun>(out.result).standings;
    ASSERT_EQ(standings.size(), 1u);
    const auto& block = standings[0];
    EXPECT_EQ(block.criterion, "say \"hi\"\\\t");
    EXPECT_EQ(block.optional_slack, "0.05");
    EXPECT_EQ(block.counts, std::nullopt);
    EXPECT_FALSE(block.bound.has_value());
    ASSERT_EQ(block.rows.size(), 2u);

    const auto& first = block.rows[0];
    EXPECT_EQ(first.input_key, "007");
    EXPECT_EQ(first.check, "status");
    EXPECT_FALSE(first.optional);
    EXPECT_EQ(first.passed, 5u);
    EXPECT_EQ(first.failed, 1u);
    EXPECT_EQ(first.observed_fraction, HUGE_VAL);
    EXPECT_EQ(first.provenance, Provenance::Unstated);
    EXPECT_EQ(first.path, "$.status");
    EXPECT_EQ(first.form, "equals");
    EXPECT_EQ(first.expected, "200");
    EXPECT_EQ(first.elided, 0u);
    ASSERT_EQ(first.observed.size(), 2u);
    EXPECT_EQ(first.observed[0].excerpt, "200");
    EXPECT_EQ(first.observed[0].count, 4u);
    EXPECT_TRUE(first.observed[0].held);
    EXPECT_EQ(first.observed[1].excerpt, "500");
    EXPECT_FALSE(first.observed[1].held);

    const auto& last = block.rows[1];
    EXPECT_TRUE(last.optional);
    EXPECT_EQ(last.skipped, 18446744073709551615u);
    EXPECT_EQ(last.observed_fraction, 0.0);
    EXPECT_TRUE(std::signbit(last.observed_fraction));
    EXPECT_EQ(last.provenance, Provenance::Criterion);
    EXPECT_EQ(last.path, std::nullopt);
    EXPECT_EQ(last.elided, 3u);
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
    const auto& standings = std::get<VerdictRun>(out.result).standings;
    ASSERT_EQ(standings.size(), 5u);
    std::vector<std::string> order;
    for (const auto& block : standings) order.push_back(block.criterion);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "c", "b", "x", "w"}));
    ASSERT_TRUE(standings[0].counts.has_value());
    EXPECT_EQ(standings[0].counts->passed, 3u);
    EXPECT_EQ(standings[0].counts->failed, 0u);
    EXPECT_EQ(standings[1].counts, std::nullopt);
    ASSERT_TRUE(standings[2].counts.has_value());
    EXPECT_EQ(standings[2].counts->passed, 4u);
    EXPECT_EQ(standings[2].counts->failed, 4294967291u);
    EXPECT_EQ(standings[3].counts, std::nullopt);
}

TEST(NumberText, UnsignedAndFloatTexts) {
    EXPECT_EQ(unsigned_64("+18446744073709551615"), 18446744073709551615u);
    EXPECT_EQ(unsigned_64("0042"), 42u);
    for (const char* invalid : {"18446744073709551616", "-1", "", "+", "++1", " 1", "1 ", "1.0", "1e3", "0x1"}) {
        EXPECT_EQ(unsigned_64(invalid), std::nullopt) << invalid;
    }
    EXPECT_EQ(unsigned_32("4294967295"), 4294967295u);
    EXPECT_EQ(unsigned_32("4294967296"), std::nullopt);

    EXPECT_EQ(floating("+1.5E+2"), 150.0);
    EXPECT_EQ(floating("-.5"), -0.5);
    EXPECT_EQ(floating("5."), 5.0);
    EXPECT_EQ(floating("0.95"), 0.95);
    EXPECT_EQ(floating("iNfInItY"), HUGE_VAL);
    EXPECT_EQ(floating("-inf"), -HUGE_VAL);
    EXPECT_EQ(floating("1e999"), HUGE_VAL);
    EXPECT_EQ(floating("0.000001e315"), HUGE_VAL);
    EXPECT_EQ(floating("1000e-330"), 0.0);
    EXPECT_EQ(floating("4.9e-324"), 4.9e-324);
    EXPECT_TRUE(std::isnan(*floating("NaN")));
    EXPECT_TRUE(std::isnan(*floating("-nan")));
    for (const char* invalid : {"", "+", ".", "e5", "1e", "1e+", "1.5f", " 1", "1 ", "0x1p3", "nan(1)", "infinit",
                                "--1", "1..0", "1,5"}) {
        EXPECT_EQ(floating(invalid), std::nullopt) << invalid;
    }
}


namespace fs = std::filesystem;

void write(const fs::path& file, std::string_view content) {
    std::ofstream(file, std::ios::binary) << content;
}

TEST(CollectVerdictRuns, WalksServicesInOrderAndSkipsEveryUnusableFile) {
    const fs::path root = fs::path(::testing::TempDir()) / "verdict_walk";
    fs::remove_all(root);
    fs::create_directories(root / "a" / "sub");
    fs::create_directories(root / "a" / "e.xml");
    fs::create_directories(root / "B");
    const std::string valid = record(identity + "<per-criterion/>");
    write(root / "top.xml", valid);
    write(root / "B" / "a.xml", valid);
    write(root / "a" / ".xml", valid);
    write(root / "a" / "b.XML", valid);
    write(root / "a" / "sub" / "x.xml", "<broken");
    write(root / "a" / ".h.xml", "<other/>");
    write(root / "a" / "c.xml", "<verdict-record/>");
    write(root / "a" / "d.xml", "<a>\xff</a>");
    write(root / "a" / "f.xml", "");
    write(root / "a" / "g.xml", record(identity));
    write(root / "a" / "h.xml",
          record(R"(<identity use-case-id="second"/><per-criterion/><postcondition-standings><criterion/>)"
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
    fs::remove_all(root);
}

}  // namespace
}  // namespace brelk::verdict
