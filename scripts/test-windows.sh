#!/bin/bash
# Runs one Windows tree's tests under Wine in the tree's private prefix, inside a virtual display.
# Usage: scripts/test-windows.sh 64|32 <tree> [ctest arguments...]
#   e.g. scripts/test-windows.sh 64 build/windows -R control_tests
# The tree must be built (scripts/build.sh windows, or windows32 for 32).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
export PELLORO_WINE_BITS=$1
tree=$2
shift 2
unset PELLORO_WINEPREFIX
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
ensure_wineprefix || exit 1
# The persistent wineserver must start inside the same virtual display as the tests: a server
# started without one gives every later program of the prefix no windows.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$PELLORO_WINESERVER" -p
  # Start Wine'"'"'s own services now, detached from ctest'"'"'s output pipes: started by the first
  # test program they would hold those pipes open and ctest would wait for them forever.
  "$PELLORO_WINE" wineboot </dev/null >/dev/null 2>&1
  # Wine closes the desktop (and its explorer.exe) a moment after the last program of the prefix
  # ends, and opens it again for the next: a test program started while that happens sees a
  # screen of 0 x 0 pixels, and its windows are never painted. A console program waiting on its
  # input for the whole run keeps one desktop open from the first test to the last.
  coproc KEEPER { exec "$PELLORO_WINE" cmd.exe /q /k >/dev/null 2>&1; }
  ctest --test-dir "$0" --output-on-failure -j 4 "$@"
  rc=$?
  # (Ended early, as when the server was stopped from outside, it has no input left to close.)
  [ -n "${KEEPER[1]:-}" ] && exec {KEEPER[1]}>&-
  "$PELLORO_WINESERVER" -k
  exit $rc' "$tree" "$@"
