#include "preprocess/exact_exp.h"

#include <cstring>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "preprocess/exact_exp.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "preprocess/exact_exp-inl.h"

HWY_BEFORE_NAMESPACE();
namespace kestrano {
namespace HWY_NAMESPACE {

void NegExpSpan(const float* q, float* out, std::size_t count)
{
    const hn::ScalableTag<float> df;
    const std::size_t lanes = hn::Lanes(df);
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes)
        hn::StoreU(ExactNegExp(df, hn::LoadU(df, q + i)), df, out + i);
    if (i == count)
        return;
    // The tail goes through a full vector padded with zeros.
    HWY_ALIGN float tail[HWY_MAX_BYTES / sizeof(float)] = {};
    std::memcpy(tail, q + i, (count - i) * sizeof(float));
    hn::Store(ExactNegExp(df, hn::Load(df, tail)), df, tail);
    std::memcpy(out + i, tail, (count - i) * sizeof(float));
}

const char* NegExpTarget()
{
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace kestrano
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kestrano {

HWY_EXPORT(NegExpSpan);
HWY_EXPORT(NegExpTarget);

void exactNegExp(const float* q, float* out, std::size_t count)
{
    HWY_DYNAMIC_DISPATCH(NegExpSpan)(q, out, count);
}

const char* exactNegExpTarget()
{
    return HWY_DYNAMIC_DISPATCH(NegExpTarget)();
}

}  // namespace kestrano
#endif  // HWY_ONCE
