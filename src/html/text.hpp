#pragma once
// Small text operations every renderer and diagnostic uses.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include <fmt/format.h>

namespace brelk {

// "&", "<", ">" and the double quote as entities; C0 controls other than tab,
// line feed and carriage return, DEL, C1 controls and the bidirectional
// controls (U+202A-U+202E, U+2066-U+2069) as the visible text \u{h}.
// Nothing else is rewritten.
std::string escape(std::string_view text);

// What `escape` gives, written straight into `out`.
fmt::appender escape_to(fmt::appender out, std::string_view text);

// Text that a format argument shows escaped, with no string made for it on
// the way: `fmt::format_to(out, "<td>{}</td>", escaped(name))`. It borrows
// the text, so it lives no longer than the call it is an argument of.
struct Escaped {
    std::string_view text;
};

inline Escaped escaped(std::string_view text) { return Escaped{text}; }

// "1 sample", "0 samples", "3 samples".
std::string count_noun(std::uint64_t n, std::string_view noun);

// Number of Unicode scalar values in valid UTF-8 text.
std::size_t char_count(std::string_view text);

// The first n scalar values of valid UTF-8 text (all of it when shorter).
std::string_view first_chars(std::string_view text, std::size_t n);

}  // namespace brelk

template <>
struct fmt::formatter<brelk::Escaped> {
    constexpr auto parse(format_parse_context& context) { return context.begin(); }

    template <class Context>
    auto format(const brelk::Escaped& value, Context& context) const {
        if constexpr (std::is_same_v<decltype(context.out()), fmt::appender>) {
            return brelk::escape_to(context.out(), value.text);
        } else {
            const auto text = brelk::escape(value.text);
            return std::copy(text.begin(), text.end(), context.out());
        }
    }
};
