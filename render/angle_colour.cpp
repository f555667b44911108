#include "render/angle_colour.h"

#include <cmath>

namespace kestrano {

QColor angleColour(double angleDeg)
{
    double axial = std::fmod(angleDeg, 180.0);
    if (axial < 0.0)
        axial += 180.0;
    if (!(axial >= 0.0 && axial < 180.0))  // NaN
        axial = 0.0;
    // Full saturation washes out on bright fibres; a little less keeps the hues apart.
    return QColor::fromHsvF(static_cast<float>(axial / 180.0), 0.9f, 1.0f);
}

}  // namespace kestrano
