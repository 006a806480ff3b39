#pragma once
// The criteria table of one run: threshold, observed rate, counts and verdict
// of every criterion, as the record states them.
#include <string>
#include <string_view>
#include <unordered_set>

#include "html/page_buffer.hpp"
#include "postconditions/comparison.hpp"
#include "verdict/verdict_record.hpp"

namespace brelk::verdict {

// The escaped verdict in a span coloured only for exactly "PASS" and "FAIL".
std::string verdict_html(std::string_view verdict);

// The observed-rate bar when the text reads as a number, else nothing.
std::string observed_bar(std::string_view observed_rate);

// The criteria the run lets pass with some checks failing: a standings
// block of that name states a slack or marks a check optional. Borrows the
// names from the run.
std::unordered_set<std::string_view> partial_credit_criteria(const VerdictRun& run);

// The whole table; `comparison` is built over the run's one column and
// decides whether the postconditions column is there.
void append_criteria_table(PageBuffer& page, const VerdictRun& run, const Comparison& comparison);

}  // namespace brelk::verdict
