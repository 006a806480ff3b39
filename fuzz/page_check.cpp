#include "page_check.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include <fmt/format.h>
#include <utf8.h>

namespace brelk::fuzz {

namespace {

// Every element and attribute name that the report templates write. A name
// outside these lists can only have come from an artefact's text.
constexpr std::array<std::string_view, 40> template_elements = {
    "a",     "b",      "body", "circle", "code",     "dd",  "details", "div",     "dl",      "dt",
    "footer", "g",     "h1",   "h2",     "h3",       "head", "header", "html",    "li",      "line",
    "main",  "meta",   "ol",   "p",      "polyline", "pre", "section", "span",    "strong",  "style",
    "summary", "svg",  "table", "tbody", "td",       "text", "th",     "thead",   "title",   "tr"};
constexpr std::array<std::string_view, 25> template_attributes = {
    "aria-label", "charset", "class",  "colspan", "cx",    "cy",    "height", "href", "id", "lang", "points", "r",
    "role",       "style",   "tabindex", "text-anchor", "title", "viewBox", "width", "x", "x1", "x2", "y", "y1", "y2"};
// Attributes whose value is a coordinate or a length.
constexpr std::array<std::string_view, 11> number_attributes = {"cx", "cy", "r",  "x",     "y",     "x1",
                                                                "x2", "y1", "y2", "width", "height"};

bool listed(std::span<const std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

struct Fault {
    std::string what;
    std::size_t at = 0;
};

std::string with_context(const Fault& fault, std::string_view text) {
    const std::size_t from = fault.at > 120 ? fault.at - 120 : 0;
    return fmt::format("{} (byte {}): …{}…", fault.what, fault.at, text.substr(from, 240));
}

// C0 and C1 controls, DEL, and the bidirectional embeddings, overrides and
// isolates: characters that hide or reorder the text around them.
bool hiding_character(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

std::optional<Fault> encoding_fault(std::string_view text, std::u32string_view allowed) {
    auto invalid = utf8::find_invalid(text.begin(), text.end());
    if (invalid != text.end()) return Fault{"not valid UTF-8", static_cast<std::size_t>(invalid - text.begin())};
    for (auto it = text.begin(); it != text.end();) {
        const auto start = it;
        const char32_t c = utf8::next(it, text.end());
        if (hiding_character(c) && allowed.find(c) == std::u32string_view::npos) {
            return Fault{fmt::format("raw U+{:04X}", static_cast<std::uint32_t>(c)),
                         static_cast<std::size_t>(start - text.begin())};
        }
    }
    return std::nullopt;
}

struct Attribute {
    std::string_view name;
    std::string_view value;
};

struct Tag {
    std::string_view name;
    bool closing = false;
    std::vector<Attribute> attributes;
    std::size_t end = 0;  // just past the '>'
};

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; }

// Reads the tag whose '<' is at `at` the way the templates write tags: a
// name, then name="value" pairs separated by spaces, then '>' or "/>".
std::variant<Tag, Fault> read_tag(std::string_view page, std::size_t at) {
    Tag tag;
    std::size_t i = at + 1;
    if (i < page.size() && page[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const std::size_t name_start = i;
    while (i < page.size() && name_char(page[i])) ++i;
    tag.name = page.substr(name_start, i - name_start);
    if (tag.name.empty() || !std::isalpha(static_cast<unsigned char>(tag.name.front()))) {
        return Fault{"a '<' that opens no tag", at};
    }
    for (;;) {
        while (i < page.size() && (page[i] == ' ' || page[i] == '\n')) ++i;
        if (i == page.size()) return Fault{"an unclosed tag", at};
        if (page[i] == '>' || page.substr(i, 2) == "/>") {
            tag.end = i + (page[i] == '>' ? 1 : 2);
            return tag;
        }
        const std::size_t attribute_start = i;
        while (i < page.size() && page[i] != '=' && page[i] != '>' && page[i] != ' ' && page[i] != '/') ++i;
        const std::string_view name = page.substr(attribute_start, i - attribute_start);
        if (name.empty() || page.substr(i, 2) != "=\"") return Fault{"an attribute without a quoted value", i};
        const std::size_t value_start = i + 2;
        const std::size_t value_end = page.find('"', value_start);
        if (value_end == std::string_view::npos) return Fault{"an unclosed attribute value", value_start};
        tag.attributes.push_back({name, page.substr(value_start, value_end - value_start)});
        i = value_end + 1;
    }
}

bool contains_folded(std::string_view text, std::string_view lower_needle) {
    auto found = std::search(text.begin(), text.end(), lower_needle.begin(), lower_needle.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    return found != text.end();
}

// A plain decimal number as the renderers write one: no exponent, no
// infinity or NaN, no negative zero.
bool plain_number(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty() || digits.front() == '.' || digits.back() == '.') return false;
    if (std::count(digits.begin(), digits.end(), '.') > 1) return false;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); })) {
        return false;
    }
    const bool zero = std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
    return !(zero && digits.size() != text.size());
}

bool numbers_only(std::string_view list) {
    std::size_t i = 0;
    while (i < list.size()) {
        const std::size_t end = std::min(list.find_first_of(" ,", i), list.size());
        if (!plain_number(list.substr(i, end - i))) return false;
        i = end + 1;
    }
    return true;
}

// "width:37.5%" and "left:0%" in a style: a plain number within [0, 100].
bool percentages_in_range(std::string_view style) {
    for (std::size_t colon = style.find(':'); colon != std::string_view::npos; colon = style.find(':', colon + 1)) {
        const std::size_t end = std::min(style.find(';', colon), style.size());
        const std::string_view value = style.substr(colon + 1, end - colon - 1);
        if (value.empty() || value.back() != '%') continue;
        const std::string_view number = value.substr(0, value.size() - 1);
        if (!plain_number(number)) return false;
        if (number.front() == '-' || std::strtod(std::string(number).c_str(), nullptr) > 100.0) return false;
    }
    return true;
}

std::optional<std::string> attribute_fault(const Attribute& attribute) {
    if (!listed(template_attributes, attribute.name)) return fmt::format("attribute \"{}\" is not the templates'", attribute.name);
    if (attribute.value.find('<') != std::string_view::npos) return std::string("a raw '<' in an attribute value");
    if (attribute.name == "href" && !attribute.value.starts_with('#')) {
        return fmt::format("a link that leaves the page: \"{}\"", attribute.value);
    }
    if (attribute.name == "style") {
        for (std::string_view risky : {"url(", "expression(", "@import", "\\"}) {
            if (contains_folded(attribute.value, risky)) return fmt::format("\"{}\" in a style attribute", risky);
        }
        if (!percentages_in_range(attribute.value)) return fmt::format("a bad percentage in \"{}\"", attribute.value);
    }
    const bool numeric = listed(number_attributes, attribute.name) && attribute.value.find('%') == std::string_view::npos;
    if ((numeric || attribute.name == "points" || attribute.name == "viewBox") && !numbers_only(attribute.value)) {
        return fmt::format("{}=\"{}\" is not a plain finite number", attribute.name, attribute.value);
    }
    return std::nullopt;
}

std::optional<Fault> tag_fault(const Tag& tag, std::size_t at) {
    if (!listed(template_elements, tag.name)) return Fault{fmt::format("element \"{}\" is not the templates'", tag.name), at};
    if (tag.closing && !tag.attributes.empty()) return Fault{"an end tag with attributes", at};
    for (const Attribute& attribute : tag.attributes) {
        if (auto fault = attribute_fault(attribute)) return Fault{*fault, at};
    }
    return std::nullopt;
}

// Every id names one element, and every link lands on one of them.
struct Anchors {
    std::unordered_set<std::string_view> ids;
    std::vector<std::pair<std::string_view, std::size_t>> links;  // target, where the tag starts
};

std::optional<Fault> note_anchors(const Tag& tag, std::size_t at, Anchors& anchors) {
    for (const Attribute& attribute : tag.attributes) {
        if (attribute.name == "id" && !anchors.ids.insert(attribute.value).second) {
            return Fault{fmt::format("a second element with id \"{}\"", attribute.value), at};
        }
        if (attribute.name == "href") anchors.links.emplace_back(attribute.value.substr(1), at);
    }
    return std::nullopt;
}

std::optional<Fault> broken_link(const Anchors& anchors) {
    for (const auto& [target, at] : anchors.links) {
        if (!anchors.ids.contains(target)) return Fault{fmt::format("a link to no id: \"#{}\"", target), at};
    }
    return std::nullopt;
}

std::optional<Fault> markup_fault(std::string_view page) {
    constexpr std::string_view doctype = "<!DOCTYPE html>\n";
    if (!page.starts_with(doctype)) return Fault{"the page does not start with the doctype", 0};
    Anchors anchors;
    std::size_t at = page.find('<', doctype.size());
    while (at != std::string_view::npos) {
        auto read = read_tag(page, at);
        if (auto* fault = std::get_if<Fault>(&read)) return *fault;
        const Tag& tag = std::get<Tag>(read);
        if (auto fault = tag_fault(tag, at)) return fault;
        if (auto fault = note_anchors(tag, at, anchors)) return fault;
        std::size_t next = tag.end;
        // The stylesheet is the program's own text; it only has to end where
        // the templates end it.
        if (tag.name == "style" && !tag.closing) {
            next = page.find("</style>", tag.end);
            if (next == std::string_view::npos) return Fault{"an unclosed stylesheet", at};
            if (page.substr(tag.end, next - tag.end).find('<') != std::string_view::npos) {
                return Fault{"a '<' inside the stylesheet", at};
            }
        }
        at = page.find('<', next);
    }
    return broken_link(anchors);
}

}  // namespace

std::optional<std::string> page_fault(std::string_view page) {
    auto fault = encoding_fault(page, U"\t\n\r");
    if (!fault) fault = markup_fault(page);
    if (!fault) return std::nullopt;
    return with_context(*fault, page);
}

std::optional<std::string> diagnostics_fault(std::string_view text) {
    if (auto fault = encoding_fault(text, U"\n")) return with_context(*fault, text);
    if (!text.empty() && text.back() != '\n') return std::string("diagnostics that do not end a line");
    return std::nullopt;
}

void abort_on(const std::optional<std::string>& fault) {
    if (!fault) return;
    std::fputs(fault->c_str(), stderr);
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace brelk::fuzz
