#pragma once
// The artefacts of one generated service, one file at a time. Everything a
// service holds is drawn from its own number, so it comes out the same in a
// corpus of any size.
#include <cstddef>
#include <functional>
#include <string_view>

#include "corpus/yaml_text.hpp"

namespace brelk::corpus {

using Emit = std::function<void(std::string_view file_name, const Buffer& text)>;

// Configurations of one service with prompts, criteria, standings and
// hundreds of latencies each.
void explore_service(std::size_t service, const Emit& emit);

// Optimization runs of one service, each with its iterations.
void optimize_service(std::size_t service, const Emit& emit);

// Weekly baseline measurements of one service.
void baseline_service(std::size_t service, const Emit& emit);

// Nightly verdict records of one use case.
void verdict_service(std::size_t service, const Emit& emit);

// `files` explorations of a few hundred bytes each, for counting files
// rather than bytes.
void tiny_service(std::size_t service, std::size_t files, const Emit& emit);

}  // namespace brelk::corpus
