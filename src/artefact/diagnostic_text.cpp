#include "artefact/diagnostic_text.hpp"

#include <fmt/format.h>
#include <utf8.h>

#include <algorithm>

namespace brelk {
namespace {

void append_code(std::string& out, char32_t c) {
    fmt::format_to(std::back_inserter(out), "\\u{{{:x}}}", static_cast<std::uint32_t>(c));
}

// Copies valid UTF-8 text, writing unsafe characters as \u{h} and the ones
// `named` knows by their short escape.
template <class Named>
void append_escaped(std::string& out, const std::string& valid, Named named) {
    for (auto it = valid.begin(); it != valid.end();) {
        auto start = it;
        const char32_t c = utf8::next(it, valid.end());
        if (const char* short_form = named(c)) {
            out += short_form;
        } else if (is_unsafe_in_diagnostics(c)) {
            append_code(out, c);
        } else {
            out.append(start, it);
        }
    }
}

}  // namespace

bool is_unsafe_in_diagnostics(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

std::string quoted_literal(std::string_view text) {
    std::string out = "\"";
    append_escaped(out, display_text(text), [](char32_t c) -> const char* {
        switch (c) {
            case U'"': return "\\\"";
            case U'\\': return "\\\\";
            case U'\t': return "\\t";
            case U'\r': return "\\r";
            case U'\n': return "\\n";
            case U'\0': return "\\0";
            default: return nullptr;
        }
    });
    out += '"';
    return out;
}

std::string display_text(std::string_view bytes) {
    if (utf8::is_valid(bytes.begin(), bytes.end())) return std::string(bytes);
    std::string out;
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(out), 0xFFFD);
    return out;
}

std::string diagnostic_text(std::string_view bytes) {
    std::string valid = display_text(bytes);
    const bool safe = std::none_of(valid.begin(), valid.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f || byte == 0xc2 || byte == 0xe2;
    });
    if (safe) return valid;
    std::string out;
    out.reserve(valid.size() + 8);
    append_escaped(out, valid, [](char32_t) -> const char* { return nullptr; });
    return out;
}

}  // namespace brelk
