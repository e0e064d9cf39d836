#!/usr/bin/env bash
# Runs the Windows tests under Wine in a prefix of their own.
#   wine.sh prefix PREFIX          make a fresh prefix (whatever was there is removed)
#   wine.sh run PREFIX PROGRAM...  run a Windows program in it; its exit code is ours
#   wine.sh stop PREFIX            end the prefix's Wine processes
# No display and no add-on installers: Wine starts without any window, quietly.
set -uo pipefail
command="$1"; prefix="$2"; shift 2

wine="${BO_WINE:-}"
if [ -z "$wine" ]; then
  for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine="$candidate"; break; fi
  done
fi
[ -n "$wine" ] || { echo "wine64 is missing: install it with scripts/install-deps.sh" >&2; exit 1; }
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
# The C locale with UTF-8 file names (always there): Wine takes it as English (United States), ANSI
# code page 1252, whatever the machine's own locale is.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINELOADER="$wine"

# One server for the whole test run (ended by "stop", else ten idle minutes after the last program):
# a server that ends between two tests can refuse the next one while it is going down.
start_server() {
  "$wineserver" -p600 </dev/null >/dev/null 2>&1 || true
}

case "$command" in
  prefix)
    "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    log="$(dirname "$prefix")/wineboot.log"
    # Wine's own background processes keep the output open: give them a file, not our pipe.
    "$wine" wineboot --init </dev/null >"$log" 2>&1
    rc=$?
    "$wineserver" -w
    if [ $rc -ne 0 ] || [ ! -f "$prefix/system.reg" ]; then
      echo "making the Wine prefix failed ($rc):" >&2; cat "$log" >&2; exit 1
    fi
    start_server
    echo "Wine prefix ready: $prefix"
    ;;
  run)
    [ -f "$prefix/system.reg" ] || { echo "no Wine prefix at $prefix" >&2; exit 1; }
    start_server
    log="$(mktemp)"
    for attempt in 1 2 3; do
      "$wine" "$@" </dev/null >"$log" 2>&1
      rc=$?
      # The program never started when its connection to the server broke: try again.
      [ $rc -ne 0 ] && grep -q '^wine client error' "$log" || break
      sleep 1
    done
    cat "$log"; rm -f "$log"
    exit $rc
    ;;
  stop)
    "$wineserver" -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "unknown command $command" >&2; exit 2
    ;;
esac
