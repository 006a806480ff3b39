#pragma once
// Runs one parsed request: calls the report's generator, reports what was
// skipped, and writes the page.
#include "main/command_line.hpp"

namespace brelk {

// Writes the page to `out_fd` (when no output path is given) and diagnostics
// to `err_fd`; returns the exit status.
int run_report(const Options& options, int out_fd, int err_fd);

// The whole program: parse, then run.
int run_brelk(std::span<const std::string> args, int out_fd, int err_fd);

}  // namespace brelk
