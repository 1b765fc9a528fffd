#!/bin/bash
# Archives made by zip, 7z and python's zipfile for the encryption-pass tests: archives the pass
# rewrites, whose unencrypted entries it must encrypt and whose encrypted ones it must keep.
#   streamed.zip   python's zipfile writing to a pipe: every file has a data descriptor and sizes
#                  only behind the data; one stored entry, a folder entry
#   piped.zip      zip writing to a pipe with the password (a.txt: encrypted, data descriptor, so
#                  its password check byte comes from the time), then b.txt added plain
#   stub.zip       a program in front of an archive made by zip, offsets adjusted by zip -A
#   seven.zip      7z: one entry encrypted with the password, then a plain entry and a folder added
#   stub.bin       the program in front of stub.zip
#   src/           the files the archives hold, for comparing what is extracted
#   password.txt   the password of the encrypted entries (no line end)
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
password='Pelloro-Crypt 7'
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '%s' "$password" > "$out/password.txt"

mkdir -p "$out/src/docs"
python3 - "$out/src" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(23)
open(os.path.join(root, "a.txt"), "w").write("alpha beta gamma delta\n" * 200)
open(os.path.join(root, "b.txt"), "w").write("".join("line %d\n" % i for i in range(1500)))
open(os.path.join(root, "docs", "notes.txt"), "w").write("notes kept in a folder\n" * 50)
open(os.path.join(root, "noise.bin"), "wb").write(bytes(random.getrandbits(8) for _ in range(40000)))
open(os.path.join(root, "empty.txt"), "w").close()
PY

python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
src = os.path.join(out, "src")

class Pipe:
    """A write-only stream without seek or tell, as a pipe is."""
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()

def read(name):
    return open(os.path.join(src, name), "rb").read()

with open(os.path.join(out, "streamed.zip"), "wb") as raw:
    with zipfile.ZipFile(Pipe(raw), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.txt", read("a.txt"))
        z.mkdir("docs")
        z.writestr("docs/notes.txt", read("docs/notes.txt"))
        z.writestr("noise.bin", read("noise.bin"), compress_type=zipfile.ZIP_STORED)
        z.writestr("empty.txt", b"")
PY

cd "$out/src"
timeout 60 zip -q -P "$password" - a.txt </dev/null > "$out/piped.zip"
timeout 60 zip -q "$out/piped.zip" b.txt </dev/null

timeout 60 zip -q -r "$work/plain.zip" a.txt docs noise.bin </dev/null
python3 - "$out" "$work/plain.zip" <<'PY'
import os, random, sys
out, plain = sys.argv[1], sys.argv[2]
random.seed(5)
stub = bytearray(b"MZ" + bytes(random.choice(b"stubcode") for _ in range(600)))
stub[120:124] = b"PK\x03\x04"   # record signatures inside the program must not be believed
stub[300:304] = b"PK\x05\x06"
open(os.path.join(out, "stub.bin"), "wb").write(stub)
open(os.path.join(out, "stub.zip"), "wb").write(bytes(stub) + open(plain, "rb").read())
PY
timeout 60 zip -q -A "$out/stub.zip" </dev/null

timeout 60 7z a -tzip -bd -bso0 -p"$password" -mem=ZipCrypto "$out/seven.zip" a.txt </dev/null
timeout 60 7z a -tzip -bd -bso0 "$out/seven.zip" b.txt docs </dev/null

# The fixtures must be what the tests take them for.
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
def flags(name):
    return {i.filename: i.flag_bits for i in zipfile.ZipFile(os.path.join(out, name)).infolist()}
streamed = flags("streamed.zip")
assert all(f & 8 for n, f in streamed.items() if not n.endswith("/")), streamed
assert "docs/" in streamed, streamed
piped = flags("piped.zip")
assert piped["a.txt"] & 9 == 9 and piped["b.txt"] & 1 == 0, piped
seven = flags("seven.zip")
assert seven["a.txt"] & 1 and not seven["b.txt"] & 1 and "docs/" in seven, seven
PY
