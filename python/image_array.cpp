#include "python/image_array.h"

#include <cstring>
#include <memory>
#include <string>

namespace py = pybind11;

namespace kestrano::python {

namespace {

std::string shapeText(const py::array& array)
{
    std::string text = "(";
    for (py::ssize_t d = 0; d < array.ndim(); ++d)
        text += (d > 0 ? ", " : "") + std::to_string(array.shape(d));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

}  // namespace

GreyImage imageFromArray(py::handle object, const char* what)
{
    const std::string name = what;
    const py::array array = py::module_::import("numpy").attr("asarray")(object);
    const py::dtype type = array.dtype();
    if (type.kind() != 'u' || (type.itemsize() != 1 && type.itemsize() != 2))
        throw py::type_error(name + ": expected a 2-D array of unsigned 8- or 16-bit integers "
                                    "(numpy.uint8 or numpy.uint16), got dtype " +
                             py::str(py::handle(type)).cast<std::string>());
    if (array.ndim() != 2)
        throw py::value_error(name + ": expected a 2-D array (rows, columns), got shape " +
                              shapeText(array));
    if (array.shape(0) == 0 || array.shape(1) == 0)
        throw py::value_error(name + ": expected at least one row and one column, got shape " +
                              shapeText(array));
    if (array.shape(0) > maxGreyImagePixels / array.shape(1))
        throw py::value_error(name + ": at most " + std::to_string(maxGreyImagePixels) +
                              " pixels are supported, got shape " + shapeText(array));

    // Converts byte order, element size and strides; copies whenever the
    // array is not already a packed native uint16 one.
    using Packed = py::array_t<std::uint16_t, py::array::c_style | py::array::forcecast>;
    const Packed packed = Packed::ensure(array);
    if (!packed)
        throw py::error_already_set();

    GreyImage image;
    image.rows = static_cast<std::int32_t>(array.shape(0));
    image.cols = static_cast<std::int32_t>(array.shape(1));
    image.pixels.resize(static_cast<std::size_t>(packed.size()));
    std::memcpy(image.pixels.data(), packed.data(), image.pixels.size() * sizeof(std::uint16_t));
    return image;
}

py::array_t<std::uint16_t> arrayFromPixels(std::vector<std::uint16_t>&& pixels, std::int32_t rows,
                                           std::int32_t cols)
{
    auto owned = std::make_unique<std::vector<std::uint16_t>>(std::move(pixels));
    std::uint16_t* data = owned->data();
    const py::capsule owner(owned.get(),
                            [](void* p) { delete static_cast<std::vector<std::uint16_t>*>(p); });
    owned.release();
    return py::array_t<std::uint16_t>({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(cols)},
                                      data, owner);
}

}  // namespace kestrano::python
