#!/bin/bash
# Archives made by zip and python's zipfile for the archive-writer tests: archives the writer must
# read and keep intact when it updates them, and damaged ones it must refuse or repair.
#   zip_names.zip        lower-case names, time extras (zip's defaults), a folder entry
#   python_streamed.zip  written to a pipe: data descriptors, sizes only behind the data
#   sfx_adjusted.zip     a program in front holding "PK\3\4" and "PK\5\6" bytes, offsets adjusted
#                        by zip -A (counted from the start of the file)
#   sfx_plain.zip        the same program in front, offsets counted from the archive proper
#   cut_directory.zip    zip_names.zip cut in the middle of its central directory
#   past_end.zip         zip_names.zip cut inside the data of its last entry
#   method_mismatch.zip  central header of the first entry says stored, local header deflated
#   empty_archive.zip    an archive without entries (a bare end record)
#   stub.bin             the program in front (its length is the bytes in front)
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
# The archives the tests keep for the peers' check (engine/writer_out, beside the fixtures folder)
# are made afresh by every run: none may be left over from an earlier one.
rm -rf "$out/../../writer_out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src/docs"
python3 - "$work/src" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(8)
open(os.path.join(root, "a.txt"), "w").write("alpha beta gamma\n" * 300)
open(os.path.join(root, "docs", "readme.txt"), "w").write("read me first\n" * 120)
open(os.path.join(root, "empty.dat"), "w").close()
open(os.path.join(root, "random.bin"), "wb").write(bytes(random.getrandbits(8) for _ in range(3000)))
PY
(cd "$work/src" && timeout 60 zip -q -r "$out/zip_names.zip" a.txt docs empty.dat random.bin </dev/null)

python3 - "$out" <<'PY'
import os, random, struct, sys, zipfile
out = sys.argv[1]

class Pipe:
    """A write-only stream without seek or tell, as a pipe is."""
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()

with open(os.path.join(out, "python_streamed.zip"), "wb") as raw:
    with zipfile.ZipFile(Pipe(raw), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("Streamed/One.txt", "first streamed entry\n" * 40)
        z.writestr("two.bin", bytes(range(256)) * 8)
        z.writestr("stored.txt", "kept as it is\n", compress_type=zipfile.ZIP_STORED)

random.seed(4)
stub = bytearray(b"MZ" + bytes(random.choice(b"abcdefgh") for _ in range(400)))
stub[100:104] = b"PK\x03\x04"   # record signatures inside the program must not be believed
stub[200:204] = b"PK\x05\x06"
stub[300:304] = b"PK\x01\x02"
open(os.path.join(out, "stub.bin"), "wb").write(stub)

data = open(os.path.join(out, "zip_names.zip"), "rb").read()
open(os.path.join(out, "sfx_plain.zip"), "wb").write(bytes(stub) + data)
open(os.path.join(out, "sfx_adjusted.zip"), "wb").write(bytes(stub) + data)

directory = struct.unpack_from("<I", data, data.rfind(b"PK\x05\x06") + 16)[0]
open(os.path.join(out, "cut_directory.zip"), "wb").write(data[:directory + 60])

with zipfile.ZipFile(os.path.join(out, "zip_names.zip")) as z:
    last = max(z.infolist(), key=lambda i: i.header_offset)
    header = last.header_offset
name_length, extra_length = struct.unpack_from("<HH", data, header + 26)
data_start = header + 30 + name_length + extra_length
open(os.path.join(out, "past_end.zip"), "wb").write(data[:data_start + 100])

mismatch = bytearray(data)
central = mismatch.find(b"PK\x01\x02")
struct.pack_into("<H", mismatch, central + 10, 0)
open(os.path.join(out, "method_mismatch.zip"), "wb").write(mismatch)

with zipfile.ZipFile(os.path.join(out, "empty_archive.zip"), "w"):
    pass
PY
timeout 60 zip -q -A "$out/sfx_adjusted.zip" </dev/null
