#!/bin/bash
# Checks every archive the archive-writer tests wrote (the folder given as $1) with the peers:
# unzip -t, 7z t and python's zipfile testzip(). Archives without entries are checked by python
# alone (unzip and 7z refuse them). A file NAME.zip.names beside an archive lists the entry names
# python must read from it, one per line, in archive order. A file NAME.zip.password holds the
# password (without a line end) each peer tests the archive with; each must also refuse the
# archive with a wrong password.
set -uo pipefail
folder="${1:?folder of the written archives}"
shopt -s nullglob
# Self-extractors (*.exe: a program in front of the archive) are checked the same way, and unzip
# must find their offsets exact (no "extra bytes" warning).
archives=("$folder"/*.zip "$folder"/*.exe)
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
  password=""
  [ -f "$archive.password" ] && password=$(cat "$archive.password")
  wrong="wrong-$password"
  python3 - "$archive" "$password" <<'PY' || ok=0
import os, sys, zipfile
path, password = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path) as z:
    if password:
        z.setpassword(password.encode("latin-1"))
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
  if [ "$entries" -gt 0 ] && [ -n "$password" ]; then
    if ! timeout 120 unzip -tqq -P "$password" "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL unzip -t -P: $archive"; ok=0
    fi
    if ! timeout 120 7z t -bd -p"$password" "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL 7z t -p: $archive"; ok=0
    fi
    # A wrong password: every peer must refuse the archive.
    if timeout 120 unzip -tqq -P "$wrong" "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL unzip -t accepts a wrong password: $archive"; ok=0
    fi
    if timeout 120 7z t -bd -p"$wrong" "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL 7z t accepts a wrong password: $archive"; ok=0
    fi
    python3 - "$archive" "$wrong" <<'PY' || ok=0
import sys, zipfile
path, wrong = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path) as z:
    z.setpassword(wrong.encode("latin-1"))
    try:
        bad = z.testzip()
    except Exception:
        bad = "refused"
    if bad is None:
        print("FAIL python testzip accepts a wrong password: %s" % path); sys.exit(1)
PY
  elif [ "$entries" -gt 0 ]; then
    if ! timeout 120 unzip -tqq "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL unzip -t: $archive"; ok=0
    fi
    if ! timeout 120 7z t -bd "$archive" </dev/null >/dev/null 2>&1; then
      echo "FAIL 7z t: $archive"; ok=0
    fi
  fi
  if [ "${archive##*.}" = exe ] && [ "$entries" -gt 0 ]; then
    warnings=$(timeout 120 unzip -t ${password:+-P "$password"} "$archive" </dev/null 2>&1)
    if [ $? -ne 0 ] || printf '%s' "$warnings" | grep -q "extra bytes"; then
      echo "FAIL unzip -t of a self-extractor (exit code or extra bytes): $archive"; ok=0
    fi
  fi
  if [ $ok -eq 1 ]; then
    echo "ok $(basename "$archive") ($entries entries${password:+, with its password})"
  else
    failed=1
  fi
done
exit $failed
