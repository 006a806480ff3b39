#pragma once
// One XML document read with namespace processing, told element by element
// to a reader that keeps only what it needs: no tree of the document is built.
// Documents with a document type declaration are refused before anything in
// them is processed, so no entity of any kind is ever declared or expanded.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brelk::xml {

// The attributes of one start tag, as the parser holds them while the tag is
// being told: valid only during that call.
class Attributes {
public:
    explicit Attributes(const char* const* pairs) : pairs_(pairs) {}

    // The value of the unqualified attribute `name`; a prefixed attribute is
    // never found, whatever its local name.
    std::optional<std::string_view> operator[](std::string_view name) const {
        return pick(std::array<std::string_view, 1>{name})[0];
    }

    // The values of several attributes, found in one walk of the tag: an
    // element with many attributes is not walked once per attribute.
    template <std::size_t N>
    std::array<std::optional<std::string_view>, N> pick(const std::array<std::string_view, N>& names) const {
        std::array<std::optional<std::string_view>, N> values;
        for (const char* const* pair = pairs_; *pair != nullptr; pair += 2) {
            // A prefixed name holds its namespace too, so it never equals a plain one.
            const std::string_view name = pair[0];
            for (std::size_t i = 0; i < N; ++i) {
                if (name == names[i]) {
                    values[i] = std::string_view(pair[1]);
                    break;
                }
            }
        }
        return values;
    }

private:
    const char* const* pairs_;  // name, value, name, value, ..., null
};

struct StartTag {
    std::string_view local_name;
    std::string_view namespace_name;  // empty when the element is in no namespace
    Attributes attributes;
};

// What the reader is told, in document order. `start` may throw
// std::bad_alloc: the parse then stops as the parser stops when its own memory
// runs out.
struct ElementEvents {
    void* reader;
    void (*start)(void* reader, const StartTag& tag);
    void (*end)(void* reader);
};

// The parser's message with its position, e.g. "mismatched tag at line 3, column 5".
struct ParseError {
    std::string message;
};

// Parses UTF-8 text (whatever encoding the XML declaration names), telling
// `events` every element; the error of a text that is not well-formed XML.
std::optional<ParseError> parse(std::string_view text, ElementEvents events);

}  // namespace brelk::xml
