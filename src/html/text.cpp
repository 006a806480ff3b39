#include "html/text.hpp"

#include <fmt/format.h>
#include <utf8.h>

namespace brelk {

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string count_noun(std::uint64_t n, std::string_view noun) {
    if (n == 1) return fmt::format("1 {}", noun);
    return fmt::format("{} {}s", n, noun);
}

std::string quoted_literal(std::string_view text) {
    std::string out = "\"";
    auto valid = display_text(text);
    for (auto it = valid.begin(); it != valid.end();) {
        auto start = it;
        char32_t c = utf8::next(it, valid.end());
        switch (c) {
            case U'"': out += "\\\""; continue;
            case U'\\': out += "\\\\"; continue;
            case U'\t': out += "\\t"; continue;
            case U'\r': out += "\\r"; continue;
            case U'\n': out += "\\n"; continue;
            case U'\0': out += "\\0"; continue;
            default: break;
        }
        if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) {
            out += fmt::format("\\u{{{:x}}}", static_cast<std::uint32_t>(c));
        } else {
            out.append(start, it);
        }
    }
    out += '"';
    return out;
}

std::string display_text(std::string_view bytes) {
    if (utf8::is_valid(bytes.begin(), bytes.end())) return std::string(bytes);
    std::string out;
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(out), 0xFFFD);
    return out;
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
