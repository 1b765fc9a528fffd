#!/bin/bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs one.
# Usage: scripts/fuzz.sh <name> [seconds]   (e.g. inflate 60; names: engine/core/fuzz/<name>_fuzz.cpp,
#        and stub_inflate for the self-extractor stub's decoder, sfxstub/inflate/stub_inflate_fuzz.cpp)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
name=${1:?usage: scripts/fuzz.sh <name> [seconds]}
seconds=${2:-60}
bash "$root/scripts/setup.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPELLORO_FUZZ=ON -DPELLORO_SANITIZE=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build/fuzz" -j "$(nproc)" --target "${name}_fuzz" >/dev/null
mkdir -p "$root/build/fuzz/corpus-$name"
program="$root/build/fuzz/engine/core/${name}_fuzz"
[ -x "$program" ] || program="$root/build/fuzz/sfxstub/inflate/${name}_fuzz"
"$program" -max_total_time="$seconds" "$root/build/fuzz/corpus-$name"
