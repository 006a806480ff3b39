#pragma once
// A read-only element tree of one XML document, read with namespace processing.
// Documents with a document type declaration are refused before anything in
// them is processed, so no entity of any kind is ever declared or expanded.
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brelk::xml {

// Names and values are views of text held by the element's document.
struct Attribute {
    std::string_view name;  // unqualified
    std::string_view value;
};

struct Element {
    std::string_view local_name;
    std::string_view namespace_name;                // empty when the element is in no namespace
    std::pmr::vector<Attribute> attributes;         // the unqualified ones, in document order
    std::pmr::vector<const Element*> children;      // child elements in document order
};

// Every element and every text of a document lives in its arena, taken and
// given back whole: a document is built without an allocation per name, and
// one nested arbitrarily deep is freed without recursion.
struct Document {
    std::unique_ptr<std::pmr::monotonic_buffer_resource> arena;
    std::vector<const Element*> elements;  // the root first, in document order

    const Element& root() const { return *elements.front(); }
};

// The parser's message with its position, e.g. "mismatched tag at line 3, column 5".
struct ParseError {
    std::string message;
};

// Parses UTF-8 text (whatever encoding the XML declaration names).
std::variant<Document, ParseError> parse(std::string_view text);

// The value of the unqualified attribute `name`.
std::optional<std::string_view> attribute(const Element& element, std::string_view name);

// The child elements with this local name, whatever their namespace, in document order.
std::vector<const Element*> children_named(const Element& parent, std::string_view local_name);

}  // namespace brelk::xml
