#pragma once
// How paths, arguments and stated texts are shown on standard error: one line
// stays one line, and nothing in a file name or a stated text can move the
// cursor, recolour the terminal or reverse the text that follows it.
#include <string>
#include <string_view>

namespace brelk {

// C0 and C1 controls, DEL, and the bidirectional embeddings, overrides and
// isolates (U+202A-U+202E, U+2066-U+2069).
bool is_unsafe_in_diagnostics(char32_t c);

// The text between double quotes with \" \\ \t \r \n \0 escapes and any other
// unsafe character as \u{h}; bytes that are not valid UTF-8 as U+FFFD.
std::string quoted_literal(std::string_view text);

// Bytes that are not valid UTF-8 replaced by U+FFFD.
std::string display_text(std::string_view bytes);

// display_text, with every unsafe character written as \u{h} (lowercase hex,
// no leading zeros); text without them is unchanged.
std::string diagnostic_text(std::string_view bytes);

}  // namespace brelk
