#!/bin/bash
# The archive of the extraction tests that pin what a caller sees (sequence.zip, made by python's
# zipfile): entries of both methods at the sizes where the 24,576-byte blocks begin and end, an
# empty folder, an entry larger than what is decoded ahead, one with a wrong CRC-32. Manifests:
#   sequence.txt   entry name|size|compressed size|1 when it extracts correctly, else 0|mtime
#                  (seconds since 1970, local time as recorded)|attribute bits (0x27 mask)
#   src/           the entries' data (the tests compare the extracted files with it)
set -euo pipefail
out="$(cd "$1" && pwd)"
python3 - "$out" <<'PY'
import os, random, sys, time, zipfile

out = sys.argv[1]
random.seed(15)
def noise(n): return bytes(random.getrandbits(8) for _ in range(n))
def text(n):
    words = [b"alpha", b"beta", b"gamma", b"delta", b"epsilon", b"zeta", b"eta", b"theta"]
    parts, size = [], 0
    while size < n:
        w = random.choice(words) + (b"\r\n" if random.random() < 0.1 else b" ")
        parts.append(w)
        size += len(w)
    return b"".join(parts)[:n]

S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
# name, data, method, attribute bits, damaged
entries = [
    ("a/empty.txt", b"", S, 0, False),
    ("a/one.txt", b"1", D, 0, False),
    ("a/b/block.bin", noise(24576), S, 0, False),
    ("a/b/blockplus.bin", noise(24577), D, 0x21, False),
    ("folder/", None, S, 0x10, False),
    ("c/text.txt", text(300000), D, 0x22, False),
    ("c/random.bin", noise(200000), D, 0x20, False),
    ("c/large.bin", (noise(2048) + text(20000)) * 280, D, 0, False),
    ("c/flipped.txt", text(50000), D, 0, True),
    ("d/stored.bin", noise(100000), S, 0, False),
    ("d/zero.dat", b"", D, 0, False),
]
rows = []
path = os.path.join(out, "sequence.zip")
with zipfile.ZipFile(path, "w") as z:
    for i, (name, data, method, bits, damaged) in enumerate(entries):
        stamp = (2019 + i % 4, 1 + i, 2 + i, 3 + i, 4 + i, 2 * i)
        info = zipfile.ZipInfo(name, stamp)
        info.compress_type = method
        info.external_attr = bits
        z.writestr(info, data if data is not None else b"")
        if data is None:
            continue
        target = os.path.join(out, "src", name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        open(target, "wb").write(data)
        recorded = int(time.mktime(stamp + (0, 0, -1)))
        rows.append([name, len(data), 0, 0 if damaged else 1, recorded, bits & 0x27])
    infos = {i.filename: i for i in z.infolist()}
for row in rows:
    row[2] = infos[row[0]].compress_size
# The damaged entry: its CRC-32 flipped in the local and the central header.
data = bytearray(open(path, "rb").read())
for name, _, _, _, damaged in entries:
    if not damaged:
        continue
    info = infos[name]
    crc = (info.CRC ^ 0xFFFFFFFF).to_bytes(4, "little")
    local = info.header_offset
    data[local + 14:local + 18] = crc
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        nlen = int.from_bytes(data[at + 28:at + 30], "little")
        if data[at + 46:at + 46 + nlen] == name.encode():
            data[at + 16:at + 20] = crc
        at = data.find(b"PK\x01\x02", at + 4)
open(path, "wb").write(bytes(data))
open(os.path.join(out, "sequence.txt"), "w").write(
    "\n".join("|".join(str(f) for f in row) for row in rows) + "\n")
PY
