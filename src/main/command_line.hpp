#pragma once
// Parsing the command line into a report request, or into the answer that ends
// the run at once (help, version, a usage error).
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "main/commands.hpp"

namespace brelk {

struct Options {
    const ReportCommand* command = nullptr;
    std::string dir;  // as given, bytes unchanged
    std::optional<std::string> output;
    bool hide_scores = false;
};

// What to print and the exit status, when the command line settles the run by itself.
struct Answer {
    int status = 0;
    std::string out;
    std::string err;
};

std::string_view usage_text();
std::string_view version_text();

// `args` excludes the program name.
std::variant<Options, Answer> parse_command_line(std::span<const std::string> args);

}  // namespace brelk
