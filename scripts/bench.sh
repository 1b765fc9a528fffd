#!/bin/bash
# Builds the native benchmarks (optimised, no sanitizers) and runs each on the benchmark corpus,
# side by side with the system zlib and libdeflate.
# Usage: scripts/bench.sh [name ...]   (e.g. crc32 inflate deflate; default: all)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DPELLORO_SANITIZE=OFF \
      -DPELLORO_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$root/build/bench" -j "$(nproc)" >/dev/null
corpus="$root/../shared/bench-corpus"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$root"/engine/core/bench/*_bench.cpp; do n=$(basename "$f" _bench.cpp); names+=("$n"); done
fi
for n in "${names[@]}"; do
  echo "== $n"
  "$root/build/bench/engine/core/${n}_bench" "$corpus"
done
