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
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
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

    // A copy of `items` that lasts as long as the arena; std::bad_alloc when
    // the system gives no more room.
    template <class T>
    std::span<const T> keep(std::span<const T> items) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (items.empty()) return {};
        void* room = take(items.size_bytes(), alignof(T));
        std::memcpy(room, items.data(), items.size_bytes());
        return {static_cast<const T*>(room), items.size()};
    }
    std::string_view keep(std::string_view text) {
        const auto kept = keep(std::span<const char>(text.data(), text.size()));
        return {kept.data(), kept.size()};
    }

private:
    void* take(std::size_t bytes, std::size_t alignment);

    std::vector<std::span<char>> blocks_;  // as mapped, each given back whole
    char* next_ = nullptr;                 // the free room of the last block
    char* end_ = nullptr;
};

}  // namespace brelk::verdict
