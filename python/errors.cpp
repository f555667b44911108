#include "python/errors.h"

#include <exception>
#include <stdexcept>

#include "imageio/image_file.h"

namespace kestrano::python {

// pybind11 already turns invalid_argument, length_error and domain_error into
// ValueError and bad_alloc into MemoryError. out_of_range would become
// IndexError, but here it reports a value outside a range (a parameter, a
// histogram bin), not a bad index.
void registerErrorTranslations()
{
    pybind11::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const ImageFileError& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        } catch (const std::out_of_range& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
}

}  // namespace kestrano::python
