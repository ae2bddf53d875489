#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian machine; quick when all is there.
# Usage: scripts/setup.sh [--bench]   (--bench adds the peer libraries of the benchmarks)
set -euo pipefail

packages=(cmake make g++ libabsl-dev libgtest-dev libgmock-dev libbenchmark-dev
          pybind11-dev python3-dev python3-pytest)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(libcgal-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
