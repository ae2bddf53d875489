// The Python module orvane_background_py_brep: one class, OrvaneBackgroundBRepLibrary,
// with one static method, initialize().
//
// The module uses multi-phase initialisation, written here by hand because the
// installed pybind11 only makes single-phase modules: PyInit_... checks the interpreter
// version and returns the module definition; the interpreter then calls the create
// slot and the execution slot, which does the pybind11 bindings.

#include <pybind11/pybind11.h>

#include <exception>
#include <string>

#include <orvane/macro/brep/brep_library.hpp>

#include "python_version_check.hpp"

namespace py = pybind11;

namespace {

constexpr const char* MODULE_DOC = "Orvane-Background Python binding for brep";

#define ORVANE_PY_STRINGIFY_VALUE(x) #x
#define ORVANE_PY_STRINGIFY(x) ORVANE_PY_STRINGIFY_VALUE(x)
// The "major.minor" version this module is built for, e.g. "3.11".
constexpr const char* COMPILED_PYTHON_VERSION =
    ORVANE_PY_STRINGIFY(PY_MAJOR_VERSION) "." ORVANE_PY_STRINGIFY(PY_MINOR_VERSION);

PyObject* create_module(PyObject* module_spec, PyModuleDef* /*definition*/) {
    PyObject* name = PyObject_GetAttrString(module_spec, "name");
    if (name == nullptr) {
        return nullptr;
    }
    PyObject* module = PyModule_NewObject(name);
    Py_DECREF(name);
    return module;
}

void bind_module(py::module_& module) {
    module.doc() = MODULE_DOC;
    // pybind11 keeps one Python type per C++ type and process. When the module is
    // executed again (imported anew after removal from sys.modules), the class made the
    // first time is reused instead of failing on a second registration.
    if (const py::handle existing = py::detail::get_type_handle(
            typeid(orvane::OrvaneBackgroundBRepLibrary), false)) {
        module.attr("OrvaneBackgroundBRepLibrary") = existing;
        return;
    }
    // No constructor is bound: the library object belongs to the kernel's registry.
    py::class_<orvane::OrvaneBackgroundBRepLibrary>(module, "OrvaneBackgroundBRepLibrary")
        .def_static("initialize",
                    [] { orvane::OrvaneBackgroundBRepLibrary::initialize(); });
}

// A failure while binding must reach Python as an ImportError, never as an exception
// crossing into the interpreter.
int exec_module(PyObject* module_object) {
    // pybind11 keeps its state per process and deadlocks when used from a second
    // interpreter. Interpreters that know the sub-interpreter slot refuse the import
    // themselves; older ones (3.11) would execute the module, so refuse it here.
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError,
                        "module orvane_background_py_brep does not support loading in "
                        "subinterpreters");
        return -1;
    }
    try {
        py::detail::get_internals();
        auto module = py::reinterpret_borrow<py::module_>(module_object);
        bind_module(module);
        return 0;
    } catch (py::error_already_set& error) {
        py::raise_from(error, PyExc_ImportError, "initialization failed");
    } catch (const std::exception& error) {
        PyErr_SetString(PyExc_ImportError, error.what());
    } catch (...) {
        PyErr_SetString(PyExc_ImportError,
                        "initialization failed: unknown native exception");
    }
    return -1;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(&create_module)},
    {Py_mod_exec, reinterpret_cast<void*>(&exec_module)},
#ifdef Py_mod_multiple_interpreters
    // See exec_module: one interpreter per process only.
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
    {0, nullptr},
};

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    "orvane_background_py_brep",
    nullptr,  // the documentation is set by the execution slot
    0,        // no per-module state
    nullptr,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_orvane_background_py_brep() {
    const char* runtime = Py_GetVersion();
    if (!orvane::internal::is_compatible_python_version(COMPILED_PYTHON_VERSION,
                                                        runtime)) {
        // Nothing may throw across this C entry point, not even a failed allocation.
        try {
            PyErr_SetString(PyExc_ImportError,
                            orvane::internal::python_version_mismatch_message(
                                COMPILED_PYTHON_VERSION, runtime)
                                .c_str());
        } catch (...) {
            PyErr_NoMemory();
        }
        return nullptr;
    }
    return PyModuleDef_Init(&module_definition);
}
