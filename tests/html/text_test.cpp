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

// Controls that would vanish, garble the page or reverse the text after them
// show as their code; tab, line feed and carriage return stay.
TEST(Escape, ControlAndBidirectionalCharactersBecomeVisibleCodes) {
    EXPECT_EQ(escape("a\tb\nc\rd"), "a\tb\nc\rd");
    EXPECT_EQ(escape(std::string("nul\0esc\x1b[1mdel\x7f", 15)), "nul\\u{0}esc\\u{1b}[1mdel\\u{7f}");
    EXPECT_EQ(escape("\xc2\x80\xc2\x85\xc2\x9f\xc2\xa0"), "\\u{80}\\u{85}\\u{9f}\xc2\xa0");
    EXPECT_EQ(escape("x\xe2\x80\xaa\xe2\x80\xae<y>\xe2\x81\xa6\xe2\x81\xa9"),
              "x\\u{202a}\\u{202e}&lt;y&gt;\\u{2066}\\u{2069}");
    // Their neighbours, and an em dash, are ordinary text.
    EXPECT_EQ(escape("\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa\xe2\x80\x94"),
              "\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa\xe2\x80\x94");
    EXPECT_EQ(escape("\xc2"), "\xc2");
    EXPECT_EQ(escape("\xe2\x80"), "\xe2\x80");
}

TEST(CountNoun, SingularOnlyForOne) {
    EXPECT_EQ(count_noun(0, "sample"), "0 samples");
    EXPECT_EQ(count_noun(1, "sample"), "1 sample");
    EXPECT_EQ(count_noun(3, "further input"), "3 further inputs");
    EXPECT_EQ(count_noun(18446744073709551615u, "run"), "18446744073709551615 runs");
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
