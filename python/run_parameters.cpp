#include "python/run_parameters.h"

#include <cstdint>
#include <string>

namespace py = pybind11;

namespace kestrano::python {

ParamList hostParameters(const py::kwargs& params)
{
    ParamList host;
    for (const auto& [key, value] : params) {
        const std::string name = py::str(key);
        if (py::isinstance<py::str>(value)) {
            host[name] = value.cast<std::string>();
            continue;
        }
        // Any integer (numpy's too), but not bool: True as a count is surely a mistake.
        if (py::isinstance<py::bool_>(value) || !PyIndex_Check(value.ptr()))
            throw py::type_error("parameter " + name + ": expected int or str, got " +
                                 py::str(py::type::of(value).attr("__name__")).cast<std::string>());
        const auto number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
        if (!number)
            throw py::error_already_set();
        host[name] = py::str(number).cast<std::string>();
    }
    return host;
}

ParamList runParameters(const ParamList& host, const DialogValues& dialog)
{
    const std::int32_t position[3] = {0, 0, 0};
    ParamList list = startParamList(host, position);
    addDialogValues(list, dialog);
    return list;
}

}  // namespace kestrano::python
