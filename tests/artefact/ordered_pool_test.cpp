#include "artefact/ordered_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace brelk {
namespace {

using std::chrono::microseconds;

// Some items take far longer than their neighbours, so workers finish out of order.
std::size_t slow_square(std::size_t i) {
    if (i % 37 == 0) std::this_thread::sleep_for(microseconds(300));
    return i * i;
}

TEST(MapInOrder, HandsEveryResultOnInItemOrderWithinTheWindow) {
    constexpr std::size_t count = 2000;
    for (unsigned workers : {1u, 2u, 3u, 8u}) {
        std::vector<std::pair<std::size_t, std::size_t>> taken;
        std::atomic<std::size_t> handed{0};
        std::atomic<bool> beyond_window{false};
        const std::size_t window = workers * results_ahead_per_worker;
        map_in_order(
            count, workers,
            [&](std::size_t i) {
                if (i >= handed.load() + window) beyond_window = true;
                return slow_square(i);
            },
            [&](std::size_t i, std::size_t square) {
                // A slow taker lets the workers run as far ahead as they may.
                if (i % 500 == 0) std::this_thread::sleep_for(microseconds(2000));
                taken.emplace_back(i, square);
                handed = i + 1;
            });
        ASSERT_EQ(taken.size(), count) << workers;
        for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(taken[i], std::make_pair(i, i * i)) << workers;
        EXPECT_FALSE(beyond_window) << workers;
    }
    bool called = false;
    map_in_order(0, 4, [](std::size_t i) { return i; }, [&](std::size_t, std::size_t) { called = true; });
    EXPECT_FALSE(called);
}

TEST(MapInOrder, AFailureComesInItsItemsTurnAndStopsTheWork) {
    std::vector<std::size_t> taken;
    try {
        map_in_order(
            1000, 4,
            [](std::size_t i) {
                if (i == 300 || i == 700) throw std::runtime_error("item " + std::to_string(i));
                return slow_square(i);
            },
            [&](std::size_t i, std::size_t) { taken.push_back(i); });
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "item 300");
    }
    ASSERT_EQ(taken.size(), 300u);
    EXPECT_EQ(taken.back(), 299u);

    std::atomic<std::size_t> started{0};
    EXPECT_THROW(map_in_order(
                     100000, 3,
                     [&](std::size_t i) {
                         ++started;
                         return i;
                     },
                     [](std::size_t i, std::size_t) {
                         if (i == 10) throw std::length_error("taker");
                     }),
                 std::length_error);
    // The workers stopped within a window of the failure instead of reading on.
    EXPECT_LT(started.load(), 11 + 3 * results_ahead_per_worker + 3);
}

}  // namespace
}  // namespace brelk
