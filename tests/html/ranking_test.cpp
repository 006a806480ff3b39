#include "html/ranking.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace brelk {
namespace {

// Entries are their own ids; `ties` lists the adjacent pairs the caller calls near.
// The ranks as text, a near tie marked "~".
std::string rank_with(std::size_t n, std::set<std::pair<int, int>> ties) {
    std::vector<int> items;
    for (std::size_t i = 0; i < n; ++i) items.push_back(static_cast<int>(i));
    const auto ranked = competition_rank(items, [&](const int& above, const int& below) {
        EXPECT_EQ(above + 1, below) << "only adjacent pairs, earlier first";
        return ties.count({above, below}) > 0;
    });
    std::string ranks;
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        EXPECT_EQ(ranked[i].item, &items[i]);
        ranks += std::to_string(ranked[i].rank) + (ranked[i].near_tie ? "~ " : " ");
    }
    return ranks;
}

TEST(CompetitionRank, NearTiesShareTheRankAboveAndChain) {
    EXPECT_EQ(rank_with(4, {{0, 1}}), "1~ 1~ 3 4 ");
    // The third ties the second only, yet inherits the first's rank.
    EXPECT_EQ(rank_with(3, {{0, 1}, {1, 2}}), "1~ 1~ 1~ ");
    EXPECT_EQ(rank_with(3, {{1, 2}}), "1 2~ 2~ ");
    EXPECT_EQ(rank_with(5, {{0, 1}, {3, 4}}), "1~ 1~ 3 4~ 4~ ");
}

TEST(CompetitionRank, SingleAndEmptyListsNeverAskTheTest) {
    int asked = 0;
    auto never = [&asked](const int&, const int&) { return ++asked, true; };
    EXPECT_TRUE(competition_rank(std::vector<int>{}, never).empty());
    const std::vector<int> one{7};
    const auto ranked = competition_rank(one, never);
    ASSERT_EQ(ranked.size(), 1U);
    EXPECT_EQ(ranked[0].rank, 1U);
    EXPECT_FALSE(ranked[0].near_tie);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace brelk
