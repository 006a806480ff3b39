#include "artefact/mapped_block.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace brelk {

std::span<char> map_block(std::size_t bytes) {
    if (bytes > SIZE_MAX - (huge_page_size - 1)) throw std::bad_alloc();
    const std::size_t size = (bytes + huge_page_size - 1) / huge_page_size * huge_page_size;
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    // Only advice: where huge pages are off, the block is faulted in page by page.
    ::madvise(mapped, size, MADV_HUGEPAGE);
    return {static_cast<char*>(mapped), size};
}

void unmap_block(std::span<char> block) noexcept { ::munmap(block.data(), block.size()); }

}  // namespace brelk
