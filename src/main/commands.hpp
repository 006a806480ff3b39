#pragma once
// The fixed table of report commands.
#include <span>
#include <string_view>

#include "html/report_output.hpp"

namespace brelk {

struct ReportCommand {
    std::string_view word;
    Generator generate;
    std::string_view kind;     // the document kind the report reads
    std::string_view noun;     // what the count counts, always plural
    std::string_view pattern;  // where the documents are expected beneath the directory
    bool accepts_hide_scores;
};

std::span<const ReportCommand> report_commands();

// The row whose word is exactly `word`, or null.
const ReportCommand* find_command(std::string_view word);

}  // namespace brelk
