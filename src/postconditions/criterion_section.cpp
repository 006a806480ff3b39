#include "postconditions/criterion_section.hpp"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"
#include "postconditions/input_naming.hpp"
#include "postconditions/outcome_strip.hpp"
#include "postconditions/postcondition_grid.hpp"

namespace brelk {

namespace {

constexpr std::size_t shown_failure_rows = 5;

// Written into the page, or into the rows a page keeps for every criterion.
template <class Out>
void write_class_row(Out out, std::string_view mark, std::string_view glyph, std::string_view text,
                     std::string_view count) {
    fmt::format_to(out,
                   FMT_COMPILE(R"(<div class="pc-class"><span class="g {}">{}</span><span class="txt">{}</span><span class="cnt">{}</span></div>)"),
                   mark, glyph, text, count);
}

// The failure conditions the column's artefact names, most frequent first.
// They are the same under every criterion, so a page renders them once per column.
std::string verdict_classes(const Column& column) {
    std::vector<const FailureDistributionEntry*> entries;
    entries.reserve(column.failures.size());
    for (const auto& entry : column.failures) entries.push_back(&entry);
    std::stable_sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->count > b->count; });
    std::string rows;
    auto shown = std::min(entries.size(), shown_failure_rows);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto& entry = *entries[i];
        bool delivery = entry.kind && *entry.kind == "delivery";
        auto text = fmt::format(FMT_COMPILE("{} <code>{}</code>"), delivery ? "no delivery —" : "first failure at", escaped(entry.condition));
        auto count = count_noun(entry.count, "sample");
        if (entry.input_index) count += fmt::format(FMT_COMPILE(" · {} {}"), "input", *entry.input_index);
        write_class_row(std::back_inserter(rows), delivery ? "m-none" : "m-fail", delivery ? "○" : "✗", text, count);
    }
    if (entries.size() <= shown) return rows;
    std::uint64_t rest = 0;
    for (std::size_t i = shown; i < entries.size(); ++i) rest = saturating_add(rest, entries[i]->count);
    fmt::format_to(std::back_inserter(rows), FMT_COMPILE(R"(<div class="pc-tail">… {} — {}</div>)"),
                   count_noun(entries.size() - shown, "further failing condition"), count_noun(rest, "sample"));
    return rows;
}

// What every section of a page reads about the columns, gathered once.
struct PageFacts {
    ExcerptIndex excerpts;
    std::vector<bool> nothing_judged;       // per column
    std::vector<std::string> failure_rows;  // per column
};

// The column ran something (some block has rows) yet judged nothing anywhere.
bool nothing_judged(const Column& column) {
    bool any_row = false;
    for (const auto& block : column.blocks) {
        for (const auto& row : block.rows) {
            if (row.passed != 0 || row.failed != 0) return false;
            any_row = true;
        }
    }
    return any_row;
}

PageFacts facts_of(std::span<const Column> columns) {
    PageFacts facts{ExcerptIndex::of(columns), {}, {}};
    facts.nothing_judged.reserve(columns.size());
    facts.failure_rows.reserve(columns.size());
    for (const auto& column : columns) {
        facts.nothing_judged.push_back(nothing_judged(column));
        facts.failure_rows.push_back(verdict_classes(column));
    }
    return facts;
}

// Each column's first block of every name, so that a page of many criteria
// does not walk a column's blocks once per criterion.
using FirstBlocks = std::unordered_map<std::string_view, const StandingsBlockView*>;

std::vector<FirstBlocks> first_blocks_of(std::span<const Column> columns) {
    std::vector<FirstBlocks> index(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        index[i].reserve(columns[i].blocks.size());
        for (const auto& block : columns[i].blocks) index[i].try_emplace(block.criterion, &block);
    }
    return index;
}

std::vector<const StandingsBlockView*> blocks_for(const std::vector<FirstBlocks>& index, std::string_view criterion) {
    std::vector<const StandingsBlockView*> blocks;
    blocks.reserve(index.size());
    for (const auto& column : index) {
        const auto found = column.find(criterion);
        blocks.push_back(found == column.end() ? nullptr : found->second);
    }
    return blocks;
}

CriterionCounts counts_of(const Column& column, const StandingsBlockView* block) {
    if (block && block->counts) return *block->counts;
    return CriterionCounts{column.passed_samples, column.failed_samples};
}

std::string bound_span(const StandingsBlockView* block) {
    if (!block || !block->bound) return {};
    const auto& bound = *block->bound;
    auto level = bound.confidence_level ? fmt::format(FMT_COMPILE(" at {}%"), fixed(*bound.confidence_level * 100.0, 0)) : std::string();
    return fmt::format(FMT_COMPILE(R"(<span class="crit-bound">at least {}{}</span>)"), fixed(bound.wilson_lower_bound, 3), level);
}

void append_rate_cell(PageBuffer& page, const Column& column, const StandingsBlockView* block, bool judged_nothing) {
    auto counts = counts_of(column, block);
    std::uint64_t total = std::uint64_t{counts.passed} + counts.failed;
    if (total == 0) {
        page += R"(<span class="pc-cell crit-cell"><span class="muted">-</span></span>)";
        return;
    }
    auto out = fmt::appender(page);
    if (judged_nothing) {
        fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell crit-cell"><span class="crit-rate" style="color:{}">—</span><span class="crit-count">nothing judged</span></span>)"),
                       nothing_to_judge_colour);
        return;
    }
    double rate = static_cast<double>(counts.passed) / static_cast<double>(total);
    auto colour = tally_colour(Tally{counts.passed, counts.failed, 0});
    fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell crit-cell"><span class="crit-rate" style="color:{}">{}</span><span class="crit-count">{} of {} samples</span>{}</span>)"),
                   *colour, fixed(rate, 3), counts.passed, total, bound_span(block));
}

void append_criterion_panel(PageBuffer& page, std::string_view prefix, const Column& column, std::size_t c, std::size_t column_count,
                            bool judged_nothing, std::string_view failure_rows) {
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-cfg" id="{}pc-{}-criterion-cfg-{}">)"), prefix, c, column.ordinal);
    if (column_count >= 2) {
        fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-who"><span class="cfg-badge">{}</span>{}</div>)"), column.ordinal,
                       escaped(column.name));
    }
    if (judged_nothing) {
        auto samples = std::uint64_t{column.passed_samples} + column.failed_samples;
        write_class_row(fmt::appender(page), "m-none", "○", "no sample was evaluated — nothing the service returned could be judged",
                         count_noun(samples, "sample"));
    } else {
        if (column.passed_samples != 0) {
            write_class_row(fmt::appender(page), "m-pass", "✓", "every check held", count_noun(column.passed_samples, "sample"));
        }
        page += failure_rows;
    }
    page += "</div>";
}

// `blocks` holds each column's block for the criterion, or null.
void append_slack_note(PageBuffer& page, std::span<const StandingsBlockView* const> blocks,
                       std::span<const Column> columns) {
    std::string items;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto* block = blocks[i];
        if (!block || !block->optional_slack) continue;
        if (!items.empty()) items += " · ";
        fmt::format_to(std::back_inserter(items), FMT_COMPILE(R"(<span class="cfg-badge">{}</span><code>optional-slack: {}</code>)"),
                       columns[i].ordinal, escaped(*block->optional_slack));
    }
    if (items.empty()) return;
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE("<p class=\"legend\">Optional checks may fail within a declared budget without failing their criterion: {}</p>\n"),
                   items);
}

// `blocks` holds each column's block for the criterion, or null.
void append_section(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion, std::size_t index,
                    std::span<const Column> columns, std::span<const StandingsBlockView* const> blocks,
                    const PageFacts& facts) {
    auto postconditions = std::count_if(criterion.checks.begin(), criterion.checks.end(),
                                        [](const auto& check) { return stated_provenance(check) != Provenance::Input; });
    const auto c = index + 1;
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<details class="crit" style="--pc-columns: {}"><summary><span class="crit-label"><span class="crit-kind">Criterion:</span> <span class="crit-name">{}</span> <span class="crit-note">{}</span></span>)"),
                   comparison.column_count, escaped(criterion.name),
                   count_noun(static_cast<std::uint64_t>(postconditions), "postcondition"));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        append_rate_cell(page, columns[i], blocks[i], facts.nothing_judged[i]);
    }
    page += R"(</summary><div class="pc-panel">)";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        append_criterion_panel(page, comparison.anchor_prefix, columns[i], c, columns.size(), facts.nothing_judged[i],
                               facts.failure_rows[i]);
    }
    page += "</div></details>\n";
    append_slack_note(page, blocks, columns);
    append_postcondition_grid(page, comparison, criterion, index, columns, facts.excerpts);
}

}  // namespace

void append_blocks(PageBuffer& page, const Comparison& comparison, std::span<const Column> columns) {
    if (!comparison.has_checks()) return;
    append_strip_legend(page,
                        "A criterion states postconditions the response must satisfy whatever input drove it. A sample "
                        "passes the criterion when every one of them holds on that sample; a cell states the samples it "
                        "held on, coloured by that share. Postconditions appear in the order the contract declares them.");
    const auto facts = facts_of(columns);
    const auto first_blocks = first_blocks_of(columns);
    for (std::size_t i = 0; i < comparison.criteria.size(); ++i) {
        const auto& criterion = comparison.criteria[i];
        append_section(page, comparison, criterion, i, columns, blocks_for(first_blocks, criterion.name), facts);
    }
    page += "<p class=\"legend\">Counts are out of every sample: a postcondition judged once and skipped five times reads "
            "1/6, not 1/1.</p>\n";
}

void append_criterion(PageBuffer& page, const Comparison& comparison, const CriterionView& criterion,
                      std::size_t index, std::span<const Column> columns) {
    std::vector<const StandingsBlockView*> blocks;
    blocks.reserve(columns.size());
    for (const auto& column : columns) blocks.push_back(block_for(column, criterion.name));
    append_section(page, comparison, criterion, index, columns, blocks, facts_of(columns));
}

}  // namespace brelk
