#include "artefact/record_reader.hpp"

#include "artefact/plain_number.hpp"

#include <cmath>
#include <limits>
#include <memory>

#include <fmt/format.h>

namespace brelk::record {

namespace {

std::string integer_text(const yaml::Node& node) {
    auto digits = std::to_string(node.magnitude);
    return node.negative && node.magnitude != 0 ? "-" + digits : digits;
}

// Integral values keep a ".0" so that a float never reads like an integer in
// a message.
std::string float_text(double value) {
    std::string digits = shortest(value);
    if (std::isfinite(value) && digits.find('.') == std::string::npos) digits += ".0";
    return digits;
}

Failure invalid_value(const yaml::Node& node, std::string_view expected) {
    return Failure{fmt::format("invalid value: integer `{}`, expected {}", integer_text(node), expected)};
}

template <class Unsigned>
Read<Unsigned> unsigned_integer(const yaml::Node& node, std::string_view expected) {
    if (node.kind != yaml::NodeKind::Integer) return invalid_type(node, expected);
    if (node.negative && node.magnitude != 0) return invalid_value(node, expected);
    if (node.magnitude > std::numeric_limits<Unsigned>::max()) return invalid_value(node, expected);
    return static_cast<Unsigned>(node.magnitude);
}

}  // namespace

std::string found(const yaml::Node& node) {
    switch (node.kind) {
        case yaml::NodeKind::Null: return "unit value";
        case yaml::NodeKind::Boolean: return node.boolean ? "boolean `true`" : "boolean `false`";
        case yaml::NodeKind::Integer: return fmt::format("integer `{}`", integer_text(node));
        case yaml::NodeKind::Float: return fmt::format("floating point `{}`", float_text(node.number));
        case yaml::NodeKind::String: return fmt::format("string \"{}\"", node.text);
        case yaml::NodeKind::Sequence: return "sequence";
        case yaml::NodeKind::Mapping: return "map";
    }
    return "unit value";
}

Failure invalid_type(const yaml::Node& node, std::string_view expected) {
    return Failure{fmt::format("invalid type: {}, expected {}", found(node), expected)};
}

Failure missing_field(std::string_view key) { return Failure{fmt::format("missing field `{}`", key)}; }

Failure duplicate_field(std::string_view key) { return Failure{fmt::format("duplicate field `{}`", key)}; }

Read<std::string> text(const yaml::Node& node) {
    if (node.kind != yaml::NodeKind::String) return invalid_type(node, "a string");
    return std::string(node.text);
}

Read<bool> boolean(const yaml::Node& node) {
    if (node.kind != yaml::NodeKind::Boolean) return invalid_type(node, "a boolean");
    return node.boolean;
}

Read<std::uint32_t> u32(const yaml::Node& node) { return unsigned_integer<std::uint32_t>(node, "u32"); }

Read<std::uint64_t> u64(const yaml::Node& node) { return unsigned_integer<std::uint64_t>(node, "u64"); }

Read<double> f64(const yaml::Node& node) {
    if (node.kind == yaml::NodeKind::Float) return node.number;
    if (node.kind != yaml::NodeKind::Integer) return invalid_type(node, "f64");
    auto magnitude = static_cast<double>(node.magnitude);
    return node.negative ? -magnitude : magnitude;
}

Read<yaml::NodePtr> any_node(const yaml::Node& node) {
    // A copy of its own, so the record does not keep the whole document alive.
    return yaml::copy_tree(node);
}

}  // namespace brelk::record
