// A directory listing that breaks off part way has failed: the run ends as
// when the directory cannot be opened, and the old report stays. The listing
// is broken by a preloaded readdir, so this holds for root too, whom no
// permission keeps from listing a directory.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

namespace fs = std::filesystem;

const std::string old_report = "<p>the report of yesterday</p>\n";

// The sample artefacts of `kind` beneath tree/runs, service by service.
void copy_samples(const TempTree& tree, const std::string& kind) {
    const fs::path samples = fs::path(BRELK_SOURCE_DIR) / "examples" / kind;
    for (const auto& service : fs::directory_iterator(samples)) {
        for (const auto& file : fs::directory_iterator(service.path())) {
            tree.write("runs/" + service.path().filename().string() + "/" + file.path().filename().string(),
                       slurp(file.path()));
        }
    }
}

// What readdir yields for `dir`: its entries, "." and "..".
unsigned long listed_entries(const fs::path& dir) {
    return static_cast<unsigned long>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())) + 2;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// `args` with the listing of `broken` breaking off after `entries` entries.
Run run_with_broken_listing(const TempTree& tree, const std::vector<std::string>& args, const fs::path& broken,
                            unsigned long entries) {
    return run_brelk(args, tree.root(),
                     {{"SOURCE_DATE_EPOCH", "0"},
                      {"LD_PRELOAD", BRELK_FAILING_READDIR},
                      {"BRELK_TEST_BROKEN_LISTING", broken.string()},
                      {"BRELK_TEST_ENTRIES_BEFORE", std::to_string(entries)}});
}

// Breaks the listing of the top directory and of every service directory
// after each possible number of entries: every break fails the run; a
// listing that reaches its end renders every file.
void expect_every_break_fails(const std::string& command, const std::string& written) {
    TempTree tree;
    copy_samples(tree, command);
    tree.write("out/r.html", old_report);
    const std::vector<std::string> args = {command, "runs", "-o", "out/r.html"};
    std::vector<fs::path> listings = {tree.path("runs")};
    for (const auto& service : fs::directory_iterator(tree.path("runs"))) listings.push_back(service.path());

    for (const auto& broken : listings) {
        const unsigned long entries = listed_entries(broken);
        for (unsigned long before = 0; before < entries; ++before) {
            auto run = run_with_broken_listing(tree, args, broken, before);
            const std::string where = broken.string() + " after " + std::to_string(before) + " entries";
            EXPECT_EQ(run.status, 1) << where;
            EXPECT_EQ(run.err, "could not read runs: Input/output error (os error 5)\n") << where;
            EXPECT_TRUE(slurp(tree.path("out/r.html")) == old_report) << where << ": the old report is gone";
            EXPECT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"}) << where;
        }
        auto whole = run_with_broken_listing(tree, args, broken, entries);
        EXPECT_EQ(whole.status, 0) << broken;
        EXPECT_EQ(whole.err, written) << broken;
        tree.write("out/r.html", old_report);
    }
}

TEST(Listing, ABrokenOffExplorationListingFailsTheRun) {
    expect_every_break_fails("explore", "report over 10 configurations written to out/r.html\n");
}

// The verdict walk lists the same way.
TEST(Listing, ABrokenOffVerdictListingFailsTheRun) {
    expect_every_break_fails("verdict", "report over 4 runs written to out/r.html\n");
}

}  // namespace
}  // namespace brelk::testing
