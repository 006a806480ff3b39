#include "artefact/file_reader.hpp"

#include <gtest/gtest.h>
#include <utf8.h>

#include <string>
#include <vector>

namespace brelk {
namespace {

// The word-at-a-time check must judge every sequence as a character-by-
// character one does, wherever the sequence falls against the eight- and
// thirty-two-byte stretches and whatever surrounds it.
TEST(ValidUtf8, JudgesEverySequenceAsACharacterwiseCheckDoesAtEveryOffset) {
    const std::vector<std::string> sequences = {
        "\xc3\xa9",          // é
        "\xe2\x80\x94",      // em dash
        "\xf0\x9f\x98\x80",  // four bytes
        "\xf4\x8f\xbf\xbf",  // U+10FFFF
        "\xc3",              // cut short
        "\xe2\x80",          // cut short
        "\xa9",              // a continuation byte alone
        "\xc0\xaf",          // overlong
        "\xe0\x80\xaf",      // overlong
        "\xed\xa0\x80",      // a surrogate
        "\xf4\x90\x80\x80",  // past U+10FFFF
        "\xff",              // never in UTF-8
        "\xc3\xa9\xa9",      // one continuation too many
        "\xc3" "a\xa9",      // a sequence broken by ASCII
    };
    int invalid = 0;
    for (const auto& sequence : sequences) {
        for (std::size_t before = 0; before <= 33; ++before) {
            for (std::size_t after : {0, 1, 7, 8, 15, 31, 32}) {
                const std::string text = std::string(before, 'a') + sequence + std::string(after, 'z');
                const bool expected = utf8::is_valid(text.begin(), text.end());
                EXPECT_EQ(valid_utf8(text), expected) << before << " before, " << after << " after";
                invalid += expected ? 0 : 1;
            }
        }
    }
    EXPECT_EQ(invalid, 10 * 34 * 7);  // the last ten sequences are all refused
    EXPECT_TRUE(valid_utf8(""));
    EXPECT_TRUE(valid_utf8("caf\xc3\xa9 \xe2\x80\x94 caf\xc3\xa9 \xe2\x80\x94 caf\xc3\xa9"));
}

}  // namespace
}  // namespace brelk
