#include <gtest/gtest.h>

#include <cmath>

#include "measure/rate_bar.hpp"

namespace brelk::measure {
namespace {

ObservationRow row(std::optional<double> rate, std::optional<double> bound, std::uint64_t successes,
                   std::uint64_t trials) {
    return ObservationRow{"c", rate, bound, {}, successes, trials};
}

// The band and tick boundaries and the usual percentages are pinned on the page;
// these are the plain bars and texts it does not reach.
TEST(RateBar, PlainWhereNoGapIsWorthDrawing) {
    for (const auto& plain : {row(1.0, 0.5, 10, 10), row(0.0, -0.5, 0, 10), row(0.8, 0.8, 8, 10), row(0.8, 0.9, 8, 10),
                              row(0.9, 0.8, 0, 0), row(std::nan(""), 0.8, 9, 10), row(std::nullopt, 0.8, 9, 10)}) {
        EXPECT_EQ(bar_mode(plain), BarMode::Plain) << plain.observed_pass_rate.value_or(-1) << " " << plain.trials;
    }
    EXPECT_EQ(rate_cell(row(std::nullopt, 0.5, 3, 4)), "3/4");
    EXPECT_EQ(percentage_text(42.06), "42.1%");
    EXPECT_EQ(percentage_text(-0.0), "0%");
}

TEST(RateBar, StatedValuesBeyondTheTrackAreClampedInTheBarNotInTheText) {
    EXPECT_EQ(rate_cell(row(1.25, std::nullopt, 5, 4)),
              R"(<span class="bar-track"><span class="bar-fill pass" style="width:100.0%"></span></span> 125% (5/4))");
    EXPECT_EQ(rate_cell(row(0.1, -0.05, 1, 10)),
              R"(<span class="bar-track varied" title="observed 0.1 · at least -0.05"><span class="bar-fill pass" style="width:0.0%"></span>)"
              R"(<span class="ordinary-variation" style="left:0.0%;width:10.0%"></span><span class="observed-mark" style="left:10.0%"></span></span>)"
              R"( 10% (1/10) · <span class="at-least">at least -5%</span>)");
}

}  // namespace
}  // namespace brelk::measure
