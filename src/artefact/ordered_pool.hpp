#pragma once
// Work on many items at once, handed on one by one in item order: files are
// read and parsed on every core, and the records, skipped lines and notices
// still come out exactly as one thread reading the files in turn gives them.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace brelk {

// One worker per hardware thread, at least one: for reading files and for
// drawing sections alike.
inline unsigned hardware_workers() { return std::max(1u, std::thread::hardware_concurrency()); }

// How far the workers may run ahead of the item handed on last, per worker:
// enough that a slow file seldom leaves a worker idle, and a bound on the
// results that wait for their turn instead of a slot for every file.
inline constexpr std::size_t results_ahead_per_worker = 64;

// Calls `work(i)` for every i below `count` on `workers` threads of its own,
// at most `ahead_per_worker` results per worker ahead of the one taken last,
// and `take(i, result)` on the calling thread for every i in increasing order.
// An exception from `work(i)` is thrown from this call when item i's turn to
// be taken comes, as a loop over the items would throw it; an exception from
// `take` ends the call at once. Either way the threads stop after the items
// they hold and are joined before this returns. One worker is the calling
// thread itself: a process that never starts a thread keeps the cheaper
// single-threaded reference counts and allocator paths.
template <class Work, class Take>
void map_in_order(std::size_t count, unsigned workers, Work work, Take take,
                  std::size_t ahead_per_worker = results_ahead_per_worker) {
    using Result = std::invoke_result_t<Work&, std::size_t>;
    using Finished = std::variant<Result, std::exception_ptr>;
    auto in_turn = [&] {
        for (std::size_t i = 0; i < count; ++i) take(i, work(i));
    };
    const std::size_t threads = std::min<std::size_t>(workers, count);
    if (threads <= 1) return in_turn();
    const std::size_t window = std::min(count, threads * std::max<std::size_t>(1, ahead_per_worker));
    // The calling thread wakes when a stretch of this many is there, not for every item.
    const std::size_t stretch = std::max<std::size_t>(1, window / 2);

    std::vector<std::optional<Finished>> slots(window);  // item i waits in slots[i % window]
    std::mutex mutex;
    std::condition_variable_any changed;
    std::size_t taken = 0;  // items handed to `take`; guarded by `mutex`
    std::atomic<std::size_t> next{0};

    auto stretch_end = [&] { return std::min(taken + stretch, count); };
    auto ready = [&](std::size_t i) { return slots[i % window].has_value(); };

    auto run = [&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count) return;
            {
                std::unique_lock lock(mutex);
                if (!changed.wait(lock, stop, [&] { return i < taken + window; }) || stop.stop_requested()) return;
            }
            Finished finished = [&]() -> Finished {
                try {
                    return Finished(std::in_place_index<0>, work(i));
                } catch (...) {
                    return std::current_exception();
                }
            }();
            std::lock_guard lock(mutex);
            slots[i % window].emplace(std::move(finished));
            if (i == taken || i + 1 == stretch_end()) changed.notify_all();
        }
    };
    // Declared last, so the threads are joined before anything they use goes.
    std::vector<std::jthread> pool;
    pool.reserve(threads);
    // A thread the system will not start (a tight address-space limit) leaves
    // its share to the others; with none at all the calling thread does it all.
    try {
        for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(run);
    } catch (const std::system_error&) {
        if (pool.empty()) return in_turn();
    }

    while (true) {
        std::size_t first = 0;
        std::size_t end = 0;
        {
            std::unique_lock lock(mutex);
            if (taken == count) return;
            changed.wait(lock, [&] { return ready(taken) && ready(stretch_end() - 1); });
            first = taken;
            end = first;
            while (end < count && end < first + window && ready(end)) ++end;
        }
        // The workers leave these slots alone until `taken` has moved past them.
        for (std::size_t i = first; i < end; ++i) {
            Finished finished = std::move(*slots[i % window]);
            slots[i % window].reset();
            if (auto* error = std::get_if<std::exception_ptr>(&finished)) std::rethrow_exception(*error);
            take(i, std::move(std::get<0>(finished)));
        }
        {
            std::lock_guard lock(mutex);
            taken = end;
        }
        changed.notify_all();
    }
}

}  // namespace brelk
