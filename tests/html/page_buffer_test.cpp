#include "html/page_buffer.hpp"

#include <gtest/gtest.h>
#include <fmt/format.h>

#include <string>
#include <vector>

namespace brelk {
namespace {

// A small buffer shows every path: templates that fit, templates that
// overflow it, and whole sections longer than it. The sink only ever gets
// full buffers, or whole multiples of one straight from a long section, so
// every chunk but the last starts at a multiple of the capacity.
TEST(PageBuffer, HandsTheSinkWholeBuffersInOrder) {
    std::vector<std::string> chunks;
    PageBuffer page([&](std::string_view chunk) { chunks.emplace_back(chunk); }, 8);
    page += "<p>";
    fmt::format_to(fmt::appender(page), "{}-{}", "abcdefgh", 42);
    page.append_whole("short");
    page.append_whole("a section longer than two buffers");
    page += '!';
    page.append_whole("");
    page.flush();
    page.flush();

    const std::vector<std::string> expected{"<p>abcde", "fgh-42sh", "orta sec", "tion longer than two buf", "fers!"};
    EXPECT_EQ(chunks, expected);
}

}  // namespace
}  // namespace brelk
