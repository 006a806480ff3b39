#include "main/command_line.hpp"

#include <fmt/format.h>

#include "artefact/diagnostic_text.hpp"
#include "html/version.hpp"

namespace brelk {

std::string_view usage_text() {
    return "brelk — renders brelk interchange artefacts as self-contained HTML reports\n"
           "\n"
           "USAGE: brelk <command> <dir> [-o FILE]\n"
           "\n"
           "  explore <dir>    exploration comparison over <dir>/<service>/*.yaml\n"
           "  optimize <dir>   optimization comparison over <dir>/<service>/*.yaml\n"
           "  measure <dir>    measurement (baseline) records over <dir>/<service>/*.yaml\n"
           "  verdict <dir>    test-run verdicts and standings over <dir>/<service>/*.xml\n"
           "    --hide-scores  omit score displays (ranking is unchanged) — for runs\n"
           "                   whose scorer is the observed pass rate\n"
           "\n"
           "  --version        print the brelk version and exit\n"
           "\n"
           "The report is written to stdout unless -o FILE is given.\n"
           "Diagnostics go to stderr; exit is non-zero when nothing was renderable.\n";
}

std::string_view version_text() { return "brelk " BRELK_VERSION "\n"; }

namespace {

Answer usage_error(std::string_view message) {
    return Answer{2, "", fmt::format("{}\n{}", message, usage_text())};
}

}  // namespace

std::variant<Options, Answer> parse_command_line(std::span<const std::string> args) {
    if (args.empty()) return Answer{2, "", std::string(usage_text())};
    const std::string& word = args[0];
    if (word == "-h" || word == "help" || word == "--help") return Answer{0, "", std::string(usage_text())};
    if (word == "-V" || word == "version" || word == "--version") return Answer{0, std::string(version_text()), ""};

    Options options;
    options.command = find_command(word);
    if (options.command == nullptr) {
        return Answer{2, "", fmt::format("unknown command: {}\n\n{}", quoted_literal(word), usage_text())};
    }

    bool have_dir = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--hide-scores" && options.command->accepts_hide_scores) {
            options.hide_scores = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 == args.size()) return usage_error(fmt::format("{} needs a path", arg));
            options.output = args[++i];
        } else if (!have_dir && (arg.empty() || arg.front() != '-')) {
            options.dir = arg;
            have_dir = true;
        } else {
            return usage_error(fmt::format("unexpected argument: {}", quoted_literal(arg)));
        }
    }
    if (!have_dir) return usage_error("missing the artefact directory");
    return options;
}

}  // namespace brelk
