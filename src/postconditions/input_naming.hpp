#pragma once
// How an input is named on the page: its key, and the excerpt the columns
// state for it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "postconditions/comparison.hpp"

namespace brelk {

// "input 3" for a numeric key, the escaped key otherwise (HTML fragment), as
// a format argument.
struct InputName {
    std::string_view key;
};

inline InputName input_name(std::string_view key) { return InputName{key}; }

fmt::appender write_to(fmt::appender out, const InputName& name);

// The excerpt the columns state for the input: their inputs first, then the
// first failure entry naming it. Borrowed from the columns.
std::optional<std::string_view> stated_excerpt(std::span<const Column> columns, std::string_view key);

// The input's name followed by its stated excerpt (HTML fragment).
std::string input_link(std::span<const Column> columns, std::string_view key);

// The answers of `stated_excerpt` for every input the columns name, gathered
// in one walk so that a page naming inputs many times does not rescan the
// columns for each. Borrows from the columns.
class ExcerptIndex {
public:
    static ExcerptIndex of(std::span<const Column> columns);
    std::optional<std::string_view> find(std::string_view key) const;

private:
    // An entry without excerpt still decides: a failure entry naming the
    // input without an excerpt ends the search.
    std::unordered_map<std::uint32_t, std::optional<std::string_view>> by_index_;
};

std::string input_link(const ExcerptIndex& index, std::string_view key);

// Numeric keys ("+7", "07", "10") first by value, then by text; the rest by text.
bool input_order_less(std::string_view a, std::string_view b);

// "input-" followed by the key with every character but ASCII letters and
// digits replaced by "-".
std::string input_anchor(std::string_view key);

// input_anchor of each key, in order, made unique: distinct keys that map to
// one anchor ("a b", "a-b", "a/b") keep it for the first and take the next
// free "-2", "-3", ... after it for the later ones.
std::vector<std::string> unique_input_anchors(std::span<const std::string_view> keys);

}  // namespace brelk

template <>
struct fmt::formatter<brelk::InputName> : brelk::WrittenFormatter<brelk::InputName> {};
