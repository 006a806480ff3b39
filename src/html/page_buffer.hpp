#pragma once
// The page as it is written: one bounded buffer that hands what it holds to
// the output whenever it fills, so a page is never held whole in memory.
//
// It is fmt's own buffer type, so `fmt::format_to(fmt::appender(page), ...)`
// writes straight into it and a template larger than the free space simply
// flushes on the way.
#include <fmt/format.h>

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

    // Writes `text` as `+=` does, but hands text larger than the buffer to
    // the sink as it stands instead of copying it through.
    void append_whole(std::string_view text);

protected:
    void grow(std::size_t) override { flush(); }

private:
    std::unique_ptr<char[]> storage_;
    std::size_t capacity_;
    Sink sink_;
};

// A page collected in a string: for fragments and tests.
class CollectedPage : public PageBuffer {
public:
    CollectedPage() : PageBuffer([this](std::string_view chunk) { text_.append(chunk); }) {}

    const std::string& text() {
        flush();
        return text_;
    }

    // The page written so far, leaving this one empty.
    std::string take_text() {
        flush();
        return std::exchange(text_, {});
    }

    // Starts over with an empty page.
    void clear() {
        PageBuffer::clear();
        text_.clear();
    }

private:
    std::string text_;
};

}  // namespace brelk
