#pragma once
// A file that was not rendered, and why.
#include <optional>
#include <string>
#include <variant>

#include "artefact/yaml.hpp"

namespace brelk {

struct Unreadable { std::string message; };
struct InvalidYaml { std::optional<yaml::Location> location; std::string message; };
struct InvalidXml { std::string message; };
struct SchemaMismatch { std::optional<std::string> stated; };
struct InvalidDocument { std::string message; };

using SkipReason = std::variant<Unreadable, InvalidYaml, InvalidXml, SchemaMismatch, InvalidDocument>;

struct SkippedArtefact {
    SkipReason reason;
    std::string path;  // display text: directory / service / file, invalid UTF-8 as U+FFFD
    std::string kind;  // the schema identifier, or "verdict-record"
};

// What follows "skipped " on standard error.
std::string display(const SkippedArtefact& skipped);

}  // namespace brelk
