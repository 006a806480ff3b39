#include "verdict/xml_events.hpp"

#include <expat.h>
#include <fmt/format.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

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

struct Reading {
    XML_Parser parser = nullptr;
    ElementEvents events;
    bool in_prolog = true;
    Position prolog_end;                 // where the next construct of the prolog begins
    std::optional<std::string> refusal;  // why a handler stopped the parser
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

void refuse(Reading& reading, std::string message) {
    if (!reading.refusal) reading.refusal = std::move(message);
    XML_StopParser(reading.parser, XML_FALSE);
}

void XMLCALL on_start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& reading = *static_cast<Reading*>(data);
    if (reading.in_prolog) {
        // The prolog is over: stop watching it.
        XML_SetDefaultHandler(reading.parser, nullptr);
        reading.in_prolog = false;
    }
    const std::string_view expanded = name;
    const auto split = expanded.rfind(namespace_separator);
    StartTag tag{expanded, {}, Attributes(attributes)};
    if (split != std::string_view::npos) {
        tag.namespace_name = expanded.substr(0, split);
        tag.local_name = expanded.substr(split + 1);
    }
    // An exception must not cross the parser's C frames.
    try {
        reading.events.start(reading.events.reader, tag);
    } catch (const std::exception&) {
        refuse(reading, located("out of memory", current_position(reading.parser)));
    }
}

void XMLCALL on_end(void* data, const XML_Char* /*name*/) {
    auto& reading = *static_cast<Reading*>(data);
    reading.events.end(reading.events.reader);
}

// Sees every construct of the prolog that has no handler of its own, so the
// start of a document type declaration is known when it is refused.
void XMLCALL on_prolog(void* data, const XML_Char* text, int length) {
    auto& reading = *static_cast<Reading*>(data);
    reading.prolog_end =
        advanced(current_position(reading.parser), std::string_view(text, static_cast<std::size_t>(length)));
}

// Called once the declaration's name and external identifier are read and
// before its internal subset: nothing it declares is ever seen.
void XMLCALL on_doctype(void* data, const XML_Char* /*name*/, const XML_Char* /*system_id*/,
                        const XML_Char* /*public_id*/, int /*has_internal_subset*/) {
    auto& reading = *static_cast<Reading*>(data);
    refuse(reading, located("document type declarations are not allowed", reading.prolog_end));
}

std::string failure(const Reading& reading) {
    if (reading.refusal) return *reading.refusal;
    const XML_LChar* message = XML_ErrorString(XML_GetErrorCode(reading.parser));
    return located(message != nullptr ? message : "unknown error", current_position(reading.parser));
}

}  // namespace

std::optional<ParseError> parse(std::string_view text, ElementEvents events) {
    // The text was read as UTF-8; an encoding named in the XML declaration does not change that.
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreateNS("UTF-8", namespace_separator));
    if (!parser) return ParseError{"out of memory"};
    Reading reading;
    reading.parser = parser.get();
    reading.events = events;
    XML_SetUserData(parser.get(), &reading);
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
        if (status != XML_STATUS_OK) return ParseError{failure(reading)};
    } while (!text.empty());
    return std::nullopt;
}

}  // namespace brelk::xml
