#include "verdict/record_arena.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "verdict/packed_standings.hpp"

namespace brelk::verdict {
namespace {

std::string_view filled(std::span<char> room, char with) {
    std::memset(room.data(), with, room.size());
    return {room.data(), room.size()};
}

// Rooms of odd sizes between them still start aligned for any record, and
// rooms that fill several blocks, or one larger than a block, all keep what
// was written into them, also once the arena has moved.
TEST(RecordArena, HandsOutAlignedRoomsThatLastAcrossBlocks) {
    RecordArena arena;
    std::vector<std::string_view> rooms;
    for (std::size_t i = 0; i < 3000; ++i) {
        const auto room = arena.room(i % 7 * 200 + 1);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(room.data()) % alignof(std::max_align_t), 0u) << i;
        rooms.push_back(filled(room, static_cast<char>('a' + i % 26)));
    }
    const auto large = filled(arena.room((std::size_t{5} << 20) + 3), 'x');
    const auto after_large = filled(arena.room(2), 'y');

    RecordArena moved(std::move(arena));
    for (std::size_t i = 0; i < 3000; ++i) {
        EXPECT_EQ(rooms[i], std::string(i % 7 * 200 + 1, static_cast<char>('a' + i % 26))) << i;
    }
    EXPECT_EQ(large, std::string((std::size_t{5} << 20) + 3, 'x'));
    EXPECT_EQ(after_large, "yy");
    EXPECT_TRUE(moved.room(0).empty());
    EXPECT_TRUE(RecordArena().room(0).empty());
}

// Settled standings read as the draft did, from the room alone.
TEST(RecordArena, SettledStandingsReadAsTheirDraft) {
    StandingsDraft draft;
    const auto name = draft.keep("check");
    const auto odd = draft.keep("odd");
    draft.blocks.push_back(PackedStandings::Block{});
    draft.blocks.back().criterion = draft.keep("criterion");
    draft.rows.resize(3);
    draft.rows[1].check = name;
    draft.rows[2].check = odd;
    draft.exemplars.resize(1);
    draft.exemplars[0].excerpt = draft.keep("excerpt");
    draft.exemplars[0].count = 7;

    RecordArena arena;
    arena.room(3);
    const PackedStandings settled_standings = settled(draft, arena.room(settled_size(draft)));
    draft = StandingsDraft{};
    EXPECT_EQ(settled_standings.texts, "checkoddcriterionexcerpt");
    ASSERT_EQ(settled_standings.blocks.size(), 1u);
    EXPECT_EQ(settled_standings.text(settled_standings.blocks[0].criterion), "criterion");
    ASSERT_EQ(settled_standings.rows.size(), 3u);
    EXPECT_EQ(settled_standings.text(settled_standings.rows[1].check), "check");
    EXPECT_EQ(settled_standings.text(settled_standings.rows[2].check), "odd");
    ASSERT_EQ(settled_standings.exemplars.size(), 1u);
    EXPECT_EQ(settled_standings.text(settled_standings.exemplars[0].excerpt), "excerpt");
    EXPECT_EQ(settled_standings.exemplars[0].count, 7u);
}

}  // namespace
}  // namespace brelk::verdict
