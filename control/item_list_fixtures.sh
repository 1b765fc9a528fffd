#!/bin/bash
# Archives for the item list, made by zip, 7z and python's zipfile, and what python's zipfile says
# of every entry in items.txt:
#   archive|index|Dir|Name|isDir|encrypted|method|day|month|year|hour|minute|size|rate|crc|
#   archive|hidden|system|readOnly|annotated        (Dir and Name as the item list gives them,
#   upper case with '\' separators, in the ANSI code page; the flags 0 or 1)
# and counts.txt: archive|entries listed before the listing ends|result (0 or -1).
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src/docs/deep" "$work/src/my docs"
printf 'hello item list\n%.0s' $(seq 1 200) > "$work/src/a.txt"
printf 'read me\n%.0s' $(seq 1 90) > "$work/src/docs/readme.txt"
printf 'deep\n%.0s' $(seq 1 40) > "$work/src/docs/deep/notes.txt"
printf 'MZ program' > "$work/src/setup.exe"
(cd "$work/src" && timeout 60 zip -q -r -X -9 "$out/zip_nested.zip" . </dev/null)
(cd "$work/src" && timeout 60 zip -q -X -P secret "$out/zip_password.zip" a.txt docs/readme.txt </dev/null)
printf '@ a.txt\nan entry comment\n@ (comment above this line)\n' > "$work/notes"
cp "$out/zip_nested.zip" "$out/zip_noted.zip"
timeout 60 zipnote -w "$out/zip_noted.zip" < "$work/notes" >/dev/null
(cd "$work/src" && timeout 60 7z a -tzip -mm=Deflate64 -bd -y "$out/sevenzip_deflate64.zip" a.txt docs </dev/null >/dev/null)
for n in 100 101 500; do
  mkdir -p "$work/many$n"
  for i in $(seq 1 $n); do printf 'f%s\n' "$i" > "$work/many$n/f$i.doc"; done
  (cd "$work/many$n" && timeout 60 zip -q -X -r "$out/many_$n.zip" . -i '*.doc' </dev/null)
done

python3 - "$out" <<'PY'
import os, struct, sys, zipfile

out = sys.argv[1]
def path(name):
    return os.path.join(out, name)

# Names in the OEM code page (no UTF-8 flag), as the old writers store them.
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)

with zipfile.ZipFile(path("python_names.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name, date in (("café.txt", (1999, 12, 31, 23, 59, 58)), ("a:b;c.txt", (2003, 1, 2, 3, 4, 6)),
                       ("x;y/n:1;2.txt", (2001, 6, 7, 8, 9, 10)), ("Grüne/", (2002, 2, 2, 2, 2, 2)),
                       ("top", (2010, 5, 5, 5, 5, 5)), ("big.bin", (1980, 1, 1, 0, 0, 0))):
        info = zipfile.ZipInfo(name, date)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0x10 if name.endswith("/") else 0x20
        z.writestr(info, b"" if name.endswith("/") else (name.encode("cp437") * 50))
with zipfile.ZipFile(path("python_stored.zip"), "w", zipfile.ZIP_STORED) as z:
    z.writestr("stored.bin", os.urandom(3000))
    z.writestr("crc_top.bin", b"x" * 10)
    z.writestr("attrs.txt", b"attributes")
# For viewing: types the prefix's registry does not know, so that WIN.INI's associations decide.
with zipfile.ZipFile(path("view.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("pictures/photo.qvw", b"picture data " * 20)
    z.writestr("letter.doc", b"letter text " * 20)
with zipfile.ZipFile(path("empty.zip"), "w") as z:
    pass

# A program stub in front and an archive comment: both stay when every entry is deleted.
with zipfile.ZipFile(path("plain_comment.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("one.txt", b"one" * 100)
    z.writestr("two/three.txt", b"three" * 100)
    z.comment = b"kept comment"
stub = b"MZ" + bytes(range(256)) * 2
open(path("stub_comment.zip"), "wb").write(stub + open(path("plain_comment.zip"), "rb").read())
os.remove(path("plain_comment.zip"))

# Patched with struct: a CRC of 0xFFFFFFFF and attribute bytes (read-only, hidden, system,
# archive) in the central directory.
data = bytearray(open(path("python_stored.zip"), "rb").read())
pos = data.find(b"PK\x01\x02")
while pos >= 0:
    name_length, extra_length, comment_length = struct.unpack_from("<HHH", data, pos + 28)
    name = bytes(data[pos + 46: pos + 46 + name_length])
    if name == b"crc_top.bin":
        struct.pack_into("<I", data, pos + 16, 0xFFFFFFFF)
    if name == b"attrs.txt":
        struct.pack_into("<I", data, pos + 38, 0x27)
    pos = data.find(b"PK\x01\x02", pos + 46 + name_length + extra_length + comment_length)
open(path("python_patched.zip"), "wb").write(data)

# A middle central header's signature overwritten: the entries before it are listed.
data = bytearray(open(path("zip_nested.zip"), "rb").read())
first = data.find(b"PK\x01\x02")
second = data.find(b"PK\x01\x02", first + 4)
third = data.find(b"PK\x01\x02", second + 4)
data[third + 3] = 9
open(path("broken_middle.zip"), "wb").write(data)

def rate(size, packed):
    if size == 0:
        return 0
    r = int((size - packed) / size * 100 + 0.5)
    return 0 if r < 1 or r > 100 else r

def ansi(text):
    return text.encode("cp1252", "replace").decode("cp1252")

rows, counts = [], []
for name in sorted(os.listdir(out)):
    if not name.endswith(".zip"):
        continue
    raw = open(path(name), "rb").read()
    if name == "broken_middle.zip":
        counts.append(f"{name}|2|-1")
        continue
    with zipfile.ZipFile(path(name)) as z:
        infos = z.infolist()
    counts.append(f"{name}|{len(infos)}|0")
    pos = raw.find(b"PK\x01\x02")
    for index, info in enumerate(infos):
        # The raw central header: what python does not keep as it is (the real CRC field).
        crc, = struct.unpack_from("<I", raw, pos + 16)
        attrs, = struct.unpack_from("<I", raw, pos + 38)
        nl, el, cl = struct.unpack_from("<HHH", raw, pos + 28)
        pos = raw.find(b"PK\x01\x02", pos + 46 + nl + el + cl)
        full = info.filename.replace("/", "\\").upper()
        folder = (attrs & 0x10) != 0
        if folder:
            d, n = full, " "
        elif "\\" in full:
            d, n = full[: full.rfind("\\") + 1], full[full.rfind("\\") + 1:]
        else:
            d, n = "", full
        y, mo, da, h, mi, _ = info.date_time
        method = 9 if info.compress_type > 8 else info.compress_type
        size = 0 if folder else info.file_size
        r = 0 if folder else rate(info.file_size, info.compress_size)
        rows.append("|".join(str(v) for v in (
            name, index, ansi(d), ansi(n), int(folder), info.flag_bits & 1, method, da, mo, y % 100,
            h, mi, size, r, crc, int(attrs & 0x20 != 0), int(attrs & 2 != 0), int(attrs & 4 != 0),
            int(attrs & 1 != 0), int(len(info.comment) != 0))))
with open(path("items.txt"), "w", encoding="cp1252") as f:
    f.write("\n".join(rows) + "\n")
with open(path("counts.txt"), "w") as f:
    f.write("\n".join(counts) + "\n")
PY
