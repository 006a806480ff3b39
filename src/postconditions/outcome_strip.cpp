#include "postconditions/outcome_strip.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/text.hpp"

namespace brelk {

namespace {

struct Rgb {
    double red;
    double green;
    double blue;
};

constexpr Rgb ramp_start{198, 40, 40};
constexpr Rgb ramp_middle{199, 124, 0};
constexpr Rgb ramp_end{46, 125, 50};

int channel(double from, double to, double t) {
    double value = std::round(std::fma(to - from, t, from));
    return static_cast<int>(std::clamp(value, 0.0, 255.0));
}

// The squares of one criterion, numbered c, for one column.
void append_squares(std::string& out, std::string_view prefix, const CriterionView& criterion, std::size_t c,
                    std::size_t column) {
    for (std::size_t k = 1; k <= criterion.checks.size(); ++k) {
        const auto& check = criterion.checks[k - 1];
        if (stated_provenance(check) == Provenance::Input) continue;
        const auto& tally = check.tallies[column];
        auto colour = tally_colour(tally);
        if (!colour) continue;
        // The square leads to the check's summary in the criterion section,
        // the one element below that carries an id for it.
        fmt::format_to(std::back_inserter(out),
                       FMT_COMPILE(R"(<a class="sq-link" href="#{}pc-{}-{}" title="{} — {} — open it below"><span class="sq" style="background:{}"></span></a>)"),
                       prefix, c, k, title_of(check.id), stated_state(tally), *colour);
    }
}

void append_break(std::string& out, const CriterionView& criterion) {
    fmt::format_to(std::back_inserter(out), FMT_COMPILE(R"(<span class="strip-break" title="{}"></span>)"), escaped(criterion.name));
}

}  // namespace

Colour Colour::of(std::string_view hex) {
    Colour colour;
    std::copy_n(hex.begin(), std::min(hex.size(), colour.hex.size()), colour.hex.begin());
    return colour;
}

Colour Colour::rgb(int red, int green, int blue) {
    constexpr std::string_view digits = "0123456789abcdef";
    Colour colour;
    colour.hex[0] = '#';
    std::size_t at = 1;
    for (int channel : {red, green, blue}) {
        colour.hex[at++] = digits[static_cast<std::size_t>(channel >> 4) & 0xf];
        colour.hex[at++] = digits[static_cast<std::size_t>(channel) & 0xf];
    }
    return colour;
}

std::optional<Colour> tally_colour(const Tally& tally) {
    if (tally.total() == 0) return std::nullopt;
    if (!tally.judged()) return Colour::of(nothing_to_judge_colour);
    // Skipped samples stay in the denominator: a check judged once and
    // skipped five times is not a full success.
    double share = static_cast<double>(tally.passed) / static_cast<double>(tally.total());
    const auto& from = share < 0.5 ? ramp_start : ramp_middle;
    const auto& to = share < 0.5 ? ramp_middle : ramp_end;
    double t = share < 0.5 ? 2.0 * share : 2.0 * (share - 0.5);
    return Colour::rgb(channel(from.red, to.red, t), channel(from.green, to.green, t), channel(from.blue, to.blue, t));
}

std::string strip(const Comparison& comparison, std::size_t column) {
    if (!comparison.has_checks()) return R"(<span class="muted">-</span>)";
    std::string out = R"(<span class="outcome-strip">)";
    for (std::size_t c = 1; c <= comparison.criteria.size(); ++c) {
        const auto& criterion = comparison.criteria[c - 1];
        if (c > 1) append_break(out, criterion);
        append_squares(out, comparison.anchor_prefix, criterion, c, column);
    }
    out += "</span>";
    return out;
}

std::string strip_for_criterion(const Comparison& comparison, std::size_t column, std::string_view name) {
    if (!comparison.has_checks()) return R"(<span class="muted">-</span>)";
    std::string squares;
    bool matched = false;
    for (std::size_t c = 1; c <= comparison.criteria.size(); ++c) {
        const auto& criterion = comparison.criteria[c - 1];
        if (criterion.name != name) continue;
        if (matched) append_break(squares, criterion);
        matched = true;
        append_squares(squares, comparison.anchor_prefix, criterion, c, column);
    }
    if (!matched) return R"(<span class="muted">-</span>)";
    return fmt::format(FMT_COMPILE(R"(<span class="outcome-strip">{}</span>)"), squares);
}

std::string strip_for_criterion(const Comparison& comparison, std::size_t column, std::string_view name,
                                const CriterionPositions& positions) {
    if (!comparison.has_checks()) return R"(<span class="muted">-</span>)";
    const auto found = positions.find(name);
    if (found == positions.end()) return R"(<span class="muted">-</span>)";
    std::string squares;
    append_squares(squares, comparison.anchor_prefix, comparison.criteria[found->second], found->second + 1, column);
    return fmt::format(FMT_COMPILE(R"(<span class="outcome-strip">{}</span>)"), squares);
}

void append_strip_legend(PageBuffer& page, std::string_view legend) {
    fmt::format_to(fmt::appender(page),
                   FMT_COMPILE(R"(<p class="legend strip-legend">{}<span class="key"><span class="ramp"></span><span class="ramp-ends"><span>none held</span><span>all held</span></span></span><span class="key"><span class="sq" style="background:{}"></span> nothing to judge — not a rate, and off the scale</span>)"),
                   legend, nothing_to_judge_colour);
    page += "</p>\n";
}

void append_head(PageBuffer& page, std::span<const Column> columns, std::string_view label) {
    auto out = fmt::appender(page);
    if (columns.size() == 1) {
        fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-head"><span class="pc-label">{}</span><span class="pc-cell" title="{}">Held</span></div>)"),
                       escaped(label), escaped(columns.front().name));
        page += "\n";
        return;
    }
    fmt::format_to(out, FMT_COMPILE(R"(<div class="pc-head"><span class="pc-label">{}</span>)"), escaped(label));
    for (const auto& column : columns) {
        fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell pc-cfg-head" title="{0}"><span class="cfg-badge">{1}</span><span class="cfg-name">{0}</span></span>)"),
                       escaped(column.name), column.ordinal);
    }
    page += "</div>\n";
}

void append_cell(PageBuffer& page, const Tally& tally) {
    auto out = fmt::appender(page);
    fmt::format_to(out, FMT_COMPILE(R"(<span class="pc-cell" title="{} passed · {} failed · {} never evaluated">)"),
                   tally.passed, tally.failed, tally.skipped);
    if (tally.total() == 0) {
        page += R"(<span class="muted">-</span>)";
    } else if (tally.judged()) {
        fmt::format_to(out, FMT_COMPILE(R"(<span class="mark" style="color:{}">{}/{}</span>)"), *tally_colour(tally),
                       tally.passed, tally.total());
    } else {
        fmt::format_to(out, FMT_COMPILE(R"(<span class="mark" style="color:{}">—/{}</span>)"), nothing_to_judge_colour,
                       tally.total());
    }
    page += "</span>";
}

}  // namespace brelk
