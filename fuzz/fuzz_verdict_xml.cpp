// Any bytes, parsed as XML and, when the root is a verdict record, distilled
// into a run the way the verdict walk does it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "verdict/verdict_record.hpp"
#include "verdict/xml_tree.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto parsed = brelk::xml::parse(text);
    const auto* document = std::get_if<brelk::xml::Document>(&parsed);
    if (document == nullptr) return 0;
    const brelk::xml::Element& root = document->root();
    if (root.local_name != "verdict-record" || root.namespace_name != brelk::verdict::verdict_namespace) return 0;
    std::vector<std::string> notices;
    (void)brelk::verdict::distil(root, "fuzz/input.xml", notices);
    return 0;
}
