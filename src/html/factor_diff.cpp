#include "html/factor_diff.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <unordered_map>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/text.hpp"

namespace brelk {

namespace {

constexpr std::size_t fold_threshold = 5;

// The table costs time and a bit per cell it keeps. Two prompts of any length
// that differ in a few lines keep a narrow band of it; two entirely different
// texts of 20,000 lines each still get their exact diff (64 MiB of bits at
// most). Past that a hostile pair of texts would exhaust memory, so the rest
// is shown as removed, then added.
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

// For the cells (i, j) the walk can reach, whether L[i+1][j] >= L[i][j+1] in
// the suffix LCS table L: the only thing the walk asks where the lines differ.
//
// The walk only ever steps to a neighbour holding the larger L, so it follows
// an alignment of least cost: D = n + m - 2 L[0][0] lines removed or added.
// Every cell such an alignment passes lies within D of the main diagonal
// (|i - j| <= D), and so do all of the least-cost alignments from it. L is
// therefore computed only in a band of diagonals around the main one, cells
// outside it counting as -1: inside the band that gives the true L wherever
// the walk goes, and at most the true L elsewhere, which cannot turn a
// comparison the walk makes. A band that turns out narrower than the cost of
// the alignment it found is doubled and computed again, so the whole costs
// about twice the last band: O((n + m) D) for texts that differ in D lines.
class RemovalFirst {
public:
    // Empty when the band the texts need would exceed `max_cells`.
    static std::optional<RemovalFirst> of(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                                          std::size_t max_cells) {
        const std::size_t n = a.size();
        const std::size_t m = b.size();
        if (n == 0 || m == 0) return RemovalFirst(n, m, 0, 0);
        for (std::size_t half_width = 16;; half_width *= 2) {
            const std::size_t width = std::min(2 * half_width + 1, m);
            if (n > max_cells / width) return std::nullopt;
            RemovalFirst table(n, m, half_width, width);
            const auto lcs = table.fill(a, b);
            const std::size_t cost = n + m - 2 * lcs;
            if (cost <= half_width || width == m) return table;
        }
    }

    bool operator()(std::size_t i, std::size_t j) const {
        const std::size_t first = first_column(i);
        // The walk never leaves the band; should it, no bit outside is read.
        if (i >= n_ || j < first || j - first >= width_) return true;
        const std::size_t k = i * width_ + (j - first);
        return (bits_[k / 64] >> (k % 64)) & 1U;
    }

private:
    RemovalFirst(std::size_t n, std::size_t m, std::size_t half_width, std::size_t width)
        : n_(n), m_(m), half_width_(half_width), width_(width), bits_((n * width + 63) / 64, 0) {}

    // Row i keeps the columns [first_column(i), first_column(i) + width), which
    // hold every column within half_width of i.
    std::size_t first_column(std::size_t i) const {
        const std::size_t last_start = m_ - width_;
        return i < half_width_ ? 0 : std::min(i - half_width_, last_start);
    }

    // L of row `i` at column j, from that row's kept values; the last row and
    // the last column are 0, columns outside the band -1.
    std::int64_t at(const std::vector<std::int64_t>& row, std::size_t i, std::size_t j) const {
        if (i == n_ || j == m_) return 0;
        const std::size_t first = first_column(i);
        if (j < first || j - first >= width_) return -1;
        return row[j - first];
    }

    // Fills the band from the bottom right and gives L[0][0] as the band sees it.
    std::size_t fill(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
        std::vector<std::int64_t> below(width_, 0);  // row i + 1
        std::vector<std::int64_t> row(width_, 0);    // row i
        for (std::size_t i = n_; i-- > 0;) {
            const std::size_t first = first_column(i);
            for (std::size_t column = width_; column-- > 0;) {
                const std::size_t j = first + column;
                if (a[i] == b[j]) {
                    row[column] = at(below, i + 1, j + 1) + 1;
                    continue;
                }
                const std::int64_t down = at(below, i + 1, j);
                const std::int64_t right = column + 1 < width_ ? row[column + 1] : at(row, i, j + 1);
                if (down >= right) set(i, column);
                row[column] = std::max(down, right);
            }
            std::swap(below, row);
        }
        return static_cast<std::size_t>(std::max<std::int64_t>(at(below, 0, 0), 0));
    }

    void set(std::size_t i, std::size_t column) {
        const std::size_t k = i * width_ + column;
        bits_[k / 64] |= std::uint64_t{1} << (k % 64);
    }

    std::size_t n_;
    std::size_t m_;
    std::size_t half_width_;
    std::size_t width_;
    std::vector<std::uint64_t> bits_;
};

void append_unchanged(std::string& out, std::string_view line) {
    fmt::format_to(std::back_inserter(out), FMT_COMPILE("  {}\n"), escape(line));
}

void append_fold(std::string& out, std::size_t hidden) {
    fmt::format_to(std::back_inserter(out), FMT_COMPILE("<span class=\"fold\">⋯ {} lines unchanged ⋯</span>\n"), hidden);
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
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("<span class=\"{}\">{} {}</span>\n"), removed ? "del" : "add",
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
        return fmt::format(chip, escape(name), "differs", fmt::format(FMT_COMPILE("+{} −{}"), counts.added, counts.removed),
                           render_diff(diff));
    }
    return fmt::format(chip, escape(name), "added", size_hint(value),
                       fmt::format(FMT_COMPILE("<pre>{}</pre>"), escape(trim_trailing_line_feeds(value))));
}

std::string chip_for(const Change& change, const FactorIndex& base_factors) {
    if (!change.value) {
        return fmt::format(FMT_COMPILE(R"(<span class="chip"><span class="chip-key">{}</span> unset</span> )"), escape(change.name));
    }
    if (is_short_value(*change.value)) {
        return fmt::format(FMT_COMPILE(R"(<span class="chip"><span class="chip-key">{}</span> {}</span> )"), escape(change.name),
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
        FMT_COMPILE(R"(<details class="long-value"><summary>differs from {} <span class="muted">&middot; +{} −{}</span></summary>{}</details>)"),
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
    std::vector<std::uint32_t> ids_a;
    std::vector<std::uint32_t> ids_b;
    intern(rest_a, rest_b, ids_a, ids_b);
    const auto table = RemovalFirst::of(ids_a, ids_b, max_table_cells);
    if (!table) {
        for (auto line : rest_a) diff.push_back({DiffKind::Removed, std::string(line)});
        for (auto line : rest_b) diff.push_back({DiffKind::Added, std::string(line)});
        return diff;
    }
    const RemovalFirst& removal_first = *table;

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
    std::string out = fmt::format(FMT_COMPILE(R"(<span class="override-count">{}</span> )"), count_noun(changes.size(), "change"));
    const auto base_index = index_by_name(base_factors);
    for (const auto& change : changes) out += chip_for(change, base_index);
    out.pop_back();
    return out;
}

std::string factor_details_diffed(std::string_view summary, const std::vector<FactorPair>& factors,
                                  const std::vector<FactorPair>& base_factors, std::string_view base_name) {
    if (factors.empty()) return escape(summary);
    std::string out = fmt::format(FMT_COMPILE(R"(<details class="factor-list"><summary>{}</summary><dl>)"), escape(summary));
    const auto base_index = index_by_name(base_factors);
    for (const auto& factor : factors) {
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("<dt>{}</dt><dd>{}</dd>"), escape(factor.name),
                       diffed_value(factor, base_index, base_name));
    }
    out += "</dl></details>";
    return out;
}

}  // namespace brelk
