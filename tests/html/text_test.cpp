#include "html/text.hpp"

#include <string>

#include <gtest/gtest.h>

namespace brelk {
namespace {

using namespace std::string_literals;

TEST(Escape, AmpersandFirstAndNothingElse) {
    EXPECT_EQ(escape(R"(<a href="x">'Tom' & Jerry</a>)"),
              "&lt;a href=&quot;x&quot;&gt;'Tom' &amp; Jerry&lt;/a&gt;");
    EXPECT_EQ(escape("&amp; &lt;"), "&amp;amp; &amp;lt;");
    EXPECT_EQ(escape(""), "");
    EXPECT_EQ(escape("caf\xc3\xa9 \xff"), "caf\xc3\xa9 \xff");
}

TEST(CountNoun, SingularOnlyForOne) {
    EXPECT_EQ(count_noun(0, "sample"), "0 samples");
    EXPECT_EQ(count_noun(1, "sample"), "1 sample");
    EXPECT_EQ(count_noun(3, "further input"), "3 further inputs");
    EXPECT_EQ(count_noun(18446744073709551615u, "run"), "18446744073709551615 runs");
}

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

TEST(CharCount, CountsScalarValuesNotBytes) {
    EXPECT_EQ(char_count(""), 0u);
    EXPECT_EQ(char_count("abc"), 3u);
    EXPECT_EQ(char_count("\xc3\xa9\xe2\x80\x94\xf0\x9f\x98\x80"), 3u);  // é — 😀

    const std::string text = "a\xc3\xa9\xe2\x80\x94\xf0\x9f\x98\x80z";
    EXPECT_EQ(first_chars(text, 0), "");
    EXPECT_EQ(first_chars(text, 2), "a\xc3\xa9");
    EXPECT_EQ(first_chars(text, 4), "a\xc3\xa9\xe2\x80\x94\xf0\x9f\x98\x80");
    EXPECT_EQ(first_chars(text, 5), text);
    EXPECT_EQ(first_chars(text, 99), text);
}

}  // namespace
}  // namespace brelk
