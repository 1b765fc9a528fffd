#!/bin/bash
# Self-extractors for the extractor's Wine tests, made from the real stub by make_sfx.py over
# archives from zip, 7z and python's zipfile; beside each, what `unzip -d` makes of the archive.
# Layout: <out>/<case>/sfx.exe, <out>/<case>/expected/ and, where a case needs one, <out>/<case>/info.
set -euo pipefail
out=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "$out/../../.." && pwd)
stub=$build/control/RAVELIN.32
[ -f "$stub" ] || { echo "no stub at $stub" >&2; exit 1; }
work=$out/work
mkdir -p "$work"

peer() { timeout 120 "$@" </dev/null >/dev/null 2>"$work/peer.err" || { cat "$work/peer.err" >&2; return 1; }; }
# wrap <case> <archive> [make_sfx options...]: the self-extractor and the unzip -d tree.
# UNZIP_PASSWORD: the password unzip is given.
wrap() {
  local name=$1 archive=$2; shift 2
  mkdir -p "$out/$name/expected"
  python3 "$here/make_sfx.py" "$stub" "$archive" "$out/$name/sfx.exe" "$@"
  timeout 120 unzip -qq -o ${UNZIP_PASSWORD:+-P "$UNZIP_PASSWORD"} "$archive" -d "$out/$name/expected" \
    </dev/null >/dev/null 2>&1 || true
}

# A tree of files: nested folders, an empty file, a 1 MB file, text and noise.
src=$work/tree
mkdir -p "$src/docs/guide/deep" "$src/empty_folder"
printf 'read me\r\n' > "$src/readme.txt"
: > "$src/empty.txt"
python3 - "$src" <<'PY'
import os, random, sys
root = sys.argv[1]
r = random.Random(7)
open(os.path.join(root, "docs", "big.bin"), "wb").write(bytes(r.getrandbits(8) for _ in range(300000)) + b"text " * 150000)
open(os.path.join(root, "docs", "guide", "guide.txt"), "w").write("the guide\n" * 5000)
open(os.path.join(root, "docs", "guide", "deep", "leaf.txt"), "w").write("leaf")
PY
(cd "$src" && peer zip -q -r -0 "$work/stored.zip" .)
wrap stored "$work/stored.zip"
(cd "$src" && peer zip -q -r -9 "$work/deflated.zip" .)
wrap deflated "$work/deflated.zip"
(cd "$src" && peer 7z a -tzip -mx=9 "$work/sevenzip.zip" .)
wrap sevenzip "$work/sevenzip.zip"
wrap unshifted "$work/deflated.zip" --unshifted
(cd "$src" && peer zip -q -r -P secret "$work/password_deflated.zip" .)
UNZIP_PASSWORD=secret wrap password_deflated "$work/password_deflated.zip"
(cd "$src" && peer zip -q -r -0 -P secret "$work/password_stored.zip" readme.txt docs/guide)
UNZIP_PASSWORD=secret wrap password_stored "$work/password_stored.zip"
# Written to a pipe: sizes and CRC only in data descriptors and the central directory.
(cd "$src" && timeout 60 zip -q -r - docs readme.txt </dev/null > "$work/piped.zip")
wrap piped "$work/piped.zip"

python3 - "$work" <<'PY'
import io, os, struct, sys, zipfile, zlib
work = sys.argv[1]
# Names in the OEM code page (437) without the UTF-8 flag, as the stub reads them.
class OemInfo(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp437"), self.flag_bits
def save(name, entries, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(os.path.join(work, name), "w", compression) as z:
        for entry in entries:
            z.writestr(OemInfo(entry[0], (2020, 1, 2, 3, 4, 6)), entry[1])
# Non-ASCII names (stored in the OEM code page) and 100 entries (two batches of the directory).
save("names.zip", [("café/Grüße.txt", "grüße"), ("naïve.txt", "x" * 1000)] +
     [("many/file%03d.txt" % i, "entry %d\n" % i * (i + 1)) for i in range(100)])
# Names that try to leave the target folder, and one with a drive colon.
save("escape.zip", [("../evil.txt", "1"), ("/abs.txt", "2"), ("C:x.txt", "3"), ("..\\..\\x", "4"),
                    ("A:B/C.TXT", "5"), ("ok.txt", "6")])
# A 300-character name among ordinary entries.
save("longname.zip", [("before.txt", "b"), ("n" * 296 + ".txt", "long"), ("after.txt", "a")])
# Python writing to a pipe (a stream that cannot seek back).
class Pipe(io.RawIOBase):
    def __init__(self): self.data = bytearray()
    def writable(self): return True
    def write(self, b): self.data += b; return len(b)
pipe = Pipe()
with zipfile.ZipFile(pipe, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("streamed/one.txt", "one " * 3000)
    z.writestr("streamed/two.txt", "two")
open(os.path.join(work, "python_pipe.zip"), "wb").write(bytes(pipe.data))
# Folder entries with and without a 12-byte size, and attributes in the low byte.
with zipfile.ZipFile(os.path.join(work, "attributes.zip"), "w") as z:
    for name, attr, data in [("readonly.txt", 0x21, "r"), ("plain.txt", 0x20, "p"),
                             ("unixonly.txt", 0o100644 << 16, "u")]:
        i = zipfile.ZipInfo(name, (2020, 6, 1, 12, 0, 0))
        i.external_attr = attr
        z.writestr(i, data)
    z.writestr(zipfile.ZipInfo("folder/", (2020, 6, 1, 12, 0, 0)), "")
# Methods the stub does not extract, beside ones it does.
with zipfile.ZipFile(os.path.join(work, "methods.zip"), "w") as z:
    z.writestr("stored.txt", "stored", zipfile.ZIP_STORED)
    z.writestr("bzip2.txt", "b" * 500, zipfile.ZIP_BZIP2)
    z.writestr("lzma.txt", "l" * 500, zipfile.ZIP_LZMA)
    z.writestr("deflated.txt", "d" * 500, zipfile.ZIP_DEFLATED)
    z.writestr("version45.txt", "v45", zipfile.ZIP_STORED)
def patch_central(path, name, offset_in_header, fmt, value, also_local=None):
    data = bytearray(open(path, "rb").read())
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        n = struct.unpack_from("<H", data, at + 28)[0]
        if data[at + 46:at + 46 + n] == name.encode():
            struct.pack_into(fmt, data, at + offset_in_header, value)
            if also_local is not None:
                local = struct.unpack_from("<I", data, at + 42)[0]
                struct.pack_into(fmt, data, local + also_local, value)
        at = data.find(b"PK\x01\x02", at + 4)
    open(path, "wb").write(bytes(data))
methods = os.path.join(work, "methods.zip")
patch_central(methods, "version45.txt", 6, "<B", 45)
# Method 6 written over a stored entry, in both headers: refused before the file is touched.
imploded = os.path.join(work, "imploded.zip")
with zipfile.ZipFile(imploded, "w") as z:
    z.writestr("target.txt", "new contents", zipfile.ZIP_STORED)
    z.writestr("other.txt", "other", zipfile.ZIP_STORED)
patch_central(imploded, "target.txt", 10, "<H", 6, also_local=8)
# A flipped data byte.
flipped = os.path.join(work, "flipped.zip")
with zipfile.ZipFile(flipped, "w") as z:
    z.writestr("flipped.txt", "contents that will not check out", zipfile.ZIP_STORED)
data = bytearray(open(flipped, "rb").read())
data[30 + len("flipped.txt") + 3] ^= 0x40
open(flipped, "wb").write(bytes(data))
PY
wrap names "$work/names.zip"
# unzip writes OEM names as raw bytes here; python's zipfile reads them as code page 437.
rm -rf "$out/names/expected"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$work/names.zip" "$out/names/expected"
wrap escape "$work/escape.zip"
# Names in UTF-8 with flag bit 11, by python's zipfile and by 7z (unzip and 7z read and write
# them in a UTF-8 locale only): a folder, letters of several kinds, a path of 156 characters in
# 306 bytes (kept whole), and in utf8_long names of 260 characters (cut) and of 600 characters in
# more bytes than the name buffer holds (cut).
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
names = ["caf\u00e9.txt", "\u00dcn\u00efc\u00f6d\u00e9/na\u00efve.txt", "stra\u00dfe.txt",
         "se\u00f1or \u00f1.txt", "/".join(["\u00e9" * 50] * 3) + ".txt", "plain.txt"]
tree = os.path.join(work, "utf8_tree")
with zipfile.ZipFile(os.path.join(work, "utf8_python.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        data = ("%s\r\n" % name).encode("utf-8") * 20
        z.writestr(name, data)
        os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
        open(os.path.join(tree, name), "wb").write(data)
with zipfile.ZipFile(os.path.join(work, "utf8_long.zip"), "w", zipfile.ZIP_STORED) as z:
    z.writestr("before.txt", "b")
    z.writestr("\u00e9" * 256 + ".txt", "260")
    z.writestr("\u00e9" * 596 + ".txt", "600")
    z.writestr("after.txt", "a")
PY
(
  export LC_ALL=C.UTF-8
  (cd "$work/utf8_tree" && peer 7z a -tzip "$work/utf8_7z.zip" .)
  wrap utf8_python "$work/utf8_python.zip"
  wrap utf8_7z "$work/utf8_7z.zip"
  wrap utf8_long "$work/utf8_long.zip"
)
wrap longname "$work/longname.zip"
wrap python_pipe "$work/python_pipe.zip"
wrap attributes "$work/attributes.zip"
wrap methods "$work/methods.zip"
wrap imploded "$work/imploded.zip"
wrap flipped "$work/flipped.zip"
peer 7z a -tzip -mm=Deflate64 "$work/deflate64.zip" "$src/docs/guide/guide.txt"
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
with zipfile.ZipFile(os.path.join(work, "deflate64.zip"), "a") as z:
    z.writestr("plain.txt", "plain")
PY
wrap deflate64 "$work/deflate64.zip"

# Replacing: one deflated entry with a known time; the tests set the existing file's time.
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
with zipfile.ZipFile(os.path.join(work, "replace.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("README.TXT", (2021, 7, 15, 10, 30, 0)), "new readme\n" * 10)
PY
for mode in 0 1 2 3; do wrap "replace_mode$mode" "$work/replace.zip" --mode "$mode"; done

# A wrong password that the header check lets through: found by trying names in turn.
python3 - "$work" "$src" <<'PY'
import os, subprocess, sys, zipfile, zlib, struct
work, src = sys.argv[1], sys.argv[2]
path = os.path.join(work, "wrong_password.zip")
if os.path.exists(path): os.remove(path)
subprocess.run(["zip", "-q", "-P", "secret", path, "readme.txt"], cwd=src, check=True,
               stdin=subprocess.DEVNULL, timeout=60)
data = open(path, "rb").read()
flags, method, time, date, crc = struct.unpack_from("<HHHHI", data, 6)
n, e = struct.unpack_from("<HH", data, 26)
header = data[30 + n + e:30 + n + e + 12]
table = []
for i in range(256):
    c = i
    for _ in range(8): c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    table.append(c)
def accepted(password):
    k = [0x12345678, 0x23456789, 0x34567890]
    def update(b):
        k[0] = table[(k[0] ^ b) & 0xFF] ^ (k[0] >> 8)
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k[2] = table[(k[2] ^ (k[1] >> 24)) & 0xFF] ^ (k[2] >> 8)
    for ch in password.encode(): update(ch)
    plain = []
    for c in header:
        t = (k[2] & 0xFFFF) | 2
        p = c ^ (((t * (t ^ 1)) & 0xFFFF) >> 8)
        update(p)
        plain.append(p)
    word = plain[10] | (plain[11] << 8)
    return word in (time, crc >> 16) or plain[11] in (crc >> 24, time >> 8)
for i in range(100000):
    candidate = "wrong%d" % i
    if accepted(candidate):
        open(os.path.join(work, "wrong_password.txt"), "w").write(candidate)
        break
PY
wrap wrong_password "$work/wrong_password.zip"
cp "$work/wrong_password.txt" "$out/wrong_password/info"

# The stub with nothing behind it, with a block alone, and with a short block.
mkdir -p "$out/bare" "$out/block_only" "$out/short_block"
cp "$stub" "$out/bare/sfx.exe"
python3 "$here/make_sfx.py" "$stub" /dev/null "$out/block_only/sfx.exe" --no-archive
python3 "$here/make_sfx.py" "$stub" /dev/null "$out/short_block/sfx.exe" --no-archive --short-block 600
rm -rf "$work/tree"
