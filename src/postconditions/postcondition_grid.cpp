#include "postconditions/postcondition_grid.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <unordered_map>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk {

namespace {

constexpr std::size_t shown_observed_values = 5;

using Rows = std::vector<const StandingsRowView*>;
using Keys = std::vector<std::string_view>;  // distinct, in byte order

struct ClassCell {
    std::uint64_t count = 0;
    Keys inputs;
};

enum class PanelKind { Held, Observed, Unstated, Never };

struct PanelRow {
    PanelKind kind;
    std::string_view observed;                  // what an Observed row obtained
    std::vector<std::optional<ClassCell>> cells;  // per column

    bool any_cell() const {
        return std::any_of(cells.begin(), cells.end(), [](const auto& cell) { return cell.has_value(); });
    }
    std::string_view mark() const {
        if (kind == PanelKind::Held) return "m-pass";
        return kind == PanelKind::Never ? "m-none" : "m-fail";
    }
    std::string_view glyph() const {
        if (kind == PanelKind::Held) return "✓";
        return kind == PanelKind::Never ? "○" : "✗";
    }
};

template <typename Pick>
Keys keys_where(const Rows& rows, Pick pick) {
    Keys keys;
    for (const auto* row : rows) {
        if (pick(*row)) keys.push_back(row->input_key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

std::vector<PanelRow> observed_rows(const CheckView& check, const std::vector<std::vector<OutcomeClass>>& by_column) {
    std::unordered_map<std::string_view, std::uint64_t> sums;
    for (const auto& column_classes : by_column) {
        for (const auto& cls : column_classes) sums[cls.observed] = saturating_add(sums[cls.observed], cls.samples);
    }
    std::vector<std::pair<std::string_view, std::uint64_t>> order(sums.begin(), sums.end());
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) return a.second > b.second;
        return a.first < b.first;
    });
    if (order.size() > shown_observed_values) order.resize(shown_observed_values);

    std::vector<PanelRow> rows;
    for (const auto& [observed, sum] : order) {
        PanelRow row{PanelKind::Observed, observed, std::vector<std::optional<ClassCell>>(check.rows.size())};
        for (std::size_t c = 0; c < by_column.size(); ++c) {
            auto it = std::find_if(by_column[c].begin(), by_column[c].end(),
                                   [observed = observed](const auto& cls) { return cls.observed == observed; });
            if (it == by_column[c].end() || it->samples == 0) continue;
            row.cells[c] = ClassCell{it->samples, it->inputs};
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<PanelRow> panel_rows(const CheckView& check) {
    const auto column_count = check.rows.size();
    std::vector<std::vector<OutcomeClass>> by_column;
    by_column.reserve(column_count);
    for (const auto& rows : check.rows) by_column.push_back(classes(rows));

    PanelRow held{PanelKind::Held, {}, std::vector<std::optional<ClassCell>>(column_count)};
    PanelRow unstated{PanelKind::Unstated, {}, std::vector<std::optional<ClassCell>>(column_count)};
    PanelRow never{PanelKind::Never, {}, std::vector<std::optional<ClassCell>>(column_count)};
    for (std::size_t c = 0; c < column_count; ++c) {
        const auto& tally = check.tallies[c];
        const auto& rows = check.rows[c];
        if (tally.passed > 0) {
            held.cells[c] = ClassCell{tally.passed, keys_where(rows, [](const auto& r) { return r.passed > 0; })};
        }
        // Every class counts here, not only the ones shown as rows.
        std::uint64_t described = 0;
        for (const auto& cls : by_column[c]) described = saturating_add(described, cls.samples);
        if (described < tally.failed) {
            unstated.cells[c] =
                ClassCell{tally.failed - described, keys_where(rows, [](const auto& r) { return r.failed > 0; })};
        }
        if (tally.skipped > 0) {
            never.cells[c] = ClassCell{tally.skipped, keys_where(rows, [](const auto& r) { return r.skipped > 0; })};
        }
    }

    std::vector<PanelRow> result;
    if (held.any_cell()) result.push_back(std::move(held));
    for (auto& row : observed_rows(check, by_column)) result.push_back(std::move(row));
    if (unstated.any_cell()) result.push_back(std::move(unstated));
    if (never.any_cell()) result.push_back(std::move(never));
    return result;
}

void append_row_text(PageBuffer& page, const PanelRow& row) {
    switch (row.kind) {
        case PanelKind::Held: page += "held"; return;
        case PanelKind::Observed:
            fmt::format_to(fmt::appender(page), FMT_COMPILE(R"(obtained <code class="obtained">{}</code>)"),
                           escaped_excerpt(row.observed));
            return;
        case PanelKind::Unstated:
            page += R"(did not hold — <span class="muted">this emitter states no observed value</span>)";
            return;
        case PanelKind::Never: page += R"(never evaluated — <span class="muted">nothing was returned to judge</span>)"; return;
    }
}

void append_where_from(PageBuffer& page, const Keys& inputs, const ExcerptIndex& excerpts) {
    bool first = true;
    for (auto key : inputs) {
        if (!first) page += ", ";
        first = false;
        if (auto stated = excerpts.find(key)) {
            fmt::format_to(fmt::appender(page), FMT_COMPILE("{}"), escaped_excerpt(*stated));
        } else {
            fmt::format_to(fmt::appender(page), FMT_COMPILE("{}"), input_name(key));
        }
    }
}

void append_where(PageBuffer& page, const Keys& inputs, std::size_t all_inputs, const ExcerptIndex& excerpts) {
    // With a single input in the whole check, naming it says more than "every input".
    if (all_inputs >= 2 && inputs.size() == all_inputs) {
        page += "every input";
    } else if (inputs.size() < 3) {
        append_where_from(page, inputs, excerpts);
    } else {
        fmt::format_to(fmt::appender(page), FMT_COMPILE("{} of {} inputs"), inputs.size(), all_inputs);
    }
}

std::size_t distinct_inputs(const CheckView& check) {
    Keys keys;
    for (const auto& rows : check.rows) {
        for (const auto* row : rows) keys.push_back(row->input_key);
    }
    std::sort(keys.begin(), keys.end());
    return static_cast<std::size_t>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

void append_matrix(PageBuffer& page, const CheckView& check, const std::vector<PanelRow>& rows,
                   std::size_t column_count, const ExcerptIndex& excerpts) {
    const auto all_inputs = distinct_inputs(check);
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE("<div class=\"class-grid\" style=\"--pc-columns: {}\">\n"), column_count);
    for (const auto& row : rows) {
        fmt::format_to(out, FMT_COMPILE(R"(<div class="class-row"><span class="pc-label"><span class="{}">{}</span> )"),
                       row.mark(), row.glyph());
        append_row_text(page, row);
        page += "</span>";
        for (const auto& cell : row.cells) {
            if (!cell) {
                page += R"(<span class="pc-cell class-cell"><span class="muted">—</span></span>)";
                continue;
            }
            fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell class-cell"><span class="class-count {}">{}</span><span class="class-where">)"),
                           row.mark(), cell->count);
            append_where(page, cell->inputs, all_inputs, excerpts);
            page += "</span></span>";
        }
        page += "</div>\n";
    }
    page += "</div>\n";
}

// Stated fractions that disagree with the row's own counts, so that a reader
// sees what the artefact claimed beside what it counted.
void append_stated_fractions(PageBuffer& page, const Rows& rows, const Column& column) {
    std::string items;
    for (const auto* row : rows) {
        auto judged = saturating_add(row->passed, row->failed);
        if (judged == 0) continue;
        double counted = static_cast<double>(row->passed) / static_cast<double>(judged);
        if (!(std::fabs(row->observed_fraction - counted) > std::numeric_limits<double>::epsilon())) continue;
        if (!items.empty()) items += " · ";
        fmt::format_to(std::back_inserter(items), FMT_COMPILE("{}: {}"), input_name(row->input_key), fixed(row->observed_fraction, 3));
    }
    if (items.empty()) return;
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<div class="pc-tail"><span class="cfg-badge">{}</span>{} · <div class="pc-tail">stated observed fraction — {}</div></div>)"),
                   column.ordinal, escaped(column.name), items);
}

bool any_optional(const CheckView& check) {
    return std::any_of(check.rows.begin(), check.rows.end(), [](const Rows& rows) {
        return std::any_of(rows.begin(), rows.end(), [](const auto* row) { return row->optional; });
    });
}

std::uint64_t elided_of(const CheckView& check) {
    std::uint64_t sum = 0;
    for (const auto& rows : check.rows) {
        for (const auto* row : rows) sum = saturating_add(sum, row->elided);
    }
    return sum;
}

void append_check_row(PageBuffer& page, std::string_view prefix, const CheckView& check, std::size_t c, std::size_t k,
                      std::span<const Column> columns, const ExcerptIndex& excerpts) {
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE(R"(<details class="pc-row"><summary id="{}pc-{}-{}">)"), prefix, c, k);
    fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-label">{}{}</span>)"), label_of(check.id),
                   any_optional(check) ? R"( <span class="badge optional">optional</span>)" : "");
    for (const auto& tally : check.tallies) append_cell(page, tally);
    page += R"(</summary><div class="pc-panel">)";
    auto rows = panel_rows(check);
    if (!rows.empty()) append_matrix(page, check, rows, columns.size(), excerpts);
    if (auto elided = elided_of(check); elided != 0) {
        fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-tail">{} beyond the stated exemplars</div>)"),
                       count_noun(elided, "further sample"));
    }
    for (std::size_t i = 0; i < columns.size() && i < check.rows.size(); ++i) {
        append_stated_fractions(page, check.rows[i], columns[i]);
    }
    page += "</div></details>\n";
}

}  // namespace

void append_postcondition_grid(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                               std::size_t index, std::span<const Column> columns) {
    append_postcondition_grid(page, comparison, criterion, index, columns, ExcerptIndex::of(columns));
}

void append_postcondition_grid(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                               std::size_t index, std::span<const Column> columns, const ExcerptIndex& excerpts) {
    fmt::format_to(fmt::appender(page), FMT_COMPILE("<div class=\"pc-grid\" style=\"--pc-columns: {}\">\n"), comparison.column_count);
    append_head(page, columns, "Postcondition");
    // Input checks keep their number so that the strips' anchors line up.
    for (std::size_t k = 1; k <= criterion.checks.size(); ++k) {
        const auto& check = criterion.checks[k - 1];
        if (stated_provenance(check) == Provenance::Input) continue;
        append_check_row(page, comparison.anchor_prefix, check, index + 1, k, columns, excerpts);
    }
    page += "</div>\n";
}

}  // namespace brelk
