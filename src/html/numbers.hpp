#pragma once
// Numbers as the page shows them.
#include <cstdint>
#include <limits>
#include <string>

namespace brelk {

// Fewest digits that read back as the same double, plain notation, no exponent,
// no point for integral values: 0.95, 1, 1000000000000000000000. -0 stays "-0";
// infinities are "inf" and "-inf", not-a-number "NaN".
std::string shortest(double value);

// Exactly `decimals` digits after the point, rounding the double's exact value
// to nearest with an exact tie going to the even digit ("{:.1}" and friends).
std::string fixed(double value, int decimals);

// Sums of stated counts never wrap.
constexpr std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                              : a + b;
}

}  // namespace brelk
