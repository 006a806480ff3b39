#pragma once
// Large blocks taken straight from the system rather than from the heap.
//
// A block of the heap's own is faulted in page by page, and the heap gives a
// large one back to the system as soon as it is freed, so the next document
// faults in all of it again. A mapped block of a few huge pages is advised to
// the system as such: where huge pages are on, it is faulted in a huge page
// at a time, hundreds of times fewer faults for the same memory.
#include <cstddef>
#include <span>

namespace brelk {

// The size of a huge page on x86-64 and arm64, and the unit a block is
// rounded up to: a mapping this large is aligned to it by the system.
inline constexpr std::size_t huge_page_size = std::size_t{2} << 20;

// At least `bytes` of zeroed memory, rounded up to whole huge pages; throws
// std::bad_alloc when the system gives no more.
std::span<char> map_block(std::size_t bytes);

// Gives a block from map_block back to the system.
void unmap_block(std::span<char> block) noexcept;

}  // namespace brelk
