#pragma once
// Room for what thousands of runs keep until their page is drawn: copies laid
// one after another in large blocks taken from the system, all given back
// when the arena goes, none before.
//
// The runs' standings are most of what a verdict report holds. Kept in the
// general heap, every page of them is faulted in on its own as the heap
// grows; here a block is a few large pages that the system may back with
// huge pages, and no copy is ever freed on its own to leave a hole.
#include <cstddef>
#include <span>
#include <vector>

namespace brelk::verdict {

class RecordArena {
public:
    RecordArena() = default;
    RecordArena(RecordArena&& other) noexcept;
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;
    RecordArena& operator=(RecordArena&&) = delete;
    ~RecordArena();

    // Room for `bytes`, aligned for any record, that lasts as long as the
    // arena; std::bad_alloc when the system gives no more. Taking room is a
    // bump of a pointer or one call on the system: a fresh block is faulted
    // in only as whoever took the room fills it, so a lock held around this
    // call is not held while the system clears pages.
    std::span<char> room(std::size_t bytes);

private:
    std::vector<std::span<char>> blocks_;  // as mapped, each given back whole
    char* next_ = nullptr;                 // the free room of the last block
    char* end_ = nullptr;
};

}  // namespace brelk::verdict
