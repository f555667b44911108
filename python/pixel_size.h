#pragma once
// kestrano.run's pixel_size and unit: the physical size of a pixel, for the
// segments' lengths in that unit.
#include <string>

#include <pybind11/pybind11.h>

#include "core/pixel_scale.h"

namespace kestrano::python {

// size: None (lengths stay in pixels), one number for square pixels, or
// (width, height). Raises TypeError or ValueError naming what was expected.
PixelScale pixelScaleFrom(const pybind11::object& size, const std::string& unit);

}  // namespace kestrano::python
