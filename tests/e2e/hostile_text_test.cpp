// Texts from artefacts that could garble or reverse the page reach it as
// visible codes.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

// The first raw control or bidirectional character in the page, as a byte offset.
std::string::size_type first_raw_control(const std::string& page) {
    for (std::string::size_type i = 0; i < page.size(); ++i) {
        const auto byte = static_cast<unsigned char>(page[i]);
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7f) return i;
        const auto next = i + 1 < page.size() ? static_cast<unsigned char>(page[i + 1]) : 0;
        const auto third = i + 2 < page.size() ? static_cast<unsigned char>(page[i + 2]) : 0;
        if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) return i;
        if (byte == 0xe2 && next == 0x80 && third >= 0xaa && third <= 0xae) return i;
        if (byte == 0xe2 && next == 0x81 && third >= 0xa6 && third <= 0xa9) return i;
    }
    return std::string::npos;
}

TEST(HostileText, ControlAndBidirectionalCharactersShowAsCodesOnEveryPage) {
    TempTree tree;
    const std::string sample =
        slurp(std::filesystem::path(BRELK_SOURCE_DIR) / "examples/explore/checkout/01-reference.yaml");
    std::string hostile = sample;
    const std::string name = "serviceContractId: checkout-assistant";
    hostile.replace(hostile.find(name), name.size(), R"(serviceContractId: "Re\u202Eecnef\e[2J\0\x85\u2066")");
    tree.write("runs/checkout/a.yaml", hostile);
    tree.write("verdicts/s/a.xml",
               "<verdict-record xmlns=\"https://brelk.io/verdict/1.0\">\n"
               "<identity use-case-id=\"quote&#x202E;etouq&#x7F;&#x85;\"/>\n"
               "<per-criterion><criterion id=\"c&#x2069;\" verdict=\"PASS\" pass=\"1\" total=\"1\" "
               "observed-rate=\"1\"/></per-criterion>\n</verdict-record>\n");

    const std::string explore = page_of(tree, {"explore", "runs"});
    EXPECT_EQ(first_raw_control(explore), std::string::npos);
    EXPECT_TRUE(has(explore, R"(Re\u{202e}ecnef\u{1b}[2J\u{0}\u{85}\u{2066})"));

    const std::string verdict = page_of(tree, {"verdict", "verdicts"});
    EXPECT_EQ(first_raw_control(verdict), std::string::npos);
    EXPECT_TRUE(has(verdict, R"(<h1>Brelk Verdict: quote\u{202e}etouq\u{7f}\u{85}</h1>)"));
    EXPECT_TRUE(has(verdict, R"(<td>c\u{2069})"));
}

// Stated NaN, infinities and negative zero never become coordinates, widths
// or labels; the figures table still states them as written.
TEST(HostileText, NonFiniteAndNegativeZeroNumbersStayOutOfTheDrawing) {
    TempTree tree;
    const std::string head = "schemaVersion: brelk-explore-1\nserviceContractId: s\nexecution: {samplesExecuted: 10}\n";
    tree.write("runs/s/a.yaml", head + "configuration: odd\nstatistics: {observed: -0.0, successes: 0, failures: 10}\n"
                                       "latency: {p50Ms: .nan, p95Ms: .inf, p99Ms: -.inf, "
                                       "sortedPassingLatenciesMs: [100, 200]}\n");
    tree.write("runs/s/b.yaml", head + "configuration: zero\nstatistics: {observed: 0.5, successes: 5, failures: 5}\n"
                                       "latency: {p50Ms: -0.0, p95Ms: -0.3, sortedPassingLatenciesMs: [0, 5]}\n");
    const std::string page = page_of(tree, {"explore", "runs"});
    for (const std::string bad : {"=\"NaN\"", "=\"inf\"", "=\"-inf\"", "width:-", "=\"-0", "-0ms", "NaNms</text>",
                                  "infms</text>", "nan", "-0.0"}) {
        EXPECT_FALSE(has(page, bad)) << bad;
    }
    EXPECT_TRUE(has(page, R"(<td class="latency">NaNms</td><td class="latency">infms</td><td class="latency">-infms</td>)"));
    EXPECT_TRUE(has(page, R"(<text class="tip" x="8.0" y="9" text-anchor="start">p50 · 0ms</text>)"));
    EXPECT_TRUE(has(page, R"(<text class="tip" x="8.0" y="9" text-anchor="start">p95 · 0ms</text>)"));
}

// Distinct input keys that read alike in an anchor still get a row each to land on.
TEST(HostileText, InputKeysThatShareAnAnchorGetOneEach) {
    TempTree tree;
    std::string rows;
    for (const std::string key : {"a b", "a-b", "a/b"}) {
        rows += "<row input-index=\"" + key + "\" check=\"has total\" optional=\"false\" passed=\"1\" failed=\"0\" "
                "skipped=\"0\" observed-fraction=\"1\" provenance=\"input\"/>\n";
    }
    tree.write("runs/s/a.xml", "<verdict-record xmlns=\"https://brelk.io/verdict/1.0\">\n"
                               "<identity use-case-id=\"quote\"/>\n<per-criterion><criterion id=\"c\" verdict=\"PASS\" "
                               "pass=\"1\" total=\"1\" observed-rate=\"1\"/></per-criterion>\n"
                               "<postcondition-standings><criterion name=\"c\">\n" + rows +
                               "</criterion></postcondition-standings>\n</verdict-record>\n");
    const std::string page = page_of(tree, {"verdict", "runs"});
    EXPECT_TRUE(in_order(page, {R"(id="input-a-b"><summary><span class="pc-label"><b>a b</b>)",
                                R"(id="input-a-b-2"><summary><span class="pc-label"><b>a-b</b>)",
                                R"(id="input-a-b-3"><summary><span class="pc-label"><b>a/b</b>)"}));
    EXPECT_EQ(occurrences(page, "id=\"input-a-b\""), 1u);
}

}  // namespace
}  // namespace brelk::testing
