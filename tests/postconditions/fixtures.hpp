#pragma once
// Hand-made standings for the postcondition tests.
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk::testing {

// Rows are views: the texts and observed values of hand-made rows are kept
// for the whole test program.
inline std::string_view kept(std::string text) {
    static std::deque<std::string> texts;
    return texts.emplace_back(std::move(text));
}

inline std::optional<std::string_view> kept(std::optional<std::string> text) {
    if (!text) return std::nullopt;
    return kept(std::move(*text));
}

inline std::span<const ExemplarView> observed(const std::vector<ObservedExemplar>& exemplars) {
    static std::deque<std::vector<ExemplarView>> views;
    auto& kept_views = views.emplace_back();
    for (const auto& exemplar : exemplars) {
        kept_views.push_back(ExemplarView{kept(exemplar.excerpt), exemplar.count, exemplar.held});
    }
    return kept_views;
}

inline StandingsRowView row(std::string key, std::string check, std::uint64_t passed, std::uint64_t failed,
                            std::uint64_t skipped = 0, Provenance provenance = Provenance::Unstated) {
    StandingsRowView r;
    r.input_key = kept(std::move(key));
    r.check = kept(std::move(check));
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
    r.path = kept(std::move(path));
    r.form = kept(std::move(form));
    r.expected = kept(std::move(expected));
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
