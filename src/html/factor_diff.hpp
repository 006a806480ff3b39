#pragma once
// How a configuration's factors differ from the base configuration: a line
// diff, its folded rendering, change chips and a diffed factor list. Artefact
// text is escaped here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "html/result_cells.hpp"

namespace brelk {

enum class DiffKind { Same, Removed, Added };

// One line of a diff: in both texts, only in the old one, or only in the new one.
struct DiffLine {
    DiffKind kind = DiffKind::Same;
    std::string text;

    friend bool operator==(const DiffLine&, const DiffLine&) = default;
};

// A factor set or unset relative to the base; no value means unset.
struct Change {
    std::string name;
    std::optional<std::string> value;
};

// A factor name and its displayed value; the same shape as a base-config line.
using FactorPair = FactorLine;

// The lines that turn `old_text` into `new_text`, by longest common subsequence;
// on equal scores a removal comes before an addition. Memory stays near one bit
// per pair of lines after the common leading lines; texts with more such pairs
// than a diff may spend are shown as removed, then added, past those lines.
std::vector<DiffLine> line_diff(std::string_view old_text, std::string_view new_text);

// "<pre class=\"diff\">" with removed and added lines marked and unchanged
// stretches of five or more lines folded.
std::string diff_pre(std::string_view old_text, std::string_view new_text);

// Count and chips of an entry's changes, long values opening into a diff
// against the base value (or the value itself when the base lacks the factor).
std::string change_chips(const std::vector<Change>& changes, const std::vector<FactorPair>& base_factors);

// Collapsible factor list of an entry; a long value that differs from the base
// opens into its diff. `summary` and `base_name` are plain text.
std::string factor_details_diffed(std::string_view summary, const std::vector<FactorPair>& factors,
                                  const std::vector<FactorPair>& base_factors, std::string_view base_name);

}  // namespace brelk
