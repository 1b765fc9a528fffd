#!/bin/bash
# Archives for the code-page and count tests of the control, made by python's zipfile:
#   count_40000.zip, count_32767.zip, count_100.zip   that many (empty) entries
#   comments_cp437.zip   an archive comment and an entry comment written in CP437 by python, of
#                        the texts in comment_global.txt and comment_local.txt (UTF-8)
# Names as today's zippers store them, in UTF-8 with general-purpose flag bit 11, and the same
# names in CP437 without the flag (python's names patched):
#   utf8_python.zip, utf8_7z.zip, cp437_names.zip   café.txt, Ünïcödé/naïve.txt, straße.txt,
#                        señor ñ.txt, plain.txt (7z adds the folder's own entry); python's
#                        café.txt has the entry comment of comment_utf8.txt, stored in UTF-8
#   <archive>.names      the names as python's zipfile reads them (UTF-8), one a line; for the
#                        UTF-8 archives unzip -Z1 and 7z l must read the same or no fixture is made
#   <archive>.d/         the files unzip -d extracts (python's zipfile for the CP437 archive)
#   utf8_lacking.zip     names in UTF-8 with characters code page 437 lacks: €uro.txt, ā1.txt
#                        (whose look-alike 'a' is in it), U+1F600 and 2.txt (beyond U+FFFF)
#   utf8_invalid.zip     flag bit 11 set on names that are not UTF-8: caf\x82.txt (CP437 bytes)
set -euo pipefail
mkdir -p "$1"
export LC_ALL=C.UTF-8  # unzip and 7z read and write UTF-8 names in a UTF-8 locale only
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

python3 - "$1" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
names = ["caf\u00e9.txt", "\u00dcn\u00efc\u00f6d\u00e9/na\u00efve.txt", "stra\u00dfe.txt",
         "se\u00f1or \u00f1.txt", "plain.txt"]
def content(name):
    return ("the file %s, long enough to be deflated: %s\r\n" % (name, name * 4)).encode("utf-8")
comment = "r\u00e9sum\u00e9 \u00fcber"
with zipfile.ZipFile(os.path.join(out, "utf8_python.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        info = zipfile.ZipInfo(name, (2021, 5, 6, 7, 8, 10))
        info.compress_type = zipfile.ZIP_DEFLATED
        if name.startswith("caf"):
            info.comment = comment.encode("utf-8")
        z.writestr(info, content(name))
open(os.path.join(out, "comment_utf8.txt"), "wb").write(comment.encode("utf-8"))
# The tree 7z archives.
tree = os.path.join(out, "work", "tree")
for name in names:
    os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
    open(os.path.join(tree, name), "wb").write(content(name))
# The same names in CP437, flag bit 11 clear.
class Cp437Info(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp437"), self.flag_bits & ~0x800
with zipfile.ZipFile(os.path.join(out, "cp437_names.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        z.writestr(Cp437Info(name, (2021, 5, 6, 7, 8, 10)), content(name))
with zipfile.ZipFile(os.path.join(out, "utf8_lacking.zip"), "w", zipfile.ZIP_STORED) as z:
    for name in ["\u20acuro.txt", "\u01011.txt", "\U0001F6002.txt"]:
        z.writestr(name, content(name))
class InvalidInfo(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp437"), self.flag_bits | 0x800
with zipfile.ZipFile(os.path.join(out, "utf8_invalid.zip"), "w", zipfile.ZIP_STORED) as z:
    z.writestr(InvalidInfo("caf\u00e9.txt"), b"cp437 bytes\r\n")
    z.writestr(InvalidInfo("plain.txt"), b"plain\r\n")
PY
(cd "$1/work/tree" && timeout 120 7z a -tzip "$1/utf8_7z.zip" . </dev/null >/dev/null)

python_names() {
  python3 - "$1" <<'PY'
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    print(info.filename)
PY
}
for archive in utf8_python utf8_7z cp437_names; do
  zip=$1/$archive.zip
  python_names "$zip" > "$1/$archive.names"
  if [ "$archive" != cp437_names ]; then
    timeout 120 unzip -Z1 "$zip" </dev/null > "$1/work/unzip.names"
    timeout 120 7z l -slt "$zip" </dev/null | sed -n 's/^Path = //p' | tail -n +2 > "$1/work/7z.names"
    # 7z lists folders without their '/'.
    sed 's|/$||' "$1/$archive.names" | sort > "$1/work/python.sorted"
    sort "$1/work/7z.names" | diff "$1/work/python.sorted" - >&2
    diff "$1/$archive.names" "$1/work/unzip.names" >&2
    timeout 120 unzip -qq -o "$zip" -d "$1/$archive.d" </dev/null >/dev/null
  else
    python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" \
      "$zip" "$1/$archive.d"
  fi
done
rm -rf "$1/work"
