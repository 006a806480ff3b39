#pragma once
// Competition ranking with near ties: positions give the ranks, and an entry
// too close to call against the one just above it shares that entry's rank.
#include <cstdint>
#include <vector>

namespace brelk {

template <class T>
struct Ranked {
    const T* item;        // points into the ranked list, which must outlive the result
    std::uint64_t rank;   // 1-based
    bool near_tie;        // tied with the entry above, the one below, or both
};

// `items` is already ordered best first. `is_near_tie(above, below)` is asked
// only of adjacent pairs, earlier entry first. Ties chain: each entry looks at
// its predecessor only, so a run of pairwise near ties shares the rank of its
// first entry even when its ends lie further apart; after a shared rank the
// numbering resumes at the position (1, 1, 3).
template <class T, class Pred>
std::vector<Ranked<T>> competition_rank(const std::vector<T>& items, Pred is_near_tie) {
    std::vector<Ranked<T>> ranked;
    ranked.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        Ranked<T> entry{&items[i], static_cast<std::uint64_t>(i) + 1, false};
        if (i > 0 && is_near_tie(items[i - 1], items[i])) {
            entry.rank = ranked.back().rank;
            entry.near_tie = true;
            ranked.back().near_tie = true;
        }
        ranked.push_back(entry);
    }
    return ranked;
}

}  // namespace brelk
