#pragma once
// Verdict records: the XML documents a test run leaves beneath
// <dir>/<service>/*.xml, read into the runs the verdict report shows.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "artefact/ordered_pool.hpp"
#include "artefact/records.hpp"
#include "html/report_output.hpp"
#include "artefact/skipped.hpp"
#include "html/standings.hpp"
#include "verdict/packed_standings.hpp"
#include "verdict/record_arena.hpp"

namespace brelk::verdict {

// The vocabulary's namespace name: the root check and `element` both use it.
inline constexpr std::string_view verdict_namespace = "https://brelk.io/verdict/1.0";

// The kind every skipped verdict file is reported with.
inline constexpr std::string_view verdict_kind = "verdict-record";

// One criterion of a run, every value the text written.
struct CriterionRow {
    std::string id;
    std::string verdict;
    std::string pass;
    std::string total;
    std::string observed_rate;
    std::optional<std::string> threshold;
};

struct VerdictRun {
    std::string use_case_id;
    std::vector<CriterionRow> criteria;
    PackedStandings standings;  // blocks in the criterion order of `criteria`
    // What `standings` lies in until the run is settled in an arena.
    std::unique_ptr<const StandingsDraft> draft;
    std::vector<FailureDistributionEntry> failure_distribution;
    std::optional<std::uint64_t> successes;
    std::optional<std::string> timestamp;
    std::optional<std::string> samples_executed;  // as written, not a number
    std::optional<std::string> intent;
    std::optional<std::string> termination_reason;
    std::optional<std::string> composite_verdict;
};

// Reads one verdict-record document, element by element, straight into its
// run: or why the file is skipped (not XML, another root, a missing required
// item). Oddities in the standings are dropped with a line appended to
// `notices`, only for a document that gives a run; `path` is the file's
// display path.
std::variant<VerdictRun, SkipReason> distil(std::string_view text, std::string_view path,
                                            std::vector<std::string>& notices);

struct CollectedRuns {
    RecordArena arena;  // where the runs keep their standings
    std::vector<VerdictRun> runs;
    std::vector<SkippedArtefact> skipped;
    std::vector<std::string> notices;
};

// Reads <dir>/<service>/*.xml, `workers` files at a time; runs, skipped
// entries and notices come in walk order whatever the number of workers.
// Every file that cannot be used becomes one skipped entry. A directory that
// cannot be listed fails the whole walk.
std::variant<CollectedRuns, OsError> collect_verdict_runs(const std::filesystem::path& dir,
                                                          unsigned workers = hardware_workers());

}  // namespace brelk::verdict
