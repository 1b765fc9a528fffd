#!/bin/bash
# An archive for the binding's tests with the real control, made by python's zipfile:
#   replace.zip    note.txt ("from the archive") and docs/readme.txt
#   count.txt      the number of entries python's zipfile lists in replace.zip
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
path = os.path.join(out, "replace.zip")
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("note.txt", "from the archive\r\n")
    z.writestr("docs/readme.txt", "read me\r\n" * 50)
with zipfile.ZipFile(path) as z:
    count = len(z.infolist())
with open(os.path.join(out, "count.txt"), "w") as f:
    f.write(str(count) + "\n")
PY
unzip -tq "$out/replace.zip" >/dev/null </dev/null
