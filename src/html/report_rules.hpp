#pragma once
// Stylesheet rules that more than one report's own piece carries, written
// once here and placed by each report into its piece.
#include <string_view>

namespace brelk {

// The factor-difference chips (`change_chips`) and their disclosures, as the
// exploration piece writes them.
std::string_view chip_rules();

// What the chip rules miss, placed after them wherever they stand.
std::string_view chip_mends();

// The amber box around the "Nothing was delivered." notice of the measurement
// and verdict pages, as the exploration page draws its own notice.
std::string_view nothing_delivered_rules();

}  // namespace brelk
