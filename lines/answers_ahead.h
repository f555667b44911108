#pragma once
// Helper threads that work out a pruning sweep's answers ahead of it: while
// the sweep decides line A against B1, B2, ... in order, the helpers compute
// prunes(A, Bk) for the Bk further on. The threads live as long as the sweep,
// so that handing over an A costs a few atomic operations, not a thread start.
//
// The answers are cut into chunks, each taken by one thread in order; the
// sweep's own thread takes the next chunk whenever the one it needs is not
// done yet, so it never idles while there is work. `prunes` must be a pure
// function of the two lines.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/straight_line.h"

namespace kestrano {

template <typename PrunesPair>
class AnswersAhead {
public:
    // Starts up to `helpers` threads (fewer when the system has none to spare).
    AnswersAhead(const std::vector<StraightLine>& items, const PrunesPair& prunes, int helpers)
        : items_(items),
          prunes_(prunes),
          answers_(new std::uint8_t[items.size()]),
          chunkState_(new std::atomic<std::uint8_t>[items.size() / kChunk + 1])
    {
        for (int h = 0; h < helpers; ++h) {
            try {
                threads_.emplace_back([this] { helperLoop(); });
            } catch (...) {
                break;
            }
        }
    }

    AnswersAhead(const AnswersAhead&) = delete;
    AnswersAhead& operator=(const AnswersAhead&) = delete;

    ~AnswersAhead()
    {
        job_.store(jobs_ << 1);
        {
            const std::lock_guard<std::mutex> hold(sleep_);
            quit_.store(true);
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    bool hasHelpers() const { return !threads_.empty(); }

    // Line `a` against items[later[0]], items[later[1]], ...; `later` stays
    // untouched until finish().
    void start(std::int64_t a, const std::vector<std::int64_t>& later)
    {
        a_ = a;
        later_ = later.data();
        size_ = later.size();
        const std::size_t chunks = (size_ + kChunk - 1) / kChunk;
        for (std::size_t c = 0; c < chunks; ++c)
            chunkState_[c].store(kPending, std::memory_order_relaxed);
        claim_.store(0);
        ++jobs_;
        job_.store(jobs_ << 1 | 1u);
        if (sleepers_.load() > 0) {
            const std::lock_guard<std::mutex> hold(sleep_);
            wake_.notify_all();
        }
    }

    // prunes(A, items[later[j]]), worked out here if no helper has it yet.
    bool answer(std::size_t j)
    {
        const std::size_t chunk = j / kChunk;
        for (int idle = 0;;) {
            const std::uint8_t state = chunkState_[chunk].load(std::memory_order_acquire);
            if (state == kDone)
                return answers_[j] != 0;
            if (state == kFailed)  // meets the helper's error here
                return prunes_(items_[a_], items_[later_[j]]);
            const std::size_t first = claim_.fetch_add(kChunk);
            if (first < size_)
                workOut(first, jobs_ << 1 | 1u);
            else
                pause(++idle);
        }
    }

    // Ends the current A; returns once no helper reads it any more.
    void finish()
    {
        job_.store(jobs_ << 1);
        for (int idle = 0; busy_.load() != 0;)
            pause(++idle);
    }

private:
    static constexpr std::uint8_t kPending = 0, kDone = 1, kFailed = 2;
    // Pairs a thread takes at once: a few microseconds of work, so that the
    // threads meet rarely, and little is wasted when A goes.
    static constexpr std::size_t kChunk = 16;

    // A short wait: the pause instruction first, then the scheduler.
    static void pause(int idle)
    {
#if defined(__x86_64__) || defined(__i386__)
        if (idle < 64) {
            __builtin_ia32_pause();
            return;
        }
#endif
        std::this_thread::yield();
        (void)idle;
    }

    void helperLoop()
    {
        std::uint64_t done = 0;
        for (;;) {
            std::uint64_t job = waitForJob(done);
            if (job == 0)
                return;
            busy_.fetch_add(1);
            // Ended before this thread joined in: wait for the next one.
            if (job_.load() != job) {
                busy_.fetch_sub(1);
                continue;
            }
            done = job;
            for (;;) {
                const std::size_t first = claim_.fetch_add(kChunk);
                if (first >= size_ || !workOut(first, job))
                    break;
            }
            busy_.fetch_sub(1);
        }
    }

    // An active job other than `done`, or 0 on quit. Spins a little first:
    // the next A usually follows within microseconds.
    std::uint64_t waitForJob(std::uint64_t done)
    {
        const auto ready = [&](std::uint64_t job) { return (job & 1u) != 0 && job != done; };
        for (int idle = 0; idle < 2000; ++idle) {
            if (quit_.load())
                return 0;
            const std::uint64_t job = job_.load();
            if (ready(job))
                return job;
            pause(idle);
        }
        std::unique_lock<std::mutex> hold(sleep_);
        sleepers_.fetch_add(1);
        std::uint64_t job = 0;
        wake_.wait(hold, [&] {
            job = job_.load();
            return quit_.load() || ready(job);
        });
        sleepers_.fetch_sub(1);
        return quit_.load() ? 0 : job;
    }

    // The chunk starting at `first`; false when the job ended or failed.
    bool workOut(std::size_t first, std::uint64_t job)
    {
        const StraightLine& lineA = items_[a_];
        const std::size_t end = first + kChunk < size_ ? first + kChunk : size_;
        std::atomic<std::uint8_t>& state = chunkState_[first / kChunk];
        try {
            for (std::size_t k = first; k < end; ++k) {
                if (job_.load(std::memory_order_relaxed) != job)
                    return false;
                answers_[k] = prunes_(lineA, items_[later_[k]]) ? 1 : 0;
            }
        } catch (...) {
            state.store(kFailed, std::memory_order_release);
            return false;
        }
        state.store(kDone, std::memory_order_release);
        return true;
    }

    const std::vector<StraightLine>& items_;
    const PrunesPair& prunes_;
    std::unique_ptr<std::uint8_t[]> answers_;
    std::unique_ptr<std::atomic<std::uint8_t>[]> chunkState_;
    std::vector<std::thread> threads_;

    // Written by the sweep while no helper is busy, read by helpers after
    // they see the job start.
    std::int64_t a_ = -1;
    const std::int64_t* later_ = nullptr;
    std::size_t size_ = 0;
    std::uint64_t jobs_ = 0;

    std::atomic<std::uint64_t> job_{0};  // job number << 1, low bit set while active
    std::atomic<std::size_t> claim_{0};
    std::atomic<int> busy_{0};
    std::atomic<int> sleepers_{0};
    std::atomic<bool> quit_{false};
    std::mutex sleep_;
    std::condition_variable wake_;
};

}  // namespace kestrano
