#include "measure/rate_bar.hpp"

#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "html/numbers.hpp"

namespace brelk::measure {

namespace {

// Twenty percentage points: beyond this the band says too little to be drawn.
constexpr double widest_band = 0.2;

// A stated NaN would make the width unreadable CSS; it draws as an empty bar.
// Adding 0.0 turns -0 into 0 so no width reads "-0.0".
double clamped(double percent) {
    if (std::isnan(percent) || percent < 0.0) return 0.0;
    if (percent > 100.0) return 100.0;
    return percent + 0.0;
}

std::string geometry(double percent) { return fixed(clamped(percent), 1); }

std::string counts(const ObservationRow& row) { return fmt::format("({}/{})", row.successes, row.trials); }

std::string plain_cell(const ObservationRow& row, double observed) {
    return fmt::format(R"(<span class="bar-track"><span class="bar-fill pass" style="width:{}%"></span></span> {} {})",
                       geometry(observed), percentage_text(observed), counts(row));
}

std::string varied_cell(const ObservationRow& row, double rate, double bound, BarMode mode) {
    const double observed = rate * 100.0;
    const double low = bound * 100.0;
    std::string bar;
    auto out = std::back_inserter(bar);
    fmt::format_to(out,
                   R"(<span class="bar-track varied" title="observed {} · at least {}"><span class="bar-fill pass" style="width:{}%"></span>)",
                   shortest(rate), shortest(bound), geometry(mode == BarMode::Band ? low : observed));
    if (mode == BarMode::Band) {
        const double band = clamped(observed) - clamped(low);
        fmt::format_to(out,
                       R"(<span class="ordinary-variation" style="left:{}%;width:{}%"></span><span class="observed-mark" style="left:{}%"></span>)",
                       geometry(low), fixed(band > 0.0 ? band : 0.0, 1), geometry(observed));
    } else {
        fmt::format_to(out, R"(<span class="bound-mark" style="left:{}%"></span>)", geometry(low));
    }
    bar += "</span>";
    return fmt::format(R"({} {} {} · <span class="at-least">at least {}</span>)", bar, percentage_text(observed),
                       counts(row), percentage_text(low));
}

}  // namespace

BarMode bar_mode(const ObservationRow& row) {
    if (!row.observed_pass_rate || !row.wilson_lower_bound || row.trials == 0) return BarMode::Plain;
    const double d = *row.observed_pass_rate - *row.wilson_lower_bound;
    if (d > 0.0 && d <= widest_band) return BarMode::Band;
    // Every sample alike leaves nothing for a tick to mark against.
    if (d > widest_band && row.successes > 0 && row.successes != row.trials) return BarMode::Tick;
    // Also where d is NaN: no comparison holds, and the plain bar says least.
    return BarMode::Plain;
}

std::string percentage_text(double percent) {
    const double distance = std::fabs(percent - std::round(percent));
    // Adding 0.0 keeps a stated -0 from reading "-0%".
    if (distance >= 0.05) return fixed(percent + 0.0, 1) + "%";
    return fixed(percent + 0.0, 0) + "%";
}

std::string rate_cell(const ObservationRow& row) {
    if (!row.observed_pass_rate) return fmt::format("{}/{}", row.successes, row.trials);
    const BarMode mode = bar_mode(row);
    if (mode == BarMode::Plain) return plain_cell(row, *row.observed_pass_rate * 100.0);
    return varied_cell(row, *row.observed_pass_rate, *row.wilson_lower_bound, mode);
}

}  // namespace brelk::measure
