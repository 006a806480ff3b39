#include "verdict/verdict_record.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>
#include <span>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "artefact/discovery.hpp"
#include "artefact/diagnostic_text.hpp"
#include "verdict/number_text.hpp"
#include "verdict/xml_events.hpp"

namespace brelk::verdict {
namespace {

using xml::Attributes;
using xml::StartTag;

std::optional<std::string> copied(std::optional<std::string_view> value) {
    if (!value) return std::nullopt;
    return std::string(*value);
}

std::optional<std::uint64_t> u64_in(std::optional<std::string_view> value) {
    return value ? unsigned_64(*value) : std::nullopt;
}

std::optional<std::string> text_of(const Attributes& attributes, std::string_view name) {
    return copied(attributes[name]);
}

std::optional<std::uint64_t> u64_of(const Attributes& attributes, std::string_view name) {
    return u64_in(attributes[name]);
}

std::optional<std::uint32_t> u32_of(const Attributes& attributes, std::string_view name) {
    auto value = attributes[name];
    return value ? unsigned_32(*value) : std::nullopt;
}

std::string missing(std::string_view item) { return fmt::format("{} is missing", item); }

std::variant<CriterionRow, std::string> criterion_row(const Attributes& criterion) {
    constexpr std::array<std::string_view, 5> required{"id", "verdict", "pass", "total", "observed-rate"};
    std::array<std::string, required.size()> values;
    for (std::size_t i = 0; i < required.size(); ++i) {
        auto value = criterion[required[i]];
        if (!value) return missing(fmt::format("criterion/@{}", required[i]));
        values[i] = *value;
    }
    return CriterionRow{std::move(values[0]), std::move(values[1]), std::move(values[2]),
                        std::move(values[3]), std::move(values[4]), text_of(criterion, "threshold")};
}

std::optional<PackedStandings::Exemplar> exemplar(const Attributes& observed, StandingsDraft& standings) {
    const auto [excerpt, stated_count, held] =
        observed.pick(std::array<std::string_view, 3>{"excerpt", "count", "held"});
    const auto count = u64_in(stated_count);
    if (!excerpt || !count || !held) return std::nullopt;
    return PackedStandings::Exemplar{standings.keep(*excerpt), *count, *held == "true"};
}

// The position the next element of `items` takes: std::bad_alloc past what
// 32 bits reach, which no record of at most 1 GiB comes near.
template <class Items>
std::uint32_t next_index(const Items& items) {
    if (items.size() >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    return static_cast<std::uint32_t>(items.size());
}

PackedStandings::Text kept(StandingsDraft& standings, std::optional<std::string_view> value,
                           PackedStandings::Text earlier = PackedStandings::unstated) {
    return value ? standings.keep(*value, earlier) : PackedStandings::unstated;
}

// A row missing a required attribute, or stating one that does not read, is
// malformed, and nothing of it is kept. Its observed values are added as
// their elements come.
std::optional<PackedStandings::Row> standings_row(const Attributes& row, StandingsDraft& standings) {
    enum : std::size_t { input_index, check, optional, passed, failed, skipped, fraction, provenance, path, form,
                         expected, elided, count };
    const auto values = row.pick(std::array<std::string_view, count>{
        "input-index", "check", "optional", "passed", "failed", "skipped", "observed-fraction", "provenance", "path",
        "form", "expected", "elided"});
    const auto& stated_optional = values[optional];
    if (!values[input_index] || !values[check] || !stated_optional ||
        (*stated_optional != "true" && *stated_optional != "false")) {
        return std::nullopt;
    }
    const auto passed_count = u64_in(values[passed]);
    const auto failed_count = u64_in(values[failed]);
    const auto skipped_count = u64_in(values[skipped]);
    const auto stated_fraction = values[fraction] ? floating(*values[fraction]) : std::nullopt;
    if (!passed_count || !failed_count || !skipped_count || !stated_fraction) return std::nullopt;

    // The row before, when it is of the same block, most likely states the same check.
    static constexpr PackedStandings::Row none{};
    const auto& earlier = standings.blocks.back().row_count > 0 ? standings.rows.back() : none;
    PackedStandings::Row packed;
    packed.input_key = standings.keep(*values[input_index]);
    packed.check = standings.keep(*values[check], earlier.check);
    packed.path = kept(standings, values[path], earlier.path);
    packed.form = kept(standings, values[form], earlier.form);
    packed.expected = kept(standings, values[expected], earlier.expected);
    packed.first_exemplar = next_index(standings.exemplars);
    packed.passed = *passed_count;
    packed.failed = *failed_count;
    packed.skipped = *skipped_count;
    packed.observed_fraction = *stated_fraction;
    packed.elided = u64_in(values[elided]).value_or(0);
    packed.provenance = provenance_of(values[provenance]);
    packed.optional = *stated_optional == "true";
    return packed;
}

std::optional<CriterionCounts> stated_counts(const CriterionRow& row) {
    auto pass = unsigned_32(row.pass);
    auto total = unsigned_32(row.total);
    if (!pass || !total) return std::nullopt;
    return CriterionCounts{*pass, *pass > *total ? 0 : *total - *pass};
}

// Gives each block the counts of its criterion and puts the blocks in the
// order of the criteria; blocks of criteria the run does not list come last.
void in_criterion_order(StandingsDraft& standings, const std::vector<CriterionRow>& criteria) {
    // The position of each id's first row, found once: a record may list
    // tens of thousands of criteria and as many blocks.
    std::unordered_map<std::string_view, std::size_t> first_row;
    first_row.reserve(criteria.size());
    for (std::size_t i = 0; i < criteria.size(); ++i) first_row.try_emplace(criteria[i].id, i);
    auto& blocks = standings.blocks;
    std::vector<std::size_t> position(blocks.size(), criteria.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto row = first_row.find(standings.view().text(blocks[i].criterion));
        if (row == first_row.end()) continue;
        position[i] = row->second;
        blocks[i].counts = stated_counts(criteria[row->second]);
    }
    std::vector<std::size_t> order(blocks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return position[a] < position[b]; });
    std::vector<PackedStandings::Block> ordered;
    ordered.reserve(blocks.size());
    for (std::size_t i : order) ordered.push_back(blocks[i]);
    blocks = std::move(ordered);
}

// What an open element is to the record; its children are read by it.
enum class Role : std::uint8_t {
    Root,               // the verdict-record element
    PerCriterion,       // the first per-criterion
    Standings,          // the first postcondition-standings
    StandingsCriterion, // a named criterion of the standings
    Row,                // a well-formed standings row
    Functional,         // the first functional
    Distribution,       // its first failure-distribution
    Other,              // nothing below it is read
};

// The record as its elements come: what the run needs is kept, the rest of
// the document is passed over. Elements of the vocabulary are looked up among
// the direct children of their parent, the first one in the verdict namespace
// counting; repeated elements are taken in any namespace.
struct Distiller {
    std::string_view path;
    std::vector<Role> open;           // the read elements still open, innermost last
    std::size_t passed_over = 0;      // elements open inside an Other one
    std::optional<std::string> root;  // the root's local name, once seen
    bool in_vocabulary = false;       // the root is a verdict record
    bool identity_seen = false, execution_seen = false, per_criterion_seen = false, standings_seen = false,
         functional_seen = false, termination_seen = false, composite_seen = false, distribution_seen = false;
    std::optional<std::string> use_case_id;
    std::optional<std::string> criterion_failure;  // the first incomplete criterion's message
    VerdictRun run;
    StandingsDraft standings;
    std::vector<std::string> notices;

    // The first child of its name in the vocabulary: `seen` says whether it came before.
    static bool first(const StartTag& tag, std::string_view name, bool& seen) {
        if (seen || tag.local_name != name || tag.namespace_name != verdict_namespace) return false;
        seen = true;
        return true;
    }

    Role root_element(const StartTag& tag) {
        root = std::string(tag.local_name);
        in_vocabulary = tag.local_name == "verdict-record" && tag.namespace_name == verdict_namespace;
        if (!in_vocabulary) return Role::Other;
        run.timestamp = text_of(tag.attributes, "timestamp");
        return Role::Root;
    }

    Role child_of_root(const StartTag& tag) {
        const Attributes& attributes = tag.attributes;
        if (first(tag, "identity", identity_seen)) {
            use_case_id = text_of(attributes, "use-case-id");
        } else if (first(tag, "execution", execution_seen)) {
            run.samples_executed = text_of(attributes, "samples-executed");
            run.intent = text_of(attributes, "intent");
        } else if (first(tag, "per-criterion", per_criterion_seen)) {
            return Role::PerCriterion;
        } else if (first(tag, "postcondition-standings", standings_seen)) {
            return Role::Standings;
        } else if (first(tag, "functional", functional_seen)) {
            run.successes = u64_of(attributes, "successes");
            return Role::Functional;
        } else if (first(tag, "termination", termination_seen)) {
            run.termination_reason = text_of(attributes, "reason");
        }
        return Role::Other;
    }

    Role child_of_per_criterion(const StartTag& tag) {
        if (tag.local_name == "criterion") {
            // Past an incomplete criterion the document is skipped whatever follows.
            if (criterion_failure) return Role::Other;
            auto row = criterion_row(tag.attributes);
            if (auto* message = std::get_if<std::string>(&row)) {
                criterion_failure = std::move(*message);
            } else {
                run.criteria.push_back(std::move(std::get<CriterionRow>(row)));
            }
        } else if (first(tag, "composite", composite_seen)) {
            run.composite_verdict = text_of(tag.attributes, "value");
        }
        return Role::Other;
    }

    Role child_of_standings(const StartTag& tag) {
        if (tag.local_name != "criterion") return Role::Other;
        auto name = tag.attributes["name"];
        if (!name) {
            notices.push_back(fmt::format("ignoring an unnamed standings criterion in {}", path));
            return Role::Other;
        }
        PackedStandings::Block block;
        block.criterion = standings.keep(*name);
        block.optional_slack = kept(standings, tag.attributes["optional-slack"]);
        block.first_row = next_index(standings.rows);
        standings.blocks.push_back(block);
        return Role::StandingsCriterion;
    }

    Role child_of_standings_criterion(const StartTag& tag) {
        if (tag.local_name != "row") return Role::Other;
        if (auto row = standings_row(tag.attributes, standings)) {
            standings.rows.push_back(*row);
            ++standings.blocks.back().row_count;
            return Role::Row;
        }
        notices.push_back(fmt::format("ignoring a malformed standings row for {} in {}",
                                      quoted_literal(standings.view().text(standings.blocks.back().criterion)), path));
        return Role::Other;
    }

    Role child_of_row(const StartTag& tag) {
        if (tag.local_name != "observed") return Role::Other;
        if (auto valid = exemplar(tag.attributes, standings)) {
            next_index(standings.exemplars);
            standings.exemplars.push_back(*valid);
            ++standings.rows.back().exemplar_count;
        }
        return Role::Other;
    }

    Role child_of_distribution(const StartTag& tag) {
        if (tag.local_name != "check") return Role::Other;
        auto name = tag.attributes["name"];
        auto count = u32_of(tag.attributes, "count");
        if (!name || !count) return Role::Other;
        FailureDistributionEntry entry;
        entry.condition = *name;
        entry.count = *count;
        entry.kind = text_of(tag.attributes, "kind");
        run.failure_distribution.push_back(std::move(entry));
        return Role::Other;
    }

    Role role_of(const StartTag& tag) {
        if (!root) return root_element(tag);
        switch (open.back()) {
            case Role::Root: return child_of_root(tag);
            case Role::PerCriterion: return child_of_per_criterion(tag);
            case Role::Standings: return child_of_standings(tag);
            case Role::StandingsCriterion: return child_of_standings_criterion(tag);
            case Role::Row: return child_of_row(tag);
            case Role::Functional:
                return first(tag, "failure-distribution", distribution_seen) ? Role::Distribution : Role::Other;
            case Role::Distribution: return child_of_distribution(tag);
            case Role::Other: break;
        }
        return Role::Other;
    }

    void start(const StartTag& tag) {
        // However deep a document nests what is not read, it costs a count.
        if (passed_over > 0 || (!open.empty() && open.back() == Role::Other)) {
            ++passed_over;
            return;
        }
        open.push_back(role_of(tag));
    }

    void end() {
        if (passed_over > 0) {
            --passed_over;
            return;
        }
        open.pop_back();
    }

    // The run, once the whole text was read as XML.
    std::variant<VerdictRun, SkipReason> result(std::vector<std::string>& notices_out) {
        if (!in_vocabulary) return SchemaMismatch{root.value_or("")};
        if (!use_case_id) return InvalidDocument{missing("identity/@use-case-id")};
        if (!per_criterion_seen) return InvalidDocument{missing("per-criterion")};
        if (criterion_failure) return InvalidDocument{std::move(*criterion_failure)};
        run.use_case_id = std::move(*use_case_id);
        in_criterion_order(standings, run.criteria);
        run.draft = std::make_unique<const StandingsDraft>(std::move(standings));
        run.standings = run.draft->view();
        for (auto& notice : notices) notices_out.push_back(std::move(notice));
        return std::move(run);
    }
};

// What one file gives: its run or why it is skipped, and the notices its
// standings gave on the way.
struct FileRun {
    std::variant<VerdictRun, SkippedArtefact> run;
    std::vector<std::string> notices;
};

// Moves the run's standings from its draft into the arena that `arena_mutex`
// guards, and lets the draft go. Only taking the room is done under the lock:
// filling it faults in what it takes of a fresh block, and a worker that
// finishes a file meanwhile must not wait for the system to clear pages.
void settle(VerdictRun& run, RecordArena& arena, std::mutex& arena_mutex) {
    if (!run.draft) return;
    const std::size_t bytes = settled_size(*run.draft);
    std::span<char> room;
    {
        std::lock_guard lock(arena_mutex);
        room = arena.room(bytes);
    }
    run.standings = settled(*run.draft, room);
    run.draft.reset();
}

// `keep(run)` is given the run as soon as it is read, while it is still in
// this thread's cache.
template <class Keep>
FileRun read_record(const std::string& file, Keep keep) {
    const std::string path = display_path(file);
    FileRun read;
    auto skip = [&](SkipReason reason) {
        read.run = SkippedArtefact{std::move(reason), path, std::string(verdict_kind)};
        return std::move(read);
    };
    auto text = read_text_file(file);
    if (auto* unreadable = std::get_if<Unreadable>(&text)) return skip(std::move(*unreadable));
    // One document too big for memory is skipped; the others still render.
    // The notices it gave before memory ran out are kept.
    try {
        auto run = distil(std::get<FileText>(text).view(), path, read.notices);
        if (auto* reason = std::get_if<SkipReason>(&run)) return skip(std::move(*reason));
        keep(std::get<VerdictRun>(run));
        read.run = std::move(std::get<VerdictRun>(run));
        return read;
    } catch (const std::bad_alloc&) {
        return skip(Unreadable{describe(OsError{ENOMEM})});
    }
}

}  // namespace

std::variant<VerdictRun, SkipReason> distil(std::string_view text, std::string_view path,
                                            std::vector<std::string>& notices) {
    Distiller distiller;
    distiller.path = path;
    const xml::ElementEvents events{
        &distiller, [](void* reader, const StartTag& tag) { static_cast<Distiller*>(reader)->start(tag); },
        [](void* reader) { static_cast<Distiller*>(reader)->end(); }};
    if (auto error = xml::parse(text, events)) return InvalidXml{std::move(error->message)};
    return distiller.result(notices);
}

std::variant<CollectedRuns, OsError> collect_verdict_runs(const std::filesystem::path& dir, unsigned workers) {
    auto listed = list_artefact_files(dir, "xml");
    if (auto* error = std::get_if<OsError>(&listed)) return *error;
    const auto& files = std::get<std::vector<std::string>>(listed);
    CollectedRuns collected;
    // As for YAML records: room for a run per file, if the address space allows.
    try {
        collected.runs.reserve(files.size());
    } catch (const std::bad_alloc&) {
    }
    // Each run is settled by the worker that read it.
    std::mutex arena_mutex;
    auto settle_run = [&](VerdictRun& run) { settle(run, collected.arena, arena_mutex); };
    map_in_order(
        files.size(), workers, [&](std::size_t i) { return read_record(files[i], settle_run); },
        [&](std::size_t i, FileRun read) {
            for (auto& notice : read.notices) collected.notices.push_back(std::move(notice));
            if (auto* skipped = std::get_if<SkippedArtefact>(&read.run)) {
                collected.skipped.push_back(std::move(*skipped));
                return;
            }
            // Room for one more run that cannot be had skips that file alone.
            try {
                collected.runs.push_back(std::move(std::get<VerdictRun>(read.run)));
            } catch (const std::bad_alloc&) {
                collected.skipped.push_back(SkippedArtefact{Unreadable{describe(OsError{ENOMEM})},
                                                            display_path(files[i]), std::string(verdict_kind)});
            }
        });
    return collected;
}

}  // namespace brelk::verdict
