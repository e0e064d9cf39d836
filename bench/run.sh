#!/usr/bin/env bash
# Builds the benchmarks and prints figures side by side with their anchors, all measured in this run.
# Usage: bash bench/run.sh [--quick]     (files are made in a temporary folder on tmpfs and on disk)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" >/dev/null
exec /usr/bin/python3 "$root/bench/run.py" "$build" "$@"
