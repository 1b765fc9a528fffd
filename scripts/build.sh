#!/bin/bash
# Configures and builds the trees below build/:
#   native   the portable core with its tests under ASan/UBSan
#   windows    every program and the Windows test programs, 64-bit, run under 64-bit Wine
#   windows32  the same, i686 like the shipped programs, run under 32-bit Wine where it starts
#   dist       the deliverables as shipped: 32-bit Windows (i686), no tests
# Usage: scripts/build.sh [native|windows|windows32|dist|all]   (all: native, windows and dist;
# scripts/test.sh builds windows32 as well where 32-bit Wine starts)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
what=${1:-all}
jobs=$(nproc)

want() { [ "$what" = all ] || [ "$what" = "$1" ]; }

if want native; then
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug -DPELLORO_SANITIZE=ON >/dev/null
  cmake --build "$root/build/native" -j "$jobs"
fi
if want windows; then
  cmake -S "$root" -B "$root/build/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
  cmake --build "$root/build/windows" -j "$jobs"
fi
if [ "$what" = windows32 ]; then
  cmake -S "$root" -B "$root/build/windows32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$root/build/windows32" -j "$jobs"
fi
if want dist; then
  cmake -S "$root" -B "$root/build/dist" -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$root/build/dist" -j "$jobs"
fi
