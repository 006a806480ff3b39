#pragma once
// The measurement page: title, overview of the services, and one section per
// service holding its records.
#include <string>
#include <string_view>

#include "html/page_sections.hpp"
#include "measure/measurement_record.hpp"

namespace brelk::measure {

// This report's own stylesheet piece, placed after the shared one: the rules
// as written, then the notice box they lack.
std::string measure_css();

// The whole page, from the doctype to the footer, its sections drawn by
// `workers` threads.
void append_measure_page(PageBuffer& page, const MeasuredServices& services, unsigned workers);

}  // namespace brelk::measure
