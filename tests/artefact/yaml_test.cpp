#include "artefact/yaml.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>

namespace brelk::yaml {
namespace {

NodePtr parsed(std::string_view text) {
    auto result = parse_document(text);
    if (auto* error = std::get_if<ParseError>(&result)) {
        ADD_FAILURE() << "parse failed: " << error->message;
        return std::make_shared<Node>();
    }
    return std::get<NodePtr>(result);
}

// The failure as "line:column message", or "message" when it has no location.
std::string failure(std::string_view text) {
    auto result = parse_document(text);
    auto* error = std::get_if<ParseError>(&result);
    if (!error) return "parsed";
    if (!error->location) return error->message;
    return fmt::format("{}:{} {}", error->location->line, error->location->column, error->message);
}

std::string shown(const Node& node) {
    switch (node.kind) {
        case NodeKind::Null: return "null";
        case NodeKind::Boolean: return node.boolean ? "bool true" : "bool false";
        case NodeKind::Integer: return fmt::format("int {}{}", node.negative ? "-" : "", node.magnitude);
        case NodeKind::Float: return fmt::format("float {}", node.number);
        case NodeKind::String: return "str " + std::string(node.text);
        case NodeKind::Sequence: return "seq";
        case NodeKind::Mapping: return "map";
    }
    return "?";
}

TEST(YamlScalars, ResolveByTheCoreSchema) {
    const std::pair<std::string_view, std::string_view> table[] = {
        {"v: ~", "null"}, {"v: null", "null"}, {"v: Null", "null"}, {"v: NULL", "null"}, {"v:", "null"},
        {"v: nULL", "str nULL"},
        {"v: true", "bool true"}, {"v: True", "bool true"}, {"v: TRUE", "bool true"},
        {"v: false", "bool false"}, {"v: False", "bool false"}, {"v: FALSE", "bool false"},
        {"v: yes", "str yes"}, {"v: on", "str on"}, {"v: tRUE", "str tRUE"},
        {"v: 0", "int 0"}, {"v: -0", "int 0"}, {"v: +12", "int 12"}, {"v: 007", "int 7"},
        {"v: 0o17", "int 15"}, {"v: 0x1F", "int 31"}, {"v: 0o8", "str 0o8"}, {"v: -0x1", "str -0x1"},
        {"v: 1_000", "str 1_000"},
        {"v: 18446744073709551615", "int 18446744073709551615"},
        {"v: -9223372036854775808", "int -9223372036854775808"},
        {"v: -9223372036854775809", "float -9.223372036854776e+18"},
        {"v: 18446744073709551616", "float 1.8446744073709552e+19"},
        {"v: 0x10000000000000000", "float 1.8446744073709552e+19"},
        {"v: 0o2000000000000000000000", "float 1.8446744073709552e+19"},
        {"v: 1.5", "float 1.5"}, {"v: -1.5e3", "float -1500"}, {"v: .5", "float 0.5"}, {"v: 1.", "float 1"},
        {"v: 1e3", "float 1000"}, {"v: +2.5E-1", "float 0.25"}, {"v: 1e400", "float inf"},
        {"v: -1e-400", "float -0"}, {"v: 1.2.3", "str 1.2.3"}, {"v: 1e", "str 1e"}, {"v: .", "str ."},
        {"v: .inf", "float inf"}, {"v: +.Inf", "float inf"}, {"v: -.INF", "float -inf"}, {"v: .NaN", "float nan"},
        {"v: .infinity", "str .infinity"}, {"v: inf", "str inf"},
        {"v: '1'", "str 1"}, {"v: \"true\"", "str true"}, {"v: |\n  12\n", "str 12\n"}, {"v: ''", "str "},
        {"v: !!str 1", "str 1"}, {"v: ! 1", "str 1"}, {"v: !!int \"12\"", "int 12"}, {"v: !!int 1.5", "float 1.5"},
        {"v: !!float 1", "float 1"}, {"v: !!bool yes", "str yes"}, {"v: !!null ''", "null"}, {"v: !custom 3", "int 3"},
    };
    for (const auto& [text, expected] : table) {
        auto root = parsed(text);
        const Node* value = find(*root, "v");
        ASSERT_NE(value, nullptr) << text;
        EXPECT_EQ(shown(*value), expected) << text;
    }
    EXPECT_EQ(find(*parsed("v: !!int 7"), "v")->tag, "tag:yaml.org,2002:int");
    EXPECT_EQ(find(*parsed("v: !custom 3"), "v")->tag, "!custom");
    EXPECT_EQ(find(*parsed("v: 3"), "v")->tag, "");
}

TEST(YamlDocuments, KeepOrderAndFindPlainTextKeys) {
    auto root = parsed("b: 1\na: [x, {c: d}]\n1: one\n'2': two\n");
    ASSERT_EQ(root->kind, NodeKind::Mapping);
    ASSERT_EQ(root->entries.size(), 4u);
    EXPECT_EQ(root->entries[0].first->text, "b");
    EXPECT_EQ(root->entries[1].first->text, "a");
    const Node* a = find(*root, "a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->items.size(), 2u);
    EXPECT_EQ(shown(*find(*a->items[1], "c")), "str d");
    EXPECT_EQ(find(*root, "1"), nullptr);  // the key is the integer 1
    EXPECT_EQ(shown(*find(*root, "2")), "str two");
    EXPECT_EQ(find(*a, "x"), nullptr);
    EXPECT_EQ(shown(*parsed("---")), "null");
    EXPECT_EQ(shown(*parsed("--- plain\n...\n")), "str plain");
}

TEST(YamlDocuments, ACopiedPartOutlivesItsDocumentAndKeepsItsSharing) {
    NodePtr copy;
    const Node* original = nullptr;
    {
        auto root = parsed("a: 1\nstepper: {shared: &x [1, two], again: *x, tagged: !t v}\n");
        original = find(*root, "stepper");
        copy = copy_tree(*original);
    }
    ASSERT_EQ(copy->kind, NodeKind::Mapping);
    EXPECT_NE(copy.get(), original);
    ASSERT_EQ(copy->entries.size(), 3u);
    EXPECT_EQ(copy->entries[0].first->text, "shared");
    const Node* shared = find(*copy, "shared");
    EXPECT_EQ(shared, find(*copy, "again"));
    ASSERT_EQ(shared->items.size(), 2u);
    EXPECT_EQ(shown(*shared->items[0]), "int 1");
    EXPECT_EQ(shown(*shared->items[1]), "str two");
    EXPECT_EQ(shown(*find(*copy, "tagged")), "str v");
    EXPECT_EQ(find(*copy, "tagged")->tag, "!t");
}

TEST(YamlDocuments, CountAndSyntaxErrors) {
    EXPECT_EQ(failure(""), "EOF while parsing a value");
    EXPECT_EQ(failure("# only a comment\n\n   \n"), "EOF while parsing a value");
    EXPECT_EQ(failure("a: 1\n---\nb: 2\n"), "deserializing from YAML containing more than one document is not supported");
    EXPECT_EQ(failure("a: 1\n---\n"), "deserializing from YAML containing more than one document is not supported");
    EXPECT_EQ(failure("a: [1, 2\n"), "2:1 did not find expected ',' or ']'");
    EXPECT_EQ(failure("a: b: c\n"), "1:5 mapping values are not allowed in this context");
    EXPECT_EQ(failure("a:\n  - 1\n b: 2\n"), "3:2 did not find expected key");
    EXPECT_EQ(failure(std::string_view("a: 1\nb: x\0y\n", 12)), "2:5 control characters are not allowed");
    EXPECT_EQ(failure("a: \xff\n"), "1:4 invalid leading UTF-8 octet");
}

TEST(YamlDocuments, RepeatedKeysAreErrors) {
    EXPECT_EQ(failure("a: 1\nb: 2\na: 3\n"), "3:1 duplicate key");
    EXPECT_EQ(failure("x:\n  1: a\n  0x1: b\n"), "3:3 duplicate key");
    EXPECT_EQ(failure("{~: a, null: b}"), "1:8 duplicate key");
    EXPECT_EQ(failure("{.5: a, 0.50: b}"), "1:9 duplicate key");
    EXPECT_EQ(failure("a: &k a\n*k : 2\n"), "2:1 duplicate key");
    EXPECT_EQ(failure("1: a\n'1': b\n1.0: c\ntrue: d\n'true': e\n"), "parsed");
    EXPECT_EQ(failure("a: {k: 1}\nb: {k: 2}\n"), "parsed");
    // A mapping of many keys is searched another way; the same keys collide.
    std::string many;
    for (int i = 0; i < 20; ++i) many += fmt::format("k{}: {}\n", i, i);
    EXPECT_EQ(failure(many + "1: a\n'1': b\n1.0: c\ntrue: d\n'true': e\n"), "parsed");
    EXPECT_EQ(failure(many + "k3: again\n"), "21:1 duplicate key");
    EXPECT_EQ(failure(many + "17: a\n0x11: b\n"), "22:1 duplicate key");
}

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(YamlHostileInput, DeepNestingStopsAt128Levels) {
    EXPECT_EQ(failure(nested(128)), "parsed");
    EXPECT_EQ(failure(nested(129)), "1:129 recursion limit exceeded");
    EXPECT_EQ(failure(nested(1000000)), "1:129 recursion limit exceeded");
    // An alias counts with the depth of what it stands for.
    const auto deep = "a: &deep " + nested(100) + "\nb: " + std::string(28, '[') + "*deep" + std::string(28, ']') + "\n";
    EXPECT_EQ(failure(deep), "2:32 recursion limit exceeded");
    const auto fits = "a: &deep " + nested(100) + "\nb: " + std::string(27, '[') + "*deep" + std::string(27, ']') + "\n";
    EXPECT_EQ(failure(fits), "parsed");
}

TEST(YamlHostileInput, AliasesShareAndMayNotExplode) {
    auto root = parsed("a: &x [1, 2]\nb: *x\nc: &x [3]\nd: *x\n");
    EXPECT_EQ(find(*root, "a"), find(*root, "b"));
    EXPECT_EQ(shown(*find(*root, "d")->items[0]), "int 3");
    EXPECT_EQ(failure("a: *nowhere\n"), "1:4 unknown anchor");
    EXPECT_EQ(failure("a: &self [*self]\n"), "1:11 unknown anchor");

    std::string bomb = "a: &a [lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
    for (char level = 'b'; level <= 'i'; ++level) {
        bomb += fmt::format("{0}: &{0} [*{1}, *{1}, *{1}, *{1}, *{1}, *{1}, *{1}, *{1}, *{1}]\n", level, static_cast<char>(level - 1));
    }
    EXPECT_EQ(failure(bomb), "repetition limit exceeded");
    // Up to a hundredfold repetition is ordinary reuse.
    std::string reuse = "a: &a [x, y, z]\nb: [";
    for (int i = 0; i < 100; ++i) reuse += "*a, ";
    reuse += "]\n";
    EXPECT_EQ(failure(reuse), "parsed");

    // Readers copy what an alias shares, so a long text weighs its length.
    auto uses = [](int count) {
        std::string text = "s: &s '" + std::string(10000, 'x') + "'\nu: [";
        for (int i = 0; i < count; ++i) text += "*s, ";
        return text + "]\n";
    };
    EXPECT_EQ(failure(uses(50)), "parsed");
    EXPECT_EQ(failure(uses(200)), "repetition limit exceeded");

    // Within a hundredfold, but over 256 MiB all told: a 3 MiB text used 90 times.
    auto large_uses = [](int count) {
        std::string text = "s: &s '" + std::string(3 << 20, 'x') + "'\nu: [";
        for (int i = 0; i < count; ++i) text += "*s, ";
        return text + "]\n";
    };
    EXPECT_EQ(failure(large_uses(80)), "parsed");
    EXPECT_EQ(failure(large_uses(90)), "repetition limit exceeded");
}

// Short scalars take many times their text in nodes, so a long list of them
// fills one large block after another; every item reads back in its place.
TEST(YamlDocuments, AListLargerThanItsFirstBlocksKeepsEveryItem) {
    constexpr int count = 400'000;
    std::string text = "[";
    for (int i = 0; i < count; ++i) text += fmt::format("{},", i);
    text += "last]";
    auto root = parsed(text);
    ASSERT_EQ(root->items.size(), std::size_t{count} + 1);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(shown(*root->items[static_cast<std::size_t>(i)]), fmt::format("int {}", i)) << i;
    }
    EXPECT_EQ(shown(*root->items.back()), "str last");
}

TEST(YamlDocuments, AByteOrderMarkIsNotPartOfTheText) {
    auto root = parsed("\xEF\xBB\xBFschemaVersion: brelk-explore-1\nname: x\n");
    EXPECT_EQ(shown(*find(*root, "schemaVersion")), "str brelk-explore-1");
    EXPECT_EQ(failure("\xEF\xBB\xBF" "a: [1\n"), "2:1 did not find expected ',' or ']'");
    // Only at the very start.
    EXPECT_EQ(shown(*find(*parsed("a: x\xEF\xBB\xBF\n"), "a")), "str x\xEF\xBB\xBF");
}

TEST(YamlHostileInput, HugeScalarsParse) {
    std::string text = "v: " + std::string(4 << 20, '7') + "\nw: '" + std::string(4 << 20, 'x') + "'\n";
    auto root = parsed(text);
    EXPECT_EQ(find(*root, "v")->kind, NodeKind::Float);
    EXPECT_EQ(find(*root, "v")->number, std::numeric_limits<double>::infinity());
    EXPECT_EQ(find(*root, "w")->text.size(), std::size_t{4} << 20);
}

}  // namespace
}  // namespace brelk::yaml
