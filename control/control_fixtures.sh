#!/bin/bash
# Archives for the control's reading methods, made by zip, 7z and python's zipfile, with what
# python's zipfile and the raw end record say of them in manifest files:
#   archives.txt   name|count|originalKB|packedKB|commentLength|madeUnder|major|minor|disk|quick
#                  (count -1 and quick 3 for an archive python's zipfile cannot read; its
#                  comment is still read when the end record is whole)
#   local.txt      archive|index|entry name with '\'|comment length   (the comment itself in
#                  <archive>.<index>.local, the archive comment in <archive>.global)
#   extract.txt    archive|file entry name with '\'|size   (python's extraction of it below
#                  expected/<archive>/)
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"  # the steps below work from other folders
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Files to archive: text, nested folders, an empty file, incompressible data.
mkdir -p "$work/src/docs/deep" "$work/src/src"
python3 - "$work/src" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(11)
open(os.path.join(root, "a.txt"), "w").write("hello archive\n" * 700)
open(os.path.join(root, "docs", "readme.txt"), "w").write("read me\n" * 300)
open(os.path.join(root, "docs", "deep", "notes.txt"), "w").write("deep notes\n" * 90)
open(os.path.join(root, "src", "main.c"), "w").write("int main(void) { return 0; }\n" * 60)
open(os.path.join(root, "empty.dat"), "w").close()
noise = bytes(random.getrandbits(8) for _ in range(50000))
open(os.path.join(root, "random.bin"), "wb").write(noise)
PY

# zip: stored and deflated (with folder entries and an archive comment).
cd "$work/src"
timeout 60 zip -q -r -X -0 "$out/zip_stored.zip" . </dev/null
echo "made by zip for the control" |
  timeout 60 zip -q -r -X -9 -z "$out/zip_deflated.zip" . >/dev/null
# 7z: stored and deflated.
timeout 60 7z a -tzip -mx=0 -bd -y "$out/sevenzip_stored.zip" . </dev/null >/dev/null
timeout 60 7z a -tzip -mm=Deflate -bd -y "$out/sevenzip_deflated.zip" . </dev/null >/dev/null
cd - >/dev/null

# 100 entries, made by zip.
mkdir -p "$work/many"
for i in $(seq -w 1 100); do printf 'file %s\n' "$i" > "$work/many/f$i.txt"; done
(cd "$work/many" && timeout 60 zip -q -X "$out/hundred.zip" f*.txt </dev/null)

# A self-extractor-like program in front: as concatenated (offsets relative to the archive
# proper) and adjusted by zip -A (absolute offsets).
python3 -c "
import random
random.seed(7)
open('$work/stub.bin', 'wb').write(b'MZ' + bytes(random.choice(b'abcdefgh') for _ in range(998)))"
cat "$work/stub.bin" "$out/zip_deflated.zip" > "$out/stub_plain.zip"
cat "$work/stub.bin" "$out/zip_deflated.zip" > "$out/stub_adjusted.zip"
timeout 60 zip -q -A "$out/stub_adjusted.zip" </dev/null

python3 - "$out" <<'PY'
import os, struct, sys, zipfile

out = sys.argv[1]

def path(name):
    return os.path.join(out, name)

# python's zipfile: deflated with entry comments and the longest archive comment; stored with a
# short one; an archive without entries (the 22-byte end record alone).
with zipfile.ZipFile(path("python_comments.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("plain.txt", "no comment here\n" * 40)
    for name, comment in (("Docs/Noted.txt", b"a note on this entry"),
                          ("Docs/Long.txt", bytes(65 + i % 26 for i in range(3000)))):
        info = zipfile.ZipInfo(name, (2020, 6, 1, 12, 30, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.comment = comment
        z.writestr(info, (name + "\n") * 100)
    z.comment = bytes(97 + i % 26 for i in range(65535))
with zipfile.ZipFile(path("python_stored.zip"), "w", zipfile.ZIP_STORED) as z:
    z.writestr("one.txt", "one\n" * 10)
    z.writestr("two/three.txt", "three\n" * 3000)
    z.comment = b"stored by python"
with zipfile.ZipFile(path("empty.zip"), "w") as z:
    pass
assert os.path.getsize(path("empty.zip")) == 22

# Damaged: the end record cut off; the directory's first signature broken; not an archive.
data = open(path("zip_deflated.zip"), "rb").read()
open(path("damaged_cut.zip"), "wb").write(data[: len(data) * 2 // 3])
bad = bytearray(data)
directory = struct.unpack_from("<I", bad, bad.rfind(b"PK\x05\x06") + 16)[0]
assert bad[directory:directory + 4] == b"PK\x01\x02"
bad[directory + 3] = 3
open(path("damaged_directory.zip"), "wb").write(bad)
open(path("not_an_archive.zip"), "wb").write(b"just some text, no records\n" * 20)

def end_record(data):
    pos = data.rfind(b"PK\x05\x06")
    fields = struct.unpack_from("<HHHHIIH", data, pos + 4)
    disk, _, _, total, cd_size, cd_offset, comment_length = fields
    return pos, disk, total, cd_size, cd_offset, comment_length

def reported_host(host):
    return host if host <= 8 or host == 11 else 9

lines = []
local = []
for name in sorted(os.listdir(out)):
    if not name.endswith(".zip"):
        continue
    data = open(path(name), "rb").read()
    try:
        with zipfile.ZipFile(path(name)) as z:
            infos = z.infolist()
            comment = z.comment
            z.testzip()
    except zipfile.BadZipFile:
        # The archive comment is still found when the end record itself is whole.
        pos = data.rfind(b"PK\x05\x06")
        comment = b""
        if pos >= 0 and pos + 22 <= len(data):
            length = struct.unpack_from("<H", data, pos + 20)[0]
            comment = data[pos + 22: pos + 22 + length]
        lines.append(f"{name}|-1|0|0|{len(comment)}|9|0|0|0|3")
        open(path(name + ".global"), "wb").write(comment)
        continue
    pos, disk, total, cd_size, cd_offset, comment_length = end_record(data)
    assert total == len(infos) and comment_length == len(comment)
    extra = pos - (cd_offset + cd_size)
    quick = 17 if extra > 0 and not (cd_offset == 0 and cd_size != 0) else 0
    original_kb = sum(i.file_size for i in infos) // 1024 + 1
    packed_kb = sum(i.compress_size for i in infos) // 1024 + 1
    made_under, major, minor = 9, 0, 0
    if infos:
        made_under = reported_host(infos[0].create_system)
        major, minor = infos[0].create_version // 10, infos[0].create_version % 10
    lines.append(f"{name}|{len(infos)}|{original_kb}|{packed_kb}|{comment_length}|"
                 f"{made_under}|{major}|{minor}|{disk}|{quick}")
    open(path(name + ".global"), "wb").write(comment)
    for index, info in enumerate(infos):
        local.append(f"{name}|{index}|{info.filename.replace('/', chr(92))}|{len(info.comment)}")
        open(path(f"{name}.{index}.local"), "wb").write(info.comment)
# What python's zipfile extracts, for the byte-for-byte comparison of extraction.
extracted = []
for name in ("zip_stored.zip", "zip_deflated.zip", "sevenzip_stored.zip", "sevenzip_deflated.zip",
             "python_stored.zip", "python_comments.zip", "hundred.zip", "stub_plain.zip"):
    with zipfile.ZipFile(path(name)) as z:
        for info in z.infolist():
            if info.is_dir():
                continue
            target = os.path.join(out, "expected", name, *info.filename.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            open(target, "wb").write(z.read(info))
            extracted.append(f"{name}|{info.filename.replace('/', chr(92))}|{info.file_size}")
open(path("extract.txt"), "w").write("\n".join(extracted) + "\n")
open(path("archives.txt"), "w").write("\n".join(lines) + "\n")
open(path("local.txt"), "w").write("\n".join(local) + "\n")
PY
