#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a consumer project
# against it with find_package(Orvane).
set -euo pipefail
build="$1"; source_dir="$2"; work="$3"
rm -rf "$work"; mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$source_dir" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"
