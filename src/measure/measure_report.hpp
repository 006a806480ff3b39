#pragma once
#include <filesystem>

#include "html/report_output.hpp"

namespace brelk::measure {

struct MeasureReport {
    static Generated generate(const std::filesystem::path& dir, bool hide_scores, unsigned workers);
};

}  // namespace brelk::measure
