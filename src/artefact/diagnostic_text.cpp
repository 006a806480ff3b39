#include "artefact/diagnostic_text.hpp"

#include <fmt/format.h>
#include <utf8.h>

namespace brelk {

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

}  // namespace brelk
