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
    const auto read = brelk::verdict::distil(text, "fuzz/input.xml", notices);
    // What the page unpacks of a run must be there to unpack.
    if (const auto* run = std::get_if<brelk::verdict::VerdictRun>(&read)) (void)brelk::verdict::unpack(run->standings);
    return 0;
}
