# Sourced by the scripts: the repository root, the job count and the CMake flags.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
# Debian's interpreter: pybind11 and pytest come from Debian's packages.
PYTHON_FLAGS=(-DPython3_EXECUTABLE=/usr/bin/python3)
