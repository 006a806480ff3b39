#pragma once
// The verdict page: title, overview of the use cases, and one section per use
// case holding its runs.
#include <string>
#include <string_view>

#include "html/page_sections.hpp"
#include "verdict/use_cases.hpp"

namespace brelk::verdict {

// This report's own stylesheet piece, placed after the shared one: the rules
// as written, then the notice box they lack.
std::string verdict_css();

// The whole page, from the doctype to the footer, its sections drawn by
// `workers` threads.
void append_verdict_page(PageBuffer& page, const UseCases& use_cases, unsigned workers);

}  // namespace brelk::verdict
