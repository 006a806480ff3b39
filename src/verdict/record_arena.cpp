#include "verdict/record_arena.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace brelk::verdict {
namespace {

// The size of a huge page on x86-64 and arm64: a block of it, aligned as the
// system aligns a mapping this large, can be one page instead of 512.
constexpr std::size_t block_size = std::size_t{2} << 20;

std::size_t rounded_up(std::size_t bytes, std::size_t unit) {
    if (bytes > SIZE_MAX - (unit - 1)) throw std::bad_alloc();
    return (bytes + unit - 1) / unit * unit;
}

}  // namespace

RecordArena::RecordArena(RecordArena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      end_(std::exchange(other.end_, nullptr)) {
    other.blocks_.clear();
}

RecordArena::~RecordArena() {
    for (const auto block : blocks_) ::munmap(block.data(), block.size());
}

void* RecordArena::take(std::size_t bytes, std::size_t alignment) {
    auto start = reinterpret_cast<std::uintptr_t>(next_);
    start = (start + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    if (next_ == nullptr || start > reinterpret_cast<std::uintptr_t>(end_) ||
        bytes > reinterpret_cast<std::uintptr_t>(end_) - start) {
        // A fresh block starts aligned for any record; a copy larger than a
        // block gets a block of its own size.
        const std::size_t size = rounded_up(bytes, block_size);
        blocks_.reserve(blocks_.size() + 1);
        void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        // Only advice: where huge pages are off, the block is faulted in page by page.
        ::madvise(mapped, size, MADV_HUGEPAGE);
        blocks_.emplace_back(static_cast<char*>(mapped), size);
        next_ = static_cast<char*>(mapped);
        end_ = next_ + size;
        start = reinterpret_cast<std::uintptr_t>(next_);
    }
    next_ = reinterpret_cast<char*>(start + bytes);
    return reinterpret_cast<void*>(start);
}

}  // namespace brelk::verdict
