#pragma once
// The observed-rate cell of the criteria table: a bar that shows the observed
// rate together with the rate the sample size supports.
#include <string>

#include "measure/measurement_record.hpp"

namespace brelk::measure {

// plain: the observed rate alone. band: the supported rate, with the hatched
// band of ordinary variation up to the observed rate. tick: the observed
// rate, with the supported rate marked where a band would be too wide to help.
enum class BarMode { Plain, Band, Tick };

BarMode bar_mode(const ObservationRow& row);

// A percentage (already × 100) with one decimal, or none when it sits within
// 0.05 of a whole number: "98%", "97.5%", "42%".
std::string percentage_text(double percent);

// The content of the rate cell, for the row in the mode `bar_mode` gives it.
std::string rate_cell(const ObservationRow& row);

}  // namespace brelk::measure
