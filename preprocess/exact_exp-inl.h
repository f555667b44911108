// Per-target body of the exact exponential (see exact_exp.h), for inclusion
// after hwy/foreach_target.h by the files that vectorise with it.
//
// exp(-q) is evaluated in double with a polynomial and then bracketed: the
// double result y is scaled by 1 - eps and 1 + eps and both are rounded to
// float. Rounding is monotonic, so when the two floats agree every double in
// between rounds to that float too, in particular the one the library returns.
// Lanes where they differ, and negative q, are reported as unsure and must be
// taken from std::exp by the caller.
//
// Error bound of y against the true exp(x), x = -q in [-104, 0], u = 2^-53:
// - reduction x = k ln2 + r: x * (1/ln2) is within 2^-44 of x / ln2, so
//   |r| <= rho = ln2 (1/2 + 2^-44) < 0.34658; ln2 is split Cody-Waite style,
//   k * ln2hi and x - k * ln2hi are exact (|k| <= 151, Sterbenz), leaving
//   two roundings and the split error: |r' - r| < 4e-17.
// - Taylor polynomial of degree 11 on |r| <= rho: truncation
//   rho^12 / 12! * e^rho, relative to e^-rho: < 1.26e-14.
// - its evaluation in double with rounded coefficients, counting every
//   product and sum as rounded (a fused MulAdd, where the target has one,
//   only removes roundings): no term c_i r^i passes more than 12 roundings
//   (coefficient, r^8 = ((r r)^2)^2, the products and sums above it), so the
//   error is below gamma_12 * sum |c_i r^i| <= gamma_12 e^rho, relative to
//   e^-rho: < 2.7e-15.
// - scaling by 2^k, k >= -151: exact, the product stays a normal double.
// So |y / exp(x) - 1| < 1.6e-14. The library exp adds at most 1 ulp (2^-52,
// it claims 0.51), the two bracket products 2^-53 each: the brackets must
// reach 1.64e-14 relative; eps = 2^-44 = 5.7e-14 leaves a factor 3.
//
// q >= 104 is evaluated as 104: exp(-104) < 0.98 * 2^-150, so the brackets
// and the library's result all round to +0, as they do for every larger q.
#if defined(KESTRANO_PREPROCESS_EXACT_EXP_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef KESTRANO_PREPROCESS_EXACT_EXP_INL_H_
#undef KESTRANO_PREPROCESS_EXACT_EXP_INL_H_
#else
#define KESTRANO_PREPROCESS_EXACT_EXP_INL_H_
#endif

#include <cmath>
#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace kestrano {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The two float roundings of exp(-q) (1 -+ eps) for q in [0, 104], q given as
// floats with the lane count of `dd`.
template <class DD>
HWY_INLINE void BracketNegExp(DD dd, hn::Vec<hn::Rebind<float, DD>> qf,
                              hn::Vec<hn::Rebind<float, DD>>& low,
                              hn::Vec<hn::Rebind<float, DD>>& high)
{
    const hn::Rebind<float, DD> df;
    const hn::RebindToUnsigned<DD> du;
    const auto x = hn::Neg(hn::PromoteTo(dd, qf));

    // Adding 1.5 * 2^52 rounds to an integer k kept in the low mantissa bits.
    const auto shift = hn::Set(dd, 0x1.8p52);
    const auto shifted = hn::Add(hn::Mul(x, hn::Set(dd, 0x1.71547652b82fep+0)), shift);
    const auto k = hn::Sub(shifted, shift);
    // ln2 = ln2hi + ln2lo; k * ln2hi is exact, so fusing or not gives the
    // same first step.
    const auto r = hn::NegMulAdd(k, hn::Set(dd, 0x1.a39ef35793c76p-33),
                                 hn::NegMulAdd(k, hn::Set(dd, 0x1.62e42fee00000p-1), x));

    // Taylor coefficients 1/i!, evaluated Estrin style: short dependency
    // chains let the exponentials of several vectors overlap.
    const auto r2 = hn::Mul(r, r);
    const auto r4 = hn::Mul(r2, r2);
    const auto r8 = hn::Mul(r4, r4);
    const auto pair = [&](double high, double low) {
        return hn::MulAdd(hn::Set(dd, high), r, hn::Set(dd, low));
    };
    const auto p0to3 = hn::MulAdd(pair(0x1.5555555555555p-3, 0.5), r2, pair(1.0, 1.0));
    const auto p4to7 = hn::MulAdd(pair(0x1.a01a01a01a01ap-13, 0x1.6c16c16c16c17p-10), r2,
                                  pair(0x1.1111111111111p-7, 0x1.5555555555555p-5));
    const auto p8to11 = hn::MulAdd(pair(0x1.ae64567f544e4p-26, 0x1.27e4fb7789f5cp-22), r2,
                                   pair(0x1.71de3a556c734p-19, 0x1.a01a01a01a01ap-16));
    const auto p = hn::MulAdd(p8to11, r8, hn::MulAdd(p4to7, r4, p0to3));

    // The low 12 bits of `shifted` are k mod 4096: moved into the exponent
    // field with the bias they give 2^k.
    const auto twoToK = hn::BitCast(
        dd, hn::ShiftLeft<52>(hn::Add(hn::BitCast(du, shifted), hn::Set(du, 1023))));
    const auto y = hn::Mul(p, twoToK);
    low = hn::DemoteTo(df, hn::Mul(y, hn::Set(dd, 1.0 - 0x1p-44)));
    high = hn::DemoteTo(df, hn::Mul(y, hn::Set(dd, 1.0 + 0x1p-44)));
}

// float(exp(-double(q))) for the lanes where `unsure` comes back false.
// A NaN q is answered here too, black image areas are full of them: the
// library returns a NaN argument as it is (quieted), as IEEE 754 recommends,
// so the result is -q with the quiet bit set (checked over every NaN by
// bench/check_exact_exp).
template <class DF>
HWY_INLINE hn::Vec<DF> NegExpUnlessUnsure(DF df, hn::Vec<DF> q, hn::Mask<DF>& unsure)
{
    const hn::RebindToUnsigned<DF> du;
    const auto usable = hn::Ge(q, hn::Zero(df));  // false for NaN and q < 0
    const auto notNumber = hn::IsNaN(q);
    const auto clamped = hn::IfThenElseZero(usable, hn::Min(q, hn::Set(df, 104.0f)));
    hn::Vec<DF> low, high;
#if HWY_TARGET == HWY_SCALAR
    BracketNegExp(hn::Rebind<double, DF>(), clamped, low, high);
#else
    const hn::Half<DF> dh;
    const hn::Rebind<double, decltype(dh)> dd;
    hn::Vec<decltype(dh)> lowLower, highLower, lowUpper, highUpper;
    BracketNegExp(dd, hn::LowerHalf(dh, clamped), lowLower, highLower);
    BracketNegExp(dd, hn::UpperHalf(dh, clamped), lowUpper, highUpper);
    low = hn::Combine(df, lowUpper, lowLower);
    high = hn::Combine(df, highUpper, highLower);
#endif
    // NaN lanes were evaluated as q = 0, whose brackets agree.
    unsure = hn::Or(hn::Lt(q, hn::Zero(df)), hn::Ne(low, high));
    const auto quietNaN = hn::Or(hn::Neg(q), hn::BitCast(df, hn::Set(du, 0x00400000u)));
    return hn::IfThenElse(notNumber, quietNaN, low);
}

// `c` from NegExpUnlessUnsure with its unsure lanes taken from std::exp.
template <class DF>
HWY_NOINLINE hn::Vec<DF> WithUnsureLanesFixed(DF df, hn::Vec<DF> q, hn::Vec<DF> c,
                                              hn::Mask<DF> unsure)
{
    constexpr std::size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);
    HWY_ALIGN float qs[kMaxLanes];
    HWY_ALIGN float cs[kMaxLanes];
    std::uint8_t bits[(kMaxLanes + 7) / 8] = {};
    hn::Store(q, df, qs);
    hn::Store(c, df, cs);
    hn::StoreMaskBits(df, unsure, bits);
    for (std::size_t i = 0; i < hn::Lanes(df); ++i) {
        if ((bits[i / 8] >> (i % 8)) & 1)
            cs[i] = static_cast<float>(std::exp(-static_cast<double>(qs[i])));
    }
    return hn::Load(df, cs);
}

// float(exp(-double(q))) in every lane, bit for bit.
template <class DF>
HWY_INLINE hn::Vec<DF> ExactNegExp(DF df, hn::Vec<DF> q)
{
    hn::Mask<DF> unsure;
    const auto c = NegExpUnlessUnsure(df, q, unsure);
    if (HWY_LIKELY(hn::AllFalse(df, unsure)))
        return c;
    return WithUnsureLanesFixed(df, q, c, unsure);
}

}  // namespace HWY_NAMESPACE
}  // namespace kestrano
HWY_AFTER_NAMESPACE();

#endif  // per-target include guard
