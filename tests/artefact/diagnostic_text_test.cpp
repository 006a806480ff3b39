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
    // Bidirectional embeddings, overrides and isolates; their neighbours U+2029, U+202F, U+2065, U+206A stay.
    EXPECT_EQ(quoted_literal("\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9"), R"("\u{202a}\u{202e}\u{2066}\u{2069}")");
    EXPECT_EQ(quoted_literal("\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa"),
              "\"\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa\"");
}

TEST(DiagnosticText, UnsafeCharactersAsCodesAndNothingElseChanged) {
    EXPECT_EQ(diagnostic_text("runs/svc/plain \xe2\x80\x94 \"q\" \\.yaml"), "runs/svc/plain \xe2\x80\x94 \"q\" \\.yaml");
    EXPECT_EQ(diagnostic_text("a\nb\tc\rd"s + '\0'), R"(a\u{a}b\u{9}c\u{d}d\u{0})");
    EXPECT_EQ(diagnostic_text("\x1b[2J\x7f\xc2\x9b\xc2\xa0"), "\\u{1b}[2J\\u{7f}\\u{9b}\xc2\xa0");
    EXPECT_EQ(diagnostic_text("x\xe2\x80\xaeyaml.exe"), R"(x\u{202e}yaml.exe)");
    EXPECT_EQ(diagnostic_text("\xff\n"), "\xef\xbf\xbd\\u{a}");
}

TEST(DisplayText, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(display_text("plain \xc3\xa9"), "plain \xc3\xa9");
    EXPECT_EQ(display_text("a\xff" "b"), "a\xef\xbf\xbd" "b");
    EXPECT_EQ(display_text("\xc3"), "\xef\xbf\xbd");  // truncated sequence
    EXPECT_EQ(display_text("\xed\xa0\x80"), "\xef\xbf\xbd");  // surrogate
}

}  // namespace
}  // namespace brelk
