#!/bin/bash
# Archives for the code-page and count tests of the control, made by python's zipfile:
#   count_40000.zip, count_32767.zip, count_100.zip   that many (empty) entries
#   comments_cp437.zip   an archive comment and an entry comment written in CP437 by python, of
#                        the texts in comment_global.txt and comment_local.txt (UTF-8)
set -euo pipefail
mkdir -p "$1"
python3 - "$1" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
for count in (40000, 32767, 100):
    with zipfile.ZipFile(os.path.join(out, "count_%d.zip" % count), "w", zipfile.ZIP_STORED) as z:
        for i in range(count):
            z.writestr("f%05d.txt" % i, b"")
global_text = "Gr\u00fc\u00dfe, caf\u00e9 \u00c4rger"
local_text = "\u00e8 r\u00e9sum\u00e9 \u00fcber"
with zipfile.ZipFile(os.path.join(out, "comments_cp437.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    info = zipfile.ZipInfo("note.txt")
    info.comment = local_text.encode("cp437")
    z.writestr(info, b"note\n")
    z.comment = global_text.encode("cp437")
open(os.path.join(out, "comment_global.txt"), "wb").write(global_text.encode("utf-8"))
open(os.path.join(out, "comment_local.txt"), "wb").write(local_text.encode("utf-8"))
PY
