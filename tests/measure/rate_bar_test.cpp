#include <gtest/gtest.h>

#include <cmath>

#include "measure/rate_bar.hpp"

namespace brelk::measure {
namespace {

ObservationRow row(std::optional<double> rate, std::optional<double> bound, std::uint64_t successes,
                   std::uint64_t trials) {
    return ObservationRow{"c", rate, bound, {}, successes, trials};
}

TEST(RateBar, ModeFollowsTheGapBetweenObservedAndSupportedRate) {
    EXPECT_EQ(bar_mode(row(0.95, 0.8, 19, 20)), BarMode::Band);
    EXPECT_EQ(bar_mode(row(0.2, 0.0, 2, 10)), BarMode::Band);  // d is exactly 0.2
    EXPECT_EQ(bar_mode(row(0.9, 0.7, 9, 10)), BarMode::Tick);  // d lands just above 0.2
    EXPECT_EQ(bar_mode(row(0.6, 0.3, 6, 10)), BarMode::Tick);
    EXPECT_EQ(bar_mode(row(1.0, 0.5, 10, 10)), BarMode::Plain);  // every sample alike
    EXPECT_EQ(bar_mode(row(0.0, -0.5, 0, 10)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(0.8, 0.8, 8, 10)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(0.8, 0.9, 8, 10)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(0.9, 0.8, 0, 0)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(0.9, std::nullopt, 9, 10)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(std::nullopt, 0.8, 9, 10)), BarMode::Plain);
    EXPECT_EQ(bar_mode(row(std::nan(""), 0.8, 9, 10)), BarMode::Plain);
}

TEST(RateBar, PercentageTextKeepsADecimalOnlyAwayFromWholeNumbers) {
    EXPECT_EQ(percentage_text(97.96), "98%");
    EXPECT_EQ(percentage_text(97.5), "97.5%");
    EXPECT_EQ(percentage_text(42.0), "42%");
    EXPECT_EQ(percentage_text(42.06), "42.1%");
    EXPECT_EQ(percentage_text(-0.0), "0%");
}

TEST(RateBar, CellsOfEachMode) {
    EXPECT_EQ(rate_cell(row(std::nullopt, 0.5, 3, 4)), "3/4");
    EXPECT_EQ(rate_cell(row(1.0, 0.5, 10, 10)),
              R"(<span class="bar-track"><span class="bar-fill pass" style="width:100.0%"></span></span> 100% (10/10))");
    // Stated rates beyond the track are clamped in the bar, not in the text.
    EXPECT_EQ(rate_cell(row(1.25, std::nullopt, 5, 4)),
              R"(<span class="bar-track"><span class="bar-fill pass" style="width:100.0%"></span></span> 125% (5/4))");
    // A bound below zero is drawn at the track's start but stated as given.
    EXPECT_EQ(rate_cell(row(0.1, -0.05, 1, 10)),
              R"(<span class="bar-track varied" title="observed 0.1 · at least -0.05"><span class="bar-fill pass" style="width:0.0%"></span>)"
              R"(<span class="ordinary-variation" style="left:0.0%;width:10.0%"></span><span class="observed-mark" style="left:10.0%"></span></span>)"
              R"( 10% (1/10) · <span class="at-least">at least -5%</span>)");
}

}  // namespace
}  // namespace brelk::measure
