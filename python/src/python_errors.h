#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "engine/job_result.h"

namespace orvelle::python {

// The orvelle.Error of a failed job: the subclass its kind calls for, with
// the job's text (which names the file or the plug-in), its kind's name and
// its detail as attributes.
pybind11::object jobErrorObject(const engine::JobError& error);

// Raises jobErrorObject(error).
[[noreturn]] void raiseJobError(const engine::JobError& error);

// Raises orvelle.InputError for an argument that no job could take.
[[noreturn]] void raiseInputError(const std::string& text);

}  // namespace orvelle::python
