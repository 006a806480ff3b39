#pragma once
// What a report generator hands back to the driver.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"
#include "html/page_buffer.hpp"

namespace brelk {

// The page is not made here: `render` writes it, once, into a buffer that
// streams it to its destination, so no page is ever held whole.
struct ReportOutput {
    std::vector<SkippedArtefact> skipped;
    std::vector<std::string> notices;
    std::uint64_t count = 0;
    std::function<void(PageBuffer& page)> render;  // owns what it renders
};

// A renderer that owns `prepared` and writes it with `append_page(page, prepared)`.
template <class Prepared, class AppendPage>
std::function<void(PageBuffer&)> renderer(Prepared prepared, AppendPage append_page) {
    auto held = std::make_shared<const Prepared>(std::move(prepared));
    return [held = std::move(held), append_page](PageBuffer& page) { append_page(page, *held); };
}

// The whole page as text: for tests and tools that want it in memory.
std::string page_text(const ReportOutput& report);

// Either the error that stopped the directory walk, or the finished report.
using Generated = std::variant<OsError, ReportOutput>;
// `workers` files are read, and sections drawn, at a time; the report is the
// same whatever their number.
using Generator = Generated (*)(const std::filesystem::path& dir, bool hide_scores, unsigned workers);

}  // namespace brelk
