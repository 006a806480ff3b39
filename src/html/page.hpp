#pragma once
// The page skeleton every report shares: head with the inline stylesheet, and
// the footer with its time stamp.
#include <string>
#include <string_view>

#include "html/page_buffer.hpp"

namespace brelk {

// The four shared stylesheet pieces, concatenated in order.
std::string_view shared_stylesheet();

// Everything up to and including "<main>\n"; the title is escaped, the
// report's own CSS is placed unchanged after the shared stylesheet.
void append_page_start(PageBuffer& page, std::string_view title, std::string_view report_css);

// Closes the body and writes the footer, stamped from the process
// environment (`footer_stamp(system_stamp_sources())`).
void append_page_end(PageBuffer& page);
// The same with a stamp of the caller's choosing, written unescaped.
void append_page_end(PageBuffer& page, std::string_view stamp);

}  // namespace brelk
