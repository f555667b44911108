#include "imageio/sample_rescale.h"

#include <cmath>
#include <limits>

namespace kestrano {

std::pair<double, double> rescaleToSixteenBits(const std::vector<double>& values, std::uint16_t* out)
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (double v : values)
        if (std::isfinite(v)) {
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
    if (low > high)
        low = high = 0.0;
    // Halved so that a range spanning most of the doubles does not overflow.
    const double halfRange = high * 0.5 - low * 0.5;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        double mapped = 0.0;
        if (std::isnan(v) || v == -std::numeric_limits<double>::infinity())
            mapped = 0.0;
        else if (v == std::numeric_limits<double>::infinity())
            mapped = 65535.0;
        else if (halfRange > 0.0)
            mapped = std::floor((v * 0.5 - low * 0.5) / halfRange * 65535.0 + 0.5);
        mapped = mapped < 0.0 ? 0.0 : (mapped > 65535.0 ? 65535.0 : mapped);
        out[i] = static_cast<std::uint16_t>(mapped);
    }
    return {low, high};
}

}  // namespace kestrano
