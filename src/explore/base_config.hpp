#pragma once
// The configuration every other configuration of a service is described
// against, and the badge numbers that follow from it.
#include <optional>
#include <string>
#include <vector>

#include "explore/variant.hpp"

namespace brelk::explore {

struct BaseRef {
    std::string name;
    std::string configuration;
};

struct Base {
    std::vector<FactorLine> factors;  // copied from the chosen configuration
    std::optional<BaseRef> ref;       // absent only when there is no configuration
};

// The (key, value) pairs whose value is the most common one for its key, keys
// in byte order; absent when any key has two equally common values.
std::optional<std::vector<FactorLine>> modal_base(const std::vector<Variant>& variants);

// Stated base, else "baseline", else the first of a small service, else the one
// configuration holding every modal pair, else the first.
Base base_config(const std::vector<Variant>& variants);

// The base's namesakes first, then the rest, each in collection order; a
// configuration's badge is its 1-based place here.
std::vector<const Variant*> badge_order(const std::vector<Variant>& variants,
                                        const std::optional<std::string>& base_name);

}  // namespace brelk::explore
