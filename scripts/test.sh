#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
rm -rf "$root/build/test"
cmake --preset test -S "$root" >/dev/null
cmake --build --preset test
ctest --preset test
