#pragma once
// The one way stages share work between threads, so that RunOptions.threads
// means the same everywhere. Results never depend on the thread count: every
// task writes only its own slot, and callers combine the slots in index order.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrano {

// The thread count a run uses: `requested` when positive (at most 256, far
// beyond any gain), otherwise every core the machine reports (at least 1).
inline int workerCount(int requested)
{
    if (requested > 0)
        return std::min(requested, 256);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

// Calls task(i) once for every i in [0, count) on up to `threads` threads, the
// caller's included. Indices are handed out in increasing order as threads
// become free. The first exception a task throws is rethrown once every thread
// has stopped; indices not yet started are then skipped.
template <typename Task>
void parallelFor(int threads, std::size_t count, const Task& task)
{
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), count);
    if (wanted <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            task(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorLock;
    const auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count || failed.load())
                return;
            try {
                task(i);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(errorLock);
                if (!firstError)
                    firstError = std::current_exception();
                failed.store(true);
            }
        }
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(wanted - 1);
        for (std::size_t t = 1; t < wanted; ++t)
            helpers.emplace_back(work);
    } catch (...) {
        // No thread to spare: those started and this one share the work.
    }
    work();
    for (std::thread& t : helpers)
        t.join();
    if (firstError)
        std::rethrow_exception(firstError);
}

// First item of part `part` when n items are cut into `parts` consecutive,
// nearly equal parts (part == parts gives n).
inline std::size_t partBegin(std::size_t n, std::size_t parts, std::size_t part)
{
    return n / parts * part + std::min(part, n % parts);
}

}  // namespace kestrano
