#include "verdict/xml_tree.hpp"

#include <expat.h>
#include <fmt/format.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <exception>

namespace brelk::xml {
namespace {

// Expat joins a namespace name and a local name with this character, and
// refuses a namespace name that holds it. XML 1.0 text cannot hold it in any
// form, so no document is refused for it.
constexpr char namespace_separator = '\x01';

// Expat takes lengths as int; larger texts are fed in pieces.
constexpr std::size_t piece_size = std::size_t{1} << 20;

struct Position {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

struct Builder {
    XML_Parser parser = nullptr;
    Document document;
    std::string_view last_namespace;       // most elements share one: it is kept once
    std::vector<Element*> open;            // elements whose end tag is still ahead, innermost last
    Position prolog_end;                   // where the next construct of the prolog begins
    std::optional<std::string> refusal;    // why a handler stopped the parser
};

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

Position current_position(XML_Parser parser) {
    return {XML_GetCurrentLineNumber(parser), XML_GetCurrentColumnNumber(parser) + 1};
}

// Counts as expat does: "\r\n", "\r" and "\n" are one line break each, and
// every character, however many bytes it takes, is one column.
Position advanced(Position at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++at.line;
            at.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++at.column;
        }
    }
    return at;
}

std::string located(std::string_view message, Position at) {
    return fmt::format("{} at line {}, column {}", message, at.line, at.column);
}

void refuse(Builder& builder, std::string message) {
    if (!builder.refusal) builder.refusal = std::move(message);
    XML_StopParser(builder.parser, XML_FALSE);
}

// A copy of `text` in the document's arena.
std::string_view kept(Builder& builder, std::string_view text) {
    if (text.empty()) return {};
    auto* copy = static_cast<char*>(builder.document.arena->allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

void name_element(Builder& builder, Element& element, std::string_view expanded) {
    auto split = expanded.rfind(namespace_separator);
    if (split == std::string_view::npos) {
        element.local_name = kept(builder, expanded);
        return;
    }
    const std::string_view namespace_name = expanded.substr(0, split);
    if (namespace_name != builder.last_namespace) builder.last_namespace = kept(builder, namespace_name);
    element.namespace_name = builder.last_namespace;
    element.local_name = kept(builder, expanded.substr(split + 1));
}

void XMLCALL on_start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& builder = *static_cast<Builder*>(data);
    try {
        // Never destroyed: everything it holds goes with the arena.
        std::pmr::memory_resource* arena = builder.document.arena.get();
        auto* place = arena->allocate(sizeof(Element), alignof(Element));
        Element& element = *new (place) Element{{}, {}, std::pmr::vector<Attribute>(arena),
                                                std::pmr::vector<const Element*>(arena)};
        name_element(builder, element, name);
        for (const XML_Char** pair = attributes; *pair != nullptr; pair += 2) {
            std::string_view attribute_name = pair[0];
            if (attribute_name.find(namespace_separator) != std::string_view::npos) continue;
            element.attributes.push_back(Attribute{kept(builder, attribute_name), kept(builder, pair[1])});
        }
        builder.document.elements.push_back(&element);
        if (builder.open.empty()) {
            // The prolog is over: stop watching it.
            XML_SetDefaultHandler(builder.parser, nullptr);
        } else {
            builder.open.back()->children.push_back(&element);
        }
        builder.open.push_back(&element);
    } catch (const std::exception&) {
        refuse(builder, located("out of memory", current_position(builder.parser)));
    }
}

void XMLCALL on_end(void* data, const XML_Char* /*name*/) {
    static_cast<Builder*>(data)->open.pop_back();
}

// Sees every construct of the prolog that has no handler of its own, so the
// start of a document type declaration is known when it is refused.
void XMLCALL on_prolog(void* data, const XML_Char* text, int length) {
    auto& builder = *static_cast<Builder*>(data);
    builder.prolog_end =
        advanced(current_position(builder.parser), std::string_view(text, static_cast<std::size_t>(length)));
}

// Called once the declaration's name and external identifier are read and
// before its internal subset: nothing it declares is ever seen.
void XMLCALL on_doctype(void* data, const XML_Char* /*name*/, const XML_Char* /*system_id*/,
                        const XML_Char* /*public_id*/, int /*has_internal_subset*/) {
    auto& builder = *static_cast<Builder*>(data);
    refuse(builder, located("document type declarations are not allowed", builder.prolog_end));
}

std::string failure(const Builder& builder) {
    if (builder.refusal) return *builder.refusal;
    const XML_LChar* message = XML_ErrorString(XML_GetErrorCode(builder.parser));
    return located(message != nullptr ? message : "unknown error", current_position(builder.parser));
}

}  // namespace

std::variant<Document, ParseError> parse(std::string_view text) {
    // The text was read as UTF-8; an encoding named in the XML declaration does not change that.
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreateNS("UTF-8", namespace_separator));
    if (!parser) return ParseError{"out of memory"};
    Builder builder;
    builder.parser = parser.get();
    builder.document.arena = std::make_unique<std::pmr::monotonic_buffer_resource>();
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(parser.get(), on_start, on_end);
    XML_SetDefaultHandler(parser.get(), on_prolog);
    XML_SetStartDoctypeDeclHandler(parser.get(), on_doctype);
    // No external subset or parameter entity is read, even if a declaration slipped through.
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    do {
        auto piece = text.substr(0, piece_size);
        text.remove_prefix(piece.size());
        auto status = XML_Parse(parser.get(), piece.data(), static_cast<int>(piece.size()),
                                text.empty() ? XML_TRUE : XML_FALSE);
        if (status != XML_STATUS_OK) return ParseError{failure(builder)};
    } while (!text.empty());
    return std::move(builder.document);
}

std::optional<std::string_view> attribute(const Element& element, std::string_view name) {
    for (const auto& candidate : element.attributes) {
        if (candidate.name == name) return candidate.value;
    }
    return std::nullopt;
}

std::vector<const Element*> children_named(const Element& parent, std::string_view local_name) {
    std::vector<const Element*> found;
    for (const Element* child : parent.children) {
        if (child->local_name == local_name) found.push_back(child);
    }
    return found;
}

}  // namespace brelk::xml
