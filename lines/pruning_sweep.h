#pragma once
// The sweep shared by both pruning passes. Every line A, in list order, is
// compared with each later line B; when prunes(A, B) holds, the shorter of the
// two goes (B on equal lengths). The list is walked as a doubly linked list so
// that a removal costs O(1), and the pairs are asked about in exactly the order
// of the index-based sweep (A at i, B at j, erasing from the list):
//  - B removed: j steps back, so the next B is the successor of B;
//  - A removed while B is not last: i steps back, so the next A is the line
//    that moved into A's place, A's old successor;
//  - A removed while B is last: i is not stepped back, so the next A is the
//    successor of A's old successor, if any.
//
// On more than one thread, an A still in place after its first lines has
// the answers for the rest worked out ahead by helper threads, and used in
// order: `prunes` must be a pure function of the two lines. Only B itself is
// ever removed, so A's later lines stay those taken. An answer past A's
// removal goes unused. `asked(A, B)` is called, in the sweep's order, for
// exactly the pairs the sweep decides on.
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "core/straight_line.h"
#include "lines/answers_ahead.h"

namespace kestrano {

template <typename PrunesPair, typename Asked>
LineList pruneSweep(const LineList& lines, PrunesPair&& prunes, Asked&& asked, int threads = 1)
{
    const std::int64_t n = static_cast<std::int64_t>(lines.size());
    const std::vector<StraightLine> items(lines.begin(), lines.end());
    std::vector<std::int64_t> next(static_cast<std::size_t>(n));
    std::vector<std::int64_t> prev(static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k) {
        next[k] = k + 1 < n ? k + 1 : -1;
        prev[k] = k - 1;
    }
    std::int64_t head = n > 0 ? 0 : -1;
    auto unlink = [&](std::int64_t k) {
        if (prev[k] >= 0)
            next[prev[k]] = next[k];
        else
            head = next[k];
        if (next[k] >= 0)
            prev[next[k]] = prev[k];
    };

    // Lines compared one at a time before the rest are worked out ahead:
    // most A's are removed within their first few pairs.
    constexpr std::size_t kAlone = 16;
    std::vector<std::int64_t> later;  // A's later lines, in list order
    using Ahead = AnswersAhead<std::remove_reference_t<PrunesPair>>;
    std::unique_ptr<Ahead> ahead;
    if (threads > 1 && n > static_cast<std::int64_t>(kAlone) + 1) {
        ahead = std::make_unique<Ahead>(items, prunes, threads - 1);
        if (!ahead->hasHelpers())
            ahead.reset();
    }

    // Decides A against B; true when A is removed, with the next A set.
    std::int64_t nextA = -1;
    const auto decide = [&](std::int64_t a, std::int64_t b, bool prunesPair) {
        asked(items[a], items[b]);
        if (!prunesPair)
            return false;
        if (items[b].length() > items[a].length()) {
            const std::int64_t successor = next[a];  // never -1: B follows A
            const bool bWasLast = next[b] < 0;
            unlink(a);
            nextA = bWasLast ? next[successor] : successor;
            return true;
        }
        unlink(b);
        return false;
    };
    // A against `later`, the answers worked out ahead.
    const auto decideAhead = [&](std::int64_t a) {
        ahead->start(a, later);
        bool removed = false;
        for (std::size_t j = 0; j < later.size() && !removed; ++j)
            removed = decide(a, later[j], ahead->answer(j));
        ahead->finish();
        return removed;
    };

    std::int64_t a = head;
    while (a >= 0) {
        bool aRemoved = false;
        std::size_t pairs = 0;
        for (std::int64_t b = next[a]; b >= 0 && !aRemoved; ++pairs) {
            if (ahead && pairs == kAlone) {
                later.clear();
                for (std::int64_t k = b; k >= 0; k = next[k])
                    later.push_back(k);
                aRemoved = decideAhead(a);
                break;
            }
            const std::int64_t after = next[b];
            aRemoved = decide(a, b, prunes(items[a], items[b]));
            b = after;  // B's successor, whether B stays or goes
        }
        a = aRemoved ? nextA : next[a];
    }

    LineList kept;
    for (std::int64_t k = head; k >= 0; k = next[k])
        kept.push_back(items[k]);
    return kept;
}

}  // namespace kestrano
