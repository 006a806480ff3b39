#pragma once
// A double as people read it: the fewest significant digits that read back as
// the same value, written out in plain notation.
#include <string>

namespace brelk {

// 0.95, 1, 1000000000000000000000; 1e23 is a 1 and 23 zeros, not the 23 exact
// digits of the double nearest to it. -0 stays "-0"; infinities are "inf" and
// "-inf", not-a-number "NaN".
std::string shortest(double value);

}  // namespace brelk
