#!/usr/bin/env bash
# Builds and runs the benchmarks: bench/run.sh [NAME ...]  (NAME: bench_NAME.cpp)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
bash "$ROOT/scripts/setup.sh" --bench
build="$ROOT/build/bench"
cmake -S "$ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_BENCHMARKS=ON \
      -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_PYTHON=OFF -DORVANE_BUILD_APPS=OFF >/dev/null
names=("$@")
if [[ ${#names[@]} -eq 0 ]]; then
  for f in "$ROOT"/bench/bench_*.cpp; do n=$(basename "$f" .cpp); names+=("${n#bench_}"); done
fi
targets=(); for n in "${names[@]}"; do targets+=("bench_${n#bench_}"); done
cmake --build "$build" -j "$JOBS" --target "${targets[@]}"
for t in "${targets[@]}"; do
  echo "== $t"
  "$build/bin/$t"
done
