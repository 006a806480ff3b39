#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "verdict/criteria_table.hpp"
#include "verdict/run_section.hpp"

namespace brelk::verdict {
namespace {

TEST(ObservedBar, DrawsParsableRatesClampedAndNothingElse) {
    auto width = [](const char* rate) {
        const std::string bar = observed_bar(rate);
        const auto at = bar.find("width:");
        return at == std::string::npos ? std::string("none") : bar.substr(at + 6, bar.find('%') - at - 6);
    };
    EXPECT_EQ(observed_bar("0.875"),
              R"(<span class="bar-track"><span class="bar-fill pass" style="width:87.5%"></span></span>)");
    EXPECT_EQ(width("1.2"), "100.0");
    EXPECT_EQ(width("+1e0"), "100.0");
    EXPECT_EQ(width("-0.3"), "0.0");
    EXPECT_EQ(width("-0"), "0.0");
    EXPECT_EQ(width("NaN"), "0.0");
    EXPECT_EQ(width("inf"), "100.0");
    EXPECT_EQ(width("0.00049"), "0.0");
    EXPECT_EQ(width("n/a"), "none");
    EXPECT_EQ(width(""), "none");
    EXPECT_EQ(width("0.5 "), "none");
}

FailureDistributionEntry failure(const char* condition, std::uint32_t count, std::optional<std::string> kind) {
    FailureDistributionEntry entry;
    entry.condition = condition;
    entry.count = count;
    entry.kind = std::move(kind);
    return entry;
}

TEST(NothingDelivered, OnlyWhenEveryFailureIsOfDeliveryAndNothingSucceeded) {
    VerdictRun run;
    EXPECT_EQ(nothing_delivered(run), std::nullopt);

    run.failure_distribution = {failure("refused", 4294967295U, "delivery"), failure("timeout", 2, "delivery"),
                                failure("$.total", 0, std::nullopt)};
    EXPECT_EQ(nothing_delivered(run), 4294967297U);
    run.successes = 0;
    EXPECT_EQ(nothing_delivered(run), 4294967297U);
    run.successes = 3;
    EXPECT_EQ(nothing_delivered(run), std::nullopt);

    run.successes.reset();
    run.failure_distribution.push_back(failure("$.total", 1, "Delivery"));
    EXPECT_EQ(nothing_delivered(run), std::nullopt);
    run.failure_distribution = {failure("refused", 0, "delivery")};
    EXPECT_EQ(nothing_delivered(run), std::nullopt);
}

}  // namespace
}  // namespace brelk::verdict
