#!/bin/bash
# Archives for Pelloro's tests, made by python's zipfile (names stored in code page 437, as the
# control reads them without the UTF-8 flag):
#   list folder/list.zip   folder entries, nested folders, a top-level file, a name without an
#                          extension, sizes 0 and 1,234,567, a Latin-1 name
#   list.txt               the list's expected rows in directory order: column 0|1|2 (cp1252)
#   count.txt              the number of entries python lists in list.zip
#   truncated.zip          list.zip cut in the middle (no end record)
#   setup.zip, install.zip one holds SETUP.EXE, the other INSTALL.EXE
set -euo pipefail
mkdir -p "$1"
out="$(cd "$1" && pwd)"
python3 - "$out" <<'PY'
import os, random, sys, zipfile
out = sys.argv[1]
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)
folder = os.path.join(out, "list folder")
os.makedirs(folder, exist_ok=True)
path = os.path.join(folder, "list.zip")
rng = random.Random(19)
big = bytes(rng.choice(b"abcdefgh \n") for _ in range(1234567))
entries = [("docs/", None), ("docs/deep/", None), ("docs/deep/Nested Note.TXT", b"nested\r\n"),
           ("docs/Caf\u00e9.txt", b"caf\xe9\r\n" * 20), ("README", b""), ("big.bin", big),
           ("top.txt", b"top level\r\n")]
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in entries:
        info = zipfile.ZipInfo(name, (2024, 5, 6, 7, 8, 10))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0x10 if name.endswith("/") else 0x20
        z.writestr(info, b"" if data is None else data)
rows = []
with zipfile.ZipFile(path) as z:
    infos = z.infolist()
    for info in infos:
        full = info.filename.replace("/", "\\").lower()
        if info.external_attr & 0x10:
            rows.append(f"{full}||")
            continue
        cut = full.rfind("\\") + 1
        rows.append(f"{full[cut:]}|{'%10d bytes' % info.file_size}|{full[:cut]}")
with open(os.path.join(out, "list.txt"), "w", encoding="cp1252") as f:
    f.write("\n".join(rows) + "\n")
with open(os.path.join(out, "count.txt"), "w") as f:
    f.write(f"{len(infos)}\n")
raw = open(path, "rb").read()
with open(os.path.join(out, "truncated.zip"), "wb") as f:
    f.write(raw[: len(raw) // 2])
for archive, member in (("setup.zip", "SETUP.EXE"), ("install.zip", "INSTALL.EXE")):
    with zipfile.ZipFile(os.path.join(out, archive), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("readme.txt", "read me\r\n")
        z.writestr(member, b"MZ" + b"\0" * 64)
PY
unzip -tq "$out/list folder/list.zip" >/dev/null </dev/null

# The editing dialogs' archives:
#   comment1500.zip, comment30000.zip, comment40000.zip  one entry, comments of those byte sizes
#   made0.zip, made3.zip, made11.zip, made10.zip          one entry made under that host system
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
for size in (1500, 30000, 40000):
    with zipfile.ZipFile(os.path.join(out, f"comment{size}.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("note.txt", "a note\r\n")
        z.comment = bytes(ord("A") + i % 26 for i in range(size))
for system in (0, 3, 11, 10):
    with zipfile.ZipFile(os.path.join(out, f"made{system}.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        info = zipfile.ZipInfo("note.txt", (2020, 1, 2, 3, 4, 6))
        info.create_system = system
        z.writestr(info, "a note\r\n")
PY

# The viewing and installing commands' archives:
#   view.zip      note.txt at the top and sub/note.txt (one name, two folders, other bytes),
#                 sub/picture.BMP (a 24-bit 37 x 23 picture), README (no extension) and
#                 docs/Caf\u00e9.txt (a Latin-1 name); view.txt holds each entry's bytes in hex
#   subsetup.zip  SETUP.EXE only inside a folder
python3 - "$out" <<'PY'
import os, struct, sys, zipfile
out = sys.argv[1]
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)
width, height = 37, 23
stride = (width * 3 + 3) & ~3
pixels = bytearray()
for y in range(height):
    row = bytearray()
    for x in range(width):
        row += bytes((x * 6 % 256, y * 11 % 256, 200))  # blue, green, red
    pixels += row + b"\0" * (stride - len(row))
bmp = (b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) +
       struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0) +
       bytes(pixels))
entries = [("note.txt", b"top note\r\n"), ("sub/note.txt", b"folder note\r\nsecond line\r\n"),
           ("sub/picture.BMP", bmp), ("README", b"no extension\r\n"),
           ("docs/Caf\u00e9.txt", b"caf\xe9 au lait\r\n")]
with zipfile.ZipFile(os.path.join(out, "view.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in entries:
        z.writestr(zipfile.ZipInfo(name, (2024, 5, 6, 7, 8, 10)), data, zipfile.ZIP_DEFLATED)
with open(os.path.join(out, "view.txt"), "w", encoding="cp1252") as f:
    f.write("".join(f"{name}|{data.hex()}\n" for name, data in entries))
with zipfile.ZipFile(os.path.join(out, "subsetup.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("readme.txt", "read me\r\n")
    z.writestr("sub/SETUP.EXE", b"MZ" + b"\0" * 64)
PY
unzip -tq "$out/view.zip" >/dev/null </dev/null

# The extraction wizards' archives:
#   batch/one/same.zip, batch/two/same.zip  two archives of one name in two folders (different
#                                           entries, one of them Grüße.txt in a folder)
#   batch/other.zip                          a third archive
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)
archives = {
    "batch/one/same.zip": [("first.txt", b"first\r\n"), ("sub/Gr\u00fc\u00dfe.txt", b"hallo\r\n" * 40)],
    "batch/two/same.zip": [("second.txt", b"second\r\n" * 3), ("sub/", None)],
    "batch/other.zip": [("other.bin", bytes(range(256)) * 9), ("deep/er/note.txt", b"note\r\n")],
}
for name, entries in archives.items():
    path = os.path.join(out, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for entry, data in entries:
            info = zipfile.ZipInfo(entry, (2023, 11, 12, 13, 14, 16))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0x10 if entry.endswith("/") else 0x20
            z.writestr(info, b"" if data is None else data)
PY

# The self-extractor wizard's and the join dialog's files:
#   sfx folder/sfx.zip  a top-level file, a folder entry, a file inside a folder (the one to run
#                       after extraction), a Latin-1 name inside a nested folder
#   sfx folder/sfx.txt  the entries python lists: name|size, in archive order (UTF-8)
#   join/DATA.ZIP       an archive of random bytes (1.5 MB stored); join/DATA.0_1 and
#                       join/DATA.1_1 its two parts as an older Pelloro split it (1,000,000 bytes
#                       and the rest)
python3 - "$out" <<'PY'
import os, random, sys, zipfile
out = sys.argv[1]
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)
folder = os.path.join(out, "sfx folder")
os.makedirs(folder, exist_ok=True)
rng = random.Random(26)
entries = [("read me.txt", b"Read me first.\r\n" * 40, zipfile.ZIP_DEFLATED),
           ("bin/", b"", zipfile.ZIP_STORED),
           ("bin/run.bat", b"@echo off\r\necho ran > ran.txt\r\n", zipfile.ZIP_STORED),
           ("docs/deep/Gr\u00fc\u00dfe caf\u00e9.txt", bytes(rng.randrange(256) for _ in range(5000)),
            zipfile.ZIP_DEFLATED)]
with zipfile.ZipFile(os.path.join(folder, "sfx.zip"), "w") as z:
    for name, data, method in entries:
        info = zipfile.ZipInfo(name, (2023, 3, 4, 5, 6, 8))
        info.compress_type = method
        info.external_attr = 0x10 if name.endswith("/") else 0x20
        z.writestr(info, data)
with open(os.path.join(folder, "sfx.txt"), "w", encoding="utf-8") as f:
    for name, data, _ in entries:
        f.write(f"{name}|{len(data)}\n")
join = os.path.join(out, "join")
os.makedirs(join, exist_ok=True)
with zipfile.ZipFile(os.path.join(join, "DATA.ZIP"), "w", zipfile.ZIP_STORED) as z:
    z.writestr(zipfile.ZipInfo("noise.bin", (2022, 8, 9, 10, 11, 12)),
               bytes(rng.randrange(256) for _ in range(1500000)))
raw = open(os.path.join(join, "DATA.ZIP"), "rb").read()
for index, part in enumerate((raw[:1000000], raw[1000000:])):
    with open(os.path.join(join, f"DATA.{index}_1"), "wb") as f:
        f.write(part)
PY

# The main window's commands' archives:
#   same.zip       same.txt at the top and in the folders a/ and b/, other.txt, Café.txt (each its
#                  own bytes, time and attributes)
#   single.zip     one entry, only.txt
#   encrypted.zip  secret.txt encrypted (zip -P) beside plain.txt
#   drop/          three files to drop: one.txt, two.txt, Grüße.txt
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
zipfile.ZipInfo._encodeFilenameFlags = lambda self: (self.filename.encode("cp437"), self.flag_bits)
entries = [("same.txt", b"top same\r\n", (2021, 1, 1, 10, 0, 0), 0x20),
           ("a/same.txt", b"a same\r\n" * 3, (2022, 2, 2, 11, 0, 0), 0x21),
           ("b/same.txt", b"b same\r\n" * 5, (2023, 3, 3, 12, 0, 0), 0x20),
           ("other.txt", b"other\r\n" * 40, (2019, 4, 4, 13, 0, 0), 0x20),
           ("Caf\u00e9.txt", b"caf\xe9\r\n", (2018, 5, 5, 14, 0, 0), 0x20)]
with zipfile.ZipFile(os.path.join(out, "same.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name, data, when, attributes in entries:
        info = zipfile.ZipInfo(name, when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = attributes
        z.writestr(info, data)
with zipfile.ZipFile(os.path.join(out, "single.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    info = zipfile.ZipInfo("only.txt", (2020, 6, 7, 8, 9, 10))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0x20  # the archive bit every written file carries
    z.writestr(info, b"the only one\r\n")
drop = os.path.join(out, "drop")
os.makedirs(drop, exist_ok=True)
for name, data in (("one.txt", b"one\r\n"), ("two.txt", b"two\r\n" * 2),
                   ("Gr\u00fc\u00dfe.txt", b"gruesse\r\n")):
    with open(os.path.join(drop, name), "wb") as f:
        f.write(data)
PY
work="$(mktemp -d)"
printf 'secret\r\n' >"$work/secret.txt"
printf 'plain\r\n' >"$work/plain.txt"
rm -f "$out/encrypted.zip"
(cd "$work" && zip -qX -P pelloro "$out/encrypted.zip" secret.txt && zip -qX "$out/encrypted.zip" plain.txt) </dev/null
rm -rf "$work"
