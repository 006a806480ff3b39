#include "verdict/xml_events.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>

namespace brelk::xml {
namespace {

// Every element as "<local {namespace} attr=value ...>" and "</>", in order,
// asking for the attributes `wanted`.
struct Recorder {
    std::vector<std::string> wanted;
    std::string events;
    std::size_t depth = 0;
    std::size_t deepest = 0;
    std::size_t throw_at = 0;  // the start tag, counted from 1, that runs out of memory
    std::size_t starts = 0;

    ElementEvents events_for() {
        return {this,
                [](void* r, const StartTag& tag) { static_cast<Recorder*>(r)->start(tag); },
                [](void* r) { static_cast<Recorder*>(r)->end(); }};
    }
    void start(const StartTag& tag) {
        if (++starts == throw_at) throw std::bad_alloc();
        deepest = std::max(deepest, ++depth);
        if (depth > 3) return;
        events += fmt::format("<{} {{{}}}", tag.local_name, tag.namespace_name);
        for (const auto& name : wanted) {
            if (auto value = tag.attributes[name]) events += fmt::format(" {}={}", name, *value);
        }
        events += ">";
    }
    void end() {
        if (depth-- <= 3) events += "</>";
    }
};

std::string error_of(std::string_view text) {
    Recorder recorder;
    auto error = parse(text, recorder.events_for());
    return error ? error->message : "parsed";
}

TEST(XmlEvents, TellsNamesNamespacesAndUnqualifiedAttributesInOrder) {
    Recorder recorder;
    recorder.wanted = {"plain", "qualified", "amp", "x"};
    auto error = parse(R"(<?xml version="1.0" encoding="ISO-8859-1"?>
<!-- before -->
<v:top xmlns:v="urn:a" xmlns:o="urn:b" plain="1" o:qualified="2" amp="a&amp;b&#233;é">
  text <?pi ignored?>
  <first/><o:second xmlns="urn:c"><third x="y"/></o:second>
  <!-- comment --><v:fourth/><fifth qualified="3"/>
</v:top>)",
                       recorder.events_for());
    EXPECT_FALSE(error);
    EXPECT_EQ(recorder.events,
              "<top {urn:a} plain=1 amp=a&b\u00e9\u00e9><first {}></><second {urn:b}><third {urn:c} x=y></></>"
              "<fourth {urn:a}></><fifth {} qualified=3></></>");

    Recorder newline;
    EXPECT_FALSE(parse(R"(<r><x:a xmlns:x="u&#10;v"/></r>)", newline.events_for()));
    EXPECT_EQ(newline.events, "<r {}><a {u\nv}></></>");
}

// Names asked for in another order than the tag's, names that begin other
// names, names the tag lacks, and a prefixed attribute of an asked-for local
// name: each value goes to its own name.
TEST(XmlEvents, PicksAttributesWhateverTheirOrder) {
    std::string picked;
    const ElementEvents events{&picked,
                               [](void* out, const StartTag& tag) {
                                   if (tag.local_name != "e") return;
                                   const auto [check, pass, passed, missing] = tag.attributes.pick(
                                       std::array<std::string_view, 4>{"check", "pass", "passed", "missing"});
                                   *static_cast<std::string*>(out) +=
                                       fmt::format("{}|{}|{}|{};", check.value_or("-"), pass.value_or("-"),
                                                   passed.value_or("-"), missing.value_or("-"));
                               },
                               [](void*) {}};
    EXPECT_FALSE(parse(R"(<r xmlns:o="urn:o">)"
                       R"(<e passed="1" o:check="q" pass="2" check="c" extra="" checks="3"/>)"
                       R"(<e check="" pas="4" passe="5"/><e/></r>)",
                       events));
    EXPECT_EQ(picked, "c|2|1|-;|-|-|-;-|-|-|-;");
}

TEST(XmlEvents, RejectsMalformedTextWithPosition) {
    EXPECT_EQ(error_of("<a></b>"), "mismatched tag at line 1, column 6");
    EXPECT_EQ(error_of(""), "no element found at line 1, column 1");
    EXPECT_EQ(error_of("<a>\n  <b>"), "no element found at line 2, column 6");
    EXPECT_EQ(error_of("<a/><a/>"), "junk after document element at line 1, column 5");
    EXPECT_EQ(error_of("<x:a/>"), "unbound prefix at line 1, column 1");
    EXPECT_EQ(error_of("<a>&lol;</a>"), "undefined entity at line 1, column 4");
    EXPECT_EQ(error_of("<a b='1' b='2'/>"), "duplicate attribute at line 1, column 10");

    // A reader that runs out of memory stops the parse where it stood.
    Recorder starving;
    starving.throw_at = 2;
    auto error = parse("<a>\n <b/></a>", starving.events_for());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "out of memory at line 2, column 2");
}

TEST(XmlEvents, RefusesEveryDocumentTypeDeclarationAtItsStart) {
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

TEST(XmlEvents, DeepNestingAndHugeTextsAreTold) {
    constexpr std::size_t depth = 200000;
    std::string deep;
    for (std::size_t i = 0; i < depth; ++i) deep += "<d>";
    for (std::size_t i = 0; i < depth; ++i) deep += "</d>";
    Recorder nested;
    EXPECT_FALSE(parse(deep, nested.events_for()));
    EXPECT_EQ(nested.deepest, depth);
    EXPECT_EQ(nested.depth, 0u);

    // Larger than one piece handed to the parser, with a character split across pieces.
    std::string value(3'000'000, 'v');
    value[(1 << 20) - 9] = '\xc3';
    value[(1 << 20) - 8] = '\xa9';
    Recorder big;
    big.wanted = {"big"};
    EXPECT_FALSE(parse("<a big=\"" + value + "\"/>", big.events_for()));
    EXPECT_EQ(big.events, "<a {} big=" + value + "></>");
}

}  // namespace
}  // namespace brelk::xml
