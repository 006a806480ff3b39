#include "main/driver.hpp"

#include <fmt/format.h>

#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "artefact/diagnostic_text.hpp"
#include "artefact/ordered_pool.hpp"
#include "main/output_file.hpp"

namespace brelk {

namespace {

std::string describe_failure(const CouldNotCreate& failure, std::string_view) {
    return fmt::format("could not create {}: {}\n", diagnostic_text(failure.directory.native()),
                       describe(failure.error));
}

std::string describe_failure(const CouldNotWrite& failure, std::string_view output) {
    return fmt::format("could not write {}: {}\n", diagnostic_text(output), describe(failure.error));
}

std::string describe_failure(const OutputResult& result, std::string_view output) {
    if (auto* create = std::get_if<CouldNotCreate>(&result)) return describe_failure(*create, output);
    if (auto* write = std::get_if<CouldNotWrite>(&result)) return describe_failure(*write, output);
    return {};
}

// Streams the page into the file; false when memory ran out on the way.
bool render_into(OutputFile& file, const ReportOutput& report) {
    try {
        PageBuffer page([&file](std::string_view chunk) { write_chunk(file, chunk); });
        report.render(page);
        page.flush();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

// Frees what the page was drawn from on a thread of its own, so that the
// freeing overlaps the wait for the disk to take the page. Where no thread
// can be started, it is freed here.
std::jthread release_in_background(std::function<void(PageBuffer&)> render) {
    try {
        return std::jthread([held = std::move(render)]() mutable { held = nullptr; });
    } catch (const std::system_error&) {
        return {};
    }
}

// The generator, with running out of memory turned into a value: the page is
// then never written and the old report stays.
std::variant<Generated, std::bad_alloc> generate(const ReportCommand& command, const Options& options) {
    try {
        return command.generate(std::filesystem::path(options.dir), options.hide_scores, hardware_workers());
    } catch (const std::bad_alloc& error) {
        return error;
    } catch (const std::length_error&) {
        return std::bad_alloc();
    }
}

}  // namespace

// Every line of standard error shows paths and stated texts through
// diagnostic_text, so a file name or a stated value can neither forge a line
// nor reach the terminal as a control sequence.
int run_report(const Options& options, int out_fd, int err_fd) {
    const ReportCommand& command = *options.command;
    auto attempt = generate(command, options);
    if (std::holds_alternative<std::bad_alloc>(attempt)) {
        write_all(err_fd, fmt::format("out of memory while rendering {}\n", diagnostic_text(options.dir)));
        return 1;
    }
    Generated& generated = std::get<Generated>(attempt);
    if (auto* error = std::get_if<OsError>(&generated)) {
        write_all(err_fd, fmt::format("could not read {}: {}\n", diagnostic_text(options.dir), describe(*error)));
        return 1;
    }
    ReportOutput& report = std::get<ReportOutput>(generated);

    std::string diagnostics;
    for (const auto& skipped : report.skipped) {
        fmt::format_to(std::back_inserter(diagnostics), "skipped {}\n", diagnostic_text(display(skipped)));
    }
    for (const auto& notice : report.notices) {
        fmt::format_to(std::back_inserter(diagnostics), "{}\n", diagnostic_text(notice));
    }
    write_all(err_fd, diagnostics);

    if (report.count == 0) {
        write_all(err_fd, fmt::format("nothing renderable beneath {} — expected {} {} documents\n",
                                        diagnostic_text(options.dir), command.pattern, command.kind));
        return 1;
    }
    // Standard output gets the page only once it is whole, like a file.
    OpenedOutput opened = options.output ? open_output(std::filesystem::path(*options.output)) : open_relay(out_fd);
    if (auto* created = std::get_if<CouldNotCreate>(&opened)) {
        write_all(err_fd, describe_failure(*created, *options.output));
        return 1;
    }
    if (auto* failed = std::get_if<CouldNotWrite>(&opened)) {
        if (options.output) write_all(err_fd, describe_failure(*failed, *options.output));
        return 1;
    }
    OutputFile& file = std::get<OutputFile>(opened);
    if (!render_into(file, report)) {
        discard_output(file);
        write_all(err_fd, fmt::format("out of memory while rendering {}\n", diagnostic_text(options.dir)));
        return 1;
    }
    const std::jthread release = release_in_background(std::move(report.render));
    OutputResult written = finish_output(file);
    if (!options.output) return std::holds_alternative<std::monostate>(written) ? 0 : 1;
    if (!std::holds_alternative<std::monostate>(written)) {
        write_all(err_fd, describe_failure(written, *options.output));
        return 1;
    }
    write_all(err_fd, fmt::format("report over {} {} written to {}\n", report.count, command.noun,
                                  diagnostic_text(*options.output)));
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
