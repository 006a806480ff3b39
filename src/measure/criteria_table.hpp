#pragma once
// A record's criteria table: per criterion its observed-rate bar, its
// postcondition strip and its samples, and the legend that reads the bars.
#include <string>

#include "html/page_buffer.hpp"
#include "measure/measurement_record.hpp"
#include "postconditions/comparison.hpp"

namespace brelk::measure {

// The table; strips are written when the comparison (built over the record's
// one column) has any check.
void append_criteria_table(PageBuffer& page, const MeasurementRecord& record, const Comparison& comparison);

// Explains the band and tick bars; nothing when every row is plain.
void append_bar_legend(PageBuffer& page, const MeasurementRecord& record);

}  // namespace brelk::measure
