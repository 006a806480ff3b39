#include "html/factor_diff.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <unordered_map>

#include <fmt/format.h>

#include "html/text.hpp"

namespace brelk {

namespace {

constexpr std::size_t fold_threshold = 5;

// The table costs time and a bit per pair of differing lines. Two prompts of
// 20,000 lines each still get their exact diff (64 MiB of bits at most); past
// that a hostile pair of texts would exhaust memory, so the rest is shown as
// removed, then added.
constexpr std::size_t max_table_cells = std::size_t{1} << 29;

// Lines without their line feeds; a carriage return before a line feed goes
// with it, one at the very end of the trimmed text stays.
std::vector<std::string_view> split_lines(std::string_view text) {
    text = trim_trailing_line_feeds(text);
    std::vector<std::string_view> lines;
    if (text.empty()) return lines;
    for (;;) {
        const auto feed = text.find('\n');
        if (feed == std::string_view::npos) break;
        auto line = text.substr(0, feed);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(feed + 1);
    }
    lines.push_back(text);
    return lines;
}

// Equal lines get equal ids, so the quadratic pass compares integers.
void intern(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
            std::vector<std::uint32_t>& ids_a, std::vector<std::uint32_t>& ids_b) {
    std::unordered_map<std::string_view, std::uint32_t> ids;
    auto id_of = [&ids](std::string_view line) {
        return ids.emplace(line, static_cast<std::uint32_t>(ids.size())).first->second;
    };
    ids_a.reserve(a.size());
    ids_b.reserve(b.size());
    for (auto line : a) ids_a.push_back(id_of(line));
    for (auto line : b) ids_b.push_back(id_of(line));
}

// For every cell (i, j) of the suffix LCS table, whether L[i+1][j] >= L[i][j+1]:
// the only thing the walk asks where the lines differ. Rows of counts are
// computed from the bottom and dropped; one bit per cell is kept.
class RemovalFirst {
public:
    RemovalFirst(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
        : columns_(b.size()), bits_((a.size() * b.size() + 63) / 64, 0) {
        const std::size_t n = a.size();
        const std::size_t m = b.size();
        std::vector<std::size_t> below(m + 1, 0);  // L[i+1][*]
        std::vector<std::size_t> row(m + 1, 0);    // L[i][*]
        for (std::size_t i = n; i-- > 0;) {
            row[m] = 0;
            for (std::size_t j = m; j-- > 0;) {
                if (a[i] == b[j]) {
                    row[j] = below[j + 1] + 1;
                } else if (below[j] >= row[j + 1]) {
                    row[j] = below[j];
                    set(i, j);
                } else {
                    row[j] = row[j + 1];
                }
            }
            std::swap(below, row);
        }
    }

    bool operator()(std::size_t i, std::size_t j) const {
        const std::size_t k = i * columns_ + j;
        return (bits_[k / 64] >> (k % 64)) & 1U;
    }

private:
    void set(std::size_t i, std::size_t j) {
        const std::size_t k = i * columns_ + j;
        bits_[k / 64] |= std::uint64_t{1} << (k % 64);
    }

    std::size_t columns_;
    std::vector<std::uint64_t> bits_;
};

void append_unchanged(std::string& out, std::string_view line) {
    fmt::format_to(std::back_inserter(out), "  {}\n", escape(line));
}

void append_fold(std::string& out, std::size_t hidden) {
    fmt::format_to(std::back_inserter(out), "<span class=\"fold\">⋯ {} lines unchanged ⋯</span>\n", hidden);
}

enum class Run { Leading, Middle, Trailing };

// Long unchanged stretches keep only the lines next to a change.
void flush_run(std::string& out, const std::vector<std::string_view>& run, Run where) {
    const std::size_t k = run.size();
    if (k < fold_threshold) {
        for (auto line : run) append_unchanged(out, line);
        return;
    }
    switch (where) {
        case Run::Leading:
            append_fold(out, k - 1);
            append_unchanged(out, run.back());
            return;
        case Run::Middle:
            append_unchanged(out, run.front());
            append_fold(out, k - 2);
            append_unchanged(out, run.back());
            return;
        case Run::Trailing:
            append_unchanged(out, run.front());
            append_fold(out, k - 1);
            return;
    }
}

std::string render_diff(const std::vector<DiffLine>& diff) {
    // An opened diff scrolls sideways and holds nothing that takes the focus:
    // it takes the focus itself, so that the arrow keys scroll it.
    std::string out = R"(<pre class="diff" tabindex="0">)";
    std::vector<std::string_view> run;
    bool changed = false;
    for (const auto& line : diff) {
        if (line.kind == DiffKind::Same) {
            run.push_back(line.text);
            continue;
        }
        flush_run(out, run, changed ? Run::Middle : Run::Leading);
        run.clear();
        const bool removed = line.kind == DiffKind::Removed;
        fmt::format_to(std::back_inserter(out), "<span class=\"{}\">{} {}</span>\n", removed ? "del" : "add",
                       removed ? "−" : "+", escape(line.text));
        changed = true;
    }
    flush_run(out, run, Run::Trailing);
    if (!out.empty() && out.back() == '\n') out.pop_back();
    out += "</pre>";
    return out;
}

struct DiffCounts {
    std::size_t added = 0;
    std::size_t removed = 0;
};

DiffCounts count_changes(const std::vector<DiffLine>& diff) {
    DiffCounts counts;
    for (const auto& line : diff) {
        if (line.kind == DiffKind::Added) ++counts.added;
        if (line.kind == DiffKind::Removed) ++counts.removed;
    }
    return counts;
}

// The first pair of each name. An entry may list tens of thousands of
// factors, so they are looked up here rather than by walking the base's list.
using FactorIndex = std::unordered_map<std::string_view, const FactorPair*>;

FactorIndex index_by_name(const std::vector<FactorPair>& factors) {
    FactorIndex index;
    index.reserve(factors.size());
    for (const auto& factor : factors) index.try_emplace(factor.name, &factor);
    return index;
}

const FactorPair* find_factor(const FactorIndex& factors, std::string_view name) {
    const auto found = factors.find(name);
    return found == factors.end() ? nullptr : found->second;
}

std::string long_chip(std::string_view name, std::string_view value, const FactorIndex& base_factors) {
    constexpr std::string_view chip =
        R"(<details class="chip-details"><summary><span class="chip long"><span class="chip-key">{}</span> {} · {} <span class="caret">▸</span></span></summary>{}</details> )";
    if (const auto* base = find_factor(base_factors, name)) {
        const auto diff = line_diff(base->value, value);
        const auto counts = count_changes(diff);
        return fmt::format(chip, escape(name), "differs", fmt::format("+{} −{}", counts.added, counts.removed),
                           render_diff(diff));
    }
    return fmt::format(chip, escape(name), "added", size_hint(value),
                       fmt::format("<pre>{}</pre>", escape(trim_trailing_line_feeds(value))));
}

std::string chip_for(const Change& change, const FactorIndex& base_factors) {
    if (!change.value) {
        return fmt::format(R"(<span class="chip"><span class="chip-key">{}</span> unset</span> )", escape(change.name));
    }
    if (is_short_value(*change.value)) {
        return fmt::format(R"(<span class="chip"><span class="chip-key">{}</span> {}</span> )", escape(change.name),
                           escape(*change.value));
    }
    return long_chip(change.name, *change.value, base_factors);
}

std::string diffed_value(const FactorPair& factor, const FactorIndex& base_factors, std::string_view base_name) {
    const auto* base = find_factor(base_factors, factor.name);
    if (!base || base->value == factor.value || (is_short_value(base->value) && is_short_value(factor.value))) {
        return long_value_html(factor.value);
    }
    const auto diff = line_diff(base->value, factor.value);
    const auto counts = count_changes(diff);
    return fmt::format(
        R"(<details class="long-value"><summary>differs from {} <span class="muted">&middot; +{} −{}</span></summary>{}</details>)",
        escape(base_name), counts.added, counts.removed, render_diff(diff));
}

}  // namespace

std::vector<DiffLine> line_diff(std::string_view old_text, std::string_view new_text) {
    const auto a = split_lines(old_text);
    const auto b = split_lines(new_text);
    std::vector<DiffLine> diff;
    diff.reserve(std::max(a.size(), b.size()));

    // The walk takes common leading lines as unchanged before anything else,
    // so they never need a place in the table.
    std::size_t lead = 0;
    while (lead < a.size() && lead < b.size() && a[lead] == b[lead]) {
        diff.push_back({DiffKind::Same, std::string(a[lead])});
        ++lead;
    }
    const std::vector<std::string_view> rest_a(a.begin() + static_cast<std::ptrdiff_t>(lead), a.end());
    const std::vector<std::string_view> rest_b(b.begin() + static_cast<std::ptrdiff_t>(lead), b.end());
    if (!rest_b.empty() && rest_a.size() > max_table_cells / rest_b.size()) {
        for (auto line : rest_a) diff.push_back({DiffKind::Removed, std::string(line)});
        for (auto line : rest_b) diff.push_back({DiffKind::Added, std::string(line)});
        return diff;
    }
    std::vector<std::uint32_t> ids_a;
    std::vector<std::uint32_t> ids_b;
    intern(rest_a, rest_b, ids_a, ids_b);
    const RemovalFirst removal_first(ids_a, ids_b);

    std::size_t i = 0;
    std::size_t j = 0;
    while (i < ids_a.size() && j < ids_b.size()) {
        if (ids_a[i] == ids_b[j]) {
            diff.push_back({DiffKind::Same, std::string(rest_a[i])});
            ++i;
            ++j;
        } else if (removal_first(i, j)) {
            diff.push_back({DiffKind::Removed, std::string(rest_a[i++])});
        } else {
            diff.push_back({DiffKind::Added, std::string(rest_b[j++])});
        }
    }
    for (; i < rest_a.size(); ++i) diff.push_back({DiffKind::Removed, std::string(rest_a[i])});
    for (; j < rest_b.size(); ++j) diff.push_back({DiffKind::Added, std::string(rest_b[j])});
    return diff;
}

std::string diff_pre(std::string_view old_text, std::string_view new_text) {
    return render_diff(line_diff(old_text, new_text));
}

std::string change_chips(const std::vector<Change>& changes, const std::vector<FactorPair>& base_factors) {
    if (changes.empty()) return R"(<span class="muted">—</span>)";
    std::string out = fmt::format(R"(<span class="override-count">{}</span> )", count_noun(changes.size(), "change"));
    const auto base_index = index_by_name(base_factors);
    for (const auto& change : changes) out += chip_for(change, base_index);
    out.pop_back();
    return out;
}

std::string factor_details_diffed(std::string_view summary, const std::vector<FactorPair>& factors,
                                  const std::vector<FactorPair>& base_factors, std::string_view base_name) {
    if (factors.empty()) return escape(summary);
    std::string out = fmt::format(R"(<details class="factor-list"><summary>{}</summary><dl>)", escape(summary));
    const auto base_index = index_by_name(base_factors);
    for (const auto& factor : factors) {
        fmt::format_to(std::back_inserter(out), "<dt>{}</dt><dd>{}</dd>", escape(factor.name),
                       diffed_value(factor, base_index, base_name));
    }
    out += "</dl></details>";
    return out;
}

}  // namespace brelk
