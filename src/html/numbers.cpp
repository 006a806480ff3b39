#include "html/numbers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace brelk {

namespace {

// Sign, 309 integral digits and the point come before the decimals.
constexpr std::size_t fixed_room = 311;

std::string fixed_into(char* first, char* last, double value, int decimals) {
    auto [end, ec] = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) return "NaN";
    std::string_view text(first, static_cast<std::size_t>(end - first));
    // A value that rounds to zero has no sign: "-0.0" and "-0" read as a
    // different number in a label and are no width or position at all.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) text.remove_prefix(1);
    return std::string(text);
}

}  // namespace

std::string fixed(double value, int decimals) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // A negative precision would make to_chars fall back to six digits.
    decimals = std::max(decimals, 0);
    // Coordinates and widths are formatted by the thousand: the usual
    // precisions work on the stack and return a short string without a heap block.
    constexpr int usual_decimals = 16;
    if (decimals <= usual_decimals) {
        char buffer[fixed_room + usual_decimals];
        return fixed_into(buffer, buffer + sizeof buffer, value, decimals);
    }
    std::string room(fixed_room + static_cast<std::size_t>(decimals), '\0');
    return fixed_into(room.data(), room.data() + room.size(), value, decimals);
}

}  // namespace brelk
