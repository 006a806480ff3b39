#pragma once
// Numbers as the page shows them.
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "artefact/plain_number.hpp"

namespace brelk {


// Exactly `decimals` digits after the point, rounding the double's exact value
// to nearest with an exact tie going to the even digit ("{:.1}" and friends).
// A result of zero is never signed: -0.0 and -0.04 give "0.0" at one decimal.
std::string fixed(double value, int decimals);

// IEEE total order on doubles as an unsigned key, so a stated NaN cannot
// break a sort: -NaN < -inf < ... < -0 < +0 < ... < inf < NaN.
constexpr std::uint64_t total_order_key(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    constexpr std::uint64_t sign = std::uint64_t{1} << 63;
    return (bits & sign) != 0 ? ~bits : bits | sign;
}

// Sums of stated counts never wrap.
constexpr std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                              : a + b;
}

}  // namespace brelk
