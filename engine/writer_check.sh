#!/bin/bash
# Checks every archive the archive-writer tests wrote (the folder given as $1) with the peers:
# unzip -t, 7z t and python's zipfile testzip(). Archives without entries are checked by python
# alone (unzip and 7z refuse them). A file NAME.zip.names beside an archive lists the entry names
# python must read from it, one per line, in archive order.
set -uo pipefail
folder="${1:?folder of the written archives}"
shopt -s nullglob
archives=("$folder"/*.zip)
if [ ${#archives[@]} -eq 0 ]; then
  echo "no archives in $folder: run the engine tests first" >&2
  exit 1
fi
failed=0
for archive in "${archives[@]}"; do
  entries=$(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' \
            "$archive" 2>/dev/null || echo -1)
  if [ "$entries" = "-1" ]; then
    echo "FAIL python cannot open: $archive"; failed=1; continue
  fi
  ok=1
  python3 - "$archive" <<'PY' || ok=0
import os, sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path) as z:
    try:
        bad = z.testzip()
    except Exception as error:
        print("FAIL python testzip %s: %s" % (path, error)); sys.exit(1)
    if bad is not None:
        print("FAIL python testzip %s: %s" % (path, bad)); sys.exit(1)
    expected = path + ".names"
    if os.path.exists(expected):
        want = [line.rstrip("\n") for line in open(expected, encoding="latin-1") if line.strip()]
        got = z.namelist()
        if got != want:
            print("FAIL python names %s: %r != %r" % (path, got, want)); sys.exit(1)
PY
  if [ "$entries" -gt 0 ]; then
    if ! timeout 120 unzip -tqq "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL unzip -t: $archive"; ok=0
    fi
    if ! timeout 120 7z t -bd "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL 7z t: $archive"; ok=0
    fi
  fi
  if [ $ok -eq 1 ]; then
    echo "ok $(basename "$archive") ($entries entries)"
  else
    failed=1
  fi
done
exit $failed
