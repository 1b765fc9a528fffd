#!/bin/bash
# Installs what is missing, builds both trees and runs every test: the native core tests under
# ASan/UBSan, then the Windows tests under Wine inside one virtual display.
# Usage: scripts/test.sh [-L label]   (labels: native, wine, gui, core, ...)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
label=()
if [ "${1:-}" = -L ]; then label=(-L "$2"); fi

bash scripts/setup.sh
bash scripts/build.sh all

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$(nproc)" "${label[@]}" || status=1

echo "== Windows tests under Wine"
source scripts/wine-env.sh
ensure_wineprefix
# The persistent wineserver must start inside the same virtual display as the tests: a server
# started without one gives every later program of the prefix no windows.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$PELLORO_WINESERVER" -p
  # Start Wine'"'"'s own services now, detached from ctest'"'"'s output pipes: started by the first test
  # program they would hold those pipes open and ctest would wait for them forever.
  "$PELLORO_WINE" wineboot </dev/null >/dev/null 2>&1
  ctest --test-dir build/windows --output-on-failure -j 4 '"${label[*]}"'
  rc=$?
  "$PELLORO_WINESERVER" -k
  exit $rc' || status=1

exit $status
