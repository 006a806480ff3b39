#include "html/page_buffer.hpp"

#include <gtest/gtest.h>
#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brelk {
namespace {

// A small buffer shows every path: templates that fit, templates that
// overflow it, and whole sections larger than it.
TEST(PageBuffer, HandsTheSinkThePageInOrderAndNeverMoreThanItHolds) {
    std::vector<std::string> chunks;
    PageBuffer page([&](std::string_view chunk) { chunks.emplace_back(chunk); }, 8);
    page += "<p>";
    fmt::format_to(fmt::appender(page), "{}-{}", "abcdefgh", 42);
    page.append_whole("short");
    page.append_whole("a section longer than the buffer");
    page += '!';
    page.append_whole("");
    page.flush();
    page.flush();

    std::string whole;
    for (const auto& chunk : chunks) {
        whole += chunk;
        EXPECT_FALSE(chunk.empty());
    }
    EXPECT_EQ(whole, "<p>abcdefgh-42shorta section longer than the buffer!");
    // The long section went through in one piece, after what came before it.
    EXPECT_NE(std::find(chunks.begin(), chunks.end(), "a section longer than the buffer"), chunks.end());
    for (const auto& chunk : chunks) {
        if (chunk == "a section longer than the buffer") continue;
        EXPECT_LE(chunk.size(), 8u) << chunk;
    }
}

}  // namespace
}  // namespace brelk
