#pragma once
// One run of a use case: heading, facts, the nothing-delivered notice, the
// criteria table, the failure breakdown and the postcondition sections.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "html/page_buffer.hpp"
#include "verdict/verdict_record.hpp"

namespace brelk::verdict {

// The stated instant of the run, or its use case when it states none (plain text).
std::string run_label(const VerdictRun& run);

// Samples, intent and termination badge (HTML), each only when stated.
std::vector<std::string> run_facts(const VerdictRun& run);

// The number of undelivered samples when every recorded failure is one of
// delivery and the run states no success; nothing otherwise.
std::optional<std::uint64_t> nothing_delivered(const VerdictRun& run);

// `headed`: the use case has several runs, so each gets a heading of its own.
// `section` counts the runs rendered before this one on the page; it keeps the
// anchors of each run's postcondition sections apart.
void append_run(PageBuffer& page, std::size_t section, const VerdictRun& run, bool headed);

}  // namespace brelk::verdict
