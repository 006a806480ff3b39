#pragma once
// A standings row as one line, so a test pins every field in one assertion.
#include <fmt/format.h>

#include <string>

#include "html/standings.hpp"

namespace brelk::testing {

inline std::string row_text(const StandingsRowView& row) {
    static constexpr const char* provenance[] = {"criterion", "input", "unstated"};
    std::string text =
        fmt::format("{} {}{} {}/{}/{} fraction {} {} path {} form {} expected {} elided {}", row.input_key, row.check,
                    row.optional ? " optional" : "", row.passed, row.failed, row.skipped, row.observed_fraction,
                    provenance[static_cast<int>(row.provenance)], row.path.value_or("-"), row.form.value_or("-"),
                    row.expected.value_or("-"), row.elided);
    for (const auto& seen : row.observed) {
        text += fmt::format(" [{} x{}{}]", seen.excerpt, seen.count, seen.held ? " held" : "");
    }
    return text;
}

}  // namespace brelk::testing
