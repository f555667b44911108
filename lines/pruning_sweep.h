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
#include <cstdint>
#include <vector>

#include "core/straight_line.h"

namespace kestrano {

template <typename PrunesPair>
LineList pruneSweep(const LineList& lines, PrunesPair&& prunes)
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

    std::int64_t a = head;
    while (a >= 0) {
        const StraightLine& lineA = items[a];
        std::int64_t nextA = -1;
        bool aRemoved = false;
        std::int64_t b = next[a];
        while (b >= 0) {
            const StraightLine& lineB = items[b];
            if (prunes(lineA, lineB)) {
                if (lineB.length() > lineA.length()) {
                    const std::int64_t successor = next[a];  // never -1: B follows A
                    const bool bWasLast = next[b] < 0;
                    unlink(a);
                    nextA = bWasLast ? next[successor] : successor;
                    aRemoved = true;
                    break;
                }
                const std::int64_t after = next[b];
                unlink(b);
                b = after;
                continue;
            }
            b = next[b];
        }
        a = aRemoved ? nextA : next[a];
    }

    LineList kept;
    for (std::int64_t k = head; k >= 0; k = next[k])
        kept.push_back(items[k]);
    return kept;
}

}  // namespace kestrano
