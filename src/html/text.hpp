#pragma once
// Small text operations every renderer and diagnostic uses.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brelk {

// "&", "<", ">" and the double quote as entities; C0 controls other than tab,
// line feed and carriage return, DEL, C1 controls and the bidirectional
// controls (U+202A-U+202E, U+2066-U+2069) as the visible text \u{h}.
// Nothing else is rewritten.
std::string escape(std::string_view text);

// "1 sample", "0 samples", "3 samples".
std::string count_noun(std::uint64_t n, std::string_view noun);

// Number of Unicode scalar values in valid UTF-8 text.
std::size_t char_count(std::string_view text);

// The first n scalar values of valid UTF-8 text (all of it when shorter).
std::string_view first_chars(std::string_view text, std::size_t n);

}  // namespace brelk
