#pragma once
// The exploration page: title, overview of the services, near-tie legend and
// one section per service.
#include <string>
#include <string_view>
#include <vector>

#include "explore/variant.hpp"

namespace brelk::explore {

// This report's own rules, placed after the shared stylesheet: the rules as
// written, then their mends.
std::string explore_stylesheet();

// "Brelk Exploration: {service}" for a single service, else the generic title.
std::string page_title(const std::vector<ServiceComparison>& services);

// The whole page, from the doctype to the footer.
std::string render_page(const std::vector<ServiceComparison>& services);

}  // namespace brelk::explore
