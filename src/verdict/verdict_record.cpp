#include "verdict/verdict_record.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <exception>
#include <new>
#include <numeric>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "artefact/discovery.hpp"
#include "artefact/diagnostic_text.hpp"
#include "verdict/number_text.hpp"

namespace brelk::verdict {
namespace {

using xml::Element;

std::optional<std::string> text_of(const Element& node, std::string_view name) {
    auto value = xml::attribute(node, name);
    if (!value) return std::nullopt;
    return std::string(*value);
}

std::optional<std::uint64_t> u64_of(const Element& node, std::string_view name) {
    auto value = xml::attribute(node, name);
    return value ? unsigned_64(*value) : std::nullopt;
}

std::optional<std::uint32_t> u32_of(const Element& node, std::string_view name) {
    auto value = xml::attribute(node, name);
    return value ? unsigned_32(*value) : std::nullopt;
}

std::optional<double> float_of(const Element& node, std::string_view name) {
    auto value = xml::attribute(node, name);
    return value ? floating(*value) : std::nullopt;
}

std::string missing(std::string_view item) { return fmt::format("{} is missing", item); }

std::variant<CriterionRow, std::string> criterion_row(const Element& criterion) {
    constexpr std::array<std::string_view, 5> required{"id", "verdict", "pass", "total", "observed-rate"};
    std::array<std::string, required.size()> values;
    for (std::size_t i = 0; i < required.size(); ++i) {
        auto value = xml::attribute(criterion, required[i]);
        if (!value) return missing(fmt::format("criterion/@{}", required[i]));
        values[i] = *value;
    }
    return CriterionRow{std::move(values[0]), std::move(values[1]), std::move(values[2]),
                        std::move(values[3]), std::move(values[4]), text_of(criterion, "threshold")};
}

std::optional<ObservedExemplar> exemplar(const Element& observed) {
    auto excerpt = xml::attribute(observed, "excerpt");
    auto count = u64_of(observed, "count");
    auto held = xml::attribute(observed, "held");
    if (!excerpt || !count || !held) return std::nullopt;
    return ObservedExemplar{std::string(*excerpt), *count, *held == "true"};
}

// A row missing a required attribute, or stating one that does not read, is malformed.
std::optional<StandingsRowView> standings_row(const Element& row) {
    auto input_key = xml::attribute(row, "input-index");
    auto check = xml::attribute(row, "check");
    auto optional = xml::attribute(row, "optional");
    if (!input_key || !check || !optional || (*optional != "true" && *optional != "false")) return std::nullopt;
    auto passed = u64_of(row, "passed");
    auto failed = u64_of(row, "failed");
    auto skipped = u64_of(row, "skipped");
    auto fraction = float_of(row, "observed-fraction");
    if (!passed || !failed || !skipped || !fraction) return std::nullopt;

    StandingsRowView view;
    view.input_key = *input_key;
    view.check = *check;
    view.optional = *optional == "true";
    view.passed = *passed;
    view.failed = *failed;
    view.skipped = *skipped;
    view.observed_fraction = *fraction;
    view.provenance = provenance_of(text_of(row, "provenance"));
    view.path = text_of(row, "path");
    view.form = text_of(row, "form");
    view.expected = text_of(row, "expected");
    view.elided = u64_of(row, "elided").value_or(0);
    for (const Element* observed : xml::children_named(row, "observed")) {
        if (auto valid = exemplar(*observed)) view.observed.push_back(std::move(*valid));
    }
    return view;
}

std::vector<StandingsBlockView> standings_blocks(const Element& section, std::string_view path,
                                                 std::vector<std::string>& notices) {
    std::vector<StandingsBlockView> blocks;
    for (const Element* criterion : xml::children_named(section, "criterion")) {
        auto name = xml::attribute(*criterion, "name");
        if (!name) {
            notices.push_back(fmt::format("ignoring an unnamed standings criterion in {}", path));
            continue;
        }
        StandingsBlockView block;
        block.criterion = *name;
        for (const Element* row : xml::children_named(*criterion, "row")) {
            auto view = standings_row(*row);
            if (!view) {
                notices.push_back(
                    fmt::format("ignoring a malformed standings row for {} in {}", quoted_literal(*name), path));
                continue;
            }
            block.rows.push_back(std::move(*view));
        }
        block.optional_slack = text_of(*criterion, "optional-slack");
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::optional<CriterionCounts> stated_counts(const CriterionRow& row) {
    auto pass = unsigned_32(row.pass);
    auto total = unsigned_32(row.total);
    if (!pass || !total) return std::nullopt;
    return CriterionCounts{*pass, *pass > *total ? 0 : *total - *pass};
}

// Gives each block the counts of its criterion and puts the blocks in the
// order of the criteria; blocks of criteria the run does not list come last.
std::vector<StandingsBlockView> in_criterion_order(std::vector<StandingsBlockView> blocks,
                                                   const std::vector<CriterionRow>& criteria) {
    // The position of each id's first row, found once: a record may list
    // tens of thousands of criteria and as many blocks.
    std::unordered_map<std::string_view, std::size_t> first_row;
    first_row.reserve(criteria.size());
    for (std::size_t i = 0; i < criteria.size(); ++i) first_row.try_emplace(criteria[i].id, i);
    std::vector<std::size_t> position(blocks.size(), criteria.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto row = first_row.find(blocks[i].criterion);
        if (row == first_row.end()) continue;
        position[i] = row->second;
        blocks[i].counts = stated_counts(criteria[row->second]);
    }
    std::vector<std::size_t> order(blocks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return position[a] < position[b]; });
    std::vector<StandingsBlockView> ordered;
    ordered.reserve(blocks.size());
    for (std::size_t i : order) ordered.push_back(std::move(blocks[i]));
    return ordered;
}

std::vector<FailureDistributionEntry> failure_distribution(const Element& functional) {
    std::vector<FailureDistributionEntry> entries;
    const Element* distribution = element(functional, "failure-distribution");
    if (distribution == nullptr) return entries;
    for (const Element* check : xml::children_named(*distribution, "check")) {
        auto name = xml::attribute(*check, "name");
        auto count = u32_of(*check, "count");
        if (!name || !count) continue;
        FailureDistributionEntry entry;
        entry.condition = *name;
        entry.count = *count;
        entry.kind = text_of(*check, "kind");
        entries.push_back(std::move(entry));
    }
    return entries;
}

// What one file gives: its run or why it is skipped, and the notices its
// standings gave on the way.
struct FileRun {
    std::variant<VerdictRun, SkippedArtefact> run;
    std::vector<std::string> notices;
};

std::variant<VerdictRun, SkipReason> read_document(const std::string& text, const std::string& path,
                                                   std::vector<std::string>& notices) {
    auto document = xml::parse(text);
    if (auto* error = std::get_if<xml::ParseError>(&document)) return InvalidXml{std::move(error->message)};
    const Element& root = std::get<xml::Document>(document).root();
    if (root.local_name != "verdict-record" || root.namespace_name != verdict_namespace) {
        return SchemaMismatch{std::string(root.local_name)};
    }
    auto run = distil(root, path, notices);
    if (auto* message = std::get_if<std::string>(&run)) return InvalidDocument{std::move(*message)};
    return std::move(std::get<VerdictRun>(run));
}

FileRun read_record(const std::string& file) {
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
        auto run = read_document(std::get<std::string>(text), path, read.notices);
        if (auto* reason = std::get_if<SkipReason>(&run)) return skip(std::move(*reason));
        read.run = std::move(std::get<VerdictRun>(run));
        return read;
    } catch (const std::bad_alloc&) {
        return skip(Unreadable{describe(OsError{ENOMEM})});
    }
}

}  // namespace

const xml::Element* element(const xml::Element& node, std::string_view local_name) {
    for (const Element* child : node.children) {
        if (child->local_name == local_name && child->namespace_name == verdict_namespace) return child;
    }
    return nullptr;
}

std::variant<VerdictRun, std::string> distil(const xml::Element& root, std::string_view path,
                                             std::vector<std::string>& notices) {
    const Element* identity = element(root, "identity");
    auto use_case_id = identity != nullptr ? xml::attribute(*identity, "use-case-id") : std::nullopt;
    if (!use_case_id) return missing("identity/@use-case-id");
    const Element* execution = element(root, "execution");
    const Element* per_criterion = element(root, "per-criterion");
    if (per_criterion == nullptr) return missing("per-criterion");

    VerdictRun run;
    run.use_case_id = *use_case_id;
    for (const Element* criterion : xml::children_named(*per_criterion, "criterion")) {
        auto row = criterion_row(*criterion);
        if (auto* message = std::get_if<std::string>(&row)) return std::move(*message);
        run.criteria.push_back(std::move(std::get<CriterionRow>(row)));
    }
    if (const Element* section = element(root, "postcondition-standings")) {
        run.standings = in_criterion_order(standings_blocks(*section, path, notices), run.criteria);
    }
    if (const Element* functional = element(root, "functional")) {
        run.failure_distribution = failure_distribution(*functional);
        run.successes = u64_of(*functional, "successes");
    }
    run.timestamp = text_of(root, "timestamp");
    if (execution != nullptr) {
        run.samples_executed = text_of(*execution, "samples-executed");
        run.intent = text_of(*execution, "intent");
    }
    if (const Element* termination = element(root, "termination")) {
        run.termination_reason = text_of(*termination, "reason");
    }
    if (const Element* composite = element(*per_criterion, "composite")) {
        run.composite_verdict = text_of(*composite, "value");
    }
    return run;
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
    map_in_order(
        files.size(), workers, [&](std::size_t i) { return read_record(files[i]); },
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
