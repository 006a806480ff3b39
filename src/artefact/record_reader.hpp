#pragma once
// Reading plain records out of YAML node trees. Every record type is described
// once by a table of fields (key, presence, value reader, member) in declaration
// order; the one engine below walks a mapping against such a table, so the
// reading rules and the wording of every message live in this file and its .cpp.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "artefact/yaml.hpp"

namespace brelk::record {

// Why a value could not be read; kept apart from the value so that text fields
// can be read as Read<std::string> without ambiguity.
struct Failure {
    std::string message;
};

template <class T>
using Read = std::variant<T, Failure>;

// The wording of the messages. `found` names what a node holds: "integer `5`",
// "floating point `1.5`", "string \"x\"", "unit value", "sequence", "map".
std::string found(const yaml::Node& node);
Failure invalid_type(const yaml::Node& node, std::string_view expected);
Failure missing_field(std::string_view key);
Failure duplicate_field(std::string_view key);

// Scalars. Numbers accept only what their type can hold exactly; a float
// accepts any YAML number. Tags are disregarded.
Read<std::string> text(const yaml::Node& node);
Read<bool> boolean(const yaml::Node& node);
Read<std::uint32_t> u32(const yaml::Node& node);
Read<std::uint64_t> u64(const yaml::Node& node);
Read<double> f64(const yaml::Node& node);
// Any node at all, held as it stands.
Read<yaml::NodePtr> any_node(const yaml::Node& node);

// Required: a missing key is an error. Optional: a missing key or null is absent.
// Default: a missing key leaves the member's initial value; null is read like any
// other value, so only lists and mappings take it (as empty).
enum class Presence { Required, Optional, Default };

template <class Record>
struct Field {
    std::string_view key;
    Presence presence = Presence::Required;
    std::optional<Failure> (*read)(const yaml::Node& value, Record& into) = nullptr;
};

namespace detail {

template <class Member>
struct member_of;
template <class R, class T>
struct member_of<T R::*> {
    using record = R;
};

template <auto Reader>
using value_of = std::variant_alternative_t<0, std::invoke_result_t<decltype(Reader), const yaml::Node&>>;

template <auto Member, auto Reader>
std::optional<Failure> store(const yaml::Node& node, typename member_of<decltype(Member)>::record& into) {
    auto value = Reader(node);
    if (auto* failure = std::get_if<Failure>(&value)) return std::move(*failure);
    into.*Member = std::move(std::get<0>(value));
    return std::nullopt;
}

}  // namespace detail

// One row of a record's table: field<&Execution::samples_planned, u32>("samplesPlanned", Presence::Optional).
template <auto Member, auto Reader>
constexpr auto field(std::string_view key, Presence presence) {
    using Record = typename detail::member_of<decltype(Member)>::record;
    return Field<Record>{key, presence, &detail::store<Member, Reader>};
}

// Reads a mapping (null counts as empty) against a record's fields. Keys are
// taken in the order the file writes them, so a failure inside a value is
// reported before any missing key; unknown keys are passed over.
template <class Record, std::size_t N>
Read<Record> read_record(const yaml::Node& node, std::string_view name, const std::array<Field<Record>, N>& fields) {
    if (node.kind != yaml::NodeKind::Null && node.kind != yaml::NodeKind::Mapping) return invalid_type(node, name);
    Record record{};
    std::array<bool, N> seen{};
    for (const auto& entry : node.entries) {
        const auto& key = *entry.first;
        const auto& value = *entry.second;
        if (key.kind != yaml::NodeKind::String) continue;
        auto row = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.key == key.text; });
        if (row == fields.end()) continue;
        auto index = static_cast<std::size_t>(row - fields.begin());
        if (seen[index]) return duplicate_field(row->key);
        seen[index] = true;
        if (row->presence == Presence::Optional && value.kind == yaml::NodeKind::Null) continue;
        if (auto failure = row->read(value, record)) return std::move(*failure);
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (fields[i].presence == Presence::Required && !seen[i]) return missing_field(fields[i].key);
    }
    return record;
}

// A list of values; null is the empty list.
template <auto Reader>
Read<std::vector<detail::value_of<Reader>>> list(const yaml::Node& node) {
    std::vector<detail::value_of<Reader>> values;
    if (node.kind == yaml::NodeKind::Null) return values;
    if (node.kind != yaml::NodeKind::Sequence) return invalid_type(node, "a sequence");
    values.reserve(node.items.size());
    for (const auto& item : node.items) {
        auto value = Reader(*item);
        if (auto* failure = std::get_if<Failure>(&value)) return std::move(*failure);
        values.push_back(std::move(std::get<0>(value)));
    }
    return values;
}

// A mapping from text keys, as (key, value) pairs in the order the file writes
// them; null is the empty mapping.
template <auto Reader>
Read<std::vector<std::pair<std::string, detail::value_of<Reader>>>> stated_order(const yaml::Node& node) {
    std::vector<std::pair<std::string, detail::value_of<Reader>>> pairs;
    if (node.kind == yaml::NodeKind::Null) return pairs;
    if (node.kind != yaml::NodeKind::Mapping) return invalid_type(node, "a map");
    pairs.reserve(node.entries.size());
    for (const auto& [key, value] : node.entries) {
        if (key->kind != yaml::NodeKind::String) return invalid_type(*key, "a string");
        auto read = Reader(*value);
        if (auto* failure = std::get_if<Failure>(&read)) return std::move(*failure);
        pairs.emplace_back(key->text, std::move(std::get<0>(read)));
    }
    return pairs;
}

// The same mapping held sorted by key, byte order (the parser has already
// refused a key written twice).
template <auto Reader>
Read<std::vector<std::pair<std::string, detail::value_of<Reader>>>> sorted_map(const yaml::Node& node) {
    auto read = stated_order<Reader>(node);
    if (auto* pairs = std::get_if<0>(&read)) {
        std::stable_sort(pairs->begin(), pairs->end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    return read;
}

// The message of a failed read, or the record, as collection wants it.
template <class Record>
std::variant<Record, std::string> to_outcome(Read<Record> read) {
    if (auto* failure = std::get_if<Failure>(&read)) return std::move(failure->message);
    return std::move(std::get<0>(read));
}

}  // namespace brelk::record
