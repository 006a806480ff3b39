#include "html/text.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>
#include <utf8.h>

#include <array>
#include <utility>

namespace brelk {

namespace {

// Bytes that may start something escape rewrites: the four markup
// characters, C0 controls other than tab, line feed and carriage return, DEL,
// and the lead bytes of C1 controls (C2) and of the bidirectional controls (E2).
constexpr bool may_rewrite(unsigned char byte) {
    if (byte < 0x20) return byte != '\t' && byte != '\n' && byte != '\r';
    return byte == '&' || byte == '<' || byte == '>' || byte == '"' || byte == 0x7f || byte == 0xc2 || byte == 0xe2;
}

// The same, looked up: most text is scanned a byte at a time here.
constexpr auto rewritable = [] {
    std::array<bool, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) table[byte] = may_rewrite(static_cast<unsigned char>(byte));
    return table;
}();

// The length of the control character at the start of `rest` (UTF-8 encoded)
// and its code point, or 0 when it starts with no control character.
std::pair<std::size_t, char32_t> control_at(std::string_view rest) {
    const auto byte = [&](std::size_t i) { return i < rest.size() ? static_cast<unsigned char>(rest[i]) : 0u; };
    const unsigned first = byte(0);
    if (first < 0x20 || first == 0x7f) return {1, first};
    if (first == 0xc2 && byte(1) >= 0x80 && byte(1) <= 0x9f) return {2, byte(1)};
    if (first == 0xe2 && byte(1) == 0x80 && byte(2) >= 0xaa && byte(2) <= 0xae) return {3, 0x2000 + byte(2) - 0x80};
    if (first == 0xe2 && byte(1) == 0x81 && byte(2) >= 0xa6 && byte(2) <= 0xa9) return {3, 0x2040 + byte(2) - 0x80};
    return {0, 0};
}

// Hands the escaped text to `append` piece by piece: runs of text that stay
// as they are, and what stands for each character that does not.
template <class Append>
void escape_into(std::string_view text, Append append) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (run < text.size() && !rewritable[static_cast<unsigned char>(text[run])]) ++run;
        if (run > i) append(text.substr(i, run - i));
        if (run == text.size()) return;
        i = run;
        switch (text[i]) {
            case '&': append("&amp;"); ++i; continue;
            case '<': append("&lt;"); ++i; continue;
            case '>': append("&gt;"); ++i; continue;
            case '"': append("&quot;"); ++i; continue;
            default: break;
        }
        // Controls would vanish, garble the page or reverse the text after
        // them; the reader sees their code instead.
        const auto [length, code] = control_at(text.substr(i));
        if (length == 0) {
            append(text.substr(i++, 1));
            continue;
        }
        fmt::basic_memory_buffer<char, 16> shown;
        fmt::format_to(fmt::appender(shown), FMT_COMPILE("\\u{{{:x}}}"), static_cast<std::uint32_t>(code));
        append(std::string_view(shown.data(), shown.size()));
        i += length;
    }
}

}  // namespace

fmt::appender escape_to(fmt::appender out, std::string_view text) {
    auto& buffer = fmt::detail::get_container(out);
    escape_into(text, [&buffer](std::string_view piece) { buffer.append(piece.data(), piece.data() + piece.size()); });
    return out;
}

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    escape_into(text, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::string count_noun(std::uint64_t n, std::string_view noun) {
    if (n == 1) return fmt::format(FMT_COMPILE("1 {}"), noun);
    return fmt::format(FMT_COMPILE("{} {}s"), n, noun);
}

std::size_t char_count(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

std::string_view first_chars(std::string_view text, std::size_t n) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen == n) return text.substr(0, i);
        ++seen;
    }
    return text;
}

}  // namespace brelk
