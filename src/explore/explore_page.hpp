#pragma once
// The exploration page: title, overview of the services, near-tie legend and
// one section per service.
#include <string>
#include <string_view>
#include <vector>

#include "html/page_sections.hpp"
#include "explore/variant.hpp"

namespace brelk::explore {

// This report's own rules, placed after the shared stylesheet: the rules as
// written, then their mends.
std::string explore_stylesheet();

// "Brelk Exploration: {service}" for a single service, else the generic title.
std::string page_title(const std::vector<ServiceComparison>& services);

// The whole page, from the doctype to the footer, its sections drawn by
// `workers` threads.
void append_explore_page(PageBuffer& page, const std::vector<ServiceComparison>& services,
                         unsigned workers);

}  // namespace brelk::explore
