#include "python/image_files.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/stl/filesystem.h>

#include "imageio/image_file.h"
#include "python/image_array.h"

namespace py = pybind11;

namespace kestrano::python {

namespace {

py::array_t<std::uint16_t> readImage(const std::filesystem::path& path, std::size_t page, bool rescale)
{
    GreyImage image;
    std::vector<std::string> warnings;
    ReadOptions options;
    options.page = page;
    options.rescale = rescale;
    {
        py::gil_scoped_release released;
        image = readGreyImage(path.string(), warnings, options);
    }
    for (const std::string& warning : warnings)
        if (PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1) != 0)
            throw py::error_already_set();
    return arrayFromPixels(std::move(image.pixels), image.rows, image.cols);
}

void writeImage(const std::filesystem::path& path, py::handle array)
{
    const GreyImage image = imageFromArray(array, "array");
    py::gil_scoped_release released;
    writeGreyImage(path.string(), image);
}

}  // namespace

void bindImageFiles(py::module_& module)
{
    module.def("read_image", &readImage, py::arg("path"), py::kw_only(), py::arg("page") = 0,
               py::arg("rescale") = false,
               R"(Reads a grey TIFF, PNG, binary PGM or JPEG (8 or 16 bit) into a uint16 array
(rows, cols), values unchanged. page: 0-based page of a multi-page TIFF.
rescale: map 32-bit or float TIFF samples onto 0..65535 (refused otherwise).
A colour image is converted to grey with a UserWarning. Raises OSError for a
file that cannot be read or is larger than the read limits.)");
    module.def("count_pages", [](const std::filesystem::path& path) {
        py::gil_scoped_release released;
        return countPages(path.string());
    }, py::arg("path"), "The number of pages of a TIFF; 1 for other formats.");
    module.def("write_image", &writeImage, py::arg("path"), py::arg("array"),
               R"(Writes a 2-D uint8 or uint16 array as a 16-bit grey image, in the format
named by the extension (.tif, .tiff, .png, .pgm). Raises OSError when the
file cannot be written.)");
}

}  // namespace kestrano::python
