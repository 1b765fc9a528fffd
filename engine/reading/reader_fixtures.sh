#!/bin/bash
# Archives for the archive-reader tests, made by zip, 7z and python's zipfile, with the values
# the peers read from them (python's zipfile and the raw end record) in manifest files:
#   peers.txt      name|entries|uncompressedKB|compressedKB|commentLength|madeUnder|major|minor|disk
#   placement.txt  name|commentLength|recordPosition   (end records around the 24,576-byte blocks)
set -euo pipefail
out="$1"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Files to archive: text, a folder with files, an empty file.
mkdir -p "$work/src/docs" "$work/src/src"
python3 - "$work/src" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(3)
open(os.path.join(root, "a.txt"), "w").write("hello archive\n" * 500)
open(os.path.join(root, "docs", "readme.txt"), "w").write("read me\n" * 200)
open(os.path.join(root, "src", "main.c"), "w").write("int main(void) { return 0; }\n" * 50)
open(os.path.join(root, "empty.dat"), "w").close()
open(os.path.join(root, "random.bin"), "wb").write(bytes(random.getrandbits(8) for _ in range(70000)))
PY

(cd "$work/src" && timeout 60 zip -q -r -X "$out/zip_basic.zip" . </dev/null)
(cd "$work/src" && timeout 60 7z a -tzip -bd -y "$out/sevenzip_basic.zip" . </dev/null >/dev/null)

# A stub in front: plain (offsets relative to the archive proper) and adjusted by zip -A
# (absolute offsets), the latter also with its directory offset zeroed.
python3 -c "
import random
random.seed(5)
data = bytes(random.choice(b'MZabcdefghij') for _ in range(300))
open('$work/stub.bin', 'wb').write(data)"
cat "$work/stub.bin" "$out/zip_basic.zip" > "$out/stub_plain.zip"
cat "$work/stub.bin" "$out/zip_basic.zip" > "$out/stub_adjusted.zip"
timeout 60 zip -q -A "$out/stub_adjusted.zip" </dev/null
python3 - "$out" <<'PY'
import sys, struct, os
out = sys.argv[1]
data = bytearray(open(os.path.join(out, "stub_adjusted.zip"), "rb").read())
pos = data.rfind(b"PK\x05\x06")
struct.pack_into("<I", data, pos + 16, 0)
open(os.path.join(out, "stub_zeroed_offset.zip"), "wb").write(data)
PY

python3 - "$out" <<'PY'
import os, struct, sys, zipfile, zlib

out = sys.argv[1]
BLOCK = 24576

def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

# python's zipfile: entry comments, an archive comment of 65,535 bytes, made-under hosts.
with zipfile.ZipFile(os.path.join(out, "python_comments.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("plain.txt", "no comment here\n")
    info = zipfile.ZipInfo("Docs/Noted.txt")
    info.comment = b"entry comment text"
    z.writestr(info, "with comment\n")
    info = zipfile.ZipInfo("long/comment.bin")
    info.comment = bytes((i * 7 + 1) % 200 + 32 for i in range(65535))[:65535]
    z.writestr(info, b"x" * 100)
    z.comment = bytes((i % 90) + 33 for i in range(65535))

for host in (0, 3, 10, 11, 12):
    with zipfile.ZipFile(os.path.join(out, "host_%d.zip" % host), "w") as z:
        info = zipfile.ZipInfo("FILE.TXT")
        info.create_system = host
        info.create_version = 23
        z.writestr(info, "host %d\n" % host)

# KB rule: totals of 0, 1,023 and 1,024 bytes; and sums above 16 MiB that single precision
# cannot hold exactly.
for total in (0, 1023, 1024):
    with zipfile.ZipFile(os.path.join(out, "total_%d.zip" % total), "w") as z:
        z.writestr("ONE.BIN", b"a" * (total // 2))
        z.writestr("TWO.BIN", b"b" * (total - total // 2))
with zipfile.ZipFile(os.path.join(out, "total_large.zip"), "w", zipfile.ZIP_DEFLATED,
                     compresslevel=1) as z:
    for i, size in enumerate((16777217, 16777219, 9)):
        z.writestr("BIG%d.BIN" % i, b"\0" * size)

# Names around the name block: 1,023 characters kept whole, 1,100 cut, and a short one after.
with zipfile.ZipFile(os.path.join(out, "long_names.zip"), "w") as z:
    z.writestr("D/" + "N" * 1018 + ".TX", "exact\n")         # 1,023 characters
    z.writestr("D/" + "L" * 1094 + "A.TXT", "long a\n")      # 1,101 characters
    z.writestr("D/" + "L" * 1094 + "B.TXT", "long b\n")
    z.writestr("AFTER.TXT", "after\n")

# The same limit for names stored in UTF-8 (flag bit 11): 1,023 characters in 2,044 bytes kept
# whole, 1,024 cut, and the bytes of the first without the flag (read as 2,044 OEM characters).
class RawUtf8Info(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("utf-8"), self.flag_bits & ~0x800
with zipfile.ZipFile(os.path.join(out, "utf8_long_names.zip"), "w") as z:
    z.writestr("D/" + "\u00e9" * 1021, "exact\n")
    z.writestr("D/" + "\u00e9" * 1022, "long\n")
    z.writestr(RawUtf8Info("D/" + "\u00e9" * 1021), "raw\n")

# Raw archives for the end-record placement: one stored entry whose data moves the end record
# to a chosen position, and a comment that gives the file the chosen tail.
def stored_archive(data_length, comment_length, name=b"DATA.BIN"):
    data = b"x" * data_length
    crc = zlib.crc32(data)
    local = struct.pack("<4sBBHHHHIIIHH", b"PK\x03\x04", 20, 0, 0, 0, 0, 0x21, crc,
                        len(data), len(data), len(name), 0) + name + data
    central = struct.pack("<4sBBBBHHHHIIIHHHHHII", b"PK\x01\x02", 20, 0, 20, 0, 0, 0, 0, 0x21,
                          crc, len(data), len(data), len(name), 0, 0, 0, 0, 0x20, 0) + name
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 1, 1, len(central), len(local),
                      comment_length)
    return local + central + end + b"c" * comment_length

overhead = 30 + 8 + 46 + 8  # local and central headers with the 8-character name
lines = []
for tail in (19, 20, 21, 22, 5000):
    size = 3 * BLOCK + tail
    for boundary in (BLOCK, 2 * BLOCK, 3 * BLOCK):
        for before in range(4):
            record = boundary - before
            comment = size - record - 22
            if comment < 0 or comment > 65535 or record - overhead < 0:
                continue
            name = "place_t%d_b%d_d%d.zip" % (tail, boundary // BLOCK, before)
            archive = stored_archive(record - overhead, comment)
            assert len(archive) == size and archive.rfind(b"PK\x05\x06") == record
            write(name, archive)
            lines.append("%s|%d|%d" % (name, comment, record))
# Small files: a record that starts at the file's first byte, with 0 to 3 comment bytes.
for comment in range(4):
    write("bare_%d.zip" % comment, struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 0, 0, 0, 0,
                                               comment) + b"c" * comment)
    lines.append("bare_%d.zip|%d|0" % (comment, comment))
open(os.path.join(out, "placement.txt"), "w").write("\n".join(lines) + "\n")

# Damaged: 21 bytes; an end record in front of the directory it describes; a directory offset
# whose signature is damaged.
write("short_21.bin", b"PK\x05\x06" + b"\0" * 17)
good = stored_archive(100, 0)
pos = good.rfind(b"PK\x05\x06")
bad = bytearray(good)
struct.pack_into("<I", bad, pos + 16, len(good))  # directory offset beyond the record
write("end_before_directory.zip", bytes(bad))
bad = bytearray(good)
directory = struct.unpack_from("<I", bad, pos + 16)[0]
bad[directory + 3] = 3  # the directory's signature damaged: no directory where it should be
write("damaged_directory.zip", bytes(bad))

# What the peers read from each archive made by zip, 7z and python.
rows = []
for name in sorted(os.listdir(out)):
    if not name.endswith(".zip") or name.startswith(("place_", "bare_", "end_", "damaged_")):
        continue
    path = os.path.join(out, name)
    raw = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        size = sum(i.file_size for i in infos)
        packed = sum(i.compress_size for i in infos)
        first = infos[0] if infos else None
        end = raw.rfind(b"PK\x05\x06")
        disk = struct.unpack_from("<H", raw, end + 4)[0]
        rows.append("|".join(str(v) for v in (
            name, len(infos), size // 1024 + 1, packed // 1024 + 1, len(z.comment),
            first.create_system if first else 0, first.create_version // 10 if first else 0,
            first.create_version % 10 if first else 0, disk)))
open(os.path.join(out, "peers.txt"), "w").write("\n".join(rows) + "\n")
PY
