#!/usr/bin/env bash
# Sets up, builds and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer + UBSan build, no Python)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/setup.sh"

if [[ "${1:-}" == "--sanitize" ]]; then
  build="$ROOT/build/sanitize"
  # -g1 keeps line numbers in sanitizer reports at a fraction of the build time.
  flags=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DORVANE_SANITIZE=ON
         -DORVANE_BUILD_PYTHON=OFF -DORVANE_BUILD_APPS=OFF)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  build="$ROOT/build/test"
  # No debug information: it doubles compile and link time on two cores.
  flags=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" "${PYTHON_FLAGS[@]}")
fi

cmake -S "$ROOT" -B "$build" -DORVANE_BUILD_TESTS=ON -DORVANE_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$build" -j "$JOBS"
cd "$build"
ctest --output-on-failure -j "$JOBS" --timeout 900
