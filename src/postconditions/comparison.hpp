#pragma once
// The comparison of postcondition checks across compared columns
// (configurations, iterations, runs). The model borrows the caller's standings
// views: a CheckView points at rows, it never copies them, so the columns and
// the vectors they span must outlive every Comparison built from them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "artefact/records.hpp"
#include "html/standings.hpp"
#include "html/text.hpp"

namespace brelk {

// One compared unit. Everything but the name is borrowed.
struct Column {
    std::string name;
    std::span<const StandingsBlockView> blocks;
    std::span<const FailureDistributionEntry> failures;
    std::span<const InputPresentation> inputs;
    std::uint64_t ordinal = 0;  // 1-based position; anchors and badges rely on it
    std::uint32_t passed_samples = 0;
    std::uint32_t failed_samples = 0;
};

struct Tally {
    std::uint64_t passed = 0;
    std::uint64_t failed = 0;
    std::uint64_t skipped = 0;

    std::uint64_t total() const;  // saturating
    bool judged() const { return passed != 0 || failed != 0; }
    bool operator==(const Tally&) const = default;
};

struct PathForm {
    std::string_view path;
    std::string_view form;
    std::optional<std::string_view> expected;
    bool operator==(const PathForm&) const = default;
};

struct FormOnly {
    std::string_view form;
    std::optional<std::string_view> expected;
    bool operator==(const FormOnly&) const = default;
};

struct CheckOnly {
    std::string_view check;
    bool operator==(const CheckOnly&) const = default;
};

// What makes two rows the same postcondition check, whatever input or column
// they come from. It borrows the row's texts, as the rest of the model does.
struct CheckId {
    std::variant<PathForm, FormOnly, CheckOnly> kind;

    static CheckId of(const StandingsRowView& row);
    bool operator==(const CheckId&) const = default;
};

// A check as the page names it, shown as a format argument: an HTML fragment,
// escaped ("<code>$.a</code> <b>is</b> <code>x</code>").
struct CheckLabel {
    const CheckId& id;
};

// The same in plain words, escaped for an attribute ("$.a is x").
struct CheckTitle {
    const CheckId& id;
};

inline CheckLabel label_of(const CheckId& id) { return CheckLabel{id}; }
inline CheckTitle title_of(const CheckId& id) { return CheckTitle{id}; }

fmt::appender write_to(fmt::appender out, const CheckLabel& label);
fmt::appender write_to(fmt::appender out, const CheckTitle& title);

struct CheckView {
    CheckId id;
    std::vector<std::vector<const StandingsRowView*>> rows;  // one list per column
    std::vector<Tally> tallies;                              // one per column
};

struct CriterionView {
    std::string name;
    std::vector<CheckView> checks;  // first-seen order
};

struct Comparison {
    std::vector<CriterionView> criteria;  // first-seen order
    std::size_t column_count = 0;
    // Put before every id and link of the rendered sections. A page with one
    // comparison leaves it empty; a page with several gives each later one its
    // own prefix, so that a square of one section never jumps into another.
    std::string anchor_prefix;
    // Whether any criterion holds at least one check, of any provenance. Set
    // by build: tables ask it once per row, and the first criterion with a
    // check may come after thousands without one.
    bool any_check = false;

    static Comparison build(std::span<const Column> columns);
    static std::vector<CheckView> checks_of(std::span<const Column> columns, std::string_view criterion);

    bool has_checks() const { return any_check; }
};

// Each criterion's 0-based position in a comparison, by name (the names are
// distinct there). Borrows the names from the comparison.
using CriterionPositions = std::unordered_map<std::string_view, std::size_t>;

CriterionPositions criterion_positions(const Comparison& comparison);

// The anchor prefix of the page's `section`-th comparison (0-based): none for
// the first, so a page with one comparison keeps the plain ids, then "s2-", "s3-", …
std::string section_anchor_prefix(std::size_t section);

// The provenance of the first row (columns in order, rows in order) that
// states one.
Provenance stated_provenance(const CheckView& check);

// Failing observations of one check in one column, grouped by what was observed.
// Borrows its texts from the rows it was built from.
struct OutcomeClass {
    std::string_view observed;
    std::uint64_t samples = 0;
    std::vector<std::string_view> inputs;  // distinct, in byte order
};

// Largest samples first, equal samples by observed text.
std::vector<OutcomeClass> classes(std::span<const StandingsRowView* const> rows);

// A text shown as one line of at most 140 characters, then "…" when cut;
// escaped, as a format argument.
struct EscapedExcerpt {
    std::string_view text;
};

inline EscapedExcerpt escaped_excerpt(std::string_view text) { return EscapedExcerpt{text}; }

fmt::appender write_to(fmt::appender out, const EscapedExcerpt& excerpt);

// The first block of the column stating the criterion, if any.
const StandingsBlockView* block_for(const Column& column, std::string_view criterion);

}  // namespace brelk

template <>
struct fmt::formatter<brelk::CheckLabel> : brelk::WrittenFormatter<brelk::CheckLabel> {};
template <>
struct fmt::formatter<brelk::CheckTitle> : brelk::WrittenFormatter<brelk::CheckTitle> {};
template <>
struct fmt::formatter<brelk::EscapedExcerpt> : brelk::WrittenFormatter<brelk::EscapedExcerpt> {};
