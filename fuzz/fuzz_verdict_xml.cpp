// Any bytes, read as a verdict record the way the verdict walk reads a file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "verdict/verdict_record.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> notices;
    (void)brelk::verdict::distil(text, "fuzz/input.xml", notices);
    return 0;
}
