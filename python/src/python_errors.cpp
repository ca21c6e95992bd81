#include "python_errors.h"

namespace py = pybind11;

namespace orvelle::python {

namespace {

struct ErrorClass {
  const char* className;
  const char* kindName;
};

// Callers catch the cause they can act on: a file to fix, a format to
// convert, a plug-in to mend, a signal that holds no speech to judge.
ErrorClass errorClassOf(FailureKind kind) {
  switch (kind) {
    case FailureKind::fileUnreadable: return {"InputError", "fileUnreadable"};
    case FailureKind::tooShort: return {"InputError", "tooShort"};
    case FailureKind::tooLong: return {"InputError", "tooLong"};
    case FailureKind::fileDamaged: return {"FormatError", "fileDamaged"};
    case FailureKind::needsConversion: return {"FormatError", "needsConversion"};
    case FailureKind::notMeasurable: return {"NotMeasurableError", "notMeasurable"};
    case FailureKind::loadFailed: return {"PluginLoadError", "loadFailed"};
    case FailureKind::pluginFailed: return {"PluginError", "pluginFailed"};
    case FailureKind::crashed: return {"PluginCrashError", "crashed"};
    case FailureKind::timedOut: return {"PluginTimeoutError", "timedOut"};
    case FailureKind::stopped: return {"StoppedError", "stopped"};
    case FailureKind::outOfMemory: return {"OutOfMemoryError", "outOfMemory"};
    case FailureKind::writeFailed: return {"WriteError", "writeFailed"};
    case FailureKind::failed: break;
  }
  return {"Error", "failed"};
}

py::object errorClass(const char* name) { return py::module_::import("orvelle._errors").attr(name); }

[[noreturn]] void raise(py::handle cls, const py::object& instance) {
  PyErr_SetObject(cls.ptr(), instance.ptr());
  throw py::error_already_set();
}

}  // namespace

py::object jobErrorObject(const engine::JobError& error) {
  const ErrorClass which = errorClassOf(error.kind);
  return errorClass(which.className)(error.text(), which.kindName, error.detail);
}

void raiseJobError(const engine::JobError& error) {
  const py::object instance = jobErrorObject(error);
  raise(py::type::handle_of(instance), instance);
}

void raiseInputError(const std::string& text) {
  const py::object cls = errorClass("InputError");
  raise(cls, cls(text, "badArgument", text));
}

}  // namespace orvelle::python
