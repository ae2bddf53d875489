"""The Python module of the B-Rep background library."""

import importlib
import subprocess
import sys

import pytest

import orvane_background_py_brep as brep

MODULE_NAME = "orvane_background_py_brep"


def test_import_sets_the_documentation():
    assert brep.__doc__ == "Orvane-Background Python binding for brep"


def test_initialize_returns_none_and_can_be_repeated():
    assert brep.OrvaneBackgroundBRepLibrary.initialize() is None
    assert brep.OrvaneBackgroundBRepLibrary.initialize() is None


def test_initialize_signature_text():
    doc = brep.OrvaneBackgroundBRepLibrary.initialize.__doc__
    assert doc.splitlines()[0] == "initialize() -> None"


def test_initialize_takes_no_arguments():
    with pytest.raises(TypeError):
        brep.OrvaneBackgroundBRepLibrary.initialize(1)


def test_class_cannot_be_constructed():
    with pytest.raises(TypeError):
        brep.OrvaneBackgroundBRepLibrary()


def test_module_uses_multi_phase_initialisation():
    # A multi-phase module is created from its ModuleSpec: it keeps that name
    # and the loader that made it.
    assert brep.__name__ == MODULE_NAME
    assert brep.__spec__.name == MODULE_NAME
    assert type(brep.__loader__).__name__ == "ExtensionFileLoader"


def test_reimport_after_removal_gives_a_working_module():
    saved = sys.modules.pop(MODULE_NAME)
    try:
        again = importlib.import_module(MODULE_NAME)
        assert again is not saved
        assert again.__doc__ == "Orvane-Background Python binding for brep"
        assert again.OrvaneBackgroundBRepLibrary is saved.OrvaneBackgroundBRepLibrary
        assert again.OrvaneBackgroundBRepLibrary.initialize() is None
    finally:
        sys.modules[MODULE_NAME] = saved


SUBINTERPRETER_IMPORT = """
import _xxsubinterpreters as interpreters
interpreter = interpreters.create()
try:
    interpreters.run_string(interpreter, "import orvane_background_py_brep")
except Exception as error:
    print("refused:", error)
else:
    print("imported")
"""


def test_subinterpreter_import_is_refused_without_hanging():
    # Run in a child process: a module that let pybind11 start in a second interpreter
    # would hang it, and a timeout is the only way to see that.
    pytest.importorskip("_xxsubinterpreters")
    result = subprocess.run(
        [sys.executable, "-c", SUBINTERPRETER_IMPORT],
        capture_output=True,
        text=True,
        timeout=60,
        check=True,
    )
    assert "refused:" in result.stdout
    assert "does not support loading in subinterpreters" in result.stdout


def test_module_is_built_for_this_interpreter():
    # The import check compares the interpreter against the version the module was
    # compiled for; the module file's tag names the same version.
    tag = "cpython-%d%d" % sys.version_info[:2]
    assert tag in brep.__file__
