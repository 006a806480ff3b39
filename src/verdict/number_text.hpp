#pragma once
// Numbers written as attribute texts of a verdict record.
#include <cstdint>
#include <optional>
#include <string_view>

namespace brelk::verdict {

// An optional "+" then one or more ASCII digits, nothing else, within range.
std::optional<std::uint64_t> unsigned_64(std::string_view text);
std::optional<std::uint32_t> unsigned_32(std::string_view text);

// A decimal floating-point text: optional sign, digits with an optional
// fraction and exponent, or inf, infinity, nan in any letter case. Magnitudes
// beyond the double range read as infinity, those below it as zero.
std::optional<double> floating(std::string_view text);

}  // namespace brelk::verdict
