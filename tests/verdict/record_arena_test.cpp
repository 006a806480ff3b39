#include "verdict/record_arena.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brelk::verdict {
namespace {

// Texts of odd lengths between the arrays leave every array to be aligned,
// and one copy larger than a block and many that fill several blocks all
// keep their contents, also once the arena has moved.
TEST(RecordArena, KeepsCopiesAlignedAndWholeAcrossBlocks) {
    RecordArena arena;
    std::vector<std::string_view> texts;
    std::vector<std::span<const std::uint64_t>> numbers;
    for (std::uint64_t i = 0; i < 3000; ++i) {
        texts.push_back(arena.keep(std::string(i % 7 + 1, static_cast<char>('a' + i % 26))));
        const std::vector<std::uint64_t> values(100, i);
        numbers.push_back(arena.keep(std::span<const std::uint64_t>(values)));
    }
    const std::string large((std::size_t{5} << 20) + 3, 'x');
    const auto kept_large = arena.keep(large);
    const auto after_large = arena.keep(std::span<const std::uint64_t>(std::vector<std::uint64_t>{7, 8}));

    RecordArena moved(std::move(arena));
    for (std::uint64_t i = 0; i < 3000; ++i) {
        EXPECT_EQ(texts[i], std::string(i % 7 + 1, static_cast<char>('a' + i % 26)));
        ASSERT_EQ(numbers[i].size(), 100u);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(numbers[i].data()) % alignof(std::uint64_t), 0u);
        EXPECT_EQ(numbers[i].front(), i);
        EXPECT_EQ(numbers[i].back(), i);
    }
    EXPECT_EQ(kept_large, large);
    EXPECT_EQ(std::vector<std::uint64_t>(after_large.begin(), after_large.end()), (std::vector<std::uint64_t>{7, 8}));
    EXPECT_TRUE(moved.keep(std::string_view()).empty());
}

}  // namespace
}  // namespace brelk::verdict
