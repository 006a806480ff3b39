#pragma once
// The page as it is written: one bounded buffer that hands what it holds to
// the output whenever it fills, so a page is never held whole in memory.
//
// It is fmt's own buffer type, so `fmt::format_to(fmt::appender(page), ...)`
// writes straight into it; a template larger than the free space fills it,
// and it flushes on the way.
//
// The sink is only ever handed whole buffers, so a file is written in equal
// chunks at offsets that are multiples of the capacity, the last chunk alone
// shorter. A file system takes such writes in whole pages of its cache: a
// write that ends part way into a page leaves the next write to that page to
// find it and fill it again, and that costs the kernel more than the copy.
#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace brelk {

class PageBuffer : public fmt::detail::buffer<char> {
public:
    using Sink = std::function<void(std::string_view chunk)>;

    // 64 KiB: large enough that writing costs nothing per chunk, small enough
    // to stay in the cache.
    static constexpr std::size_t default_capacity = std::size_t{64} << 10;

    explicit PageBuffer(Sink sink, std::size_t capacity = default_capacity);
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() = default;  // what was not flushed is dropped

    PageBuffer& operator+=(std::string_view text) {
        append(text.data(), text.data() + text.size());
        return *this;
    }
    PageBuffer& operator+=(char c) {
        push_back(c);
        return *this;
    }

    // Hands everything written so far to the sink.
    void flush();

    // Writes `text` as `+=` does, but what of a long text spans whole
    // buffers is handed to the sink as it stands: a large section drawn apart
    // is written from where it was drawn, not copied through the buffer first.
    void append_whole(std::string_view text);

protected:
    // For a page that keeps what is written in storage of its own, which
    // `grow` enlarges: it has no sink, and flushing it does nothing.
    PageBuffer() = default;

    // Only a full buffer is flushed: fmt copies what fits of a longer text
    // and asks again.
    void grow(std::size_t) override {
        if (size() == capacity()) flush();
    }

private:
    std::unique_ptr<char[]> storage_;
    std::size_t capacity_ = 0;
    Sink sink_;
};

// A page kept in memory: for sections drawn apart, fragments and tests. What
// is written goes straight into storage that grows as it fills, with no copy
// on the way.
class CollectedPage final : public PageBuffer {
public:
    CollectedPage() = default;

    // The page written so far.
    std::string_view view() const { return {data(), size()}; }
    std::string text() const { return std::string(view()); }

    // Starts over with an empty page.
    void clear() { PageBuffer::clear(); }

private:
    static constexpr std::size_t first_capacity = std::size_t{32} << 10;

    void grow(std::size_t wanted) override {
        // Doubling keeps the cost of growing linear in what is written; a
        // section of a page seldom needs more than the first room.
        const std::size_t capacity = std::max({wanted, 2 * this->capacity(), first_capacity});
        auto larger = std::make_unique_for_overwrite<char[]>(capacity);
        std::copy_n(data(), size(), larger.get());
        storage_ = std::move(larger);
        set(storage_.get(), capacity);
    }

    std::unique_ptr<char[]> storage_;  // its first size() characters are the page
};

}  // namespace brelk
