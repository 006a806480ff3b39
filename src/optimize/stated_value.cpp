#include "optimize/stated_value.hpp"

#include <cmath>
#include <string>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "html/result_cells.hpp"
#include "html/text.hpp"

namespace brelk::optimize {

namespace {

// A tag asks for something this page cannot interpret; the reader treats any
// tag the same way for factor values.
bool is_tagged(const yaml::Node& value) { return !value.tag.empty(); }

std::string float_text(double number) {
    if (std::isnan(number)) return ".nan";
    if (std::isinf(number)) return number < 0 ? "-.inf" : ".inf";
    return shortest(number);
}

// The parser never leaves a child unset; should one be, it reads as null.
void append_child(PageBuffer& page, const yaml::Node* child) {
    if (child) {
        append_stated_value(page, *child);
    } else {
        page += "-";
    }
}

}  // namespace

std::string scalar_display(const yaml::Node& value) {
    if (is_tagged(value)) return "-";
    switch (value.kind) {
        case yaml::NodeKind::Boolean: return value.boolean ? "true" : "false";
        case yaml::NodeKind::Integer: return fmt::format("{}{}", value.negative ? "-" : "", value.magnitude);
        case yaml::NodeKind::Float: return float_text(value.number);
        case yaml::NodeKind::String: return std::string(value.text);
        case yaml::NodeKind::Null:
        case yaml::NodeKind::Sequence:
        case yaml::NodeKind::Mapping: return "-";
    }
    return "-";
}

void append_stated_value(PageBuffer& page, const yaml::Node& value) {
    if (!is_tagged(value) && value.kind == yaml::NodeKind::Sequence) {
        page += "<ol>";
        for (const auto& item : value.items) {
            page += "<li>";
            append_child(page, item);
            page += "</li>";
        }
        page += "</ol>";
        return;
    }
    if (!is_tagged(value) && value.kind == yaml::NodeKind::Mapping) {
        page += "<dl>";
        for (const auto& [key, item] : value.entries) {
            page += "<dt>";
            page += key ? escape(scalar_display(*key)) : "-";
            page += "</dt><dd>";
            append_child(page, item);
            page += "</dd>";
        }
        page += "</dl>";
        return;
    }
    page += long_value_html(scalar_display(value));
}

void append_stepper_block(PageBuffer& page, const OptimizeRun& run) {
    if (!run.stepper || !*run.stepper) return;
    page += "<h3>Stepper</h3>\n<div class=\"stated-block\">\n";
    append_stated_value(page, **run.stepper);
    page += "</div>\n";
}

}  // namespace brelk::optimize
