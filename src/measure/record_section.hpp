#pragma once
// One measurement record's section: facts, the nothing-delivered notice, the
// criteria table with its legends, the failure breakdown, the criterion
// sections and the expected values.
#include <string>

#include "html/page_buffer.hpp"
#include "measure/measurement_record.hpp"

namespace brelk::measure {

// `with_heading` names the record when its service has several.
// `section` counts the records rendered before this one on the page; it keeps
// the anchors of each record's postcondition sections apart.
void append_record(PageBuffer& page, std::size_t section, const MeasurementRecord& record, bool with_heading);

// "1200 samples · measured 02.03.2024 10:15 UTC · 95% confidence · <badge>";
// empty when the record states none of them.
std::string record_facts(const MeasurementRecord& record);

}  // namespace brelk::measure
