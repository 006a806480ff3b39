#include "main/commands.hpp"

#include <array>

#include "explore/explore_report.hpp"
#include "measure/measure_report.hpp"
#include "optimize/optimize_report.hpp"
#include "verdict/verdict_report.hpp"

namespace brelk {

namespace {

constexpr std::array commands{
    ReportCommand{"explore", &explore::ExploreReport::generate, "brelk-explore-1", "configurations",
                  "<service>/*.yaml", false},
    ReportCommand{"optimize", &optimize::OptimizeReport::generate, "brelk-optimize-1", "runs", "<service>/*.yaml",
                  true},
    ReportCommand{"measure", &measure::MeasureReport::generate, "brelk-baseline-1", "records", "<service>/*.yaml",
                  false},
    ReportCommand{"verdict", &verdict::VerdictReport::generate, "verdict-record", "runs", "<service>/*.xml", false},
};

}  // namespace

std::span<const ReportCommand> report_commands() { return commands; }

const ReportCommand* find_command(std::string_view word) {
    for (const auto& command : commands) {
        if (command.word == word) return &command;
    }
    return nullptr;
}

}  // namespace brelk
