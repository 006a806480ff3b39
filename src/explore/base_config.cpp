#include "explore/base_config.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <utility>

namespace brelk::explore {

namespace {

// The modal value among one key's values, or nothing when two values share
// the highest count.
std::optional<std::string> modal_value(const std::map<std::string, std::size_t>& counts) {
    std::optional<std::string> best;
    std::size_t best_count = 0;
    bool shared = false;
    for (const auto& [value, count] : counts) {
        if (count > best_count) {
            best = value;
            best_count = count;
            shared = false;
        } else if (count == best_count) {
            shared = true;
        }
    }
    if (shared) return std::nullopt;
    return best;
}

bool contains_all(const Variant& variant, const std::vector<FactorLine>& pairs) {
    std::set<std::pair<std::string_view, std::string_view>> own;
    for (const auto& factor : variant.factors) own.emplace(factor.name, factor.value);
    return std::all_of(pairs.begin(), pairs.end(),
                       [&](const FactorLine& pair) { return own.count({pair.name, pair.value}) != 0; });
}

const Variant* chosen_base(const std::vector<Variant>& variants) {
    if (variants.empty()) return nullptr;
    for (const auto& variant : variants) {
        if (variant.stated_base) return &variant;
    }
    for (const auto& variant : variants) {
        if (variant.configuration == "baseline") return &variant;
    }
    if (variants.size() < 3) return &variants.front();
    const auto modal = modal_base(variants);
    if (!modal || modal->empty()) return &variants.front();
    const Variant* holder = nullptr;
    for (const auto& variant : variants) {
        if (!contains_all(variant, *modal)) continue;
        if (holder) return &variants.front();
        holder = &variant;
    }
    return holder ? holder : &variants.front();
}

}  // namespace

std::optional<std::vector<FactorLine>> modal_base(const std::vector<Variant>& variants) {
    // Per key, how many configurations set each value; keys in byte order.
    std::map<std::string, std::map<std::string, std::size_t>> counts;
    for (const auto& variant : variants) {
        for (const auto& factor : variant.factors) ++counts[factor.name][factor.value];
    }
    std::vector<FactorLine> pairs;
    pairs.reserve(counts.size());
    for (const auto& [key, values] : counts) {
        auto value = modal_value(values);
        if (!value) return std::nullopt;
        pairs.push_back(FactorLine{key, std::move(*value)});
    }
    return pairs;
}

Base base_config(const std::vector<Variant>& variants) {
    const Variant* base = chosen_base(variants);
    if (!base) return {};
    return Base{base->factors, BaseRef{base->name, base->configuration}};
}

std::vector<const Variant*> badge_order(const std::vector<Variant>& variants,
                                        const std::optional<std::string>& base_name) {
    std::vector<const Variant*> order;
    order.reserve(variants.size());
    if (base_name) {
        for (const auto& variant : variants) {
            if (variant.name == *base_name) order.push_back(&variant);
        }
    }
    for (const auto& variant : variants) {
        if (!base_name || variant.name != *base_name) order.push_back(&variant);
    }
    return order;
}

}  // namespace brelk::explore
