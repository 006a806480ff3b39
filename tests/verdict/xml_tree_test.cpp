#include "verdict/xml_tree.hpp"

#include <gtest/gtest.h>

#include <string>

namespace brelk::xml {
namespace {

std::string error_of(std::string_view text) {
    auto parsed = parse(text);
    if (auto* error = std::get_if<ParseError>(&parsed)) return error->message;
    return "parsed";
}

TEST(XmlTree, ReadsNamesNamespacesAttributesAndChildrenInOrder) {
    auto parsed = parse(R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<!-- before -->
<v:top xmlns:v="urn:a" xmlns:o="urn:b" plain="1" o:qualified="2" amp="a&amp;b&#233;é">
  text <?pi ignored?>
  <first/><o:second xmlns="urn:c"><third x="y"/></o:second>
  <!-- comment --><v:fourth/><fifth/>
</v:top>)");
    ASSERT_TRUE(std::holds_alternative<Document>(parsed)) << std::get<ParseError>(parsed).message;
    const Element& top = std::get<Document>(parsed).root();
    EXPECT_EQ(top.local_name, "top");
    EXPECT_EQ(top.namespace_name, "urn:a");
    ASSERT_EQ(top.attributes.size(), 2u);
    EXPECT_EQ(attribute(top, "plain"), "1");
    EXPECT_EQ(attribute(top, "qualified"), std::nullopt);
    EXPECT_EQ(attribute(top, "amp"), "a&b\u00e9\u00e9");
    ASSERT_EQ(top.children.size(), 4u);
    EXPECT_EQ(top.children[0]->local_name, "first");
    EXPECT_EQ(top.children[0]->namespace_name, "");
    EXPECT_EQ(top.children[1]->namespace_name, "urn:b");
    EXPECT_EQ(top.children[1]->children[0]->namespace_name, "urn:c");
    EXPECT_EQ(attribute(*top.children[1]->children[0], "x"), "y");
    EXPECT_EQ(top.children[2]->local_name, "fourth");
    EXPECT_EQ(top.children[3]->local_name, "fifth");

    auto parsed_names = parse(R"(<r><a/><b/><x:a xmlns:x="u&#10;v"/></r>)");
    const Element& r = std::get<Document>(parsed_names).root();
    auto named = children_named(r, "a");
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[1]->namespace_name, "u\nv");
}

TEST(XmlTree, RejectsMalformedTextWithPosition) {
    EXPECT_EQ(error_of("<a></b>"), "mismatched tag at line 1, column 6");
    EXPECT_EQ(error_of(""), "no element found at line 1, column 1");
    EXPECT_EQ(error_of("<a>\n  <b>"), "no element found at line 2, column 6");
    EXPECT_EQ(error_of("<a/><a/>"), "junk after document element at line 1, column 5");
    EXPECT_EQ(error_of("<x:a/>"), "unbound prefix at line 1, column 1");
    EXPECT_EQ(error_of("<a>&lol;</a>"), "undefined entity at line 1, column 4");
    EXPECT_EQ(error_of("<a b='1' b='2'/>"), "duplicate attribute at line 1, column 10");
}

TEST(XmlTree, RefusesEveryDocumentTypeDeclarationAtItsStart) {
    const std::string refused = "document type declarations are not allowed at line ";
    EXPECT_EQ(error_of("<!DOCTYPE a><a/>"), refused + "1, column 1");
    EXPECT_EQ(error_of("<?xml version=\"1.0\"?>\r\n<!-- \u00e9\n -->  <!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>"),
              refused + "3, column 7");
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<lolz>&lol9;</lolz>";
    EXPECT_EQ(error_of(laughs), refused + "2, column 1");
    EXPECT_EQ(error_of("<!DOCTYPE a [<!ENTITY % p SYSTEM \"http://example.invalid/\"> %p;]><a/>"),
              refused + "1, column 1");
    // After the root a declaration is no longer a declaration at all.
    EXPECT_EQ(error_of("<a/><!DOCTYPE a>"), "junk after document element at line 1, column 5");
}

TEST(XmlTree, DeepNestingAndHugeTextsAreBuiltWithoutRecursion) {
    constexpr int depth = 200000;
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<d>";
    for (int i = 0; i < depth; ++i) deep += "</d>";
    {
        auto parsed = parse(deep);
        ASSERT_TRUE(std::holds_alternative<Document>(parsed));
        EXPECT_EQ(std::get<Document>(parsed).elements.size(), static_cast<std::size_t>(depth));
        const Element* innermost = &std::get<Document>(parsed).root();
        while (!innermost->children.empty()) innermost = innermost->children.front();
        EXPECT_EQ(innermost, std::get<Document>(parsed).elements.back());
    }

    // Larger than one piece handed to the parser, with a character split across pieces.
    std::string value(3'000'000, 'v');
    value[(1 << 20) - 9] = '\xc3';
    value[(1 << 20) - 8] = '\xa9';
    auto parsed = parse("<a big=\"" + value + "\"/>");
    ASSERT_TRUE(std::holds_alternative<Document>(parsed));
    EXPECT_EQ(attribute(std::get<Document>(parsed).root(), "big"), value);
}

}  // namespace
}  // namespace brelk::xml
