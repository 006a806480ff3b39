#pragma once
// What a report generator hands back to the driver.
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"

namespace brelk {

struct ReportOutput {
    std::string page;
    std::vector<SkippedArtefact> skipped;
    std::vector<std::string> notices;
    std::uint64_t count = 0;
};

// Either the error that stopped the directory walk, or the finished report.
using Generated = std::variant<OsError, ReportOutput>;
using Generator = Generated (*)(const std::filesystem::path& dir, bool hide_scores);

}  // namespace brelk
