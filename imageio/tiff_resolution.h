#pragma once
// A TIFF's resolution tags, and the physical pixel size they give: inch and
// centimetre units, or (ResolutionUnit none) the "unit=" entry that
// microscopy software writes into the ImageDescription, with the resolution
// as pixels per that unit.
#include <optional>
#include <string>

#include "core/pixel_scale.h"
#include "imageio/image_file.h"

namespace kestrano {

// The value of a "unit=" line in an ImageDescription, or empty.
std::string descriptionUnit(const std::string& description);

// The pixel size the tags give, in micrometres ("um") where the unit converts
// (inch, cm, mm, micron, um, nm, m), else in the description's own unit; empty
// when the resolution is missing, not positive, or has no unit.
std::optional<PixelScale> pixelScaleFrom(const TiffResolution& resolution);

}  // namespace kestrano
