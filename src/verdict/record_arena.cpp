#include "verdict/record_arena.hpp"

#include <cstdint>
#include <utility>

#include "artefact/mapped_block.hpp"

namespace brelk::verdict {

RecordArena::RecordArena(RecordArena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      end_(std::exchange(other.end_, nullptr)) {
    other.blocks_.clear();
}

RecordArena::~RecordArena() {
    for (const auto block : blocks_) unmap_block(block);
}

std::span<char> RecordArena::room(std::size_t bytes) {
    if (bytes == 0) return {};
    constexpr std::size_t alignment = alignof(std::max_align_t);
    auto start = reinterpret_cast<std::uintptr_t>(next_);
    start = (start + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    if (next_ == nullptr || start > reinterpret_cast<std::uintptr_t>(end_) ||
        bytes > reinterpret_cast<std::uintptr_t>(end_) - start) {
        // A fresh block starts aligned for any record; room larger than a
        // block gets a block of its own size.
        blocks_.reserve(blocks_.size() + 1);
        const auto block = map_block(bytes);
        blocks_.push_back(block);
        next_ = block.data();
        end_ = next_ + block.size();
        start = reinterpret_cast<std::uintptr_t>(next_);
    }
    next_ = reinterpret_cast<char*>(start + bytes);
    return {reinterpret_cast<char*>(start), bytes};
}

}  // namespace brelk::verdict
