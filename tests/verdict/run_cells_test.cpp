#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "verdict/criteria_table.hpp"
#include "verdict/run_section.hpp"

namespace brelk::verdict {
namespace {

// The bar's markup and the usual rates are pinned on the page; here the texts it never shows.
TEST(ObservedBar, DrawsParsableRatesClampedAndNothingElse) {
    for (auto [rate, width] : {std::pair{"+1e0", "100.0"}, {"-0.3", "0.0"}, {"-0", "0.0"}, {"NaN", "0.0"},
                               {"inf", "100.0"}, {"0.00049", "0.0"}}) {
        EXPECT_EQ(observed_bar(rate), std::string(R"(<span class="bar-track"><span class="bar-fill pass" style="width:)") +
                                          width + R"(%"></span></span>)")
            << rate;
    }
    EXPECT_EQ(observed_bar(""), "");
    EXPECT_EQ(observed_bar("0.5 "), "");
}

FailureDistributionEntry failure(const char* condition, std::uint32_t count, std::optional<std::string> kind) {
    FailureDistributionEntry entry;
    entry.condition = condition;
    entry.count = count;
    entry.kind = std::move(kind);
    return entry;
}

TEST(NothingDelivered, SumsPastThirtyTwoBitsAndNeedsAStatedDeliveryFailure) {
    VerdictRun run;
    run.failure_distribution = {failure("refused", 4294967295U, "delivery"), failure("timeout", 2, "delivery"),
                                failure("$.total", 0, std::nullopt)};
    EXPECT_EQ(nothing_delivered(run), 4294967297U);
    // Kinds compare exactly.
    run.failure_distribution.push_back(failure("$.total", 1, "Delivery"));
    EXPECT_EQ(nothing_delivered(run), std::nullopt);
    run.failure_distribution = {failure("refused", 0, "delivery")};
    EXPECT_EQ(nothing_delivered(run), std::nullopt);
}

}  // namespace
}  // namespace brelk::verdict
