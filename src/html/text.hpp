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

// Values shown as format arguments that write themselves into the page with
// `write_to(fmt::appender, const T&)`, found beside T: no string is made for
// them on the way. Other outputs (a string under construction) get the same
// text through a buffer.
template <class T>
struct WrittenFormatter {
    constexpr auto parse(fmt::format_parse_context& context) { return context.begin(); }

    template <class Context>
    auto format(const T& value, Context& context) const {
        if constexpr (std::is_same_v<decltype(context.out()), fmt::appender>) {
            return write_to(context.out(), value);
        } else {
            fmt::memory_buffer buffer;
            write_to(fmt::appender(buffer), value);
            return std::copy(buffer.begin(), buffer.end(), context.out());
        }
    }
};

// Text shown escaped: `fmt::format_to(out, "<td>{}</td>", escaped(name))`. It
// borrows the text, so it lives no longer than the call it is an argument of.
struct Escaped {
    std::string_view text;
};

inline Escaped escaped(std::string_view text) { return Escaped{text}; }

inline fmt::appender write_to(fmt::appender out, const Escaped& text) { return escape_to(out, text.text); }

// "1 sample", "0 samples", "3 samples".
std::string count_noun(std::uint64_t n, std::string_view noun);

// Number of Unicode scalar values in valid UTF-8 text.
std::size_t char_count(std::string_view text);

// The first n scalar values of valid UTF-8 text (all of it when shorter).
std::string_view first_chars(std::string_view text, std::size_t n);

}  // namespace brelk

template <>
struct fmt::formatter<brelk::Escaped> : brelk::WrittenFormatter<brelk::Escaped> {};
