// The sample artefacts render as well-formed pages: every link inside the page
// lands on exactly one element, and no id is used twice.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

void expect_anchors_sound(const std::string& page, const std::string& what) {
    std::map<std::string, int> ids;
    static const std::regex id_pattern(R"re( id="([^"]*)")re");
    for (std::sregex_iterator it(page.begin(), page.end(), id_pattern), end; it != end; ++it) ++ids[(*it)[1]];
    for (const auto& [id, count] : ids) EXPECT_EQ(count, 1) << what << ": id \"" << id << "\" is used " << count << " times";

    static const std::regex href_pattern(R"re( href="#([^"]*)")re");
    std::set<std::string> missing;
    for (std::sregex_iterator it(page.begin(), page.end(), href_pattern), end; it != end; ++it) {
        if (!ids.count((*it)[1])) missing.insert((*it)[1]);
    }
    for (const auto& target : missing) ADD_FAILURE() << what << ": link to \"#" << target << "\" has no target";
}

TEST(Examples, EverySamplePageRendersWithSoundAnchors) {
    const std::filesystem::path source = BRELK_SOURCE_DIR;
    const std::vector<std::vector<std::string>> commands = {
        {"explore", "examples/explore"},
        {"optimize", "examples/optimize"},
        {"optimize", "examples/optimize", "--hide-scores"},
        {"measure", "examples/measure"},
        {"verdict", "examples/verdict"},
    };
    for (const auto& command : commands) {
        auto run = run_brelk(command, source);
        const std::string what = command[0] + (command.size() > 2 ? " " + command[2] : "");
        EXPECT_EQ(run.status, 0) << what << ": " << run.err;
        EXPECT_EQ(run.out.rfind("<!DOCTYPE html>\n", 0), 0u) << what;
        EXPECT_NE(run.out.find("</html>\n"), std::string::npos) << what;
        // No script, no external resource.
        EXPECT_EQ(run.out.find("<script"), std::string::npos) << what;
        for (std::string external : {"src=", "href=\"http", "url(", "@import"}) {
            EXPECT_EQ(run.out.find(external), std::string::npos) << what << ": " << external;
        }
        expect_anchors_sound(run.out, what);
    }
}

// The optimization page's stepper cells write the exploration page's chips;
// both pages carry the very same chip rules, each followed by its mends.
TEST(Examples, ExplorationAndOptimizationPagesShareTheChipRules) {
    const std::filesystem::path source = BRELK_SOURCE_DIR;
    const auto explore = run_brelk({"explore", "examples/explore"}, source).out;
    const auto optimize = run_brelk({"optimize", "examples/optimize"}, source).out;
    const auto chips = between(explore, ".override-count {",
                               "details.chip-details > summary::-webkit-details-marker { display: none; }");
    ASSERT_FALSE(chips.empty());
    EXPECT_NE(explore.find(".overrides { max-width: 26rem; }" + chips + "\n/* "), std::string::npos);
    EXPECT_NE(optimize.find(".stated-block ol { margin: 0 0 0.25rem 1.5rem; }" + chips + "\n/* "), std::string::npos);
}

}  // namespace
}  // namespace brelk::testing
