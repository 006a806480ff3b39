#include "verdict/number_text.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <limits>
#include <system_error>

namespace brelk::verdict {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool same_ignoring_case(std::string_view text, std::string_view lower) {
    return std::equal(text.begin(), text.end(), lower.begin(), lower.end(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

template <class T>
std::optional<T> unsigned_number(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || !is_digit(text.front())) return std::nullopt;
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Checks that an unsigned text is digits with an optional fraction and
// exponent, and tells whether its magnitude is at least 1: that decides
// whether a value beyond the double range reads as infinity or as zero.
std::optional<bool> decimal_at_least_one(std::string_view text) {
    std::size_t i = 0;
    std::int64_t digits = 0;
    std::int64_t first_nonzero = -1;  // position among all mantissa digits
    auto scan_mantissa_digits = [&] {
        for (; i < text.size() && is_digit(text[i]); ++i, ++digits) {
            if (text[i] != '0' && first_nonzero < 0) first_nonzero = digits;
        }
    };
    scan_mantissa_digits();
    std::int64_t integer_digits = digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        scan_mantissa_digits();
    }
    if (digits == 0) return std::nullopt;
    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t start = i;
        for (; i < text.size() && is_digit(text[i]); ++i) {
            exponent = std::min<std::int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        }
        if (i == start) return std::nullopt;
        if (negative) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;
    if (first_nonzero < 0) return false;
    return exponent + integer_digits - 1 - first_nonzero >= 0;
}

}  // namespace

std::optional<std::uint64_t> unsigned_64(std::string_view text) { return unsigned_number<std::uint64_t>(text); }

std::optional<std::uint32_t> unsigned_32(std::string_view text) { return unsigned_number<std::uint32_t>(text); }

std::optional<double> floating(std::string_view text) {
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    constexpr double infinity = std::numeric_limits<double>::infinity();
    if (same_ignoring_case(text, "inf") || same_ignoring_case(text, "infinity")) {
        return negative ? -infinity : infinity;
    }
    if (same_ignoring_case(text, "nan")) return std::numeric_limits<double>::quiet_NaN();
    auto at_least_one = decimal_at_least_one(text);
    if (!at_least_one) return std::nullopt;
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        value = *at_least_one ? infinity : 0.0;
    } else if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace brelk::verdict
