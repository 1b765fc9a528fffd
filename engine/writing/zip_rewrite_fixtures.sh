#!/bin/bash
# Archives made by the peers for the rewriting tests (delete, comments, repair):
#   names.zip            zip: a.txt, b.txt, keep.dat, sub/ with sub/c.txt and sub/d.dat, an
#                        archive comment
#   streamed.zip         python's zipfile writing to a pipe: data descriptors behind the data
#   sevenz.zip           7z's zip writer
#   stub.zip             a program in front holding "PK\3\4" and "PK\5\6" bytes, offsets adjusted
#                        by zip -A, an archive comment
#   twins.zip            python: two entries named same.txt (then other.txt)
#   cut_directory.zip    names.zip cut in the middle of its central directory
#   stub_cut.zip         stub.zip cut in the middle of its central directory
#   past_end.zip         names.zip cut inside the data of its last entry
#   inner_cut.zip        an archive holding a stored archive (records of its own inside the data),
#                        cut in the middle of its central directory
#   stub.bin             the program in front of stub.zip
# For cut_directory, past_end and inner_cut, NAME.ffnames lists (one a line, in archive order) the
# entries zip -FF recovers; the tests compare their repair with it. (zip -FF takes the "PK\5\6"
# bytes inside the program in front of stub_cut.zip for the end record and recovers nothing
# there, so that one is compared with cut_directory.ffnames.)
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src/sub"
python3 - "$work/src" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(14)
open(os.path.join(root, "a.txt"), "w").write("alpha text\n" * 200)
open(os.path.join(root, "b.txt"), "w").write("bravo text, a little longer\n" * 90)
open(os.path.join(root, "keep.dat"), "wb").write(bytes(random.getrandbits(8) for _ in range(1500)))
open(os.path.join(root, "sub", "c.txt"), "w").write("charlie in the folder\n" * 60)
open(os.path.join(root, "sub", "d.dat"), "wb").write(bytes(range(256)) * 6)
PY
(cd "$work/src" && timeout 60 zip -q -r "$out/names.zip" a.txt b.txt keep.dat sub </dev/null)
printf 'archive comment made by zip\n' | timeout 60 zip -q -z "$out/names.zip" >/dev/null
(cd "$work/src" && timeout 60 7z a -tzip -bd "$out/sevenz.zip" a.txt keep.dat sub </dev/null >/dev/null)

python3 - "$out" "$work" <<'PY'
import os, random, struct, sys, zipfile
out, work = sys.argv[1], sys.argv[2]

class Pipe:
    """A write-only stream without seek or tell, as a pipe is."""
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()

with open(os.path.join(out, "streamed.zip"), "wb") as raw:
    with zipfile.ZipFile(Pipe(raw), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("one.txt", "first streamed entry\n" * 40)
        z.writestr("two.dat", bytes(range(256)) * 8)
        z.writestr("sub/three.txt", "third, in a folder\n" * 30)

import warnings
warnings.simplefilter("ignore")  # the duplicate name is what the fixture is for
with zipfile.ZipFile(os.path.join(out, "twins.zip"), "w", zipfile.ZIP_STORED) as z:
    z.writestr("same.txt", "the first of the twins\n")
    z.writestr("same.txt", "the second of the twins\n")
    z.writestr("other.txt", "not a twin\n")

random.seed(5)
stub = bytearray(b"MZ" + bytes(random.choice(b"abcdefgh") for _ in range(500)))
stub[120:124] = b"PK\x03\x04"   # record signatures inside the program must not be believed
stub[240:244] = b"PK\x05\x06"
stub[360:364] = b"PK\x01\x02"
open(os.path.join(out, "stub.bin"), "wb").write(stub)
data = open(os.path.join(out, "names.zip"), "rb").read()
open(os.path.join(out, "stub.zip"), "wb").write(bytes(stub) + data)

def central_start(blob):
    return struct.unpack_from("<I", blob, blob.rfind(b"PK\x05\x06") + 16)[0]

open(os.path.join(out, "cut_directory.zip"), "wb").write(data[:central_start(data) + 70])

with zipfile.ZipFile(os.path.join(out, "names.zip")) as z:
    last = max(z.infolist(), key=lambda i: i.header_offset)
name_length, extra_length = struct.unpack_from("<HH", data, last.header_offset + 26)
data_start = last.header_offset + 30 + name_length + extra_length
open(os.path.join(out, "past_end.zip"), "wb").write(data[:data_start + last.compress_size // 2])

inner = os.path.join(work, "inner.zip")
with zipfile.ZipFile(inner, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("inner1.txt", "inside the inner archive\n" * 20)
    z.writestr("inner2.txt", "also inside\n" * 20)
outer = os.path.join(work, "outer.zip")
with zipfile.ZipFile(outer, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("first.txt", "in front of the inner archive\n" * 20)
    z.write(inner, "inner.zip", compress_type=zipfile.ZIP_STORED)
    z.writestr("last.txt", "behind the inner archive\n" * 20)
blob = open(outer, "rb").read()
open(os.path.join(out, "inner_cut.zip"), "wb").write(blob[:central_start(blob) + 50])
PY
timeout 60 zip -q -A "$out/stub.zip" </dev/null
python3 - "$out" <<'PY'
import os, struct, sys
out = sys.argv[1]
data = open(os.path.join(out, "stub.zip"), "rb").read()
start = struct.unpack_from("<I", data, data.rfind(b"PK\x05\x06") + 16)[0]
open(os.path.join(out, "stub_cut.zip"), "wb").write(data[:start + 70])
PY

# zip -FF asks questions (and repeats them forever without an answer): every one is answered yes.
for cut in cut_directory past_end inner_cut; do
  rm -f "$work/ff.zip"
  (cd "$work" && { yes y | timeout 60 zip -FF "$out/$cut.zip" --out "$work/ff.zip" >/dev/null 2>&1; } || true)
  if [ -f "$work/ff.zip" ]; then
    # zip -FF's own output carries extra fields python refuses; unzip lists it.
    timeout 60 unzip -Z1 "$work/ff.zip" </dev/null > "$out/$cut.ffnames" 2>/dev/null || true
  else
    echo "zip -FF recovered nothing from $cut.zip" >&2
    exit 1
  fi
done
