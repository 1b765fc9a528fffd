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
