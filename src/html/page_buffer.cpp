#include "html/page_buffer.hpp"

#include <utility>

namespace brelk {

PageBuffer::PageBuffer(Sink sink, std::size_t capacity)
    : storage_(new char[capacity]), capacity_(capacity), sink_(std::move(sink)) {
    set(storage_.get(), capacity_);
}

void PageBuffer::flush() {
    if (!sink_ || size() == 0) return;
    sink_(std::string_view(data(), size()));
    clear();
}

void PageBuffer::append_whole(std::string_view text) {
    if (!sink_ || text.size() < capacity_) {
        *this += text;
        return;
    }
    const std::size_t room = capacity_ - size();
    *this += text.substr(0, room);
    text.remove_prefix(room);
    const std::size_t whole = text.size() / capacity_ * capacity_;
    if (whole > 0) {
        flush();  // the buffer is full, and what it holds comes first
        sink_(text.substr(0, whole));
    }
    *this += text.substr(whole);
}

}  // namespace brelk
