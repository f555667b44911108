#include "python/pixel_size.h"

#include <cmath>

namespace py = pybind11;

namespace kestrano::python {

namespace {

double sideFrom(const py::handle& value)
{
    // Any real number (numpy's too), but not bool; PyNumber_Check refuses str.
    if (py::isinstance<py::bool_>(value) || !PyNumber_Check(value.ptr()))
        throw py::type_error("pixel_size: expected a number or a (width, height) pair");
    const double side = py::float_(py::reinterpret_borrow<py::object>(value));
    if (!std::isfinite(side) || side <= 0.0)
        throw py::value_error("pixel_size: expected sizes above 0, got " +
                              py::repr(value).cast<std::string>());
    return side;
}

}  // namespace

PixelScale pixelScaleFrom(const py::object& size, const std::string& unit)
{
    if (size.is_none())
        return PixelScale{};
    PixelScale scale;
    if (py::isinstance<py::tuple>(size) || py::isinstance<py::list>(size)) {
        const py::sequence pair = size;
        if (py::len(pair) != 2)
            throw py::value_error("pixel_size: expected a number or a (width, height) pair");
        scale.x = sideFrom(pair[0]);
        scale.y = sideFrom(pair[1]);
    } else {
        scale.x = scale.y = sideFrom(size);
    }
    if (unit.empty() || unit == "px")
        throw py::value_error("unit: expected the physical unit of pixel_size (for example \"um\"), got \"" +
                              unit + "\"");
    scale.unit = unit;
    scale.source = "pixel_size";
    return scale;
}

}  // namespace kestrano::python
