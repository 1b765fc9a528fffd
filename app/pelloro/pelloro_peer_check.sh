#!/bin/bash
# Judges the archives Pelloro's tests kept (the folder given as $1) with the peers: unzip -t,
# 7z t and python's zipfile (the writer tests' checker does the work). The engine names the files
# it creates in upper case: they get the lower-case ending the checker looks for.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
folder="${1:?folder of the kept archives}"
shopt -s nullglob
for archive in "$folder"/*.ZIP; do
  mv -f "$archive" "${archive%.ZIP}.zip"
done
exec bash "$root/engine/writing/writer_check.sh" "$folder"
