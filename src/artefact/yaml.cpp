#include "artefact/yaml.hpp"

#include <yaml.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "artefact/mapped_block.hpp"

namespace brelk::yaml {
namespace {

// A hostile file must not drive a reader into deep recursion or an
// exponential walk over shared nodes. Repetition is weighed in nodes plus
// scalar bytes: readers copy what aliases share, so an alias of a long text
// costs its length each time it is used.
constexpr std::size_t max_depth = 128;
constexpr std::uint64_t max_repetition = 100;
// However large the document, what aliases stand for stays below this weight,
// so a few megabytes of anchors cannot turn into a page of hundreds.
constexpr std::uint64_t max_repeated_weight = std::uint64_t{256} << 20;

constexpr std::string_view str_tag = "tag:yaml.org,2002:str";
constexpr std::string_view null_tag = "tag:yaml.org,2002:null";
constexpr std::string_view bool_tag = "tag:yaml.org,2002:bool";
constexpr std::string_view int_tag = "tag:yaml.org,2002:int";
constexpr std::string_view float_tag = "tag:yaml.org,2002:float";

constexpr std::uint64_t add_saturating(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

constexpr std::uint64_t multiply_saturating(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::numeric_limits<std::uint64_t>::max();
    return a * b;
}

// ---- core-schema resolution of plain scalars ----

bool is_digit(char c, int base) {
    if (base == 8) return c >= '0' && c <= '7';
    if (base == 16) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    return c >= '0' && c <= '9';
}

bool all_digits(std::string_view s, int base) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [base](char c) { return is_digit(c, base); });
}

std::size_t skip_digits(std::string_view s, std::size_t i) {
    while (i < s.size() && is_digit(s[i], 10)) ++i;
    return i;
}

// [-+]? ( \. [0-9]+ | [0-9]+ ( \. [0-9]* )? ) ( [eE] [-+]? [0-9]+ )?
bool is_decimal_float(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const std::size_t whole = skip_digits(s, i);
    if (whole == i) {
        if (i >= s.size() || s[i] != '.') return false;
        const std::size_t fraction = skip_digits(s, i + 1);
        if (fraction == i + 1) return false;
        i = fraction;
    } else {
        i = whole;
        if (i < s.size() && s[i] == '.') i = skip_digits(s, i + 1);
    }
    if (i == s.size()) return true;
    if (s[i] != 'e' && s[i] != 'E') return false;
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const std::size_t exponent = skip_digits(s, i);
    return exponent != i && exponent == s.size();
}

// Whether a decimal text that overflowed or underflowed a double was too big
// (rather than too small): its power of ten is positive.
bool too_big(std::string_view digits) {
    std::size_t i = 0;
    std::int64_t power = 0;
    bool seen_nonzero = false;
    for (; i < digits.size() && is_digit(digits[i], 10); ++i) {
        if (digits[i] != '0') seen_nonzero = true;
        if (seen_nonzero) ++power;
    }
    if (!seen_nonzero && i < digits.size() && digits[i] == '.') {
        for (++i; i < digits.size() && digits[i] == '0'; ++i) --power;
    }
    const auto e = digits.find_first_of("eE");
    if (e != std::string_view::npos) {
        std::size_t j = e + 1;
        const bool minus = j < digits.size() && digits[j] == '-';
        if (j < digits.size() && (digits[j] == '-' || digits[j] == '+')) ++j;
        std::int64_t exponent = 0;
        for (; j < digits.size(); ++j) {
            exponent = std::min<std::int64_t>(exponent * 10 + (digits[j] - '0'), std::int64_t{1} << 40);
        }
        power += minus ? -exponent : exponent;
    }
    return power > 0;
}

// A text matching is_decimal_float, as the nearest double.
double decimal_value(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        value = too_big(s) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{} || end != s.data() + s.size()) {
        value = std::numeric_limits<double>::quiet_NaN();
    }
    return negative ? -value : value;
}

// Hex or octal digits too many for 64 bits, as the nearest double.
double radix_value(std::string_view digits, int base) {
    std::string hex;
    if (base == 16) {
        hex = digits;
    } else {
        // Three bits per octal digit, regrouped into four-bit hex digits, so
        // the conversion rounds once, exactly like a decimal text would.
        std::string bits;
        bits.reserve(digits.size() * 3 + 3);
        for (char c : digits) {
            const int v = c - '0';
            bits += static_cast<char>('0' + ((v >> 2) & 1));
            bits += static_cast<char>('0' + ((v >> 1) & 1));
            bits += static_cast<char>('0' + (v & 1));
        }
        bits.insert(0, (4 - bits.size() % 4) % 4, '0');
        hex.reserve(bits.size() / 4);
        for (std::size_t i = 0; i < bits.size(); i += 4) {
            const int v = (bits[i] - '0') * 8 + (bits[i + 1] - '0') * 4 + (bits[i + 2] - '0') * 2 + (bits[i + 3] - '0');
            hex += "0123456789abcdef"[v];
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, std::chars_format::hex);
    if (error == std::errc::result_out_of_range) return std::numeric_limits<double>::infinity();
    return value;
}

// The magnitude of a digit string, or nothing when it needs more than 64 bits.
std::optional<std::uint64_t> magnitude_of(std::string_view digits, int base) {
    std::uint64_t value = 0;
    const auto limit = std::numeric_limits<std::uint64_t>::max();
    for (char c : digits) {
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (value > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    return value;
}

void make_float(Node& node, double value) {
    node.kind = NodeKind::Float;
    node.number = value;
}

bool resolve_integer(Node& node) {
    std::string_view s = node.text;
    int base = 10;
    bool negative = false;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'o' || s[1] == 'x')) {
        base = s[1] == 'o' ? 8 : 16;
        s.remove_prefix(2);
    } else if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (!all_digits(s, base)) return false;
    const auto magnitude = magnitude_of(s, base);
    const std::uint64_t most_negative = std::uint64_t{1} << 63;
    if (!magnitude || (negative && *magnitude > most_negative)) {
        make_float(node, base == 10 ? decimal_value(node.text) : radix_value(s, base));
        return true;
    }
    node.kind = NodeKind::Integer;
    node.magnitude = *magnitude;
    node.negative = negative && *magnitude != 0;
    return true;
}

bool resolve_float(Node& node) {
    const std::string_view s = node.text;
    const double inf = std::numeric_limits<double>::infinity();
    for (std::string_view word : {".inf", ".Inf", ".INF"}) {
        if (s == word || (s.size() == 5 && s[0] == '+' && s.substr(1) == word)) {
            make_float(node, inf);
            return true;
        }
        if (s.size() == 5 && s[0] == '-' && s.substr(1) == word) {
            make_float(node, -inf);
            return true;
        }
    }
    if (s == ".nan" || s == ".NaN" || s == ".NAN") {
        make_float(node, std::numeric_limits<double>::quiet_NaN());
        return true;
    }
    if (!is_decimal_float(s)) return false;
    make_float(node, decimal_value(s));
    return true;
}

bool resolve_null(Node& node) {
    const std::string_view s = node.text;
    if (!(s.empty() || s == "~" || s == "null" || s == "Null" || s == "NULL")) return false;
    node.kind = NodeKind::Null;
    return true;
}

bool resolve_boolean(Node& node) {
    const std::string_view s = node.text;
    if (s == "true" || s == "True" || s == "TRUE") {
        node.kind = NodeKind::Boolean;
        node.boolean = true;
        return true;
    }
    if (s == "false" || s == "False" || s == "FALSE") {
        node.kind = NodeKind::Boolean;
        node.boolean = false;
        return true;
    }
    return false;
}

// Only these begin a null, a boolean or a number; most plain scalars, keys
// above all, begin otherwise and are text without trying each reading.
bool begins_like_non_text(std::string_view s) {
    if (s.empty()) return true;
    switch (s.front()) {
        case '~': case 'n': case 'N': case 't': case 'T': case 'f': case 'F': case '.': case '+': case '-': return true;
        default: return s.front() >= '0' && s.front() <= '9';
    }
}

void resolve_plain(Node& node) {
    if (begins_like_non_text(node.text) &&
        (resolve_null(node) || resolve_boolean(node) || resolve_integer(node) || resolve_float(node))) {
        return;
    }
    node.kind = NodeKind::String;
}

// A core-schema tag names the type its scalar must have; when the text does
// not read as that type the scalar keeps its ordinary resolution (and the tag).
bool resolve_as_tagged(Node& node, std::string_view tag) {
    if (tag == null_tag) return resolve_null(node);
    if (tag == bool_tag) return resolve_boolean(node);
    if (tag == int_tag) {
        Node trial = node;
        if (!resolve_integer(trial) || trial.kind != NodeKind::Integer) return false;
        node = std::move(trial);
        return true;
    }
    if (tag == float_tag) {
        Node trial = node;
        if (resolve_float(trial) || resolve_integer(trial)) {
            if (trial.kind == NodeKind::Integer) {
                const auto value = static_cast<double>(trial.magnitude);
                make_float(trial, trial.negative ? -value : value);
            }
            trial.magnitude = 0;
            trial.negative = false;
            node = std::move(trial);
            return true;
        }
        return false;
    }
    return false;
}

void resolve_scalar(Node& node, const yaml_event_t& event) {
    const bool plain = event.data.scalar.style == YAML_PLAIN_SCALAR_STYLE;
    if (node.tag == str_tag || node.tag == "!") {
        node.kind = NodeKind::String;
        return;
    }
    if (!node.tag.empty() && resolve_as_tagged(node, node.tag)) return;
    if (plain) {
        resolve_plain(node);
    } else {
        node.kind = NodeKind::String;
    }
}

// ---- building the tree from events ----

// One document's nodes, texts and child lists, carved from a few large blocks
// that are freed together: making a node is a bump of a pointer, and dropping
// the document is a few frees however many nodes it holds. A block of a huge
// page or more is mapped on its own: a large document's tree is faulted in a
// huge page at a time, not 4 KiB at a time all over again for every document.
class Storage {
public:
    explicit Storage(std::size_t first_block) : next_block_(first_block) {}
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    ~Storage() {
        for (const auto block : mapped_) unmap_block(block);
    }

    void* allocate(std::size_t size, std::size_t alignment) {
        const auto next = reinterpret_cast<std::uintptr_t>(next_);
        const auto end = reinterpret_cast<std::uintptr_t>(end_);
        const std::uintptr_t at = (next + alignment - 1) & ~(alignment - 1);
        if (at > end || end - at < size) return allocate_in_new_block(size, alignment);
        next_ = reinterpret_cast<char*>(at + size);
        return reinterpret_cast<void*>(at);
    }

private:
    void* allocate_in_new_block(std::size_t size, std::size_t alignment) {
        const std::size_t block = std::max(next_block_, size + alignment);
        if (block >= huge_page_size) {
            mapped_.reserve(mapped_.size() + 1);
            mapped_.push_back(map_block(block));
            next_ = mapped_.back().data();
            end_ = next_ + mapped_.back().size();
        } else {
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(block));
            next_ = blocks_.back().get();
            end_ = next_ + block;
        }
        next_block_ = block * 2;
        return allocate(size, alignment);
    }

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::span<char>> mapped_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    std::size_t next_block_;
};

static_assert(std::is_trivially_destructible_v<Node>, "nodes in storage are never destroyed one by one");

Node* new_node(Storage& storage) {
    return ::new (storage.allocate(sizeof(Node), alignof(Node))) Node{};
}

// A scalar's node with its text right behind it, in one piece of storage.
Node* new_scalar(Storage& storage, std::string_view text) {
    static_assert(sizeof(Node) % alignof(Node) == 0);
    auto* piece = static_cast<char*>(storage.allocate(sizeof(Node) + text.size(), alignof(Node)));
    Node* node = ::new (piece) Node{};
    if (!text.empty()) {
        std::memcpy(piece + sizeof(Node), text.data(), text.size());
        node->text = std::string_view(piece + sizeof(Node), text.size());
    }
    return node;
}

std::string_view keep_text(Storage& storage, std::string_view text) {
    if (text.empty()) return {};
    auto* copy = static_cast<char*>(storage.allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return {copy, text.size()};
}

std::string_view view_of(const yaml_char_t* chars) {
    return chars ? std::string_view(reinterpret_cast<const char*>(chars)) : std::string_view();
}

template <class T>
std::span<const T> keep_list(Storage& storage, std::span<const T> list) {
    if (list.empty()) return {};
    auto* copy = static_cast<T*>(storage.allocate(list.size_bytes(), alignof(T)));
    std::uninitialized_copy(list.begin(), list.end(), copy);
    return {copy, list.size()};
}

// A mapping's children alternate key, value, key, value.
std::span<const Entry> keep_entries(Storage& storage, std::span<const Node* const> children) {
    const std::size_t count = children.size() / 2;
    if (count == 0) return {};
    auto* entries = static_cast<Entry*>(storage.allocate(count * sizeof(Entry), alignof(Entry)));
    for (std::size_t i = 0; i < count; ++i) ::new (entries + i) Entry(children[2 * i], children[2 * i + 1]);
    return {entries, count};
}

// Orders scalar keys by resolved value so a repeated key is found however it
// is written ("1" and "0x1" collide, "1" and "'1'" do not).
struct ScalarLess {
    static std::uint64_t float_bits(double v) {
        if (std::isnan(v)) return std::numeric_limits<std::uint64_t>::max();
        if (v == 0.0) return 0;
        return std::bit_cast<std::uint64_t>(v);
    }
    bool operator()(const Node* a, const Node* b) const {
        if (a->kind != b->kind) return a->kind < b->kind;
        switch (a->kind) {
            case NodeKind::Boolean: return a->boolean < b->boolean;
            case NodeKind::Integer:
                if (a->negative != b->negative) return a->negative;
                return a->negative ? a->magnitude > b->magnitude : a->magnitude < b->magnitude;
            case NodeKind::Float: return float_bits(a->number) < float_bits(b->number);
            case NodeKind::String: return a->text < b->text;
            default: return false;
        }
    }
};

// The equality ScalarLess orders by.
bool same_key(const Node& a, const Node& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case NodeKind::Boolean: return a.boolean == b.boolean;
        case NodeKind::Integer: return a.negative == b.negative && a.magnitude == b.magnitude;
        case NodeKind::Float: return ScalarLess::float_bits(a.number) == ScalarLess::float_bits(b.number);
        case NodeKind::String: return a.text == b.text;
        default: return true;
    }
}

bool is_scalar(const Node& node) {
    return node.kind != NodeKind::Sequence && node.kind != NodeKind::Mapping;
}

// Records have a dozen keys or so: comparing a new key with each one before
// it is cheaper than any index. A mapping that grows past this many keys gets
// an ordered index, so a hostile file of many keys stays n log n.
constexpr std::size_t scanned_keys = 16;

struct Frame {
    Node* node = nullptr;
    std::string anchor;
    std::uint64_t expanded = 1;  // weight of the full expansion, aliases unfolded
    std::size_t height = 1;      // levels of collections from here down, aliases unfolded
    std::size_t first = 0;       // where its children start on the builder's stack of children
    std::set<const Node*, ScalarLess> keys;  // a large mapping's scalar keys
};

struct Anchored {
    const Node* node = nullptr;
    std::uint64_t expanded = 1;
    std::size_t height = 0;
};

struct Builder {
    Storage& storage;
    std::vector<Frame> open;
    // The children of every open collection, innermost last; a mapping's
    // alternate key, value, key, value. A collection takes its own when it closes.
    std::vector<const Node*> children;
    std::unordered_map<std::string, Anchored> anchors;
    const Node* root = nullptr;
    std::uint64_t built = 0;     // weight of the nodes made from the text
    std::uint64_t repeated = 0;  // weight of what alias uses stand for
    std::size_t documents = 0;
};

Location location_of(const yaml_mark_t& mark) {
    return Location{static_cast<std::uint64_t>(mark.line) + 1, static_cast<std::uint64_t>(mark.column) + 1};
}

// Whether a scalar key repeats one the open mapping already holds.
bool repeats_key(Builder& builder, Frame& mapping, const Node* key) {
    const auto keys_begin = builder.children.begin() + static_cast<std::ptrdiff_t>(mapping.first);
    const std::size_t count = (builder.children.size() - mapping.first) / 2;
    if (mapping.keys.empty() && count < scanned_keys) {
        for (auto at = keys_begin; at != builder.children.end(); at += 2) {
            if (same_key(**at, *key)) return true;
        }
        return false;
    }
    if (mapping.keys.empty()) {
        for (auto at = keys_begin; at != builder.children.end(); at += 2) {
            if (is_scalar(**at)) mapping.keys.insert(*at);
        }
    }
    return !mapping.keys.insert(key).second;
}

std::optional<ParseError> place(Builder& builder, const Node* node, std::uint64_t expanded, std::size_t height,
                                const yaml_mark_t& mark) {
    if (builder.open.size() + height > max_depth) return ParseError{location_of(mark), "recursion limit exceeded"};
    if (builder.open.empty()) {
        builder.root = node;
        return std::nullopt;
    }
    Frame& parent = builder.open.back();
    parent.expanded = add_saturating(parent.expanded, expanded);
    parent.height = std::max(parent.height, height + 1);
    const bool is_key = parent.node->kind == NodeKind::Mapping && (builder.children.size() - parent.first) % 2 == 0;
    if (is_key && is_scalar(*node) && repeats_key(builder, parent, node)) {
        return ParseError{location_of(mark), "duplicate key"};
    }
    builder.children.push_back(node);
    return std::nullopt;
}

void keep_anchor(Builder& builder, std::string_view anchor, const Anchored& anchored) {
    builder.anchors[std::string(anchor)] = anchored;
}

// Few nodes carry an anchor: with the map kept out of line, the others pay
// only the test.
void remember(Builder& builder, std::string_view anchor, const Node* node, std::uint64_t expanded,
              std::size_t height) {
    if (!anchor.empty()) keep_anchor(builder, anchor, Anchored{node, expanded, height});
}

std::optional<ParseError> open_collection(Builder& builder, NodeKind kind, const yaml_char_t* anchor,
                                          const yaml_char_t* tag, const yaml_mark_t& mark) {
    if (builder.open.size() >= max_depth) return ParseError{location_of(mark), "recursion limit exceeded"};
    Node* node = new_node(builder.storage);
    node->kind = kind;
    node->tag = keep_text(builder.storage, view_of(tag));
    ++builder.built;
    builder.open.push_back(Frame{node, std::string(view_of(anchor)), 1, 1, builder.children.size(), {}});
    return std::nullopt;
}

std::optional<ParseError> close_collection(Builder& builder, const yaml_mark_t& mark) {
    Frame frame = std::move(builder.open.back());
    builder.open.pop_back();
    const std::span<const Node* const> children(builder.children.data() + frame.first,
                                                builder.children.size() - frame.first);
    if (frame.node->kind == NodeKind::Sequence) {
        frame.node->items = keep_list(builder.storage, children);
    } else {
        frame.node->entries = keep_entries(builder.storage, children);
    }
    builder.children.resize(frame.first);
    remember(builder, frame.anchor, frame.node, frame.expanded, frame.height);
    return place(builder, frame.node, frame.expanded, frame.height, mark);
}

std::optional<ParseError> add_scalar(Builder& builder, const yaml_event_t& event) {
    const auto& scalar = event.data.scalar;
    const std::string_view value(reinterpret_cast<const char*>(scalar.value), scalar.length);
    Node* node = new_scalar(builder.storage, value);
    node->tag = keep_text(builder.storage, view_of(scalar.tag));
    resolve_scalar(*node, event);
    const std::uint64_t weight = add_saturating(1, node->text.size());
    builder.built = add_saturating(builder.built, weight);
    remember(builder, view_of(scalar.anchor), node, weight, 0);
    return place(builder, node, weight, 0, event.start_mark);
}

std::optional<ParseError> add_alias(Builder& builder, const yaml_event_t& event) {
    const auto found = builder.anchors.find(std::string(view_of(event.data.alias.anchor)));
    if (found == builder.anchors.end()) return ParseError{location_of(event.start_mark), "unknown anchor"};
    const Anchored& anchored = found->second;
    builder.repeated = add_saturating(builder.repeated, anchored.expanded);
    if (builder.repeated > max_repeated_weight) return ParseError{std::nullopt, "repetition limit exceeded"};
    return place(builder, anchored.node, anchored.expanded, anchored.height, event.start_mark);
}

std::optional<ParseError> on_event(Builder& builder, const yaml_event_t& event) {
    switch (event.type) {
        case YAML_DOCUMENT_START_EVENT:
            if (++builder.documents > 1) {
                return ParseError{std::nullopt, "deserializing from YAML containing more than one document is not supported"};
            }
            return std::nullopt;
        case YAML_DOCUMENT_END_EVENT:
            if (builder.repeated > multiply_saturating(max_repetition, builder.built)) {
                return ParseError{std::nullopt, "repetition limit exceeded"};
            }
            return std::nullopt;
        case YAML_SEQUENCE_START_EVENT:
            return open_collection(builder, NodeKind::Sequence, event.data.sequence_start.anchor,
                                   event.data.sequence_start.tag, event.start_mark);
        case YAML_MAPPING_START_EVENT:
            return open_collection(builder, NodeKind::Mapping, event.data.mapping_start.anchor,
                                   event.data.mapping_start.tag, event.start_mark);
        case YAML_SEQUENCE_END_EVENT:
        case YAML_MAPPING_END_EVENT: return close_collection(builder, event.start_mark);
        case YAML_SCALAR_EVENT: return add_scalar(builder, event);
        case YAML_ALIAS_EVENT: return add_alias(builder, event);
        default: return std::nullopt;
    }
}

const Node* copy_into(Storage& storage, const Node* node,
                      std::unordered_map<const Node*, const Node*>& copies) {
    if (!node) return nullptr;
    if (const auto done = copies.find(node); done != copies.end()) return done->second;
    Node* copy = new_node(storage);
    *copy = *node;
    copy->tag = keep_text(storage, node->tag);
    copy->text = keep_text(storage, node->text);
    std::vector<const Node*> items;
    items.reserve(node->items.size());
    for (const Node* item : node->items) items.push_back(copy_into(storage, item, copies));
    copy->items = keep_list(storage, std::span<const Node* const>(items));
    std::vector<Entry> entries;
    entries.reserve(node->entries.size());
    for (const auto& [key, value] : node->entries) {
        entries.emplace_back(copy_into(storage, key, copies), copy_into(storage, value, copies));
    }
    copy->entries = keep_list(storage, std::span<const Entry>(entries));
    copies.emplace(node, copy);
    return copy;
}

// Reader errors (bad encoding, control characters) carry a byte offset only;
// count lines and characters up to it as the scanner would.
Location location_at(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    Location at{1, 1};
    for (std::size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++at.line;
            at.column = 1;
        } else if (c != '\r' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++at.column;
        }
    }
    return at;
}

ParseError syntax_error(const yaml_parser_t& parser, std::string_view text) {
    std::string message = parser.problem ? parser.problem : "unknown YAML error";
    if (parser.error == YAML_READER_ERROR) return ParseError{location_at(text, parser.problem_offset), message};
    if (parser.error == YAML_MEMORY_ERROR) return ParseError{std::nullopt, "out of memory"};
    return ParseError{location_of(parser.problem_mark), message};
}

// Artefacts take about ten times their text in storage (a node for every
// scalar of a few bytes), so most fit the first block.
std::size_t first_block_size(std::size_t text_size) {
    constexpr std::size_t factor = 12;
    constexpr std::size_t least = std::size_t{1} << 10;
    constexpr std::size_t most = std::size_t{64} << 20;
    return std::clamp(std::min(text_size, most / factor) * factor, least, most);
}

struct ParserGuard {
    yaml_parser_t* parser;
    ~ParserGuard() { yaml_parser_delete(parser); }
};

struct EventGuard {
    yaml_event_t* event;
    ~EventGuard() { yaml_event_delete(event); }
};

}  // namespace

std::variant<NodePtr, ParseError> parse_document(std::string_view text) {
    // Editors on some systems start UTF-8 files with a byte-order mark; the
    // text reads as if it were not there (positions count from after it).
    constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
    if (text.starts_with(byte_order_mark)) text.remove_prefix(byte_order_mark.size());
    yaml_parser_t parser;
    if (!yaml_parser_initialize(&parser)) return ParseError{std::nullopt, "out of memory"};
    ParserGuard parser_guard{&parser};
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    yaml_parser_set_encoding(&parser, YAML_UTF8_ENCODING);

    try {
        auto storage = std::make_shared<Storage>(first_block_size(text.size()));
        Builder builder{*storage, {}, {}, {}, nullptr, 0, 0, 0};
        for (;;) {
            yaml_event_t event;
            if (!yaml_parser_parse(&parser, &event)) return syntax_error(parser, text);
            EventGuard event_guard{&event};
            if (event.type == YAML_STREAM_END_EVENT) break;
            if (auto error = on_event(builder, event)) return *std::move(error);
        }
        if (builder.documents == 0 || !builder.root) return ParseError{std::nullopt, "EOF while parsing a value"};
        return NodePtr(std::move(storage), builder.root);
    } catch (const std::bad_alloc&) {
        return ParseError{std::nullopt, "out of memory"};
    } catch (const std::length_error&) {
        return ParseError{std::nullopt, "out of memory"};
    }
}

const Node* find(const Node& mapping, std::string_view key) {
    if (mapping.kind != NodeKind::Mapping) return nullptr;
    for (const auto& [k, v] : mapping.entries) {
        if (k->kind == NodeKind::String && k->text == key) return v;
    }
    return nullptr;
}

NodePtr copy_tree(const Node& node) {
    auto storage = std::make_shared<Storage>(std::size_t{1} << 10);
    std::unordered_map<const Node*, const Node*> copies;
    const Node* copy = copy_into(*storage, &node, copies);
    return NodePtr(std::move(storage), copy);
}

}  // namespace brelk::yaml
