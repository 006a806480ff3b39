#include "artefact/file_reader.hpp"

#include <gtest/gtest.h>
#include <utf8.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// Small files are read into a string and large ones into a block of their
// own; either way the text is the file's, to the byte, and a file that is not
// UTF-8 is refused whatever its size.
TEST(ReadTextFile, GivesEveryByteOfSmallAndLargeFiles) {
    char directory[] = "/tmp/brelk-read-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    auto written = [&](const std::string& name, const std::string& text) {
        const std::string path = std::string(directory) + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    };
    auto read = [](const std::string& path) -> std::string {
        auto result = read_text_file(path);
        if (auto* unreadable = std::get_if<Unreadable>(&result)) return "unreadable: " + unreadable->message;
        return std::string(std::get<FileText>(result).view());
    };
    std::string large;
    for (int i = 0; large.size() < (std::size_t{5} << 20); ++i) large += "line " + std::to_string(i) + " caf\xc3\xa9\n";
    const std::string files[] = {"", "a", std::string((std::size_t{2} << 20) - 1, 'x'), std::string(std::size_t{2} << 20, 'y'),
                                 large};
    int n = 0;
    for (const auto& text : files) EXPECT_EQ(read(written(std::to_string(n++), text)), text) << text.size();
    EXPECT_EQ(read(written("bad", large + "\xff")), "unreadable: stream did not contain valid UTF-8");
    FileText moved;
    {
        auto result = read_text_file(written("moved", large));
        moved = std::move(std::get<FileText>(result));
    }
    EXPECT_EQ(moved.view(), large);
    std::system(("rm -rf " + std::string(directory)).c_str());
}

}  // namespace
}  // namespace brelk
