#include "main/driver.hpp"

#include <fmt/format.h>

#include "artefact/diagnostic_text.hpp"
#include "main/output_file.hpp"

namespace brelk {

namespace {


std::string describe_failure(const OutputResult& result, std::string_view output) {
    if (auto* create = std::get_if<CouldNotCreate>(&result)) {
        return fmt::format("could not create {}: {}\n", display_text(create->directory.native()),
                           describe(create->error));
    }
    if (auto* write = std::get_if<CouldNotWrite>(&result)) {
        return fmt::format("could not write {}: {}\n", display_text(output), describe(write->error));
    }
    return {};
}

}  // namespace

int run_report(const Options& options, int out_fd, int err_fd) {
    const ReportCommand& command = *options.command;
    Generated generated = command.generate(std::filesystem::path(options.dir), options.hide_scores);
    if (auto* error = std::get_if<OsError>(&generated)) {
        write_all(err_fd, fmt::format("could not read {}: {}\n", display_text(options.dir), describe(*error)));
        return 1;
    }
    const ReportOutput& report = std::get<ReportOutput>(generated);

    std::string diagnostics;
    for (const auto& skipped : report.skipped) fmt::format_to(std::back_inserter(diagnostics), "skipped {}\n", display(skipped));
    for (const auto& notice : report.notices) fmt::format_to(std::back_inserter(diagnostics), "{}\n", notice);
    write_all(err_fd, diagnostics);

    if (report.count == 0) {
        write_all(err_fd, fmt::format("nothing renderable beneath {} — expected {} {} documents\n",
                                      display_text(options.dir), command.pattern, command.kind));
        return 1;
    }
    if (!options.output) return write_all(out_fd, report.page) ? 0 : 1;

    OutputResult written = write_output(std::filesystem::path(*options.output), report.page);
    if (!std::holds_alternative<std::monostate>(written)) {
        write_all(err_fd, describe_failure(written, *options.output));
        return 1;
    }
    write_all(err_fd, fmt::format("report over {} {} written to {}\n", report.count, command.noun,
                                  display_text(*options.output)));
    return 0;
}

int run_brelk(std::span<const std::string> args, int out_fd, int err_fd) {
    auto parsed = parse_command_line(args);
    if (auto* answer = std::get_if<Answer>(&parsed)) {
        write_all(out_fd, answer->out);
        write_all(err_fd, answer->err);
        return answer->status;
    }
    return run_report(std::get<Options>(parsed), out_fd, err_fd);
}

}  // namespace brelk
