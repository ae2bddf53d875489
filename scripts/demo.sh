#!/usr/bin/env bash
# Sets up, builds and runs the demonstration on its embedded data.
# Usage: scripts/demo.sh [picture.svg]   (default: build/release/orvane_demo.svg)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/setup.sh"
build="$ROOT/build/release"
cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
      -DORVANE_BUILD_PYTHON=OFF >/dev/null
cmake --build "$build" -j "$JOBS" --target orvane_demo
if [[ $# -eq 0 ]]; then
  set -- "$build/orvane_demo.svg"
fi
"$build/bin/orvane_demo" "$@"
