#pragma once
// A small generator with a fixed algorithm (splitmix64): the standard
// distributions differ between library versions, so a corpus drawn through
// them would not be the same bytes everywhere.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace brelk::corpus {

struct Rng {
    std::uint64_t state = 0;
};

inline std::uint64_t next(Rng& rng) {
    std::uint64_t z = (rng.state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// One independent stream per (corpus kind, service, item), so a smaller
// corpus is exactly the first services of a larger one.
inline Rng rng_for(std::uint64_t kind, std::uint64_t service, std::uint64_t item = 0) {
    Rng rng{kind * 0x100000001b3ULL ^ 0x5eedULL};
    rng.state ^= next(rng) + service;
    rng.state ^= next(rng) + item;
    next(rng);
    return rng;
}

// Uniform in [0, 1).
inline double unit(Rng& rng) {
    return static_cast<double>(next(rng) >> 11) * 0x1.0p-53;
}

// Uniform in [low, high], both included.
inline std::uint64_t between(Rng& rng, std::uint64_t low, std::uint64_t high) {
    return low + next(rng) % (high - low + 1);
}

inline bool chance(Rng& rng, double p) {
    return unit(rng) < p;
}

// Standard normal draw (Box-Muller).
inline double normal(Rng& rng) {
    const double u = 1.0 - unit(rng);
    const double v = unit(rng);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
}

template <class Items>
const auto& pick(Rng& rng, const Items& items) {
    return items[static_cast<std::size_t>(next(rng) % std::size(items))];
}

}  // namespace brelk::corpus
