#include "preprocess/diffusion_rows.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "preprocess/diffusion_rows.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "preprocess/exact_exp-inl.h"

HWY_BEFORE_NAMESPACE();
namespace kestrano {
namespace HWY_NAMESPACE {
namespace {

// What a pixel keeps of one of its edges for the pixel across it: the
// difference, q and c, one padded row each.
struct EdgeRows {
    float* d;
    float* q;
    float* c;
};

// Row buffers, each padded: index j holds column j - 1, so column -1 and the
// columns right of the image sit inside the buffer. Everything starts as -1,
// a count and a q that nothing computed takes, so unwritten entries never
// match.
class RowBuffers {
public:
    RowBuffers(std::size_t cols, std::size_t lanes)
        : cols_(cols),
          // Room for a last vector that starts at the last column, plus one.
          length_((cols + 2 + 2 * lanes) / lanes * lanes),
          storage_(length_ * kCount, -1.0f)
    {
    }

    std::size_t length() const { return length_; }

    float* next()
    {
        float* const row = storage_.data() + used_ * length_;
        ++used_;
        return row;
    }

    EdgeRows nextEdge() { return {next(), next(), next()}; }

    // Positive part of an image row (samples that do not count become +0);
    // a missing row is frame, which never counts either.
    void fillPositive(float* target, const float* source) const
    {
        std::fill(target, target + length_, 0.0f);
        if (source != nullptr) {
            for (std::size_t c = 0; c < cols_; ++c)
                target[c + 1] = source[c] > 0.0f ? source[c] : 0.0f;
        }
    }

private:
    // 3 positive rows, column counts, centre row, 2 rows of pixel counts, the
    // E edge, and the S, SE, SW edges of the row above and of this row.
    static constexpr std::size_t kCount = 3 + 1 + 1 + 2 + 3 + 2 * 3 * 3;
    std::size_t cols_;
    std::size_t length_;
    std::vector<float> storage_;
    std::size_t used_ = 0;
};

// The conduction of a q, taken from the pair stored for the same edge when
// that q has the same bits: c depends on them alone (NaN included), every
// pair this pass stores has c = exp(-q), and the -1 of unwritten pairs is no
// square.
template <class DF>
HWY_INLINE hn::Vec<DF> SharedConduction(DF df, hn::Vec<DF> q, const float* seenQ,
                                        const float* seenC)
{
    const hn::RebindToUnsigned<DF> du;
    const auto same = hn::RebindMask(
        df, hn::Eq(hn::BitCast(du, q), hn::BitCast(du, hn::LoadU(df, seenQ))));
    if (hn::AllTrue(df, same))
        return hn::LoadU(df, seenC);
    return hn::IfThenElse(same, hn::LoadU(df, seenC), ExactNegExp(df, q));
}

// float(double(sum) * deltaT + double(value)).
template <class DF>
HWY_INLINE hn::Vec<DF> Diffused(DF df, hn::Vec<DF> sum, hn::Vec<DF> value, double deltaT)
{
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
    // Their double-to-float DemoteTo saturates where the conversion overflows
    // to infinity, so these lanes convert one by one.
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float sums[kMaxLanes];
    HWY_ALIGN float values[kMaxLanes];
    hn::Store(sum, df, sums);
    hn::Store(value, df, values);
    for (std::size_t i = 0; i < hn::Lanes(df); ++i)
        sums[i] = static_cast<float>(static_cast<double>(sums[i]) * deltaT +
                                     static_cast<double>(values[i]));
    return hn::Load(df, sums);
#else
    const hn::Half<DF> dh;
    const hn::Rebind<double, decltype(dh)> dd;
    const auto step = hn::Set(dd, deltaT);
    const auto lower = hn::DemoteTo(
        dh, hn::Add(hn::Mul(hn::PromoteTo(dd, hn::LowerHalf(dh, sum)), step),
                    hn::PromoteTo(dd, hn::LowerHalf(dh, value))));
    const auto upper = hn::DemoteTo(
        dh, hn::Add(hn::Mul(hn::PromoteTo(dd, hn::UpperHalf(dh, sum)), step),
                    hn::PromoteTo(dd, hn::UpperHalf(dh, value))));
    return hn::Combine(df, upper, lower);
#endif
}

}  // namespace

void DiffuseRowsImpl(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                     std::int32_t rowBegin, std::int32_t rowEnd, float kf, float wy, float wx,
                     float wd, double deltaT)
{
    if (rows <= 0 || cols <= 0 || rowBegin >= rowEnd)
        return;
    const hn::ScalableTag<float> df;
    using V = hn::Vec<decltype(df)>;
    const std::size_t lanes = hn::Lanes(df);
    const auto width = static_cast<std::size_t>(cols);
    RowBuffers buffers(width, lanes);
    const std::size_t length = buffers.length();
    const auto imageRow = [&](std::int32_t r) {
        return r >= 0 && r < rows ? in + static_cast<std::ptrdiff_t>(r) * cols : nullptr;
    };

    float* positive[3] = {buffers.next(), buffers.next(), buffers.next()};
    float* const columnCounts = buffers.next();
    float* const centreRow = buffers.next();
    // [0] the row above, [1] this row.
    float* counts[2] = {buffers.next(), buffers.next()};
    const EdgeRows east = buffers.nextEdge();
    EdgeRows south[2] = {buffers.nextEdge(), buffers.nextEdge()};
    EdgeRows southEast[2] = {buffers.nextEdge(), buffers.nextEdge()};
    EdgeRows southWest[2] = {buffers.nextEdge(), buffers.nextEdge()};

    for (int a = 0; a < 3; ++a)
        buffers.fillPositive(positive[a], imageRow(rowBegin - 1 + a));

    const auto zero = hn::Zero(df);
    const auto one = hn::Set(df, 1.0f);
    const auto kappa = hn::Set(df, kf);
    const auto weightY = hn::Set(df, wy);
    const auto weightX = hn::Set(df, wx);
    const auto weightD = hn::Set(df, wd);
    HWY_ALIGN float tail[HWY_MAX_BYTES / sizeof(float)];

    for (std::int32_t r = rowBegin; r < rowEnd; ++r) {
        if (r > rowBegin) {
            std::swap(positive[0], positive[1]);
            std::swap(positive[1], positive[2]);
            buffers.fillPositive(positive[2], imageRow(r + 1));
            std::swap(counts[0], counts[1]);
            std::swap(south[0], south[1]);
            std::swap(southEast[0], southEast[1]);
            std::swap(southWest[0], southWest[1]);
        }
        // Samples counted per padded column over the three rows.
        for (std::size_t j = 0; j < length; j += lanes) {
            const auto counted = [&](const float* row) {
                return hn::IfThenElseZero(hn::Gt(hn::LoadU(df, row + j), zero), one);
            };
            hn::StoreU(hn::Add(hn::Add(counted(positive[0]), counted(positive[1])),
                               counted(positive[2])),
                       df, columnCounts + j);
        }
        // Columns right of the frame column: any count but 0, so that lanes
        // past the image stay finite and do not take the scalar exp.
        std::fill(columnCounts + width + 2, columnCounts + length, 1.0f);
        std::memcpy(centreRow + 1, imageRow(r), width * sizeof(float));
        float* const target = out + static_cast<std::ptrdiff_t>(r) * cols;

        // The E edges first, so that the W edges below read them back from
        // stores long done.
        for (std::size_t c = 0; c < width; c += lanes) {
            const std::size_t k = c + 1;
            const auto n = hn::Add(
                hn::Add(hn::LoadU(df, columnCounts + k - 1), hn::LoadU(df, columnCounts + k)),
                hn::LoadU(df, columnCounts + k + 1));
            hn::StoreU(n, df, counts[1] + k);
            const V dE = hn::Div(
                hn::Sub(hn::LoadU(df, positive[1] + k + 1), hn::LoadU(df, positive[1] + k)), n);
            const auto ratio = hn::Div(dE, kappa);
            const V qE = hn::Mul(ratio, ratio);
            hn::StoreU(dE, df, east.d + k);
            hn::StoreU(qE, df, east.q + k);
            hn::StoreU(ExactNegExp(df, qE), df, east.c + k);
        }

        for (std::size_t c = 0; c < width; c += lanes) {
            const std::size_t k = c + 1;
            const float* const above = positive[0] + k;
            const float* const here = positive[1] + k;
            const float* const below = positive[2] + k;
            const auto n = hn::LoadU(df, counts[1] + k);
            const auto centre = hn::LoadU(df, here);
            // Masked difference over the counting samples: positive parts only.
            const auto difference = [&](const float* neighbour) {
                return hn::Div(hn::Sub(hn::LoadU(df, neighbour), centre), n);
            };
            const auto squaredRatio = [&](V d) {
                const auto ratio = hn::Div(d, kappa);
                return hn::Mul(ratio, ratio);
            };

            // S, SE and SW are edges this pixel is the first to see; one
            // branch for the three keeps them in one straight run of code.
            const V dE = hn::LoadU(df, east.d + k);
            const V cE = hn::LoadU(df, east.c + k);
            const V dS = difference(below);
            const V dSE = difference(below + 1);
            const V dSW = difference(below - 1);
            const V qS = squaredRatio(dS);
            const V qSE = squaredRatio(dSE);
            const V qSW = squaredRatio(dSW);
            hn::Mask<decltype(df)> unsureS, unsureSE, unsureSW;
            V cS = NegExpUnlessUnsure(df, qS, unsureS);
            V cSE = NegExpUnlessUnsure(df, qSE, unsureSE);
            V cSW = NegExpUnlessUnsure(df, qSW, unsureSW);
            if (HWY_UNLIKELY(!hn::AllFalse(df, hn::Or(hn::Or(unsureS, unsureSE), unsureSW)))) {
                cS = WithUnsureLanesFixed(df, qS, cS, unsureS);
                cSE = WithUnsureLanesFixed(df, qSE, cSE, unsureSE);
                cSW = WithUnsureLanesFixed(df, qSW, cSW, unsureSW);
            }
            const auto keep = [&](const EdgeRows& edge, V d, V q, V cond) {
                hn::StoreU(d, df, edge.d + k);
                hn::StoreU(q, df, edge.q + k);
                hn::StoreU(cond, df, edge.c + k);
            };
            keep(south[1], dS, qS, cS);
            keep(southEast[1], dSE, qSE, cSE);
            keep(southWest[1], dSW, qSW, cSW);

            // W, N, NE and NW were seen from the other side, by the pixel to
            // the left and by the row above, at index `at`. With the same
            // count there the difference is that one negated (exact, and
            // never -0: positive parts are never -0), q and c are equal.
            const auto seen = [&](const float* seenCounts, const EdgeRows& edge, std::size_t at,
                                  const float* neighbour, V& d, V& cond) {
                if (hn::AllTrue(df, hn::Eq(n, hn::LoadU(df, seenCounts + at)))) {
                    d = hn::Sub(zero, hn::LoadU(df, edge.d + at));
                    cond = hn::LoadU(df, edge.c + at);
                } else {
                    d = difference(neighbour);
                    cond = SharedConduction(df, squaredRatio(d), edge.q + at, edge.c + at);
                }
            };
            V dW, cW, dN, cN, dNE, cNE, dNW, cNW;
            seen(counts[1], east, k - 1, here - 1, dW, cW);
            seen(counts[0], south[0], k, above, dN, cN);
            seen(counts[0], southWest[0], k + 1, above + 1, dNE, cNE);
            seen(counts[0], southEast[0], k - 1, above - 1, dNW, cNW);

            // Weighted fluxes added strictly left to right: N S W E NE SE SW NW.
            V sum = hn::Mul(weightY, hn::Mul(cN, dN));
            sum = hn::Add(sum, hn::Mul(weightY, hn::Mul(cS, dS)));
            sum = hn::Add(sum, hn::Mul(weightX, hn::Mul(cW, dW)));
            sum = hn::Add(sum, hn::Mul(weightX, hn::Mul(cE, dE)));
            sum = hn::Add(sum, hn::Mul(weightD, hn::Mul(cNE, dNE)));
            sum = hn::Add(sum, hn::Mul(weightD, hn::Mul(cSE, dSE)));
            sum = hn::Add(sum, hn::Mul(weightD, hn::Mul(cSW, dSW)));
            sum = hn::Add(sum, hn::Mul(weightD, hn::Mul(cNW, dNW)));
            const V result = Diffused(df, sum, hn::LoadU(df, centreRow + k), deltaT);
            if (c + lanes <= width) {
                hn::StoreU(result, df, target + c);
            } else {
                hn::Store(result, df, tail);
                std::memcpy(target + c, tail, (width - c) * sizeof(float));
            }
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace kestrano
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kestrano {

HWY_EXPORT(DiffuseRowsImpl);

void diffuseRows(const float* in, float* out, std::int32_t rows, std::int32_t cols,
                 std::int32_t rowBegin, std::int32_t rowEnd, float kf, float wy, float wx,
                 float wd, double deltaT)
{
    HWY_DYNAMIC_DISPATCH(DiffuseRowsImpl)(in, out, rows, cols, rowBegin, rowEnd, kf, wy, wx, wd,
                                          deltaT);
}

}  // namespace kestrano
#endif  // HWY_ONCE
