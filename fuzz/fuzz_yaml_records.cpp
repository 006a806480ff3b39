// Any bytes, parsed as one YAML document and read as every record kind: the
// reader must answer with a record or a message, never crash, hang or balloon.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "artefact/artefact_reader.hpp"
#include "artefact/yaml.hpp"
#include "measure/baseline_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = brelk::yaml::parse_document(text);
    const auto* root = std::get_if<brelk::yaml::NodePtr>(&parsed);
    if (root == nullptr) return 0;
    const brelk::yaml::Node& document = **root;
    (void)brelk::yaml::find(document, "schemaVersion");
    (void)brelk::read_explore_artefact(document);
    (void)brelk::read_optimize_artefact(document);
    (void)brelk::measure::read_baseline_artefact(document);
    return 0;
}
