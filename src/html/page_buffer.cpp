#include "html/page_buffer.hpp"

#include <algorithm>
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
    if (!sink_ || text.size() < std::min(whole_from, capacity_)) {
        *this += text;
        return;
    }
    flush();
    sink_(text);
}

}  // namespace brelk
