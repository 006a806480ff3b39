#pragma once
// What any input must still leave true of the program's output: the page holds
// only the markup its own templates write, and no text, on the page or in a
// diagnostic, can hide or forge anything with control characters.
#include <optional>
#include <string>
#include <string_view>

namespace brelk::fuzz {

// The first fault of a whole page, or nothing when it is sound.
std::optional<std::string> page_fault(std::string_view page);

// The first fault of what went to standard error: valid UTF-8 whose only
// control character is the line feed that ends each line.
std::optional<std::string> diagnostics_fault(std::string_view text);

// Prints a fault and aborts, so that libFuzzer keeps the input; nothing
// without one.
void abort_on(const std::optional<std::string>& fault);

}  // namespace brelk::fuzz
