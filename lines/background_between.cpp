// The path test of the pruning passes, a few steps at a time. The answer only
// depends on how many of the n steps land on background (it is yes when that
// count passes the target), so the steps can be counted in vectors and the
// walk still stops as soon as the answer is settled either way.
#include "lines/pruning_background.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "lines/background_between.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "core/numeric.h"

#ifndef KESTRANO_LINES_BACKGROUND_BETWEEN_ONCE
#define KESTRANO_LINES_BACKGROUND_BETWEEN_ONCE
namespace kestrano {
namespace {

// floor(v) as a signed 32-bit integer, where only values inside the image
// matter: anything else (negative, too large or not a number) yields -1. For
// v >= 0 the truncation is the floor.
inline std::int32_t floorToPixel(double v)
{
    return v >= 0.0 && v < 2147483648.0 ? static_cast<std::int32_t>(v) : -1;
}

// The path's coordinate at step t as the pixel rule defines it.
inline std::int32_t literalPixel(double delta, double d, double origin, double t)
{
    return floorToPixel(delta * t / d + origin);
}

}  // namespace
}  // namespace kestrano
#endif

HWY_BEFORE_NAMESPACE();
namespace kestrano {
namespace HWY_NAMESPACE {
namespace {
namespace hn = hwy::HWY_NAMESPACE;

// One coordinate of the path: delta * t / d + origin, taken as
// t * (delta / d) + origin without the two roundings of the division. The two
// lie within (|t * delta / d| + |value| + 1) * 2^-50 of each other (a few units
// in the last place of either), so where that interval holds no whole number
// the floor is the same; elsewhere the literal expression decides. With
// delta = 0 both are the origin itself.
struct Axis {
    double delta, d, origin, rate, slackScale;
};

Axis axisOf(double delta, double d, double origin)
{
    return {delta, d, origin, delta / d, delta == 0.0 ? 0.0 : 0x1p-50};
}

// The pixel coordinates at steps t as whole doubles, -1 where floorToPixel
// gives -1.
template <class D>
HWY_INLINE hn::Vec<D> PixelsAlong(D d, const Axis& axis, hn::Vec<D> t)
{
    const auto product = hn::Mul(t, hn::Set(d, axis.rate));
    const auto value = hn::Add(product, hn::Set(d, axis.origin));
    const auto slack = hn::Mul(hn::Add(hn::Add(hn::Abs(product), hn::Abs(value)), hn::Set(d, 1.0)),
                               hn::Set(d, axis.slackScale));
    const auto low = hn::Sub(value, slack);
    const auto high = hn::Add(value, slack);
    const auto zero = hn::Zero(d);
    const auto limit = hn::Set(d, 2147483648.0);
    const auto lowInside = hn::And(hn::Ge(low, zero), hn::Lt(low, limit));
    const auto highInside = hn::And(hn::Ge(high, zero), hn::Lt(high, limit));
    const auto lowPixel = hn::Floor(low);
    const auto minusOne = hn::Set(d, -1.0);
    const auto pixels = hn::IfThenElse(lowInside, lowPixel, minusOne);
    const auto highPixels = hn::IfThenElse(highInside, hn::Floor(high), minusOne);
    if (HWY_LIKELY(hn::AllTrue(d, hn::Eq(pixels, highPixels))))
        return pixels;
    // A whole number in the interval: those lanes take the literal expression.
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    HWY_ALIGN double steps[kMaxLanes];
    HWY_ALIGN double low_[kMaxLanes];
    HWY_ALIGN double high_[kMaxLanes];
    hn::Store(t, d, steps);
    hn::Store(pixels, d, low_);
    hn::Store(highPixels, d, high_);
    for (std::size_t i = 0; i < hn::Lanes(d); ++i) {
        if (low_[i] != high_[i])
            low_[i] = literalPixel(axis.delta, axis.d, axis.origin, steps[i]);
    }
    return hn::Load(d, low_);
}

// A whole double in [0, 2^52) as the integer it holds.
template <class D>
HWY_INLINE hn::Vec<hn::RebindToSigned<D>> WholeToInt(D d, hn::Vec<D> whole)
{
    const hn::RebindToSigned<D> di;
    const auto magic = hn::Set(d, 0x1p52);
    return hn::Sub(hn::BitCast(di, hn::Add(whole, magic)), hn::BitCast(di, magic));
}

}  // namespace

bool BackgroundBetweenImpl(const BackgroundMap& background, const ImageSize& size, double ax,
                           double ay, double bx, double by, std::int32_t minCount)
{
    const double d = std::sqrt((ay - by) * (ay - by) + (ax - bx) * (ax - bx));
    const std::int32_t need = truncToInt32(std::floor(d * 0.2));
    const double n = std::floor(d);
    if (!(n > 0.0) || background.words() == nullptr)
        return false;
    // Yes once the count passes both; no once even every step left could not
    // get it there.
    const std::int32_t passes = std::max(minCount, need);
    const double target = static_cast<double>(passes);
    const Axis alongX = axisOf(bx - ax, d, ax);
    const Axis alongY = axisOf(by - ay, d, ay);

    const hn::ScalableTag<double> dd;
    const hn::RebindToSigned<decltype(dd)> di;
    const hn::RebindToUnsigned<decltype(dd)> du;
    const double lanes = static_cast<double>(hn::Lanes(dd));
    const auto width = hn::Set(dd, static_cast<double>(size[0]));
    const auto height = hn::Set(dd, static_cast<double>(size[1]));
    const auto one = hn::Set(dd, 1.0);
    const auto wordsPerRow = hn::Set(dd, static_cast<double>(background.wordsPerRow()));
    const auto steps = hn::Set(dd, n);
    const auto* words = reinterpret_cast<const hn::TFromD<decltype(di)>*>(background.words());

    std::int64_t count = 0;
    for (double first = 0.0; first < n; first += lanes) {
        if (static_cast<double>(count) + (n - first) <= target)
            return false;
        const auto t = hn::Add(hn::Iota(dd, 0.0), hn::Set(dd, first));
        const auto px = PixelsAlong(dd, alongX, t);
        const auto py = PixelsAlong(dd, alongY, t);
        // Pixels the bounds leave out are never looked up.
        const auto inside = hn::And(hn::And(hn::Lt(t, steps), hn::And(hn::Ge(px, one), hn::Lt(px, width))),
                                    hn::And(hn::Ge(py, one), hn::Lt(py, height)));
        const auto column = hn::IfThenElseZero(inside, px);
        const auto wordColumn = hn::Floor(hn::Mul(column, hn::Set(dd, 1.0 / 64)));
        const auto index = hn::MulAdd(hn::IfThenElseZero(inside, py), wordsPerRow, wordColumn);
        const auto bit = hn::Sub(column, hn::Mul(wordColumn, hn::Set(dd, 64.0)));
        const auto word = hn::BitCast(du, hn::GatherIndex(di, words, WholeToInt(dd, index)));
        const auto set = hn::Ne(hn::And(hn::Shr(word, hn::BitCast(du, WholeToInt(dd, bit))),
                                        hn::Set(du, 1)),
                                hn::Zero(du));
        count += static_cast<std::int64_t>(hn::CountTrue(dd, hn::And(inside, hn::RebindMask(dd, set))));
        if (count > passes)
            return true;
    }
    return false;
}

}  // namespace HWY_NAMESPACE
}  // namespace kestrano
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kestrano {

HWY_EXPORT(BackgroundBetweenImpl);

bool backgroundBetween(const BackgroundMap& background, const ImageSize& size, double ax, double ay,
                       double bx, double by, std::int32_t minCount)
{
    return HWY_DYNAMIC_DISPATCH(BackgroundBetweenImpl)(background, size, ax, ay, bx, by, minCount);
}

}  // namespace kestrano
#endif  // HWY_ONCE
