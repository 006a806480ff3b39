#pragma once
// Hand-made standings for the postcondition tests.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::testing {

inline StandingsRowView row(std::string key, std::string check, std::uint64_t passed, std::uint64_t failed,
                            std::uint64_t skipped = 0, Provenance provenance = Provenance::Unstated) {
    StandingsRowView r;
    r.input_key = std::move(key);
    r.check = std::move(check);
    r.provenance = provenance;
    r.passed = passed;
    r.failed = failed;
    r.skipped = skipped;
    auto judged = passed + failed;
    r.observed_fraction = judged == 0 ? 0.0 : static_cast<double>(passed) / static_cast<double>(judged);
    return r;
}

inline StandingsRowView expects(StandingsRowView r, std::optional<std::string> path, std::string form,
                                std::optional<std::string> expected) {
    r.path = std::move(path);
    r.form = std::move(form);
    r.expected = std::move(expected);
    return r;
}

inline StandingsRowView input_check(std::string key, std::string expected, std::uint64_t passed, std::uint64_t failed,
                                    std::uint64_t skipped = 0) {
    return expects(row(std::move(key), "body contains", passed, failed, skipped, Provenance::Input), "$.body",
                   "contains", std::move(expected));
}

inline StandingsBlockView block(std::string criterion, std::vector<StandingsRowView> rows) {
    StandingsBlockView b;
    b.criterion = std::move(criterion);
    b.rows = std::move(rows);
    return b;
}

// A column over blocks the test owns; failures and inputs are optional.
inline Column column(std::string name, std::uint64_t ordinal, const std::vector<StandingsBlockView>& blocks,
                     std::uint32_t passed = 0, std::uint32_t failed = 0) {
    Column c;
    c.name = std::move(name);
    c.ordinal = ordinal;
    c.blocks = blocks;
    c.passed_samples = passed;
    c.failed_samples = failed;
    return c;
}

// One tally cell as the grids place it.
inline std::string cell(Tally tally) {
    CollectedPage out;
    append_cell(out, tally);
    return out.text();
}

}  // namespace brelk::testing
