#pragma once
// The detector's ray walk from one seed in one direction. It gives exactly the
// segment of the literal walk (every sample taken until the walk leaves the
// frame), but stops once the ray has passed every pixel of the label, where
// the literal walk could only end with the placeholder, and jumps over samples
// that the region's clearance proves cannot hold the label.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/image_size.h"
#include "core/straight_line.h"
#include "lines/region_map.h"

namespace kestrano {

namespace guided_walk {

// floor(v) as an integer. Within +-2^52 a truncation and one correction give
// the exact floor without a library call; beyond, any value past the image
// serves, as it is only compared with pixel positions.
inline std::int64_t floorIndex(double v)
{
    constexpr double kLimit = 4503599627370496.0;  // 2^52
    if (!(v < kLimit))
        return std::int64_t{1} << 53;
    if (!(v > -kLimit))
        return -(std::int64_t{1} << 53);
    const auto t = static_cast<std::int64_t>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
}

// One direction of the fan, with the pixel offsets of its first samples.
// Sample i lies at (fl(i c) + x0, fl(i s) + y0) with x0, y0 integers, so its
// pixel is (floor(fl(i c)) + x0, ...) unless fl(i c) lies so close to an
// integer that adding x0 could round across it; such steps, and those past
// the table, are worked out from the coordinates themselves.
class Direction {
public:
    Direction(double angle, double c, double s, std::int64_t length)
        : angle(angle), c(c), s(s), stride_(std::max(std::fabs(c), std::fabs(s)))
    {
        for (std::int64_t d = 0; d < kJumps; ++d)
            jumps_[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(jumpFor(d));
        steps_.resize(static_cast<std::size_t>(length));
        for (std::int64_t i = 0; i < length; ++i) {
            const double t = static_cast<double>(i);
            Step& step = steps_[static_cast<std::size_t>(i)];
            step.flags = offset(t * c, step.dx, kXIntegral) | offset(t * s, step.dy, kYIntegral);
        }
    }

    static constexpr std::uint32_t kXIntegral = 1;  // fl(i c) is a whole number
    static constexpr std::uint32_t kYIntegral = 2;
    static constexpr std::uint32_t kUnsure = 4;

    struct Step {
        std::int32_t dx;
        std::int32_t dy;
        std::uint32_t flags;
    };

    // How far the walk may move on from a sample whose pixel lies at
    // chessboard distance `clearance` from the label. Over m steps both
    // coordinates move by at most m * max(|c|, |s|) (plus far less than 1e-6
    // of rounding), so the pixel moves by at most floor of that plus 1 along
    // either axis: every m with m * max(|c|, |s|) < clearance - 1 lands short
    // of the label. With max(|c|, |s|) = 1 that is clearance - 2 steps.
    std::int64_t jump(std::int64_t clearance) const
    {
        return clearance < kJumps ? jumps_[static_cast<std::size_t>(clearance)] : jumpFor(clearance);
    }

    // The table entry of step i, or nullptr where the coordinates decide.
    const Step* step(std::int64_t i) const
    {
        if (static_cast<std::uint64_t>(i) >= steps_.size())
            return nullptr;
        const Step* st = &steps_[static_cast<std::size_t>(i)];
        return (st->flags & kUnsure) != 0 ? nullptr : st;
    }

    double angle;
    double c;
    double s;

private:
    // floor(v) into `to` and the flags it earns: whole, or unsure within
    // 2^-20 of a whole number (adding an integer below 2^31 moves v by at
    // most 2^-22 when it rounds). Huge or odd values are unsure.
    static std::uint32_t offset(double v, std::int32_t& to, std::uint32_t integral)
    {
        if (!(std::fabs(v) < 1073741824.0)) {
            to = 0;
            return kUnsure;
        }
        const double f = std::floor(v);
        to = static_cast<std::int32_t>(f);
        const double frac = v - f;
        if (frac == 0.0)
            return integral;
        return frac < 0x1p-20 || frac > 1.0 - 0x1p-20 ? kUnsure : 0;
    }

    std::int64_t jumpFor(std::int64_t clearance) const
    {
        const double steps = std::floor((static_cast<double>(clearance) - 1.0 - 1e-6) / stride_);
        return steps >= 1.0 ? static_cast<std::int64_t>(steps) + 1 : 1;
    }

    static constexpr std::int64_t kJumps = 256;
    double stride_;  // max(|c|, |s|), at least 1 / sqrt(2)
    std::uint16_t jumps_[kJumps];
    std::vector<Step> steps_;
};

}  // namespace guided_walk

// What the walk is asked for: the literal walk's line, or only lines longer
// than lMinLine (anything else comes back invalid, often much sooner).
enum class WalkAnswer { kLiteral, kCandidate };

inline StraightLine walkGuided(const RegionMap& region, const ImageSize& size, std::int32_t x0,
                               std::int32_t y0, const guided_walk::Direction& dir,
                               std::int32_t lMinLine, std::uint32_t label,
                               WalkAnswer answer = WalkAnswer::kLiteral)
{
    using guided_walk::Direction;
    const double c = dir.c;
    const double s = dir.s;
    const std::int64_t frameX = size[0];
    const std::int64_t frameY = size[1];
    // A sample's pixel and where its coordinates lie against the frame.
    struct Cell {
        std::int64_t px;  // floor(x)
        std::int64_t py;  // floor(y)
        bool xPositive;   // x > 0
        bool yPositive;   // y > 0
        bool belongs;
        std::int32_t clearance;  // inside the region's box, else -1
    };
    // P(i) = (i * c + x0, i * s + y0), product first. Inlined: it is the
    // innermost step of the whole detector.
    const auto locate = [&](std::int64_t i) __attribute__((always_inline)) {
        Cell p;
        if (const Direction::Step* st = dir.step(i)) {
            p.px = x0 + static_cast<std::int64_t>(st->dx);
            p.py = y0 + static_cast<std::int64_t>(st->dy);
            // A whole coordinate stays whole: it is positive only above 0.
            p.xPositive = p.px > 0 || (p.px == 0 && (st->flags & Direction::kXIntegral) == 0);
            p.yPositive = p.py > 0 || (p.py == 0 && (st->flags & Direction::kYIntegral) == 0);
        } else {
            const double t = static_cast<double>(i);
            const double x = t * c + x0;
            const double y = t * s + y0;
            p.px = guided_walk::floorIndex(x);
            p.py = guided_walk::floorIndex(y);
            p.xPositive = x > 0.0;
            p.yPositive = y > 0.0;
        }
        return p;
    };
    const auto take = [&](std::int64_t i) __attribute__((always_inline)) {
        Cell p = locate(i);
        p.clearance = region.probe(p.px, p.py);
        p.belongs = p.clearance == 0;
        return p;
    };
    // Strictly inside the image on the real coordinates: x < W holds exactly
    // when floor(x) < W.
    const auto withinFrame = [&](const Cell& p) __attribute__((always_inline)) {
        return p.xPositive && p.px < frameX && p.yPositive && p.py < frameY;
    };
    // Rows never decrease when s >= 0 (rounding is monotone), so the label's
    // extents can end the walk; for s < 0 nothing is cut.
    const bool cutoffUsable = s >= 0.0;
    const bool xIncreasing = c >= 0.0;

    // Phase 1: count the belonging samples of every run along the ray (a run
    // of m adds m + 1, and the sample after the run's end is skipped). The
    // runs are noted as (first index, index of the first sample after it).
    constexpr int kNotedRuns = 64;
    std::int64_t runStart[kNotedRuns];
    std::int64_t runEnd[kNotedRuns];
    int runs = 0;
    std::int64_t count = 0;
    std::int64_t i = 0;
    bool longEnough = false;
    // The segment is always one run of the chain that starts at sample 0,
    // each run starting right after the sample skipped behind the previous
    // one: it spans at most that run and the two samples after it. Once the
    // chain is broken and none of its runs spans lMinLine samples, the line
    // cannot be longer than lMinLine, whatever the rest of the ray holds
    // (rounding moves the length far less than the one sample to spare).
    // A run's end lies next to its last pixel (clearance at most 1, no jump),
    // so the sample taken after it is the chain's next start: the chain
    // breaks at the first sample taken that does not belong.
    const bool candidateOnly = answer == WalkAnswer::kCandidate;
    bool chainOpen = true;
    std::int64_t chainSpan = 0;  // the longest span among the runs so far
    for (;;) {
        std::int64_t lastIndex = i;
        Cell last = take(i);
        if (!last.belongs && chainOpen) {
            chainOpen = false;
            if (candidateOnly && chainSpan < lMinLine)
                return StraightLine();
        }
        if (last.belongs) {
            std::int64_t k = i + 1;
            ++count;
            for (;;) {
                last = take(k);
                ++count;
                if (!last.belongs)
                    break;
                ++k;
            }
            if (runs < kNotedRuns) {
                runStart[runs] = i;
                runEnd[runs] = k;
            }
            ++runs;
            chainSpan = std::max(chainSpan, k + 2 - i);  // read only when the chain breaks
            lastIndex = k;
            i = k + 1;
            if (count > lMinLine) {
                longEnough = true;
                break;
            }
        }
        ++i;
        if (!withinFrame(last) || (cutoffUsable && region.passedLabel(last.px, last.py, xIncreasing)))
            break;
        // The in-frame samples form one stretch of indices (both coordinates
        // are monotone in the index), so if the last skipped sample is within
        // the frame, so are all the skipped ones.
        const std::int64_t clear =
            last.clearance >= 0 ? last.clearance : region.clearanceOutside(last.px, last.py);
        const std::int64_t next = lastIndex + dir.jump(clear);
        if (next > i) {
            if (!withinFrame(locate(next - 1)))
                break;
            i = next;
        }
    }
    if (!longEnough)
        return StraightLine(1.0, 1.0, 1.0, 1.0);

    // Phase 2 of the literal walk locates the segment by walking again from
    // the seed: it follows runs while the next one starts right after the
    // skipped sample, and stops once the index passes count. Every sample it
    // would take was taken (or proved not to belong) in phase 1, so the noted
    // runs give its answer. -1 stands for the seed itself, should sample 0
    // not belong.
    std::int64_t startIndex = -1;
    std::int64_t endIndex = 0;
    if (runs <= kNotedRuns) {
        for (int m = 0; m < runs && runStart[0] == 0; ++m) {
            startIndex = runStart[m];
            endIndex = runEnd[m];
            if (!(runEnd[m] + 2 < count))
                break;
            if (m + 1 == runs || runStart[m + 1] != runEnd[m] + 2) {
                endIndex = runEnd[m] + 2;  // a sample that does not belong
                break;
            }
        }
    } else {
        // Too many runs noted: walk again.
        std::int64_t j = 0;
        for (;;) {
            if (!take(j).belongs) {
                endIndex = j;
                break;
            }
            startIndex = j;
            std::int64_t k = j + 1;
            while (take(k).belongs)
                ++k;
            j = k + 2;
            if (!(j < count)) {
                endIndex = k;
                break;
            }
        }
    }

    const auto coordinate = [&](std::int64_t index, double step, std::int32_t origin) {
        return index < 0 ? static_cast<double>(origin) : static_cast<double>(index) * step + origin;
    };
    const double startX = coordinate(startIndex, c, x0);
    const double startY = coordinate(startIndex, s, y0);
    const double endX = coordinate(endIndex, c, x0);
    const double endY = coordinate(endIndex, s, y0);
    const double dx = startX - endX;
    const double dy = startY - endY;
    StraightLine line((startX + endX) * 0.5, (startY + endY) * 0.5, std::sqrt(dx * dx + dy * dy),
                      dir.angle);
    line.setX1(startX);
    line.setY1(startY);
    line.setX2(endX);
    line.setY2(endY);
    line.setLabel(label);
    return line;
}

}  // namespace kestrano
