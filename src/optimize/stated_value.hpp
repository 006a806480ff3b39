#pragma once
// A value the artefact states in any YAML shape, shown as nested HTML lists:
// sequences as ordered lists, mappings as definition lists, scalars as text.
#include <string>

#include "html/page_buffer.hpp"
#include "artefact/yaml.hpp"
#include "optimize/run.hpp"

namespace brelk::optimize {

// Booleans, numbers and strings as text; null, collections and tagged values "-".
std::string scalar_display(const yaml::Node& value);

// Recursive; the parser bounds the nesting, so the recursion is bounded too.
void append_stated_value(PageBuffer& page, const yaml::Node& value);

// The "Stepper" block; nothing when the run states no stepper.
void append_stepper_block(PageBuffer& page, const OptimizeRun& run);

}  // namespace brelk::optimize
