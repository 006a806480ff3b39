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

// Calls `work(i)` for every i below `count` on `workers` threads, the calling
// thread among them, at most `ahead_per_worker` results per worker ahead of
// the one taken last, and `take(i, result)` on the calling thread for every i
// in increasing order. An exception from `work(i)` is thrown from this call
// when item i's turn to be taken comes, as a loop over the items would throw
// it; an exception from `take` ends the call at once. Either way the threads
// stop after the items they hold and are joined before this returns. With one
// worker no thread is started: a process that never starts one keeps the
// cheaper single-threaded reference counts and allocator paths. The calling
// thread works rather than waits: a thread that only handed results on would
// sleep and wake for every few of them, and on two cores it would take turns
// with the workers.
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

    std::vector<std::optional<Finished>> slots(window);  // item i waits in slots[i % window]
    std::mutex mutex;
    std::condition_variable_any changed;
    std::size_t taken = 0;  // items handed to `take`; guarded by `mutex`
    std::atomic<std::size_t> next{0};

    auto ready = [&](std::size_t i) { return slots[i % window].has_value(); };

    auto finish = [&](std::size_t i) -> Finished {
        try {
            return Finished(std::in_place_index<0>, work(i));
        } catch (...) {
            return std::current_exception();
        }
    };
    auto run = [&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count) return;
            {
                std::unique_lock lock(mutex);
                if (!changed.wait(lock, stop, [&] { return i < taken + window; }) || stop.stop_requested()) return;
            }
            Finished finished = finish(i);
            std::lock_guard lock(mutex);
            slots[i % window].emplace(std::move(finished));
            if (i == taken) changed.notify_all();
        }
    };
    // Declared last, so the threads are joined before anything they use goes.
    std::vector<std::jthread> pool;
    pool.reserve(threads - 1);
    // The calling thread is one of the workers. A thread the system will not
    // start (a tight address-space limit) leaves its share to the others.
    try {
        for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(run);
    } catch (const std::system_error&) {
        if (pool.empty()) return in_turn();
    }

    // Claims the next item for the calling thread, if it lies in the window:
    // only this thread moves the window on, so it must never wait on an item
    // past it.
    auto claim = [&](std::size_t limit) -> std::optional<std::size_t> {
        std::size_t i = next.load();
        while (i < limit && !next.compare_exchange_weak(i, i + 1)) {
        }
        if (i < limit) return i;
        return std::nullopt;
    };
    while (true) {
        std::size_t first = 0;
        std::size_t end = 0;
        std::optional<std::size_t> own;
        {
            std::unique_lock lock(mutex);
            if (taken == count) return;
            // Handing on what is ready comes first, then an item of its own,
            // and only with neither does the thread wait.
            if (!ready(taken)) own = claim(std::min(count, taken + window));
            if (!own) {
                changed.wait(lock, [&] { return ready(taken); });
                first = taken;
                end = first;
                while (end < count && end < first + window && ready(end)) ++end;
            }
        }
        if (own) {
            Finished finished = finish(*own);
            std::lock_guard lock(mutex);
            slots[*own % window].emplace(std::move(finished));
            continue;
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
