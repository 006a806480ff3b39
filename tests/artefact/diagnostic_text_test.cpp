#include "artefact/diagnostic_text.hpp"

#include <string>

#include <gtest/gtest.h>

namespace brelk {
namespace {

using namespace std::string_literals;

TEST(QuotedLiteral, EscapesAndControlCharacters) {
    EXPECT_EQ(quoted_literal(""), R"("")");
    EXPECT_EQ(quoted_literal("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(quoted_literal("\t\r\n"s + '\0'), R"("\t\r\n\0")");
    EXPECT_EQ(quoted_literal("\x1b[0m\x7f"), R"("\u{1b}[0m\u{7f}")");
    // U+0085 and U+009F are C1 controls; U+00A0 is printable.
    EXPECT_EQ(quoted_literal("\xc2\x85\xc2\x9f\xc2\xa0"), "\"\\u{85}\\u{9f}\xc2\xa0\"");
    EXPECT_EQ(quoted_literal("runs/\xe2\x80\x94.yaml"), "\"runs/\xe2\x80\x94.yaml\"");
    EXPECT_EQ(quoted_literal("bad\xff"), "\"bad\xef\xbf\xbd\"");
}

TEST(DisplayText, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(display_text("plain \xc3\xa9"), "plain \xc3\xa9");
    EXPECT_EQ(display_text("a\xff" "b"), "a\xef\xbf\xbd" "b");
    EXPECT_EQ(display_text("\xc3"), "\xef\xbf\xbd");  // truncated sequence
    EXPECT_EQ(display_text("\xed\xa0\x80"), "\xef\xbf\xbd");  // surrogate
}

}  // namespace
}  // namespace brelk
