#pragma once
#include <filesystem>

#include "html/report_output.hpp"

namespace brelk::optimize {

struct OptimizeReport {
    static Generated generate(const std::filesystem::path& dir, bool hide_scores, unsigned workers);
};

}  // namespace brelk::optimize
