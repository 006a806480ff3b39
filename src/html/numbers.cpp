#include "html/numbers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace brelk {

std::string shortest(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Plain notation of the largest double needs 309 digits.
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc{}) return "NaN";
    return std::string(buffer, end);
}

std::string fixed(double value, int decimals) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // A negative precision would make to_chars fall back to six digits.
    decimals = std::max(decimals, 0);
    // Sign, 309 integral digits, point, then the decimals.
    std::string out(311 + static_cast<std::size_t>(decimals), '\0');
    auto [end, ec] =
        std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) return "NaN";
    out.resize(static_cast<std::size_t>(end - out.data()));
    // A value that rounds to zero has no sign: "-0.0" and "-0" read as a
    // different number in a label and are no width or position at all.
    if (out.front() == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

}  // namespace brelk
