#pragma once
// How paths, arguments and stated texts are shown on standard error.
#include <string>
#include <string_view>

namespace brelk {

// The text between double quotes with \" \\ \t \r \n \0 escapes and any other
// control character (U+0000-U+001F, U+007F-U+009F) as \u{h}.
std::string quoted_literal(std::string_view text);

// Bytes that are not valid UTF-8 replaced by U+FFFD, for showing paths and arguments.
std::string display_text(std::string_view bytes);

}  // namespace brelk
