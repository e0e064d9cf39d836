#!/usr/bin/env bash
# Installs what is missing, builds, and starts Bruker oppsett on its default settings location.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake --preset default -S "$root" >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Start the tool inside a desktop session, or on a virtual display with:"
  echo "  xvfb-run -a $root/build/default/app/bruker-oppsett"
  exit 1
fi
exec "$root/build/default/app/bruker-oppsett" "$@"
