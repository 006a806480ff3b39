#pragma once
// The standings of one criterion as the postcondition renderer reads them,
// whichever artefact format stated them. A row's texts and observed values
// are views: into the record its block holds, or into a verdict run's
// packed standings.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "artefact/records.hpp"

namespace brelk {

enum class Provenance : std::uint8_t { Criterion, Input, Unstated };

struct ExemplarView {
    std::string_view excerpt;
    std::uint64_t count = 0;
    bool held = false;
};

struct StandingsRowView {
    std::string_view input_key;  // from YAML the decimal text of inputIndex; from XML as written
    std::string_view check;
    std::optional<std::string_view> path;
    std::optional<std::string_view> form;
    std::optional<std::string_view> expected;
    std::span<const ExemplarView> observed;
    std::uint64_t passed = 0;
    std::uint64_t failed = 0;
    std::uint64_t skipped = 0;
    double observed_fraction = 0.0;
    std::uint64_t elided = 0;
    // Last, side by side: a record holds tens of thousands of rows.
    Provenance provenance = Provenance::Unstated;
    bool optional = false;
};

// Copies the counts and the optional flag of a row from any record that
// names them as the view does.
template <class Row>
void take_counts(StandingsRowView& view, const Row& row) {
    view.passed = row.passed;
    view.failed = row.failed;
    view.skipped = row.skipped;
    view.observed_fraction = row.observed_fraction;
    view.elided = row.elided;
    view.optional = row.optional;
}

struct CriterionCounts {
    std::uint32_t passed = 0;
    std::uint32_t failed = 0;
};

struct StatedBound {
    double wilson_lower_bound = 0.0;
    std::optional<double> confidence_level;
};

struct StandingsBlockView {
    std::string criterion;
    std::optional<CriterionCounts> counts;
    std::optional<StatedBound> bound;
    std::optional<std::string> optional_slack;
    std::vector<StandingsRowView> rows;
    // What the rows' texts and observed values lie in, where the block keeps
    // them itself; shared by its copies.
    std::shared_ptr<const void> held;

    // Takes the rows' texts over from `block`.
    static StandingsBlockView of_stated(std::string name, StandingsBlock block,
                                        std::optional<CriterionCounts> counts,
                                        std::optional<StatedBound> bound);
};

// The standings of an exploration or optimization result: one block per
// criterion tally that states standings (even without rows), counted by the
// tally's pass and fail, with no bound.
// Takes the standings' texts over from `statistics`.
std::vector<StandingsBlockView> standings_of(Statistics& statistics);

// "criterion" and "input" exactly; any other text, or none, is unstated.
Provenance provenance_of(std::optional<std::string_view> text);

}  // namespace brelk
