#include "html/numbers.hpp"

#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace brelk {
namespace {

TEST(Shortest, PlainNotationRoundTrips) {
    EXPECT_EQ(shortest(0.95), "0.95");
    EXPECT_EQ(shortest(1.0), "1");
    EXPECT_EQ(shortest(0.0), "0");
    EXPECT_EQ(shortest(-0.0), "-0");
    EXPECT_EQ(shortest(1e21), "1000000000000000000000");
    EXPECT_EQ(shortest(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(shortest(1.5e-7), "0.00000015");
    EXPECT_EQ(shortest(-2.5), "-2.5");
    EXPECT_EQ(shortest(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(shortest(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(shortest(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(Shortest, LargeAndTinyValuesKeepOnlyTheDigitsThatReadBack) {
    EXPECT_EQ(shortest(9007199254740992.0), "9007199254740992");  // 2^53
    EXPECT_EQ(shortest(9007199254740994.0), "9007199254740994");  // 2^53 + 2
    EXPECT_EQ(shortest(1e15), "1000000000000000");
    EXPECT_EQ(shortest(1e16), "10000000000000000");
    EXPECT_EQ(shortest(1e22), "10000000000000000000000");
    // The double nearest 1e23 is 99999999999999991611392.
    EXPECT_EQ(shortest(1e23), "100000000000000000000000");
    EXPECT_EQ(shortest(-1e23), "-100000000000000000000000");
    EXPECT_EQ(shortest(123456789012345678.0), "123456789012345680");
    EXPECT_EQ(shortest(std::numeric_limits<double>::max()), "17976931348623157" + std::string(292, '0'));
    EXPECT_EQ(shortest(std::numeric_limits<double>::denorm_min()), "0." + std::string(323, '0') + "5");
    EXPECT_EQ(shortest(std::numeric_limits<double>::min()), "0." + std::string(307, '0') + "22250738585072014");
    EXPECT_EQ(shortest(1234.5), "1234.5");
    EXPECT_EQ(shortest(0.001), "0.001");
}

TEST(Fixed, RoundsTheExactValueTiesToEven) {
    EXPECT_EQ(fixed(0.125, 2), "0.12");  // exact tie
    EXPECT_EQ(fixed(0.375, 2), "0.38");  // exact tie
    EXPECT_EQ(fixed(2.5, 0), "2");
    EXPECT_EQ(fixed(3.5, 0), "4");
    EXPECT_EQ(fixed(0.35, 1), "0.3");     // just below 0.35 in binary
    EXPECT_EQ(fixed(99.95, 1), "100.0");  // just above 99.95 in binary
    EXPECT_EQ(fixed(0.95, 3), "0.950");
    // Zero is never signed, however it was reached.
    EXPECT_EQ(fixed(-0.0004, 3), "0.000");
    EXPECT_EQ(fixed(-0.0, 1), "0.0");
    EXPECT_EQ(fixed(-0.4, 0), "0");
    EXPECT_EQ(fixed(-0.5, 0), "0");
    EXPECT_EQ(fixed(-0.6, 0), "-1");
    EXPECT_EQ(fixed(-0.05, 2), "-0.05");
    EXPECT_EQ(fixed(std::numeric_limits<double>::infinity(), 1), "inf");
    EXPECT_EQ(fixed(std::numeric_limits<double>::quiet_NaN(), 1), "NaN");
    EXPECT_EQ(fixed(1e300, 120).size(), 301u + 1u + 120u);
}

TEST(SaturatingAdd, StopsAtTheLargestCount) {
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(saturating_add(2, 3), 5u);
    EXPECT_EQ(saturating_add(max - 1, 1), max);
    EXPECT_EQ(saturating_add(max, 1), max);
    EXPECT_EQ(saturating_add(max, max), max);
}

}  // namespace
}  // namespace brelk
