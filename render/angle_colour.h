#pragma once
// Colours for segment directions. Angles are axial (10 and 190 degrees are the
// same line), so the map is cyclic over 180 degrees: a segment's colour in the
// overlay, the legend wheel and the rose diagram all agree.
#include <QColor>

namespace kestrano {

// angleDeg in degrees, any value; 0 and 180 give the same colour.
QColor angleColour(double angleDeg);

}  // namespace kestrano
