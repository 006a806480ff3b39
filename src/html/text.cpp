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
