#pragma once
// Images between numpy and the core: any 2-D array of unsigned 8- or 16-bit
// integers becomes a private 16-bit copy, and 16-bit buffers go back as arrays
// that own their memory.
#include <cstdint>
#include <vector>

#include <pybind11/numpy.h>

#include "imageio/image_file.h"

namespace kestrano::python {

// Raises TypeError for another element type and ValueError for another shape,
// an empty image or one too large for the pipeline. `what` names the argument
// in the messages. The caller's array is only read.
GreyImage imageFromArray(pybind11::handle object, const char* what);

// Takes the pixels over without copying them.
pybind11::array_t<std::uint16_t> arrayFromPixels(std::vector<std::uint16_t>&& pixels,
                                                 std::int32_t rows, std::int32_t cols);

}  // namespace kestrano::python
