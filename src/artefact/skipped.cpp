#include "artefact/skipped.hpp"

#include <fmt/format.h>

namespace brelk {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::string display(const SkippedArtefact& skipped) {
    const std::string& path = skipped.path;
    const std::string& kind = skipped.kind;
    return std::visit(
        Overloaded{
            [&](const Unreadable& r) { return fmt::format("(unreadable: {}): {}", r.message, path); },
            [&](const InvalidYaml& r) {
                if (!r.location) return fmt::format("(invalid YAML: {}): {}", r.message, path);
                return fmt::format("(invalid YAML at line {}, column {}: {}): {}", r.location->line,
                                   r.location->column, r.message, path);
            },
            [&](const InvalidXml& r) { return fmt::format("(invalid XML: {}): {}", r.message, path); },
            [&](const SchemaMismatch& r) {
                if (!r.stated) return fmt::format("(not a {} document): {}", kind, path);
                return fmt::format("(states {}, not {}): {}", *r.stated, kind, path);
            },
            [&](const InvalidDocument& r) { return fmt::format("(invalid {} document: {}): {}", kind, r.message, path); },
        },
        skipped.reason);
}

}  // namespace brelk
