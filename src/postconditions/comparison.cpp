#include "postconditions/comparison.hpp"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/text.hpp"

namespace brelk {

namespace {

struct CheckIdHash {
    std::size_t operator()(const CheckId& id) const {
        std::hash<std::string_view> h;
        std::size_t seed = id.kind.index();
        auto mix = [&seed](std::size_t v) { seed ^= v + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
        auto mix_expected = [&](const std::optional<std::string_view>& expected) {
            mix(expected ? h(*expected) : 0x51ed27);
            mix(expected.has_value());
        };
        if (const auto* pf = std::get_if<PathForm>(&id.kind)) {
            mix(h(pf->path));
            mix(h(pf->form));
            mix_expected(pf->expected);
        } else if (const auto* fo = std::get_if<FormOnly>(&id.kind)) {
            mix(h(fo->form));
            mix_expected(fo->expected);
        } else {
            mix(h(std::get<CheckOnly>(id.kind).check));
        }
        return seed;
    }
};

void add(Tally& tally, const StandingsRowView& row) {
    tally.passed = saturating_add(tally.passed, row.passed);
    tally.failed = saturating_add(tally.failed, row.failed);
    tally.skipped = saturating_add(tally.skipped, row.skipped);
}

std::vector<CheckView> checks_over(std::span<const StandingsBlockView* const> blocks) {
    const auto column_count = blocks.size();
    std::vector<CheckView> checks;
    std::unordered_map<CheckId, std::size_t, CheckIdHash> position;
    // The rows of one check mostly come one after another, input after
    // input: the previous row's check is tried before the map.
    std::size_t previous = 0;
    for (std::size_t c = 0; c < column_count; ++c) {
        if (!blocks[c]) continue;
        for (const auto& row : blocks[c]->rows) {
            const auto id = CheckId::of(row);
            if (checks.empty() || !(checks[previous].id == id)) {
                auto [it, fresh] = position.try_emplace(id, checks.size());
                if (fresh) {
                    checks.push_back(CheckView{id, std::vector<std::vector<const StandingsRowView*>>(column_count),
                                               std::vector<Tally>(column_count)});
                }
                previous = it->second;
            }
            auto& check = checks[previous];
            check.rows[c].push_back(&row);
            add(check.tallies[c], row);
        }
    }
    return checks;
}

}  // namespace

std::uint64_t Tally::total() const { return saturating_add(saturating_add(passed, failed), skipped); }

CheckId CheckId::of(const StandingsRowView& row) {
    if (!row.form) return CheckId{CheckOnly{row.check}};
    if (row.path) return CheckId{PathForm{*row.path, *row.form, row.expected}};
    return CheckId{FormOnly{*row.form, row.expected}};
}

fmt::appender write_to(fmt::appender out, const CheckLabel& label) {
    if (const auto* pf = std::get_if<PathForm>(&label.id.kind)) {
        out = fmt::format_to(out, FMT_COMPILE("<code>{}</code> <b>{}</b>"), escaped(pf->path), escaped(pf->form));
        if (!pf->expected) return out;
        return fmt::format_to(out, FMT_COMPILE(" <code>{}</code>"), escaped_excerpt(*pf->expected));
    }
    if (const auto* fo = std::get_if<FormOnly>(&label.id.kind)) {
        // The form-only kind shows its expected value whole: it is usually short.
        if (fo->expected) return fmt::format_to(out, FMT_COMPILE("<b>{}</b> <code>{}</code>"), escaped(fo->form), escaped(*fo->expected));
        return fmt::format_to(out, FMT_COMPILE("<b>{}</b>"), escaped(fo->form));
    }
    return escape_to(out, std::get<CheckOnly>(label.id.kind).check);
}

fmt::appender write_to(fmt::appender out, const CheckTitle& title) {
    if (const auto* pf = std::get_if<PathForm>(&title.id.kind)) {
        if (pf->expected) return fmt::format_to(out, FMT_COMPILE("{} {} {}"), escaped(pf->path), escaped(pf->form), escaped_excerpt(*pf->expected));
        return fmt::format_to(out, FMT_COMPILE("{} {}"), escaped(pf->path), escaped(pf->form));
    }
    if (const auto* fo = std::get_if<FormOnly>(&title.id.kind)) {
        if (fo->expected) return fmt::format_to(out, FMT_COMPILE("{} {}"), escaped(fo->form), escaped(*fo->expected));
        return escape_to(out, fo->form);
    }
    return escape_to(out, std::get<CheckOnly>(title.id.kind).check);
}

const StandingsBlockView* block_for(const Column& column, std::string_view criterion) {
    for (const auto& block : column.blocks) {
        if (block.criterion == criterion) return &block;
    }
    return nullptr;
}

Comparison Comparison::build(std::span<const Column> columns) {
    // The first block of each name per column, found in one walk of each
    // column rather than one walk per criterion.
    std::vector<std::string_view> names;
    std::unordered_map<std::string_view, std::vector<const StandingsBlockView*>> first_blocks;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (const auto& block : columns[c].blocks) {
            auto [it, fresh] = first_blocks.try_emplace(block.criterion);
            if (fresh) {
                names.push_back(block.criterion);
                it->second.resize(columns.size(), nullptr);
            }
            if (!it->second[c]) it->second[c] = &block;
        }
    }
    Comparison comparison;
    comparison.column_count = columns.size();
    comparison.criteria.reserve(names.size());
    for (auto name : names) {
        comparison.criteria.push_back(CriterionView{std::string(name), checks_over(first_blocks[name])});
        comparison.any_check = comparison.any_check || !comparison.criteria.back().checks.empty();
    }
    return comparison;
}

std::vector<CheckView> Comparison::checks_of(std::span<const Column> columns, std::string_view criterion) {
    std::vector<const StandingsBlockView*> blocks;
    blocks.reserve(columns.size());
    for (const auto& column : columns) blocks.push_back(block_for(column, criterion));
    return checks_over(blocks);
}

CriterionPositions criterion_positions(const Comparison& comparison) {
    CriterionPositions positions;
    positions.reserve(comparison.criteria.size());
    for (std::size_t i = 0; i < comparison.criteria.size(); ++i) positions.try_emplace(comparison.criteria[i].name, i);
    return positions;
}

Provenance stated_provenance(const CheckView& check) {
    for (const auto& rows : check.rows) {
        for (const auto* row : rows) {
            if (row->provenance != Provenance::Unstated) return row->provenance;
        }
    }
    return Provenance::Unstated;
}

std::vector<OutcomeClass> classes(std::span<const StandingsRowView* const> rows) {
    // Every failing observation with its input, gathered by what was
    // observed: a sort, not a map, as a check holds only a handful.
    struct Seen {
        std::string_view observed;
        std::string_view input;
        std::uint64_t count;
    };
    std::size_t failing = 0;
    for (const auto* row : rows) {
        for (const auto& exemplar : row->observed) failing += exemplar.held ? 0 : 1;
    }
    if (failing == 0) return {};
    std::vector<Seen> seen;
    seen.reserve(failing);
    for (const auto* row : rows) {
        for (const auto& exemplar : row->observed) {
            if (!exemplar.held) seen.push_back(Seen{exemplar.excerpt, row->input_key, exemplar.count});
        }
    }
    std::sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) {
        return a.observed != b.observed ? a.observed < b.observed : a.input < b.input;
    });
    std::vector<OutcomeClass> result;
    result.reserve(seen.size());
    for (const auto& one : seen) {
        if (result.empty() || result.back().observed != one.observed) result.push_back(OutcomeClass{one.observed, 0, {}});
        auto& cls = result.back();
        cls.samples = saturating_add(cls.samples, one.count);
        if (cls.inputs.empty() || cls.inputs.back() != one.input) cls.inputs.push_back(one.input);
    }
    // The observed texts are distinct by now, so this order is total.
    std::sort(result.begin(), result.end(), [](const OutcomeClass& a, const OutcomeClass& b) {
        if (a.samples != b.samples) return a.samples > b.samples;
        return a.observed < b.observed;
    });
    return result;
}

fmt::appender write_to(fmt::appender out, const EscapedExcerpt& excerpt) {
    // Each line feed reads as a space, which leaves the count of characters as it is.
    auto text = first_chars(excerpt.text, 140);
    const bool cut = text.size() < excerpt.text.size();
    for (auto feed = text.find('\n'); feed != std::string_view::npos; feed = text.find('\n')) {
        out = escape_to(out, text.substr(0, feed));
        *out++ = ' ';
        text.remove_prefix(feed + 1);
    }
    out = escape_to(out, text);
    if (!cut) return out;
    return fmt::format_to(out, FMT_COMPILE("…"));
}

std::string section_anchor_prefix(std::size_t section) {
    return section == 0 ? std::string() : fmt::format(FMT_COMPILE("s{}-"), section + 1);
}

}  // namespace brelk
