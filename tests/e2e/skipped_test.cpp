#include <gtest/gtest.h>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']') + "\n"; }

std::string alias_bomb() {
    std::string text = "a: &a [\"x\",\"x\",\"x\",\"x\",\"x\",\"x\",\"x\",\"x\",\"x\",\"x\"]\n";
    const std::string names = "abcdefgh";
    for (std::size_t i = 1; i < names.size(); ++i) {
        text += std::string(1, names[i]) + ": &" + names[i] + " [";
        for (int k = 0; k < 10; ++k) text += std::string(k ? "," : "") + "*" + names[i - 1];
        text += "]\n";
    }
    return text;
}

TEST(Skipped, HostileYamlIsOneLineEachAndTheWalkGoesOn) {
    TempTree tree;
    tree.write("runs/svc/bomb.yaml", alias_bomb());
    tree.write("runs/svc/deep.yaml", nested(200));
    tree.write("runs/svc/dup.yaml", "a: 1\na: 2\n");
    tree.write("runs/svc/empty.yaml", "# only a comment\n");
    tree.write("runs/svc/huge.yaml", "schemaVersion: brelk-explore-1\nserviceContractId: \"" +
                                         std::string(50'000'000, 'x') + "\"\n");
    tree.write("runs/svc/nul.yaml", std::string("schemaVersion: brelk-explore-1\0\n", 32));
    tree.write("runs/svc/ok.yaml",
               "schemaVersion: brelk-explore-1\nserviceContractId: checkout\n"
               "execution: {samplesExecuted: 1}\nstatistics: {observed: 1, successes: 1, failures: 0}\n");
    tree.write("runs/svc/only-dashes.yaml", "---\n");
    tree.write("runs/svc/syntax.yaml", "a: [1, 2\n");
    tree.write("runs/svc/two.yaml", "a: 1\n---\nb: 2\n");
    tree.write("runs/svc/utf8.yaml", "schemaVersion: brelk-explore-1\nserviceContractId: \"\xff\"\n");
    tree.mkdir("runs/svc/folder.yaml");

    auto run = run_brelk({"explore", "runs"}, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "skipped (invalid YAML: repetition limit exceeded): runs/svc/bomb.yaml\n"
              "skipped (invalid YAML at line 1, column 129: recursion limit exceeded): runs/svc/deep.yaml\n"
              "skipped (invalid YAML at line 2, column 1: duplicate key): runs/svc/dup.yaml\n"
              "skipped (invalid YAML: EOF while parsing a value): runs/svc/empty.yaml\n"
              "skipped (unreadable: Is a directory (os error 21)): runs/svc/folder.yaml\n"
              "skipped (invalid brelk-explore-1 document: missing field `execution`): runs/svc/huge.yaml\n"
              "skipped (invalid YAML at line 1, column 31: control characters are not allowed): runs/svc/nul.yaml\n"
              "skipped (not a brelk-explore-1 document): runs/svc/only-dashes.yaml\n"
              "skipped (invalid YAML at line 2, column 1: did not find expected ',' or ']'): runs/svc/syntax.yaml\n"
              "skipped (invalid YAML: deserializing from YAML containing more than one document is not "
              "supported): runs/svc/two.yaml\n"
              "skipped (unreadable: stream did not contain valid UTF-8): runs/svc/utf8.yaml\n");
}

TEST(Skipped, DocumentsThatDoNotFitTheirKind) {
    TempTree tree;
    tree.write("runs/a/explore.yaml", "schemaVersion: brelk-explore-1\nserviceContractId: s\n"
                                      "execution: {samplesExecuted: -1}\n");
    tree.write("runs/a/optimize.yaml", "schemaVersion: brelk-optimize-1\nserviceContractId: s\n"
                                       "objective: maximize\n");
    tree.write("runs/a/measure.yaml", "schemaVersion: brelk-baseline-1\nserviceContractId: s\n");
    tree.write("runs/a/number.yaml", "schemaVersion: 1\n");

    auto explore = run_brelk({"explore", "runs"}, tree.root());
    EXPECT_EQ(explore.status, 1);
    EXPECT_EQ(explore.err,
              "skipped (invalid brelk-explore-1 document: invalid value: integer `-1`, expected u32): "
              "runs/a/explore.yaml\n"
              "skipped (states brelk-baseline-1, not brelk-explore-1): runs/a/measure.yaml\n"
              "skipped (not a brelk-explore-1 document): runs/a/number.yaml\n"
              "skipped (states brelk-optimize-1, not brelk-explore-1): runs/a/optimize.yaml\n"
              "nothing renderable beneath runs — expected <service>/*.yaml brelk-explore-1 documents\n");

    auto optimize = run_brelk({"optimize", "runs"}, tree.root());
    EXPECT_EQ(optimize.status, 1);
    EXPECT_TRUE(has(optimize.err, "skipped (invalid brelk-optimize-1 document: unknown variant `maximize`, expected "
                                  "`MAXIMIZE` or `MINIMIZE`): runs/a/optimize.yaml\n"));
    auto measure = run_brelk({"measure", "runs"}, tree.root());
    EXPECT_EQ(measure.status, 1);
    EXPECT_TRUE(has(measure.err, "skipped (invalid brelk-baseline-1 document: missing field `serviceName`): "
                                 "runs/a/measure.yaml\n"));
}

// A file name or a stated text is shown with its control and bidirectional
// characters as \u{h}: one file is one line, and nothing reaches the terminal raw.
TEST(Skipped, NamesAndStatedTextsCannotForgeLinesOrControlTheTerminal) {
    TempTree tree;
    const std::string ok = "schemaVersion: brelk-explore-1\nserviceContractId: checkout\n"
                           "execution: {samplesExecuted: 1}\nstatistics: {observed: 1, successes: 1, failures: 0}\n";
    tree.write("runs/svc/a\nskipped (forged): x.yaml", "schemaVersion: brelk-optimize-1\n");
    tree.write("runs/svc/b\x1b[31mred.yaml", "schemaVersion: \"brelk\\nreport over 9 runs written to x\"\n");
    tree.write("runs/svc/c\xe2\x80\xae" "lmth.yaml", "schemaVersion: brelk-explore-1\nserviceContractId: s\n"
                                                   "execution: \"\\e[2J\\u2066\"\n");
    tree.write("runs/svc/d\t\x7f\xc2\x85.yaml", "schemaVersion: \"\\x9b\\u2069\"\n");
    tree.write("runs/svc/e.yaml", ok);
    auto run = run_brelk({"explore", "runs", "-o", "out\x1b]0;title\x07.html"}, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "skipped (states brelk-optimize-1, not brelk-explore-1): runs/svc/a\\u{a}skipped (forged): x.yaml\n"
              "skipped (states brelk\\u{a}report over 9 runs written to x, not brelk-explore-1): "
              "runs/svc/b\\u{1b}[31mred.yaml\n"
              "skipped (invalid brelk-explore-1 document: invalid type: string \"\\u{1b}[2J\\u{2066}\", expected "
              "struct Execution): runs/svc/c\\u{202e}lmth.yaml\n"
              "skipped (states \\u{9b}\\u{2069}, not brelk-explore-1): runs/svc/d\\u{9}\\u{7f}\\u{85}.yaml\n"
              "report over 1 configurations written to out\\u{1b}]0;title\\u{7}.html\n");

    auto unreadable = run_brelk({"verdict", "no\nsuch"}, tree.root());
    EXPECT_EQ(unreadable.err, "could not read no\\u{a}such: No such file or directory (os error 2)\n");
}

// One artefact too big for the memory at hand is skipped; the others render.
TEST(Skipped, AnArtefactThatExhaustsMemoryIsSkippedAlone) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit allows";
#endif
#endif
    TempTree tree;
    std::string big = "schemaVersion: brelk-explore-1\nserviceContractId: x\nextra:\n";
    for (int i = 0; i < 5'000'000; ++i) big += "- 1\n";
    tree.write("runs/a/big.yaml", big);
    tree.write("runs/b/ok.yaml", "schemaVersion: brelk-explore-1\nserviceContractId: checkout\n"
                                 "execution: {samplesExecuted: 1}\nstatistics: {observed: 1, successes: 1, failures: 0}\n");
    Limits limits;
    limits.address_space = 400'000'000;
    auto run = run_brelk({"explore", "runs"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}}, limits);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "skipped (invalid YAML: out of memory): runs/a/big.yaml\n");
    EXPECT_TRUE(has(run.out, "checkout"));
}

}  // namespace
}  // namespace brelk::testing
