#include "postconditions/expected_values.hpp"

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"
#include "postconditions/input_naming.hpp"
#include "postconditions/outcome_strip.hpp"

namespace brelk {
namespace {

// The id of an expected value's row, which its squares link to.
struct ExpectedValueId {
    std::string_view prefix;
    std::string_view key;
    std::size_t criterion_number;
    std::size_t check_number;
};

// The key goes into ids and hrefs escaped: a key from a verdict record may
// hold a double quote or an angle bracket.
fmt::appender write_to(fmt::appender out, const ExpectedValueId& id) {
    return fmt::format_to(out, FMT_COMPILE("{}exp-{}-{}-{}"), id.prefix, escaped(id.key), id.criterion_number,
                          id.check_number);
}

}  // namespace
}  // namespace brelk

template <>
struct fmt::formatter<brelk::ExpectedValueId> : brelk::WrittenFormatter<brelk::ExpectedValueId> {};

namespace brelk {

namespace {

constexpr std::size_t enumerated_inputs = 10;

struct InputTally {
    std::vector<Tally> tallies;          // per column
    std::vector<std::uint64_t> samples;  // per column: the largest row total
};

// One expected value of one input: the check, its numbers in the comparison,
// and its sums over the input's rows per column.
struct ExpectedValue {
    const CheckView* check = nullptr;
    std::size_t criterion_number = 0;
    std::size_t check_number = 0;
    std::vector<Tally> tallies;  // per column
};

void add(Tally& tally, const StandingsRowView& row) {
    tally.passed = saturating_add(tally.passed, row.passed);
    tally.failed = saturating_add(tally.failed, row.failed);
    tally.skipped = saturating_add(tally.skipped, row.skipped);
}

bool is_input_check(const CheckView& check) { return stated_provenance(check) == Provenance::Input; }

std::unordered_map<std::string_view, InputTally> input_tallies(const Comparison& comparison) {
    std::unordered_map<std::string_view, InputTally> tallies;
    const auto columns = comparison.column_count;
    for (const auto& criterion : comparison.criteria) {
        for (const auto& check : criterion.checks) {
            if (!is_input_check(check)) continue;
            for (std::size_t c = 0; c < check.rows.size(); ++c) {
                for (const auto* row : check.rows[c]) {
                    auto [it, fresh] = tallies.try_emplace(row->input_key);
                    if (fresh) {
                        it->second.tallies.resize(columns);
                        it->second.samples.resize(columns, 0);
                    }
                    add(it->second.tallies[c], *row);
                    it->second.samples[c] = std::max(it->second.samples[c], Tally{row->passed, row->failed, row->skipped}.total());
                }
            }
        }
    }
    return tallies;
}

// The input checks that have samples on this input in at least one column,
// in criterion and check order.
std::vector<ExpectedValue> expected_values_of(const Comparison& comparison, std::string_view key) {
    std::vector<ExpectedValue> values;
    // Most checks have nothing on this input: they are tallied here, and
    // only the ones kept get tallies of their own.
    std::vector<Tally> tallies;
    for (std::size_t i = 1; i <= comparison.criteria.size(); ++i) {
        const auto& checks = comparison.criteria[i - 1].checks;
        for (std::size_t k = 1; k <= checks.size(); ++k) {
            const auto& check = checks[k - 1];
            if (!is_input_check(check)) continue;
            tallies.assign(check.rows.size(), Tally{});
            bool any = false;
            for (std::size_t c = 0; c < check.rows.size(); ++c) {
                for (const auto* row : check.rows[c]) {
                    if (row->input_key == key) add(tallies[c], *row);
                }
                any = any || tallies[c].total() != 0;
            }
            if (any) values.push_back(ExpectedValue{&check, i, k, tallies});
        }
    }
    return values;
}

ExpectedValueId id_of(std::string_view prefix, std::string_view key, const ExpectedValue& value) {
    return ExpectedValueId{prefix, key, value.criterion_number, value.check_number};
}

void append_input_strip(PageBuffer& page, std::string_view prefix, std::string_view key, const std::vector<ExpectedValue>& values,
                        std::size_t column) {
    page += R"(<span class="outcome-strip">)";
    for (const auto& value : values) {
        const auto& tally = value.tallies[column];
        auto colour = tally_colour(tally);
        if (!colour) continue;
        fmt::format_to(fmt::appender(page),
                       FMT_COMPILE(R"(<a class="sq-link" href="#{}" title="{} — {} — open it below"><span class="sq" style="background:{}"></span></a>)"),
                       id_of(prefix, key, value), title_of(value.check->id), stated_state(tally), *colour);
    }
    page += "</span>";
}

void append_expected_panel(PageBuffer& page, std::string_view prefix, std::string_view key, const std::vector<ExpectedValue>& values,
                           std::span<const Column> columns) {
    page += R"(<div class="pc-panel">)";
    if (values.empty()) {
        page += R"(<div class="pc-cfg"><span class="muted">This input states no expected values.</span></div></div>)";
        return;
    }
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE("<div class=\"pc-grid nested\" style=\"--pc-columns: {}\">\n"), columns.size());
    append_head(page, columns, "Expected postcondition");
    for (const auto& value : values) {
        fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-row static" id="{}"><span class="pc-label">{})"), id_of(prefix, key, value),
                       label_of(value.check->id));
        page += "</span>";
        for (const auto& tally : value.tallies) append_cell(page, tally);
        page += "</div>\n";
    }
    page += "</div></div>";
}

void append_input_row(PageBuffer& page, const Comparison& comparison, std::string_view key, std::string_view anchor,
                      const InputTally& tally, std::span<const Column> columns, const ExcerptIndex& excerpts) {
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE(R"(<details class="pc-row exp-row" id="{}{}"><summary>)"), comparison.anchor_prefix, anchor);
    fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-label"><b>{}</b>)"), input_name(key));
    if (auto stated = excerpts.find(key)) {
        fmt::format_to(out, FMT_COMPILE(R"( <span class="muted">{}</span>)"), escaped_excerpt(*stated));
    }
    page += "</span>";

    std::string title;
    std::uint64_t samples = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) title += " · ";
        fmt::format_to(std::back_inserter(title), FMT_COMPILE("{}: {}"), columns[c].name, tally.samples[c]);
        samples = saturating_add(samples, tally.samples[c]);
    }
    fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell samples" title="{}">{}</span>)"), escaped(title), samples);

    auto values = expected_values_of(comparison, key);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        page += R"(<span class="pc-pair">)";
        append_cell(page, tally.tallies[c]);
        append_input_strip(page, comparison.anchor_prefix, key, values, c);
        page += "</span>";
    }
    page += "</summary>";
    append_expected_panel(page, comparison.anchor_prefix, key, values, columns);
    page += "</details>\n";
}

std::vector<std::string_view> in_input_order(std::vector<std::string_view> keys) {
    std::stable_sort(keys.begin(), keys.end(), input_order_less);
    return keys;
}

}  // namespace

void append_expected_values(PageBuffer& page, const Comparison& comparison, std::span<const Column> columns) {
    if (!comparison.has_checks()) return;
    auto tallies = input_tallies(comparison);
    if (tallies.empty()) return;
    std::vector<std::string_view> keys;
    keys.reserve(tallies.size());
    for (const auto& entry : tallies) keys.push_back(entry.first);
    keys = in_input_order(std::move(keys));

    page += "<h3>Expected values</h3>\n";
    page += "<p class=\"legend\">What the service’s response is expected to contain for a particular input, as the "
            "contract’s <code>expected:</code> blocks declare it — judged only on the samples that input drove. Open an "
            "input for the values themselves.</p>\n";
    append_strip_legend(page,
                        "One square per value this input expects, in the order it states them; its colour is the share "
                        "of that input’s samples the check held on.");

    auto out = fmt::appender(page);
    fmt::format_to(out,
                   FMT_COMPILE("<div class=\"pc-grid inputs\" style=\"--pc-columns: {}\">\n<div class=\"pc-head\"><span "
                   "class=\"pc-label\">Input</span><span class=\"pc-cell\">Samples</span>"),
                   columns.size());
    for (const auto& column : columns) {
        auto badge = columns.size() >= 2 ? fmt::format(FMT_COMPILE(R"(<span class="cfg-badge">{}</span>)"), column.ordinal) : std::string();
        fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-pair pc-pair-head">{}<span class="cfg-name">{}</span></span>)"), badge,
                       escaped(column.name));
    }
    page += "</div>\n";

    auto excerpts = ExcerptIndex::of(columns);
    auto shown = std::min(keys.size(), enumerated_inputs);
    const auto anchors = unique_input_anchors(std::span(keys).first(shown));
    for (std::size_t i = 0; i < shown; ++i) {
        append_input_row(page, comparison, keys[i], anchors[i], tallies.at(keys[i]), columns, excerpts);
    }
    page += "</div>\n";
    if (keys.size() > enumerated_inputs) {
        fmt::format_to(out, FMT_COMPILE("<p class=\"legend\">… {} not enumerated.</p>\n"),
                       count_noun(keys.size() - enumerated_inputs, "further input"));
    }
}

std::vector<std::string> unjudged_inputs(const Comparison& comparison, std::size_t column) {
    std::unordered_set<std::string_view> seen;
    std::vector<std::string_view> keys;
    for (const auto& criterion : comparison.criteria) {
        for (const auto& check : criterion.checks) {
            if (column >= check.rows.size()) continue;
            for (const auto* row : check.rows[column]) {
                if (row->skipped != 0 && seen.insert(row->input_key).second) keys.push_back(row->input_key);
            }
        }
    }
    keys = in_input_order(std::move(keys));
    return {keys.begin(), keys.end()};
}

}  // namespace brelk
