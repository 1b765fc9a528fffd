#!/bin/bash
# Installs what is missing, builds the trees and runs every test: the native core tests under
# ASan/UBSan, then the Windows tests under Wine inside a virtual display, against the 64-bit test
# build (build/windows) and, where 32-bit Wine starts, against the i686 test build as well
# (build/windows32, the architecture of the shipped programs, in a 32-bit prefix of its own).
# Usage: scripts/test.sh [-L label]   (labels: native, wine, gui, core, ...)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
label=()
if [ "${1:-}" = -L ]; then label=(-L "$2"); fi

bash scripts/setup.sh
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
wine32=no
if pelloro_wine32_works; then wine32=yes; fi

bash scripts/build.sh all
[ $wine32 = yes ] && bash scripts/build.sh windows32

status=0
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$(nproc)" "${label[@]}" || status=1

# run_windows_tests <bits> <tree>: the tree's Windows tests in its own prefix and virtual display.
run_windows_tests() {
  bash scripts/test-windows.sh "$1" "$2" "${label[@]}"
}

echo "== Windows tests under 64-bit Wine (64-bit build, build/windows)"
run_windows_tests 64 build/windows || status=1
if [ $wine32 = yes ]; then
  echo "== Windows tests under 32-bit Wine (i686 build, build/windows32, WINEARCH=win32 prefix)"
  run_windows_tests 32 build/windows32 || status=1
else
  echo "== Only the 64-bit build was tested: 32-bit Wine does not start here ($PELLORO_WINE32_PROBLEM)"
fi

exit $status
