#!/bin/bash
# Builds the native benchmarks (optimised, no sanitizers) and runs each on the benchmark corpus,
# side by side with the system zlib and libdeflate; then builds the Windows tree and times the
# engine's ZipFiles under Wine beside zip -1 and zip -6 on a 100 MB tree (the corpus 34 times),
# mode 0 also on the writer's thread alone, which must write the same archive.
# Usage: scripts/bench.sh [name ...]   (e.g. crc32 inflate deflate zipfiles; default: all)
# Environment: BENCH_RUNS   runs of every zip and ZipFiles timing (default 1; the table shows
#                           the median)
#              BENCH_WINDOWS_BUILD   the Windows tree to build and use (default build/bench-windows)
#              PELLORO_WINEPREFIX    the Wine prefix (default: inside that tree)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
corpus="$root/../shared/bench-corpus"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$root"/engine/core/bench/*_bench.cpp; do n=$(basename "$f" _bench.cpp); names+=("$n"); done
  names+=(zipfiles)
fi
native=()
zipfiles=0
for n in "${names[@]}"; do
  if [ "$n" = zipfiles ]; then zipfiles=1; else native+=("$n"); fi
done

if [ ${#native[@]} -gt 0 ]; then
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DPELLORO_SANITIZE=OFF \
        -DPELLORO_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$root/build/bench" -j "$(nproc)" >/dev/null
  for n in "${native[@]}"; do
    echo "== $n"
    "$root/build/bench/engine/core/${n}_bench" "$corpus"
  done
fi
[ "$zipfiles" -eq 1 ] || exit 0

# ---- ZipFiles under Wine against zip ------------------------------------------------------------
echo "== zipfiles"
runs=${BENCH_RUNS:-1}
wbuild=${BENCH_WINDOWS_BUILD:-$root/build/bench-windows}
cmake -S "$root" -B "$wbuild" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$wbuild" -j "$(nproc)" --target zipfiles_bench >/dev/null

# The tree: every corpus file in 34 copies (about 100 MB), made once.
copies=34
work="$wbuild/zipfiles-bench"
stamp="$work/tree.stamp"
want="$copies copies of $(find "$corpus" -type f -printf '%P %s %T@\n' | sort | md5sum)"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$want" ]; then
  rm -rf "$work/tree" "$stamp"
  mkdir -p "$work/tree"
  for i in $(seq -w 1 "$copies"); do cp -r "$corpus" "$work/tree/copy$i"; done
  echo "$want" > "$stamp"
fi
tree_bytes=$(find "$work/tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
tree_files=$(find "$work/tree" -type f | wc -l)
echo "tree: $tree_files files, $tree_bytes bytes"

results="$work/results.txt"
: > "$results"
now() { date +%s.%N; }
for level in 1 6; do
  for ((r = 1; r <= runs; r++)); do
    rm -f "$work/zip$level.zip"
    start=$(now)
    (cd "$work" && zip -r -q "-$level" "zip$level.zip" tree)
    end=$(now)
    awk -v a="$start" -v b="$end" -v n="$(stat -c %s "$work/zip$level.zip")" -v l="$level" \
        'BEGIN { printf "zip -%s %.3f %s\n", l, b - a, n }' >> "$results"
  done
done

export PELLORO_WINEPREFIX=${PELLORO_WINEPREFIX:-$wbuild/wineprefix}
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
ensure_wineprefix
"$PELLORO_WINESERVER" -p
"$PELLORO_WINE" wineboot </dev/null >/dev/null 2>&1 || true
winfolder="Z:${work//\//\\}"
rc=0
"$PELLORO_WINE" "$wbuild/engine/bench/zipfiles_bench.exe" "$winfolder" "$runs" --one-thread \
    >"$work/wine-out.txt" 2>"$work/wine-err.txt" </dev/null || rc=$?
"$PELLORO_WINESERVER" -k || true
if [ "$rc" -ne 0 ]; then
  echo "zipfiles_bench failed ($rc):"
  cat "$work/wine-out.txt" "$work/wine-err.txt"
  exit 1
fi
awk '$1 == "mode" { print "mode " $2, $6, $8 }' "$work/wine-out.txt" >> "$results"

# One table of medians, relative to zip -6.
awk -v runs="$runs" '
  function median(list, n,   a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  { key = $1 " " $2; if (!(key in secs)) order[++count] = key; secs[key] = secs[key] " " $3; bytes[key] = $4 }
  END {
    base = median(secs["zip -6"]); baseBytes = bytes["zip -6"]
    printf "%-18s %9s %12s %9s %9s   (median of %d)\n", "", "seconds", "bytes", "time/-6", "size/-6", runs
    for (i = 1; i <= count; i++) {
      k = order[i]; s = median(secs[k])
      printf "%-18s %9.3f %12d %9.3f %9.4f\n", k, s, bytes[k], s / base, bytes[k] / baseBytes
      if (k == "mode 0") { t0 = s / base; b0 = bytes[k] / baseBytes }
    }
    printf "goal mode 0: time %.3f <= 0.5 x zip -6 %s, size %.4f <= 1.025 x zip -6 %s\n",
           t0, t0 <= 0.5 ? "met" : "MISSED", b0, b0 <= 1.025 ? "met" : "MISSED"
  }' "$results"

for m in 0 1 2 3; do
  if ! unzip -tq "$work/MODE$m.ZIP" >/dev/null; then
    echo "unzip -tq: MODE$m.ZIP FAILED"
    exit 1
  fi
done
echo "unzip -tq: the archives of modes 0-3 test OK"
# Compressing ahead on worker threads must not change a byte.
if ! cmp -s "$work/MODE0.ZIP" "$work/MODE0T.ZIP"; then
  echo "MODE0.ZIP and MODE0T.ZIP (one thread) DIFFER"
  exit 1
fi
echo "mode 0 on one thread wrote the same archive"
