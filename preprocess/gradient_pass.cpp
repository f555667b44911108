#include "preprocess/gradient_pass.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <stdexcept>

#include "core/numeric.h"
#include "core/parallel.h"

namespace kestrano {

namespace {

// Keeps the Gaussian's denominator and the normalising sum away from zero
// (spread 0); deliberately this literal, not the double epsilon.
constexpr double kGuard = 2.2204e-16;

// Rows of one band: the smoothed rows it needs are formed one at a time from
// padded double copies of the input rows, and its output rows are written
// back only once no later smoothed row of the band reads the input row they
// replace.
class GradientBand {
public:
    GradientBand(std::uint16_t* pixels, std::int32_t rows, std::int32_t cols,
                 const std::vector<double>& weights, std::int32_t w, std::int32_t reach,
                 std::int32_t begin, std::int32_t end)
        : pixels_(pixels), rows_(rows), cols_(cols), weights_(weights), w_(w), reach_(reach),
          begin_(begin), end_(end)
    {
        // Input rows outside the band are copied now, before any band writes.
        const std::int32_t first = inputRow(std::max(begin - 1, 0), 0);
        const std::int32_t last = inputRow(std::min(end, rows - 1), w - 1);
        for (std::int32_t q = first; q <= last; ++q)
            if (q < begin || q >= end)
                halo_.emplace_back(q, std::vector<std::uint16_t>(row(q), row(q) + cols));
    }

    void run()
    {
        const std::size_t width = static_cast<std::size_t>(cols_);
        const std::int32_t firstSmoothed = std::max(begin_ - 1, 0);
        const std::int32_t lastSmoothed = std::min(end_, rows_ - 1);
        // Smoothed rows r - 1, r, r + 1 around the output row.
        std::vector<double> ring[3];
        for (auto& r : ring)
            r.assign(width, 0.0);
        std::vector<double> padded(width + static_cast<std::size_t>(w_));
        std::vector<std::vector<std::uint16_t>> pending;  // output rows not yet written
        std::int32_t pendingFirst = begin_;
        std::vector<double> gx(width), gy(width);

        const auto slot = [&](std::int32_t j) -> std::vector<double>& { return ring[(j % 3 + 3) % 3]; };
        std::int32_t next = firstSmoothed;  // next smoothed row to form
        const auto smoothUpTo = [&](std::int32_t j) {
            for (; next <= j; ++next) {
                smoothRow(next, slot(next), padded);
                // Input rows below next + 1 - reach are read by no later smoothed row.
                while (pendingFirst < next + 1 - reach_ && !pending.empty()) {
                    write(pendingFirst, pending.front());
                    pending.erase(pending.begin());
                    ++pendingFirst;
                }
            }
        };

        for (std::int32_t r = begin_; r < end_; ++r) {
            smoothUpTo(std::min(r + 1, lastSmoothed));
            const std::vector<double>& m = slot(r);
            const std::size_t n = width;
            // Along the row.
            gx[0] = m[1] - m[0];
            gx[n - 1] = m[n - 1] - m[n - 2];
            for (std::size_t c = 1; c + 1 < n; ++c)
                gx[c] = (m[c + 1] - m[c - 1]) * 0.5;
            // Across rows.
            if (r == 0) {
                const std::vector<double>& below = slot(1);
                for (std::size_t c = 0; c < n; ++c)
                    gy[c] = below[c] - m[c];
            } else if (r == rows_ - 1) {
                const std::vector<double>& above = slot(r - 1);
                for (std::size_t c = 0; c < n; ++c)
                    gy[c] = m[c] - above[c];
            } else {
                const std::vector<double>& above = slot(r - 1);
                const std::vector<double>& below = slot(r + 1);
                for (std::size_t c = 0; c < n; ++c)
                    gy[c] = (below[c] - above[c]) * 0.5;
            }
            std::vector<std::uint16_t> out(n);
            for (std::size_t c = 0; c < n; ++c)
                out[c] = truncToPixel(std::sqrt(gx[c] * gx[c] + gy[c] * gy[c]));
            pending.push_back(std::move(out));
            // Row r is final; write what no smoothed row still needs.
            while (pendingFirst < next - reach_ && !pending.empty() && pendingFirst <= r) {
                write(pendingFirst, pending.front());
                pending.erase(pending.begin());
                ++pendingFirst;
            }
        }
        for (const auto& out : pending)
            write(pendingFirst++, out);
    }

private:
    // The image row read as row a of the window of smoothed row j.
    std::int32_t inputRow(std::int32_t j, std::int32_t a) const
    {
        return std::clamp(j - reach_ + a, 0, rows_ - 1);
    }

    const std::uint16_t* row(std::int32_t q) const
    {
        return pixels_ + static_cast<std::ptrdiff_t>(q) * cols_;
    }

    const std::uint16_t* source(std::int32_t q) const
    {
        if (q >= begin_ && q < end_)
            return row(q);
        for (const auto& h : halo_)
            if (h.first == q)
                return h.second.data();
        return row(q);  // not reached: every row outside the band has a copy
    }

    void write(std::int32_t q, const std::vector<std::uint16_t>& values)
    {
        std::copy(values.begin(), values.end(), pixels_ + static_cast<std::ptrdiff_t>(q) * cols_);
    }

    // Correlation with the kernel (not flipped), each sum from 0.0 in window
    // order: kernel row by kernel row, left to right.
    void smoothRow(std::int32_t j, std::vector<double>& target, std::vector<double>& padded) const
    {
        const std::size_t width = static_cast<std::size_t>(cols_);
        std::fill(target.begin(), target.end(), 0.0);
        for (std::int32_t a = 0; a < w_; ++a) {
            const std::uint16_t* in = source(inputRow(j, a));
            // padded[k] holds column clamp(k - reach) of the input row.
            const std::size_t lead = std::min<std::size_t>(static_cast<std::size_t>(reach_), padded.size());
            std::fill(padded.begin(), padded.begin() + static_cast<std::ptrdiff_t>(lead),
                      static_cast<double>(in[0]));
            const std::size_t stop = std::min(padded.size(), lead + width);
            for (std::size_t k = lead; k < stop; ++k)
                padded[k] = static_cast<double>(in[k - lead]);
            std::fill(padded.begin() + static_cast<std::ptrdiff_t>(stop), padded.end(),
                      static_cast<double>(in[width - 1]));
            const double* kernelRow = weights_.data() + static_cast<std::size_t>(a) * w_;
            for (std::int32_t b = 0; b < w_; ++b) {
                const double weight = kernelRow[b];
                const double* shifted = padded.data() + b;
                for (std::size_t c = 0; c < width; ++c)
                    target[c] += shifted[c] * weight;
            }
        }
    }

    std::uint16_t* pixels_;
    std::int32_t rows_, cols_;
    const std::vector<double>& weights_;
    std::int32_t w_, reach_, begin_, end_;
    std::vector<std::pair<std::int32_t, std::vector<std::uint16_t>>> halo_;
};

}  // namespace

std::vector<double> gaussianWeights(std::int32_t w, double sigma)
{
    // A negative extent cannot be allocated, as the work matrices always failed.
    if (w < 0)
        throw std::bad_alloc();
    const std::size_t n = static_cast<std::size_t>(w);
    std::vector<double> kernel(n * n);
    const std::int32_t h = (w - 1) / 2;
    const double d = (sigma * 2.0) * sigma + kGuard;
    for (std::int32_t a = 0; a < w; ++a) {
        const auto y = static_cast<double>(a - h);
        for (std::int32_t b = 0; b < w; ++b) {
            const auto x = static_cast<double>(b - h);
            kernel[static_cast<std::size_t>(a) * n + b] = std::exp(-((x * x + y * y) / d));
        }
    }
    double sum = 0.0;
    for (const double k : kernel)
        sum += k;
    const double divisor = sum + kGuard;
    for (double& k : kernel)
        k /= divisor;
    return kernel;
}

void gradientInPlace(std::uint16_t* pixels, const ImageSize& size, std::int32_t w, std::int32_t s,
                     int threads)
{
    // The one-sided end differences read two rows and two columns.
    if (size[0] < 2 || size[1] < 2)
        throw std::invalid_argument("the gradient filter needs an image of at least 2 x 2 pixels");
    const std::vector<double> weights = gaussianWeights(w, static_cast<double>(s));
    // Window offset in single precision, as it was always formed: an even
    // window reaches one row further up and one column further left.
    const auto reach = truncToInt32(std::floor(static_cast<float>(w) * 0.5f));
    const std::int32_t rows = size[0];
    // Bands of at least a few rows, so that the copied borders stay small.
    const std::size_t bands = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(threads, 1)), static_cast<std::size_t>(rows) / 16 + 1);
    std::vector<GradientBand> work;
    work.reserve(bands);
    for (std::size_t b = 0; b < bands; ++b)
        work.emplace_back(pixels, rows, size[1], weights, w, reach,
                          static_cast<std::int32_t>(partBegin(rows, bands, b)),
                          static_cast<std::int32_t>(partBegin(rows, bands, b + 1)));
    parallelFor(threads, bands, [&](std::size_t b) { work[b].run(); });
}

}  // namespace kestrano
