#!/bin/bash
# Builds the native benchmarks (optimised, no sanitizers) and runs each on the benchmark corpus,
# side by side with the system zlib and libdeflate; then builds the Windows tree and times the
# engine's ZipFiles under Wine beside zip -1 and zip -6 on a 100 MB tree (the corpus 34 times),
# mode 0 also on the writer's thread alone, which must write the same archive; the same again on
# the shipped i686 build where this machine runs 32-bit Wine. "unzipfiles" times the engine's
# UnzipFiles of that tree (stored and zip -6) beside the native unzip and a copy floor of ours
# (the same files copied with plain Win32 calls under the same Wine), on the i686 build where
# 32-bit Wine runs, else on the 64-bit one, with a whole cscript run of a VBScript extracting the
# deflated tree. "pelloro" times opening and listing archives of 2, 2,000 and 20,000 entries in
# Pelloro's main window, in a bare list view by the control and as Pelloro.exe /open, in a virtual
# display. Every Wine prefix made here is made as the test prefixes are (unmanaged windows).
# Usage: scripts/bench.sh [name ...]   (e.g. crc32 inflate deflate zipfiles unzipfiles pelloro;
#        default: all)
# Environment: BENCH_RUNS   runs of every timing under Wine and of the peers (default 1; the
#                           tables show the median)
#              BENCH_WINDOWS_BUILD   the 64-bit Windows tree to build and use (default
#                                    build/bench-windows)
#              BENCH_I686_BUILD      the i686 tree (default build/bench-i686), with its own
#                                    WINEARCH=win32 prefix inside it
#              PELLORO_WINEPREFIX    the 64-bit Wine prefix (default: inside its tree)
#              BENCH_UNZIP_PARTS     1: unzipfiles also times the pieces of extraction alone
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
corpus="$root/../shared/bench-corpus"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$root"/engine/core/bench/*_bench.cpp; do n=$(basename "$f" _bench.cpp); names+=("$n"); done
  names+=(zipfiles unzipfiles pelloro)
fi
native=()
zipfiles=0
unzipfiles=0
pelloro=0
for n in "${names[@]}"; do
  case "$n" in
    zipfiles) zipfiles=1 ;;
    unzipfiles) unzipfiles=1 ;;
    pelloro) pelloro=1 ;;
    *) native+=("$n") ;;
  esac
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
[ "$zipfiles" -eq 1 ] || [ "$unzipfiles" -eq 1 ] || [ "$pelloro" -eq 1 ] || exit 0

# ---- the Windows builds and their Wine environments -------------------------------------------
runs=${BENCH_RUNS:-1}
wbuild=${BENCH_WINDOWS_BUILD:-$root/build/bench-windows}
ibuild=${BENCH_I686_BUILD:-$root/build/bench-i686}
now() { date +%s.%N; }
# 32-bit Wine starts only where the kernel runs 32-bit Linux programs.
i686=0
if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then i686=1; fi

build_windows() {  # tree toolchain target...
  local tree=$1 toolchain=$2
  shift 2
  cmake -S "$root" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" >/dev/null
  cmake --build "$tree" -j 3 --target "$@" >/dev/null
}

# The environment of a build's private Wine prefix ("x86_64" or "i686"), made when missing with
# the test prefixes' settings (unmanaged windows, the test drives): exports WINEPREFIX and the
# rest, and wine and server, the loader and server of that bitness.
wine_env() {  # arch
  if [ "$1" = i686 ]; then
    export PELLORO_WINE_BITS=32 PELLORO_WINEPREFIX="$ibuild/wineprefix"
  else
    export PELLORO_WINE_BITS=64 PELLORO_WINEPREFIX=${PELLORO_WINEPREFIX:-$wbuild/wineprefix}
  fi
  # shellcheck source=wine-env.sh
  source "$root/scripts/wine-env.sh"
  ensure_wineprefix
  export wine=$PELLORO_WINE server=$PELLORO_WINESERVER
}

# Runs a command (wine_run and a program, or an exported shell function, with wine and server set)
# in the prefix of a build with its own persistent server, inside a virtual display when display is
# 1 (xvfb-run's sh passes no exported shell function on: there the command is wine_run and a
# program); the command's output goes to out, its errors to err. Fails with both shown.
run_in_wine() {  # arch display out err command args...
  local arch=$1 display=$2
  export out=$3 err=$4
  shift 4
  local label=$1 rc=0
  [ "$label" = wine_run ] && label=$2
  (
    wine_env "$arch"
    session='wine_run() { "$wine" "$@"; }
      "$server" -p
      "$wine" wineboot </dev/null >/dev/null 2>&1 || true
      code=0
      "$@" >"$out" 2>"$err" </dev/null || code=$?
      "$server" -k || true
      exit "$code"'
    if [ "$display" = 1 ]; then
      xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$session" session "$@"
    else
      bash -c "$session" session "$@"
    fi
  ) || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "$(basename "$label") ($arch) failed ($rc):"
    cat "$out" "$err"
    exit 1
  fi
}
# A benchmark program under the Wine of a build, without a display.
run_under_wine() {  # arch out err program args...
  local arch=$1 o=$2 e=$3
  shift 3
  run_in_wine "$arch" 0 "$o" "$e" wine_run "$@"
}

# The tree: every corpus file in 34 copies (about 100 MB), made once.
copies=34
shared="$root/build/bench-tree"
stamp="$shared/tree.stamp"
want="$copies copies of $(find "$corpus" -type f -printf '%P %s %T@\n' | sort | md5sum)"
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$want" ]; then
  rm -rf "$shared/tree" "$shared"/*.zip "$stamp"
  mkdir -p "$shared/tree"
  for i in $(seq -w 1 "$copies"); do cp -r "$corpus" "$shared/tree/copy$i"; done
  echo "$want" > "$stamp"
fi
tree_bytes=$(find "$shared/tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
tree_files=$(find "$shared/tree" -type f | wc -l)
# A work folder of a build: the shared tree linked in, Wine's path to it in winfolder.
work_folder() {  # tree
  local work="$1/bench-work"
  mkdir -p "$work"
  ln -sfn "$shared/tree" "$work/tree"
  echo "$work"
}

median_table='
  function median(list, n,   a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }'

# ---- ZipFiles under Wine against zip ------------------------------------------------------------
if [ "$zipfiles" -eq 1 ]; then
  echo "== zipfiles"
  echo "tree: $tree_files files, $tree_bytes bytes"
  archs=(x86_64)
  [ "$i686" -eq 1 ] && archs+=(i686)
  results="$shared/zipfiles-results.txt"
  : > "$results"
  for level in 1 6; do
    for ((r = 1; r <= runs; r++)); do
      rm -f "$shared/zip$level.zip"
      start=$(now)
      (cd "$shared" && zip -r -q "-$level" "zip$level.zip" tree)
      end=$(now)
      awk -v a="$start" -v b="$end" -v n="$(stat -c %s "$shared/zip$level.zip")" -v l="$level" \
          'BEGIN { printf "zip -%s %.3f %s\n", l, b - a, n }' >> "$results"
    done
  done
  for arch in "${archs[@]}"; do
    if [ "$arch" = i686 ]; then tree=$ibuild; build_windows "$tree" i686 zipfiles_bench
    else tree=$wbuild; build_windows "$tree" x86_64 zipfiles_bench; fi
    work=$(work_folder "$tree")
    winfolder="Z:${work//\//\\}"
    run_under_wine "$arch" "$work/zipfiles-out.txt" "$work/zipfiles-err.txt" \
        "$tree/engine/bench/zipfiles_bench.exe" "$winfolder" "$runs" --one-thread
    awk -v a="$arch" '$1 == "mode" { print "mode " $2 "(" a ")", $6, $8 }' "$work/zipfiles-out.txt" >> "$results"
    for m in 0 1 2 3; do
      if ! unzip -tq "$work/MODE$m.ZIP" >/dev/null; then
        echo "unzip -tq: MODE$m.ZIP ($arch) FAILED"
        exit 1
      fi
    done
    # Compressing ahead on worker threads must not change a byte.
    if ! cmp -s "$work/MODE0.ZIP" "$work/MODE0T.ZIP"; then
      echo "MODE0.ZIP and MODE0T.ZIP (one thread, $arch) DIFFER"
      exit 1
    fi
  done

  # One table of medians, relative to zip -6.
  awk -v runs="$runs" "$median_table"'
    { key = $1 " " $2; if (!(key in secs)) order[++count] = key; secs[key] = secs[key] " " $3; bytes[key] = $4 }
    END {
      base = median(secs["zip -6"]); baseBytes = bytes["zip -6"]
      printf "%-26s %9s %12s %9s %9s   (median of %d)\n", "", "seconds", "bytes", "time/-6", "size/-6", runs
      for (i = 1; i <= count; i++) {
        k = order[i]; s = median(secs[k])
        printf "%-26s %9.3f %12d %9.3f %9.4f\n", k, s, bytes[k], s / base, bytes[k] / baseBytes
        if (k ~ /^mode 0\(/) {
          t0 = s / base; b0 = bytes[k] / baseBytes
          goals = goals sprintf("goal %s: time %.3f <= 0.5 x zip -6 %s, size %.4f <= 1.025 x zip -6 %s\n", k,
                                t0, t0 <= 0.5 ? "met" : "MISSED", b0, b0 <= 1.025 ? "met" : "MISSED")
        }
      }
      printf "%s", goals
    }' "$results"
  echo "unzip -tq: the archives of modes 0-3 test OK (${archs[*]})"
  echo "mode 0 on one thread wrote the same archive (${archs[*]})"
fi

# ---- UnzipFiles under Wine against unzip and the copy floor -------------------------------------
if [ "$unzipfiles" -eq 1 ]; then
  echo "== unzipfiles"
  if [ "$i686" -eq 1 ]; then arch=i686 tree=$ibuild; else arch=x86_64 tree=$wbuild; fi
  build_windows "$tree" "$arch" unzipfiles_bench qx30w32
  work=$(work_folder "$tree")
  winfolder="Z:${work//\//\\}"
  # The archives of the tree, made once per tree (paths "tree/...").
  for pair in STORED:0 DEFLATED:6; do
    name=${pair%%:*} level=${pair#*:}
    if [ ! -f "$shared/$name.ZIP" ] || [ "$stamp" -nt "$shared/$name.ZIP" ]; then
      rm -f "$shared/$name.ZIP"
      (cd "$shared" && zip -r -q "-$level" "$name.ZIP" tree)
    fi
    ln -sfn "$shared/$name.ZIP" "$work/$name.ZIP"
  done
  echo "tree: $tree_files files, $tree_bytes bytes; build: $arch ($tree)"
  results="$work/unzipfiles-results.txt"
  : > "$results"
  # The native unzip, timed around its process (its start-up is a millisecond).
  for name in STORED DEFLATED; do
    for ((r = 1; r <= runs; r++)); do
      rm -rf "$work/native-out"
      start=$(now)
      unzip -q -o "$shared/$name.ZIP" -d "$work/native-out"
      end=$(now)
      awk -v a="$start" -v b="$end" -v n="$name" 'BEGIN { printf "native-unzip %s %.3f\n", tolower(n), b - a }' >> "$results"
    done
  done
  rm -rf "$work/native-out"
  parts=()
  [ "${BENCH_UNZIP_PARTS:-0}" = 1 ] && parts=(--parts)
  # UnzipFiles and the copy floor, each timed inside the one benchmark process.
  run_under_wine "$arch" "$work/unzipfiles-out.txt" "$work/unzipfiles-err.txt" \
      "$tree/engine/bench/unzipfiles_bench.exe" "$winfolder" "$runs" --window --one-thread "${parts[@]}"
  awk -v a="$arch" '$1 == "unzip" { print "UnzipFiles(" a ") " $2, $6 } $1 == "floor" { print "copy-floor(" a ") files", $5 }' \
      "$work/unzipfiles-out.txt" >> "$results"
  # A VBScript extracting the deflated archive through the registered control, timed around the
  # whole cscript run (Wine's start of cscript and the end of its process included), beside a
  # script that only creates the control.
  export work runs
  export dll_path="Z:${tree//\//\\}\\control\\QX30W32.dll"
  export extract_script="Z:${root//\//\\}\\control\\extract_archive.vbs"
  export create_script="Z:${root//\//\\}\\engine\\bench\\create_control.vbs"
  scripted_runs() {
    "$wine" regsvr32 /s "$dll_path" || { echo "regsvr32 $dll_path failed" >&2; return 1; }
    local r start end
    for ((r = 1; r <= runs; r++)); do
      rm -rf "$work/SCRIPT-OUT"
      start=$(date +%s.%N)
      "$wine" cscript //nologo "$extract_script" "$winfolder\\DEFLATED.ZIP" "$winfolder\\SCRIPT-OUT" \
          >"$work/script-extract.txt" 2>&1 </dev/null
      end=$(date +%s.%N)
      grep -q "UnzipFiles=0" "$work/script-extract.txt" || { cat "$work/script-extract.txt" >&2; return 1; }
      awk -v a="$start" -v b="$end" 'BEGIN { printf "script extract %.3f\n", b - a }'
      start=$(date +%s.%N)
      "$wine" cscript //nologo "$create_script" >"$work/script-create.txt" 2>&1 </dev/null
      end=$(date +%s.%N)
      grep -q "created" "$work/script-create.txt" || { cat "$work/script-create.txt" >&2; return 1; }
      awk -v a="$start" -v b="$end" 'BEGIN { printf "script create %.3f\n", b - a }'
    done
    rm -rf "$work/SCRIPT-OUT"
  }
  export winfolder
  export -f scripted_runs
  run_in_wine "$arch" 0 "$work/unzipfiles-script.txt" "$work/unzipfiles-script-err.txt" scripted_runs
  awk -v a="$arch" '$2 == "extract" { print "cscript-run(" a ") deflated", $3 } $2 == "create" { print "cscript-create-only(" a ") control", $3 }' \
      "$work/unzipfiles-script.txt" >> "$results"
  awk -v runs="$runs" "$median_table"'
    { key = $1 " " $2; if (!(key in secs)) order[++count] = key; secs[key] = secs[key] " " $3 }
    END {
      for (k in secs) if (k ~ /^copy-floor/) floorKey = k
      unzip6 = median(secs["native-unzip deflated"]); fl = median(secs[floorKey])
      printf "%-36s %9s %11s %11s   (median of %d)\n", "", "seconds", "x unzip -6", "x floor", runs
      for (i = 1; i <= count; i++) {
        k = order[i]; s = median(secs[k])
        printf "%-36s %9.3f %11.3f %11.3f\n", k, s, s / unzip6, s / fl
        if (k ~ /^UnzipFiles.* deflated$/) d = s / unzip6
        if (k ~ /^UnzipFiles.* stored$/) st = s / fl
      }
      printf "goal: deflated %.3f <= 0.8 x native unzip %s; stored %.3f <= 1.5 x copy floor %s\n",
             d, d <= 0.8 ? "met" : "MISSED", st, st <= 1.5 ? "met" : "MISSED"
    }' "$results"
  if [ ${#parts[@]} -gt 0 ]; then
    echo "the pieces of extraction, each alone over the $tree_files files:"
    awk '$1 == "part" { printf "  %-28s %9.4f\n", $2, $4 }' "$work/unzipfiles-out.txt"
  fi
fi

# ---- Opening and listing an archive in Pelloro ---------------------------------------------------
if [ "$pelloro" -eq 1 ]; then
  echo "== pelloro"
  if [ "$i686" -eq 1 ]; then arch=i686 tree=$ibuild; else arch=x86_64 tree=$wbuild; fi
  build_windows "$tree" "$arch" pelloro_bench
  work="$tree/bench-work"
  lists="$work/lists"
  mkdir -p "$lists"
  # Archives of 2, 2,000 and 20,000 small files, 100 to a folder, of a few kinds, made once.
  for n in 2 2000 20000; do
    [ -f "$lists/LIST$n.ZIP" ] && continue
    python3 - "$lists/LIST$n.ZIP" "$n" <<'PYTHON'
import sys, zipfile
path, count = sys.argv[1], int(sys.argv[2])
kinds = ["txt", "exe", "doc", "bmp", "dll", "ini", "hlp", "wav"]
with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_DEFLATED) as archive:
    for i in range(count):
        archive.writestr("folder%03d/file%05d.%s" % (i // 100, i, kinds[i % len(kinds)]),
                         ("line %d\n" % i) * (1 + i % 40))
PYTHON
    mv "$lists/LIST$n.ZIP.part" "$lists/LIST$n.ZIP"
  done
  winpath() { local p=$1; echo "Z:${p//\//\\}"; }
  results="$work/pelloro-results.txt"
  run_in_wine "$arch" 1 "$work/pelloro-out.txt" "$work/pelloro-err.txt" wine_run \
      "$tree/app/pelloro/bench/pelloro_bench.exe" "$(winpath "$tree/control/QX30W32.dll")" \
      "$(winpath "$tree/app/pelloro/Pelloro.exe")" "$(winpath "$lists")" "$runs"
  awk '$1 == "list" { print $2, $3, $7 }' "$work/pelloro-out.txt" > "$results"
  echo "build: $arch ($tree); main: the main window's open (OpenByTheRoad) until the list is painted;"
  echo "bare: the control's BuildZIPITEMList into a plain list view of the same process; process:"
  echo "Pelloro.exe /open until its idle caption with every entry listed (start-up included)"
  awk -v runs="$runs" "$median_table"'
    { key = $1 " " $2; if (!(key in secs)) order[++count] = key; secs[key] = secs[key] " " $3; way[key] = $1; n[key] = $2 }
    END {
      for (i = 1; i <= count; i++) { k = order[i]; if (n[k] == 2) small[way[k]] = median(secs[k]) }
      printf "%-22s %9s %14s %15s   (median of %d)\n", "", "seconds", "beyond 2 (s)", "per entry (ms)", runs
      for (i = 1; i <= count; i++) {
        k = order[i]; s = median(secs[k]); beyond = s - small[way[k]]
        printf "%-22s %9.3f %14.3f %15.4f\n", k, s, beyond, (n[k] > 2 ? 1000 * beyond / (n[k] - 2) : 0)
        if (n[k] == 20000 && (way[k] == "main" || way[k] == "process")) {
          goals = goals sprintf("goal %s: 20,000 entries %.3f s beyond the 2-entry time <= 1 s %s\n", way[k],
                                beyond, beyond <= 1 ? "met" : "MISSED")
        }
      }
      printf "%s", goals
    }' "$results"
fi
