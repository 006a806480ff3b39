#include "postconditions/input_naming.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_set>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "html/text.hpp"

namespace brelk {

namespace {

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The input index a key names: its decimal text without sign or leading
// zeros, within 32 bits. Other keys name no stated input.
std::optional<std::uint32_t> stated_index(std::string_view key) {
    if (key.empty() || !all_digits(key)) return std::nullopt;
    if (key.size() > 1 && key.front() == '0') return std::nullopt;
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), value);
    if (ec != std::errc() || end != key.data() + key.size()) return std::nullopt;
    return value;
}

// The value of a key that reads as an unsigned 64-bit number ("+" allowed).
std::optional<std::uint64_t> numeric_value(std::string_view key) {
    if (!key.empty() && key.front() == '+') key.remove_prefix(1);
    if (key.empty() || !all_digits(key)) return std::nullopt;
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), value);
    if (ec != std::errc() || end != key.data() + key.size()) return std::nullopt;
    return value;
}

bool is_ascii_alnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string link_of(std::string_view key, std::optional<std::string_view> stated) {
    if (!stated) return fmt::to_string(input_name(key));
    return fmt::format(FMT_COMPILE(R"({} <span class="muted">{}</span>)"), input_name(key), escaped_excerpt(*stated));
}

}  // namespace

fmt::appender write_to(fmt::appender out, const InputName& name) {
    if (all_digits(name.key)) return fmt::format_to(out, FMT_COMPILE("input {}"), escaped(name.key));
    return escape_to(out, name.key);
}

std::optional<std::string_view> stated_excerpt(std::span<const Column> columns, std::string_view key) {
    auto index = stated_index(key);
    if (!index) return std::nullopt;
    for (const auto& column : columns) {
        for (const auto& input : column.inputs) {
            if (input.input_index == *index) return std::string_view(input.input_excerpt);
        }
    }
    for (const auto& column : columns) {
        for (const auto& entry : column.failures) {
            if (!entry.input_index || *entry.input_index != *index) continue;
            if (!entry.input_excerpt) return std::nullopt;
            return std::string_view(*entry.input_excerpt);
        }
    }
    return std::nullopt;
}

std::string input_link(std::span<const Column> columns, std::string_view key) {
    return link_of(key, stated_excerpt(columns, key));
}

ExcerptIndex ExcerptIndex::of(std::span<const Column> columns) {
    ExcerptIndex index;
    // The first statement of an index wins, and stated inputs outrank the
    // failure distribution, so inputs are gathered first and nothing is
    // ever overwritten.
    for (const auto& column : columns) {
        for (const auto& input : column.inputs) {
            index.by_index_.try_emplace(input.input_index, std::string_view(input.input_excerpt));
        }
    }
    for (const auto& column : columns) {
        for (const auto& entry : column.failures) {
            if (!entry.input_index) continue;
            std::optional<std::string_view> stated;
            if (entry.input_excerpt) stated = *entry.input_excerpt;
            index.by_index_.try_emplace(*entry.input_index, stated);
        }
    }
    return index;
}

std::optional<std::string_view> ExcerptIndex::find(std::string_view key) const {
    auto index = stated_index(key);
    if (!index) return std::nullopt;
    auto it = by_index_.find(*index);
    if (it == by_index_.end()) return std::nullopt;
    return it->second;
}

std::string input_link(const ExcerptIndex& index, std::string_view key) { return link_of(key, index.find(key)); }

bool input_order_less(std::string_view a, std::string_view b) {
    auto va = numeric_value(a);
    auto vb = numeric_value(b);
    if (va.has_value() != vb.has_value()) return va.has_value();
    if (va && *va != *vb) return *va < *vb;
    return a < b;
}

std::string input_anchor(std::string_view key) {
    std::string anchor = "input-";
    for (char c : key) {
        // One dash per character: continuation bytes of a multi-byte
        // character add nothing of their own.
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;
        anchor += is_ascii_alnum(c) ? c : '-';
    }
    return anchor;
}

std::vector<std::string> unique_input_anchors(std::span<const std::string_view> keys) {
    std::vector<std::string> anchors;
    anchors.reserve(keys.size());
    std::unordered_set<std::string> taken;
    for (auto key : keys) {
        std::string anchor = input_anchor(key);
        for (std::size_t n = 2; !taken.insert(anchor).second; ++n) anchor = fmt::format(FMT_COMPILE("{}-{}"), input_anchor(key), n);
        anchors.push_back(std::move(anchor));
    }
    return anchors;
}

}  // namespace brelk
