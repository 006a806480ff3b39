#pragma once
// A read-only element tree of one XML document, read with namespace processing.
// Documents with a document type declaration are refused before anything in
// them is processed, so no entity of any kind is ever declared or expanded.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace brelk::xml {

struct Attribute {
    std::string name;  // unqualified
    std::string value;
};

struct Element {
    std::string local_name;
    std::string namespace_name;          // empty when the element is in no namespace
    std::vector<Attribute> attributes;   // the unqualified ones, in document order
    std::vector<const Element*> children;  // child elements in document order, owned by the document
};

// Every element lives in `elements` (the root first) and none owns another, so
// a document nested arbitrarily deep is built and freed without recursion.
struct Document {
    std::vector<std::unique_ptr<Element>> elements;

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
