#include "artefact/plain_number.hpp"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace brelk {

namespace {

// "d.ddde±x" as the shortest scientific form writes it.
struct Scientific {
    bool negative = false;
    std::string digits;  // significant digits, no point
    int exponent = 0;    // of the first digit
};

Scientific scientific(double value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view text(buffer, ec == std::errc{} ? static_cast<std::size_t>(end - buffer) : 0);
    Scientific parts;
    if (!text.empty() && text.front() == '-') {
        parts.negative = true;
        text.remove_prefix(1);
    }
    const auto e = text.find('e');
    for (char c : text.substr(0, e)) {
        if (c != '.') parts.digits += c;
    }
    if (e != std::string_view::npos) {
        auto exponent = text.substr(e + 1);
        if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), parts.exponent);
    }
    return parts;
}

}  // namespace

std::string shortest(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const Scientific parts = scientific(value);
    std::string text = parts.negative ? "-" : "";
    if (parts.digits.empty() || parts.digits == "0") return text + "0";
    const auto count = static_cast<long>(parts.digits.size());
    const long integral = parts.exponent + 1L;  // digits before the point
    if (integral <= 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-integral), '0');
        return text + parts.digits;
    }
    if (integral >= count) {
        text += parts.digits;
        text.append(static_cast<std::size_t>(integral - count), '0');
        return text;
    }
    text.append(parts.digits, 0, static_cast<std::size_t>(integral));
    text += '.';
    text.append(parts.digits, static_cast<std::size_t>(integral));
    return text;
}

}  // namespace brelk
