#!/bin/bash
# How the peers take the archives the delete tests emptied ($1: their folder): without a stub,
# unzip -t exits 1 ("zipfile is empty") and 7z t accepts it; behind a stub both refuse it (the
# archive itself is still whole: python's zipfile and the control read it, writer_check.sh).
set -uo pipefail
folder="${1:?folder of the written archives}"
failed=0
check() {  # archive, wanted unzip outcome (empty / refused), wanted 7z outcome (ok / refused)
  local archive="$folder/$1"
  if [ ! -f "$archive" ]; then echo "FAIL missing $archive: run the control tests first"; failed=1; return; fi
  timeout 60 unzip -t "$archive" </dev/null >"$archive.unzip.txt" 2>&1
  local u=$?
  timeout 60 7z t "$archive" </dev/null >"$archive.7z.txt" 2>&1
  local s=$?
  if [ "$2" = empty ] && { [ "$u" != 1 ] || ! grep -q "zipfile is empty" "$archive.unzip.txt"; }; then
    echo "FAIL unzip -t $1 exited $u without saying the archive is empty"; failed=1
  fi
  if [ "$2" = refused ] && [ "$u" = 0 ]; then echo "FAIL unzip -t $1 accepted it"; failed=1; fi
  if [ "$3" = ok ] && [ "$s" != 0 ]; then echo "FAIL 7z t $1 exited $s"; failed=1; fi
  if [ "$3" = refused ] && [ "$s" = 0 ]; then echo "FAIL 7z t $1 accepted it"; failed=1; fi
  echo "checked $1: unzip $u, 7z $s"
}
check all_plain.zip empty ok
check all_box.zip refused refused
check all_view.zip refused refused
exit $failed
