#pragma once
// One YAML document as a tree of read-only nodes. Aliases point at the node
// they name instead of copying it, so a file full of aliases stays small.
//
// A document's nodes, texts and child lists live in storage that is dropped
// as a whole: the pointer to its top-level node owns it, and every node, view
// and span reached from that node stays valid as long as the pointer lives.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace brelk::yaml {

struct Node;
using NodePtr = std::shared_ptr<const Node>;
using Entry = std::pair<const Node*, const Node*>;  // key, value

enum class NodeKind { Null, Boolean, Integer, Float, String, Sequence, Mapping };

// A plain scalar resolved by the YAML 1.2 core schema; quoted and block
// scalars are always strings. An integer is held as sign and magnitude so the
// whole range from -2^63 to 2^64-1 survives; one beyond that is a Float.
//
// Tags stay on the node as written, handles expanded ("!!str" reads
// "tag:yaml.org,2002:str"). "!!str" and the non-specific "!" make any scalar
// a String. "!!null", "!!bool", "!!int" and "!!float" make a scalar, quoted
// or not, that type when its text reads as one ("!!float 1" is the Float 1);
// otherwise the scalar resolves as it would untagged. Other tags change
// nothing but the tag field.
struct Node {
    NodeKind kind = NodeKind::Null;
    bool boolean = false;
    bool negative = false;        // Integer: the sign
    std::string_view tag;         // as written after resolution of handles; empty when untagged
    std::uint64_t magnitude = 0;  // Integer: the absolute value
    double number = 0.0;          // Float
    std::string_view text;        // String: the value; other scalars: the source text
    std::span<const Node* const> items;  // Sequence
    std::span<const Entry> entries;      // Mapping, in stated order
};

struct Location {
    std::uint64_t line = 0;    // from 1
    std::uint64_t column = 0;  // from 1
};

struct ParseError {
    std::optional<Location> location;
    std::string message;
};

// Exactly one document: none is "EOF while parsing a value", several are
// "deserializing from YAML containing more than one document is not supported".
// A repeated scalar key is "duplicate key". Collections nested more than 128
// deep (counting what aliases stand for) are "recursion limit exceeded";
// aliases standing for more than 100 times what was written (nodes plus scalar
// bytes), or for more than 256 MiB of it, are "repetition limit exceeded".
// A leading byte-order mark is ignored. Never throws.
std::variant<NodePtr, ParseError> parse_document(std::string_view text);

// The value under a plain-text key of a mapping node, or null when absent.
const Node* find(const Node& mapping, std::string_view key);

// A node and everything beneath it in storage of its own, so that it can
// outlive the document it was read from without keeping all of it. Nodes that
// aliases share stay shared.
NodePtr copy_tree(const Node& node);

}  // namespace brelk::yaml
