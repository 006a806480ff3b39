#pragma once
// Reads a stylesheet as the browser's parser splits it into top-level rules,
// and checks that the rules a page is meant to carry stand first, in order,
// with whatever mends follow them.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace brelk::testing {

struct CssRule {
    std::string selector;  // the prelude, trimmed: a selector list or an at-rule's head
    std::string text;      // from the prelude's first character to the rule's closing brace
    std::vector<std::string> declarations;  // of a style rule, each trimmed, without its ';'
};

inline std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \n\t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \n\t") - first + 1);
}

inline std::vector<std::string> declarations_of(std::string_view body) {
    std::vector<std::string> out;
    while (!body.empty()) {
        const auto end = body.find(';');
        const auto one = trimmed(body.substr(0, end));
        if (!one.empty()) out.emplace_back(one);
        if (end == std::string_view::npos) break;
        body.remove_prefix(end + 1);
    }
    return out;
}

// Comments are skipped; an at-rule with a block is one rule up to its
// matching brace. Quoted braces do not occur in these sheets.
inline std::vector<CssRule> css_rules(std::string_view sheet) {
    std::vector<CssRule> rules;
    std::size_t at = 0;
    while (true) {
        at = sheet.find_first_not_of(" \n\t", at);
        if (at == std::string_view::npos) break;
        if (sheet.substr(at, 2) == "/*") {
            at = sheet.find("*/", at);
            if (at == std::string_view::npos) break;
            at += 2;
            continue;
        }
        const auto open = sheet.find('{', at);
        if (open == std::string_view::npos) break;
        std::size_t close = open;
        for (int depth = 0; close < sheet.size(); ++close) {
            if (sheet[close] == '{') ++depth;
            if (sheet[close] == '}' && --depth == 0) break;
        }
        CssRule rule{std::string(trimmed(sheet.substr(at, open - at))), std::string(sheet.substr(at, close + 1 - at)), {}};
        if (rule.selector.front() != '@') rule.declarations = declarations_of(sheet.substr(open + 1, close - open - 1));
        rules.push_back(std::move(rule));
        at = close + 1;
    }
    return rules;
}

// A rule as the written text gives it: its selector, the declarations it
// names, and, where the text quotes the rule itself, that quotation (the
// rule's text must begin with it; a quotation up to the closing brace is the
// whole rule).
struct Written {
    std::string_view selector;
    std::vector<std::string_view> declarations = {};
    std::string_view quoted = {};
};

inline Written quoted(std::string_view text) {
    return Written{trimmed(text.substr(0, text.find('{'))), {}, text};
}

inline ::testing::AssertionResult matches(const CssRule& rule, const Written& written) {
    if (rule.selector != written.selector) {
        return ::testing::AssertionFailure() << "rule \"" << rule.text << "\" stands where \"" << written.selector
                                             << "\" is written";
    }
    if (!written.quoted.empty() && std::string_view(rule.text).substr(0, written.quoted.size()) != written.quoted) {
        return ::testing::AssertionFailure() << "rule \"" << rule.text << "\" is not as written: \"" << written.quoted
                                             << "\"";
    }
    for (const auto declaration : written.declarations) {
        bool found = false;
        for (const auto& own : rule.declarations) found = found || own == declaration;
        if (!found) {
            return ::testing::AssertionFailure() << "rule \"" << rule.text << "\" lacks \"" << declaration << "\"";
        }
    }
    return ::testing::AssertionSuccess();
}

// `pieces` are the written pieces in their order. Each piece's rules stand
// one after the other from where the piece begins; mends may follow a piece,
// up to the first rule of the next.
inline ::testing::AssertionResult written_then_mends(const std::vector<CssRule>& rules,
                                                     const std::vector<std::vector<Written>>& pieces) {
    std::size_t at = 0;
    for (std::size_t piece = 0; piece < pieces.size(); ++piece) {
        for (const auto& written : pieces[piece]) {
            if (at == rules.size()) {
                return ::testing::AssertionFailure() << "piece " << piece + 1 << ": the sheet ends before \""
                                                     << written.selector << "\"";
            }
            if (auto ok = matches(rules[at], written); !ok) return ok << " (piece " << piece + 1 << ")";
            ++at;
        }
        if (piece + 1 == pieces.size()) break;
        const auto next = pieces[piece + 1].front().selector;
        while (at < rules.size() && rules[at].selector != next) ++at;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace brelk::testing
