#!/bin/bash
# Archives for the extraction tests, made by zip, 7z and python's zipfile, with manifests of what
# extracting them must give:
#   src/               the archived tree itself (the tests compare the extracted files with it)
#   tree.txt           F|relative path|mtime (seconds since 1970)   D|relative folder path
#   attributes.txt     archive|entry name|attribute bits an extracted file must carry (0x27 mask)
#   passwords.txt      archive|right password|wrong password that fails every header check
#   times.txt          archive|entry name|the recorded DOS date and time as local time (seconds)
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
mkdir -p "$out"
rm -rf "$out/src"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The tree: nested folders, an empty file, an empty folder, text and incompressible data; every
# time on an even second (the archive's times have two-second steps).
python3 - "$out/src" "$out/tree.txt" <<'PY'
import os, sys, random
root, manifest = sys.argv[1], sys.argv[2]
random.seed(11)
files = {
    "readme.txt": b"extract me\r\n" * 300,
    "docs/guide.txt": b"a guide line\n" * 2000,
    "docs/deep/deeper/note.txt": b"deep note\n",
    "data/random.bin": bytes(random.getrandbits(8) for _ in range(60000)),
    "data/empty.dat": b"",
    "big/repeat.bin": (bytes(range(256)) * 400),
}
os.makedirs(os.path.join(root, "emptyfolder"))
base = 1700000000  # even
rows = []
for i, (name, data) in enumerate(sorted(files.items())):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    t = base + 86400 * 37 * i + 2 * i
    os.utime(path, (t, t))
    rows.append("F|%s|%d" % (name, t))
for folder in ("docs", "docs/deep", "docs/deep/deeper", "data", "big", "emptyfolder"):
    rows.append("D|%s" % folder)
open(manifest, "w").write("\n".join(rows) + "\n")
PY

(cd "$out/src" && timeout 60 zip -q -r -X "$out/zip_tree.zip" . </dev/null)
(cd "$out/src" && timeout 60 7z a -tzip -bd -y "$out/sevenzip_tree.zip" . </dev/null >/dev/null)
# Streamed to a pipe: zip writes CRC 0 and compressed size 0 in the local headers (flag bit 3).
(cd "$out/src" && timeout 60 zip -q -r -X - readme.txt docs </dev/null | cat > "$out/zip_stream.zip")
# Encrypted by the peers: zip -e checks with the time, 7z with the CRC's high byte.
(cd "$out/src" && timeout 60 zip -q -X -P secret "$out/zip_crypt.zip" readme.txt docs/guide.txt \
  </dev/null)
(cd "$out/src" && timeout 60 7z a -tzip -bd -y -mem=ZipCrypto -psecret "$out/sevenzip_crypt.zip" \
  readme.txt docs/guide.txt </dev/null >/dev/null)

python3 - "$out" <<'PY'
import io, os, struct, sys, zipfile, zlib, binascii

out = sys.argv[1]
src = os.path.join(out, "src")
BLOCK = 24576

def tree_files():
    for dirpath, dirnames, filenames in os.walk(src):
        dirnames.sort()
        for d in dirnames:
            yield os.path.relpath(os.path.join(dirpath, d), src) + "/", None
        for f in sorted(filenames):
            p = os.path.join(dirpath, f)
            yield os.path.relpath(p, src), p

# python's zipfile: deflated and stored entries, folder entries, comments.
with zipfile.ZipFile(os.path.join(out, "python_tree.zip"), "w") as z:
    for i, (name, path) in enumerate(tree_files()):
        if path is None:
            z.write(os.path.join(src, name), name)
        else:
            z.write(path, name, zipfile.ZIP_STORED if i % 2 else zipfile.ZIP_DEFLATED)
    z.comment = b"archive comment"

# Streamed: written to a pipe-like object, so the local headers carry 0/0/0 (flag bit 3).
class Unseekable(io.RawIOBase):
    def __init__(self): self.data = bytearray()
    def writable(self): return True
    def write(self, b): self.data += b; return len(b)
    def seekable(self): return False
sink = Unseekable()
with zipfile.ZipFile(sink, "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("readme.txt", "docs/guide.txt", "data/empty.dat"):
        with open(os.path.join(src, name), "rb") as f:
            data = f.read()
        info = zipfile.ZipInfo(name, date_time=(2020, 5, 6, 7, 8, 10))
        info.compress_type = zipfile.ZIP_DEFLATED
        with z.open(info, "w") as w:
            w.write(data)
open(os.path.join(out, "python_stream.zip"), "wb").write(bytes(sink.data))

# 100 entries: the directory walk takes them in batches of 64 and 36.
with zipfile.ZipFile(os.path.join(out, "hundred.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(100):
        z.writestr(zipfile.ZipInfo("n%03d/f%03d.txt" % (i % 7, i), (2021, 1, 2, 3, 4, 6)),
                   ("entry %d\n" % i) * (i + 1))

# A 100 MB entry, for the progress messages (small as an archive: the data repeats).
with zipfile.ZipFile(os.path.join(out, "big.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("big.bin", (2021, 1, 2, 3, 4, 6)),
               bytes(range(256)) * (100 * 1024 * 1024 // 256), zipfile.ZIP_DEFLATED)

# Attribute bits recorded by the archive itself.
with zipfile.ZipFile(os.path.join(out, "attributes.zip"), "w") as z:
    for name, bits in (("plain.txt", 0), ("readonly.txt", 0x21), ("hidden.txt", 0x22),
                       ("archive.txt", 0x20)):
        info = zipfile.ZipInfo(name, (2019, 3, 4, 5, 6, 8))
        info.external_attr = bits
        z.writestr(info, name.encode() * 10)

# Names that try to leave the destination.
with zipfile.ZipFile(os.path.join(out, "evil_names.zip"), "w") as z:
    for name in ("../evil.txt", "/abs.txt", "C:x.txt", "..\\..\\x", "a/../../up.txt",
                 "sub/.../dots.txt", "CON", ".."):
        info = zipfile.ZipInfo("placeholder", (2019, 3, 4, 5, 6, 8))
        info.filename = name  # set after construction: the constructor would clean it
        z.writestr(info, b"payload of " + name.encode())

# A name whose joined path is longer than the system allows, beside a short one.
with zipfile.ZipFile(os.path.join(out, "long_name.zip"), "w") as z:
    z.writestr(zipfile.ZipInfo("d" * 120 + "/" + "n" * 150 + ".txt", (2019, 3, 4, 5, 6, 8)), b"long")
    z.writestr(zipfile.ZipInfo("short.txt", (2019, 3, 4, 5, 6, 8)), b"short")

# Folder entries as writers that compress everything store them: an empty deflate stream (two
# bytes of data for nothing); and a folder name that does carry data.
with zipfile.ZipFile(os.path.join(out, "deflated_folders.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("docs/", (2019, 3, 4, 5, 6, 8)), b"", zipfile.ZIP_DEFLATED)
    z.writestr(zipfile.ZipInfo("docs/inner.txt", (2019, 3, 4, 5, 6, 8)), b"inner " * 40)
with zipfile.ZipFile(os.path.join(out, "folder_with_data.zip"), "w") as z:
    z.writestr(zipfile.ZipInfo("full/", (2019, 3, 4, 5, 6, 8)), b"data under a folder name")
    z.writestr(zipfile.ZipInfo("after.txt", (2019, 3, 4, 5, 6, 8)), b"after")

# Damage and unsupported methods.
with zipfile.ZipFile(os.path.join(out, "methods.zip"), "w") as z:
    z.writestr(zipfile.ZipInfo("a_deflated.txt", (2019, 3, 4, 5, 6, 8)), b"deflated " * 500,
               zipfile.ZIP_DEFLATED)
    z.writestr(zipfile.ZipInfo("b_bzip2.txt", (2019, 3, 4, 5, 6, 8)), b"bzip2 " * 500,
               zipfile.ZIP_BZIP2)
    z.writestr(zipfile.ZipInfo("c_stored.txt", (2019, 3, 4, 5, 6, 8)), b"stored " * 50)
    z.writestr(zipfile.ZipInfo("d_method7.txt", (2019, 3, 4, 5, 6, 8)), b"patched " * 50)
data = bytearray(open(os.path.join(out, "methods.zip"), "rb").read())
# Method 7 in both headers of d_method7.txt.
for sig, moff in ((b"PK\x03\x04", 8), (b"PK\x01\x02", 10)):
    pos = 0
    while True:
        pos = data.find(sig, pos)
        if pos < 0: break
        nameoff = 30 if sig == b"PK\x03\x04" else 46
        n = struct.unpack_from("<H", data, pos + nameoff - 4 if sig == b"PK\x03\x04" else pos + 28)[0]
        if bytes(data[pos + nameoff:pos + nameoff + n]) == b"d_method7.txt":
            struct.pack_into("<H", data, pos + moff, 7)
        pos += 4
open(os.path.join(out, "methods.zip"), "wb").write(bytes(data))

with zipfile.ZipFile(os.path.join(out, "crc_flip.zip"), "w") as z:
    z.writestr(zipfile.ZipInfo("flipped.txt", (2019, 3, 4, 5, 6, 8)), b"0123456789" * 10)
    z.writestr(zipfile.ZipInfo("fine.txt", (2019, 3, 4, 5, 6, 8)), b"fine\n")
data = bytearray(open(os.path.join(out, "crc_flip.zip"), "rb").read())
data[30 + len("flipped.txt") + 5] ^= 0x01
open(os.path.join(out, "crc_flip.zip"), "wb").write(bytes(data))

# A self-extractor: a stub in front of a valid archive.
stub = b"MZ" + bytes(i % 200 for i in range(500))
open(os.path.join(out, "selfextractor.exe"), "wb").write(
    stub + open(os.path.join(out, "python_tree.zip"), "rb").read())

# ---- traditional encryption made here, for the acceptance rules the peers do not use ------
CRCTAB = [binascii.crc32(bytes([i])) ^ 0 for i in range(256)]
def table(n):
    c = n
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    return c
TAB = [table(i) for i in range(256)]
class Keys:
    def __init__(self, pw):
        self.k = [0x12345678, 0x23456789, 0x34567890]
        for c in pw: self.update(c)
    def update(self, c):
        k0, k1, k2 = self.k
        k0 = TAB[(k0 ^ c) & 0xFF] ^ (k0 >> 8)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = TAB[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8)
        self.k = [k0, k1, k2]
    def stream(self):
        t = (self.k[2] & 0xFFFF) | 2
        return ((t * (t ^ 1)) & 0xFFFF) >> 8
    def encrypt(self, data):
        outb = bytearray()
        for p in data:
            outb.append(p ^ self.stream()); self.update(p)
        return bytes(outb)
    def decrypt(self, data):
        outb = bytearray()
        for c in data:
            p = c ^ self.stream(); self.update(p); outb.append(p)
        return bytes(outb)

DOSTIME = (7 << 11) | (8 << 5) | 5
DOSDATE = ((2019 - 1980) << 9) | (3 << 5) | 4

def accepted(pw, stored, crc, time):
    plain = Keys(pw).decrypt(stored)
    w = plain[10] | plain[11] << 8
    return w == time or w == crc >> 16 or plain[11] == crc >> 24 or plain[11] == time >> 8

def entry(name, plain, pw, rule, method=0):
    crc = zlib.crc32(plain) & 0xFFFFFFFF
    body = plain if method == 0 else zlib.compress(plain, 9)[2:-4]
    head = bytearray(bytes((i * 37 + 5) & 0xFF for i in range(12)))
    if rule == "crcword":
        head[10], head[11] = (crc >> 16) & 0xFF, crc >> 24
    elif rule == "crcbyte":
        head[10], head[11] = ((crc >> 16) & 0xFF) ^ 0x5A, crc >> 24
    elif rule == "timebyte":
        head[10], head[11] = (DOSTIME & 0xFF) ^ 0x33, DOSTIME >> 8
    keys = Keys(pw)
    data = keys.encrypt(bytes(head)) + keys.encrypt(body)
    return dict(name=name.encode(), crc=crc, data=data, size=len(plain), method=method)

def build(path, entries, pad_before=None):
    blob = bytearray(); central = bytearray()
    for e in entries:
        offset = len(blob)
        flags = e.get("flags", 1)
        local = struct.pack("<4sBBHHHHIIIHH", b"PK\x03\x04", 20, 0, flags, e["method"], DOSTIME,
                            DOSDATE, e["crc"], len(e["data"]), e["size"], len(e["name"]), 0)
        blob += local + e["name"] + e["data"]
        central += struct.pack("<4sBBBBHHHHIIIHHHHHII", b"PK\x01\x02", 20, 0, 20, 0, flags,
                               e["method"], DOSTIME, DOSDATE, e["crc"], len(e["data"]), e["size"],
                               len(e["name"]), 0, 0, 0, 0, 0x20, offset) + e["name"]
    end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, len(entries), len(entries),
                      len(central), len(blob), 0)
    open(path, "wb").write(bytes(blob + central + end))

# A wrong password that fails the header check of every entry given as (stored, crc, time).
def wrong_password(headers):
    for i in range(100000):
        pw = b"wrong%d" % i
        if not any(accepted(pw, *h) for h in headers):
            return pw
    raise SystemExit("no failing password")

rows = []
plain = bytes((i * 7) % 251 for i in range(40000))
for rule in ("crcword", "crcbyte", "timebyte"):
    e = entry("rule.bin", plain, b"Tr1ck", rule, 8 if rule == "crcword" else 0)
    e2 = entry("second.txt", b"second entry\n" * 30, b"Tr1ck", rule)
    path = os.path.join(out, "crypt_%s.zip" % rule)
    build(path, [e, e2])
    rows.append("crypt_%s.zip|Tr1ck|%s" % (rule, wrong_password([(e["data"][:12], e["crc"], DOSTIME), (e2["data"][:12], e2["crc"], DOSTIME)]).decode()))

# An encrypted entry in front of a plain one: skipping it for its password leaves the plain one.
plain_entry = dict(name=b"plain.txt", crc=zlib.crc32(b"plain\n") & 0xFFFFFFFF, data=b"plain\n",
                   size=6, method=0, flags=0)
locked = entry("locked.txt", b"locked\n" * 9, b"Tr1ck", "crcword")
build(os.path.join(out, "crypt_first.zip"), [locked, plain_entry])
# A wrong password that passes the header check anyway (about 1 in 128 do).
for i in range(100000):
    lucky = b"lucky%d" % i
    if accepted(lucky, locked["data"][:12], locked["crc"], DOSTIME):
        break
open(os.path.join(out, "lucky.txt"), "w").write("crypt_first.zip|%s\n" % lucky.decode())

# The encryption header of the second entry straddles the first two input blocks; the first
# entry is a plain stored one sized to put it there.
first_name = b"filler.bin"
straddle_at = BLOCK - 5
filler = bytes((i * 13) & 0xFF for i in range(straddle_at - 30 - len(first_name) - 30 - len(b"straddle.bin")))
crcf = zlib.crc32(filler) & 0xFFFFFFFF
e1 = dict(name=first_name, crc=crcf, data=filler, size=len(filler), method=0)
e2 = entry("straddle.bin", plain, b"Tr1ck", "crcword")
blob = bytearray(); central = bytearray()
for e, flags in ((e1, 0), (e2, 1)):
    offset = len(blob)
    blob += struct.pack("<4sBBHHHHIIIHH", b"PK\x03\x04", 20, 0, flags, e["method"], DOSTIME,
                        DOSDATE, e["crc"], len(e["data"]), e["size"], len(e["name"]), 0)
    blob += e["name"] + e["data"]
    central += struct.pack("<4sBBBBHHHHIIIHHHHHII", b"PK\x01\x02", 20, 0, 20, 0, flags,
                           e["method"], DOSTIME, DOSDATE, e["crc"], len(e["data"]), e["size"],
                           len(e["name"]), 0, 0, 0, 0, 0x20, offset) + e["name"]
assert len(blob) - len(e2["data"]) == straddle_at, len(blob) - len(e2["data"])
end = struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 2, 2, len(central), len(blob), 0)
open(os.path.join(out, "crypt_straddle.zip"), "wb").write(bytes(blob + central + end))
rows.append("crypt_straddle.zip|Tr1ck|-")

for name in ("zip_crypt.zip", "sevenzip_crypt.zip"):
    headers = []
    raw = open(os.path.join(out, name), "rb").read()
    with zipfile.ZipFile(os.path.join(out, name)) as z:
        for info in z.infolist():
            off = info.header_offset
            n, m = struct.unpack_from("<HH", raw, off + 26)
            stored = raw[off + 30 + n + m: off + 30 + n + m + 12]
            t, = struct.unpack_from("<H", raw, off + 10)
            headers.append((stored, info.CRC, t))
    rows.append("%s|secret|%s" % (name, wrong_password(headers).decode()))
open(os.path.join(out, "passwords.txt"), "w").write("\n".join(rows) + "\n")

# Attribute bits each archive records for its entries.
arows = []
for name in ("zip_tree.zip", "sevenzip_tree.zip", "python_tree.zip", "attributes.zip"):
    with zipfile.ZipFile(os.path.join(out, name)) as z:
        for info in z.infolist():
            if info.filename.endswith("/"): continue
            bits = info.external_attr & 0x27 if info.external_attr & 0x7F else 0
            arows.append("%s|%s|%d" % (name, info.filename, bits))
open(os.path.join(out, "attributes.txt"), "w").write("\n".join(arows) + "\n")

# The recorded times, read as local time with the daylight rule of their own date.
import time
trows = []
for name in ("zip_tree.zip", "sevenzip_tree.zip", "python_tree.zip"):
    with zipfile.ZipFile(os.path.join(out, name)) as z:
        for info in z.infolist():
            if info.filename.endswith("/"): continue
            trows.append("%s|%s|%d" % (name, info.filename,
                                       int(time.mktime(info.date_time + (0, 0, -1)))))
open(os.path.join(out, "times.txt"), "w").write("\n".join(trows) + "\n")
PY

# The shared corpus of encrypted archives, extracted by the peer for comparison:
#   corpus.txt   archive|password|file (one row per file the peer extracted)
corpus=""
for dir in "$(dirname "$0")/../../../shared/corpus/crypt" /work/shared/corpus/crypt; do
  if [ -d "$dir" ]; then corpus="$dir"; break; fi
done
: > "$out/corpus.txt"
rm -rf "$out/corpus"
if [ -n "$corpus" ]; then
  while IFS='|' read -r name password; do
    [ -f "$corpus/$name" ] || continue
    base="${name%.zip}"
    mkdir -p "$out/corpus/$base"
    timeout 60 unzip -q -o -P "$password" "$corpus/$name" -d "$out/corpus/$base" </dev/null
    (cd "$out/corpus/$base" && find . -type f | sed 's|^\./||' | sort) |
      while read -r file; do echo "$name|$password|$file" >> "$out/corpus.txt"; done
  done <<'LIST'
test_read_format_zip_traditional_encryption_data.zip|12345678
test_option_passphrase.zip|pass1
encrypt-1234.zip|1234
empty-pkware.zip|1
LIST
fi
