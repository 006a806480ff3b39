#pragma once
// An operating-system error as the diagnostics show it.
#include <string>

namespace brelk {

// Shown as the system's description then " (os error N)".
struct OsError {
    int code = 0;
};
std::string describe(OsError error);

}  // namespace brelk
