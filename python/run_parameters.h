#pragma once
// The run's parameter list, built as the command-line tool builds it: the
// keyword parameters play the host's own list (and win), the position is
// (0, 0, 0), and the dialog is left at its initial state except for the
// cleared stage switches.
#include <pybind11/pybind11.h>

#include "core/param_list.h"
#include "core/run_settings.h"

namespace kestrano::python {

// Values may be int or str; anything else raises TypeError naming the parameter.
ParamList hostParameters(const pybind11::kwargs& params);

ParamList runParameters(const ParamList& host, const DialogValues& dialog);

}  // namespace kestrano::python
