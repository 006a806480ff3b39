#include "postconditions/postcondition_grid.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <span>

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
    std::span<const std::string_view> inputs;  // distinct, in byte order
};

enum class PanelKind { Held, Observed, Unstated, Never };

struct PanelRow {
    PanelKind kind;
    std::string_view observed;  // what an Observed row obtained

    std::string_view mark() const {
        if (kind == PanelKind::Held) return "m-pass";
        return kind == PanelKind::Never ? "m-none" : "m-fail";
    }
    std::string_view glyph() const {
        if (kind == PanelKind::Held) return "✓";
        return kind == PanelKind::Never ? "○" : "✗";
    }
};

// The rows of a check's panel, with a cell per row and column; the cells'
// inputs are held by the panel itself, so a check costs a few allocations
// however many rows and columns it shows.
struct Panel {
    std::size_t column_count = 0;
    std::vector<std::vector<OutcomeClass>> by_column;
    std::vector<Keys> picked;  // reserved up front: the cells point into it
    std::vector<PanelRow> rows;
    std::vector<std::optional<ClassCell>> cells;  // rows.size() × column_count, row by row

    std::span<const std::optional<ClassCell>> cells_of(std::size_t row) const {
        return std::span(cells).subspan(row * column_count, column_count);
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

// The observed texts of every column with their summed samples, most first,
// equal sums by text; at most the ones shown.
std::vector<std::pair<std::string_view, std::uint64_t>> shown_observed(const Panel& panel) {
    std::vector<std::pair<std::string_view, std::uint64_t>> sums;
    for (const auto& column_classes : panel.by_column) {
        for (const auto& cls : column_classes) sums.emplace_back(cls.observed, cls.samples);
    }
    std::sort(sums.begin(), sums.end());
    auto kept = sums.begin();
    for (auto it = sums.begin(); it != sums.end(); ++it) {
        if (it != sums.begin() && std::prev(kept)->first == it->first) {
            std::prev(kept)->second = saturating_add(std::prev(kept)->second, it->second);
        } else {
            *kept++ = *it;
        }
    }
    sums.erase(kept, sums.end());
    std::sort(sums.begin(), sums.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) return a.second > b.second;
        return a.first < b.first;
    });
    if (sums.size() > shown_observed_values) sums.resize(shown_observed_values);
    return sums;
}

void add_observed_rows(Panel& panel) {
    for (const auto& [observed, sum] : shown_observed(panel)) {
        panel.rows.push_back(PanelRow{PanelKind::Observed, observed});
        for (const auto& column_classes : panel.by_column) {
            auto it = std::find_if(column_classes.begin(), column_classes.end(),
                                   [observed = observed](const auto& cls) { return cls.observed == observed; });
            if (it == column_classes.end() || it->samples == 0) {
                panel.cells.emplace_back();
            } else {
                panel.cells.emplace_back(ClassCell{it->samples, it->inputs});
            }
        }
    }
}

// Adds a row of `kind` with the cells `cell_of(c)` gives, unless it gives none.
template <typename CellOf>
void add_row(Panel& panel, PanelKind kind, CellOf cell_of) {
    const auto first = panel.cells.size();
    bool any = false;
    for (std::size_t c = 0; c < panel.column_count; ++c) {
        auto cell = cell_of(c);
        any = any || cell.has_value();
        panel.cells.push_back(std::move(cell));
    }
    if (any) {
        panel.rows.push_back(PanelRow{kind, {}});
    } else {
        panel.cells.resize(first);
    }
}

Panel panel_of(const CheckView& check) {
    Panel panel;
    panel.column_count = check.rows.size();
    panel.by_column.reserve(panel.column_count);
    for (const auto& rows : check.rows) panel.by_column.push_back(classes(rows));
    panel.picked.reserve(3 * panel.column_count);
    const auto picked = [&](const Rows& rows, auto pick) -> std::span<const std::string_view> {
        return panel.picked.emplace_back(keys_where(rows, pick));
    };

    add_row(panel, PanelKind::Held, [&](std::size_t c) -> std::optional<ClassCell> {
        if (check.tallies[c].passed == 0) return std::nullopt;
        return ClassCell{check.tallies[c].passed, picked(check.rows[c], [](const auto& r) { return r.passed > 0; })};
    });
    add_observed_rows(panel);
    add_row(panel, PanelKind::Unstated, [&](std::size_t c) -> std::optional<ClassCell> {
        // Every class counts here, not only the ones shown as rows.
        std::uint64_t described = 0;
        for (const auto& cls : panel.by_column[c]) described = saturating_add(described, cls.samples);
        if (described >= check.tallies[c].failed) return std::nullopt;
        return ClassCell{check.tallies[c].failed - described,
                         picked(check.rows[c], [](const auto& r) { return r.failed > 0; })};
    });
    add_row(panel, PanelKind::Never, [&](std::size_t c) -> std::optional<ClassCell> {
        if (check.tallies[c].skipped == 0) return std::nullopt;
        return ClassCell{check.tallies[c].skipped, picked(check.rows[c], [](const auto& r) { return r.skipped > 0; })};
    });
    return panel;
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

void append_where_from(PageBuffer& page, std::span<const std::string_view> inputs, const ExcerptIndex& excerpts) {
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

void append_where(PageBuffer& page, std::span<const std::string_view> inputs, std::size_t all_inputs,
                  const ExcerptIndex& excerpts) {
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

void append_matrix(PageBuffer& page, const CheckView& check, const Panel& panel, std::size_t column_count,
                   const ExcerptIndex& excerpts) {
    const auto all_inputs = distinct_inputs(check);
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE("<div class=\"class-grid\" style=\"--pc-columns: {}\">\n"), column_count);
    for (std::size_t r = 0; r < panel.rows.size(); ++r) {
        const auto& row = panel.rows[r];
        fmt::format_to(out, FMT_COMPILE(R"(<div class="class-row"><span class="pc-label"><span class="{}">{}</span> )"),
                       row.mark(), row.glyph());
        append_row_text(page, row);
        page += "</span>";
        for (const auto& cell : panel.cells_of(r)) {
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
    const auto panel = panel_of(check);
    if (!panel.rows.empty()) append_matrix(page, check, panel, columns.size(), excerpts);
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
