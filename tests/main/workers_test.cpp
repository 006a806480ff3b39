// Reading and drawing on any number of threads gives the report one thread gives.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>

#include <fmt/format.h>

#include "artefact/skipped.hpp"
#include "main/commands.hpp"
#include "temp_tree.hpp"

namespace brelk {
namespace {

namespace fs = std::filesystem;

// Everything a run reports: the skipped lines, the notices, the count, the page.
std::string report_text(const ReportCommand& command, const fs::path& dir, bool hide_scores, unsigned workers) {
    Generated generated = command.generate(dir, hide_scores, workers);
    if (auto* error = std::get_if<OsError>(&generated)) return "error " + describe(*error);
    const ReportOutput& report = std::get<ReportOutput>(generated);
    std::string text;
    for (const auto& skipped : report.skipped) text += "skipped " + display(skipped) + "\n";
    for (const auto& notice : report.notices) text += notice + "\n";
    text += fmt::format("{} {}\n", report.count, command.noun);
    return text + page_text(report);
}

// Each sample service a dozen times over, under names that sort them apart,
// with a broken file in every third copy: enough sections that the threads
// finish out of order and a page of several windows.
void fill_with_copies(const testing::TempTree& tree, const ReportCommand& command) {
    const fs::path examples = fs::path(BRELK_SOURCE_DIR) / "examples" / std::string(command.word);
    const std::string extension = command.word == "verdict" ? "xml" : "yaml";
    for (const auto& service : fs::directory_iterator(examples)) {
        for (int copy = 0; copy < 12; ++copy) {
            const std::string name = fmt::format("{}-{:02}", service.path().filename().string(), copy);
            fs::copy(service.path(), tree.path(name), fs::copy_options::recursive);
            if (copy % 3 == 0) tree.write(fmt::format("{}/zz-broken.{}", name, extension), "{[<");
        }
    }
}

TEST(Workers, EveryReportIsTheSameWhateverTheNumberOfThreads) {
    // The footer's wall clock could turn to the next minute between two runs.
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    for (const auto& command : report_commands()) {
        testing::TempTree tree;
        fill_with_copies(tree, command);
        for (bool hide_scores : {false, command.word == "optimize"}) {
            const std::string one = report_text(command, tree.root(), hide_scores, 1);
            ASSERT_NE(one.find("</html>"), std::string::npos) << command.word;
            ASSERT_NE(one.find("skipped "), std::string::npos) << command.word;
            for (unsigned workers : {2u, 3u, 8u}) {
                EXPECT_EQ(report_text(command, tree.root(), hide_scores, workers), one)
                    << command.word << " on " << workers << " threads";
            }
        }
    }
}

}  // namespace
}  // namespace brelk
