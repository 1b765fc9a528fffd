#!/bin/bash
# Self-extractors for the robot tests, made from the real stub by make_sfx.py; each case's title is
# "Ravelin robot <case>", so that the robot finds its window by caption.
# Layout: <out>/<case>/sfx.exe and, where compared, <out>/<case>/expected/ (unzip -d).
set -euo pipefail
out=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
make_sfx=$here/../make_sfx.py
build=$(cd "$out/../../../.." && pwd)
stub=${RAVELIN_STUB:-$build/control/RAVELIN.32}
marker=$build/sfxstub/robot/ravelin_marker.exe
[ -f "$stub" ] && [ -f "$marker" ] || { echo "stub or marker program missing" >&2; exit 1; }
work=$out/work
mkdir -p "$work/tree/sub"
sfx() {  # sfx <case> <archive> [make_sfx options]
  local name=$1 archive=$2; shift 2
  mkdir -p "$out/$name"
  python3 "$make_sfx" "$stub" "$archive" "$out/$name/sfx.exe" --title "Ravelin robot $name" "$@"
  if [ -f "$archive" ]; then
    mkdir -p "$out/$name/expected"
    timeout 120 unzip -qq -o ${UNZIP_PASSWORD:+-P "$UNZIP_PASSWORD"} "$archive" -d "$out/$name/expected" \
      </dev/null >/dev/null 2>&1 || true
  fi
}
zipq() { timeout 120 zip -q "$@" </dev/null >/dev/null; }

printf 'top\r\n' > "$work/tree/top.txt"
printf 'below\r\n' > "$work/tree/sub/below.txt"
(cd "$work/tree" && zipq -r "$work/small.zip" .)
mkdir -p "$out/bare"
cp "$stub" "$out/bare/sfx.exe"
sfx block_only /dev/null --no-archive
sfx short_block "$work/small.zip" --short-block 600 --no-archive
sfx temp_noprogram "$work/small.zip" --ask 0
cp "$marker" "$work/MARKER.EXE"
cp "$marker" "$work/EXIT259.EXE"
cp "$work/small.zip" "$work/marker.zip"
(cd "$work" && zipq marker.zip MARKER.EXE)
sfx marker "$work/marker.zip" --ask 0 --program MARKER.EXE
(cd "$work" && zipq exit259.zip EXIT259.EXE)
sfx exit259 "$work/exit259.zip" --ask 0 --program EXIT259.EXE
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
with zipfile.ZipFile(os.path.join(work, "readme.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr(zipfile.ZipInfo("README.TXT", (2021, 7, 15, 10, 30, 0)), "new readme\n")
# Many entries, the marker program first: time to press Cancel while the run goes on.
with zipfile.ZipFile(os.path.join(work, "many.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.write(os.path.join(work, "MARKER.EXE"), "MARKER.EXE")
    for i in range(400):
        z.writestr("MANY/F%03d.TXT" % i, ("entry %d " % i) * 4000)
PY
sfx replace "$work/readme.zip" --mode 2 --set "19=Replace %1?"
sfx pairs50 "$work/readme.zip" --mode 2 --set "19=$(printf '%%1%.0s' $(seq 50))"
sfx cancel "$work/many.zip" --mode 1 --program MARKER.EXE
(cd "$work/tree" && zipq -r -P secret "$work/password.zip" .)
UNZIP_PASSWORD=secret sfx password "$work/password.zip" --mode 1
sfx long_path "$work/small.zip" --mode 1
# Names in UTF-8 with flag bit 11, as python's zipfile stores them (unzip writes them in a UTF-8
# locale only).
python3 - "$work" <<'PY'
import os, sys, zipfile
work = sys.argv[1]
with zipfile.ZipFile(os.path.join(work, "utf8.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in ["caf\u00e9.txt", "\u00dcn\u00efc\u00f6d\u00e9/na\u00efve.txt", "stra\u00dfe.txt",
                 "se\u00f1or \u00f1.txt", "plain.txt"]:
        z.writestr(name, ("%s\r\n" % name).encode("utf-8") * 20)
PY
LC_ALL=C.UTF-8 sfx utf8 "$work/utf8.zip" --mode 1

# Archives for the builder (the tests make their self-extractors with it at run time):
# <out>/built_<case>/archive.zip and expected/ (unzip -d), and one language file for all,
# <out>/ENGLISH.ELF, every text of section "Main" set (not ASCII among them) but the "%1" question.
built() {  # built <case> <archive>
  mkdir -p "$out/built_$1/expected"
  cp "$2" "$out/built_$1/archive.zip"
  timeout 120 unzip -qq -o ${UNZIP_PASSWORD:+-P "$UNZIP_PASSWORD"} "$2" -d "$out/built_$1/expected" \
    </dev/null >/dev/null 2>&1
}
mkdir -p "$work/tree/deeper/still"
printf 'deep\r\n' > "$work/tree/deeper/still/deep.txt"
python3 -c "import sys; sys.stdout.write(''.join('line %d of a larger file\r\n' % i for i in range(20000)))" \
  > "$work/tree/deeper/large.txt"
(cd "$work/tree" && zipq -r "$work/built.zip" .)
built plain "$work/built.zip"
built language "$work/built.zip"
built default "$work/built.zip"
built untitled "$work/built.zip"
(cd "$work" && zipq built.zip MARKER.EXE)
built program "$work/built.zip"
(cd "$work/tree" && zipq -r -P secret "$work/built_password.zip" .)
UNZIP_PASSWORD=secret built password "$work/built_password.zip"
# Written to a pipe: encrypted entries with data descriptors, which the builder copies byte for byte.
(cd "$work/tree" && timeout 120 zip -q -r -P secret - . </dev/null | cat >"$work/built_piped.zip")
UNZIP_PASSWORD=secret built piped_password "$work/built_piped.zip"
python3 - "$out/ENGLISH.ELF" <<'PY'
import sys
texts = {
    "OKButton": "Entpacken", "CancelButton": "Abbruch",
    "CancelActionMsg": "Wirklich abbrechen?", "IOErrorMsg": "Lese- oder Schreibfehler.",
    "DiskFullMsg": "Kein Platz mehr.", "CantCreateDirMsg": "Ordner nicht anzulegen.",
    "BrowseDirTitle": "Zielordner wählen...", "UnzipPasswordTitle": "Kennwort für...",
    "UnzipPasswordLabel": "Kennwort:", "UnzipPasswordText": "Die Dateien brauchen ein Kennwort.",
    "UnzipPasswordRetryBtn": "&Prüfen", "UnzipPasswordBypassBtn": "Ü&bergehen",
    "UnzipPasswordNeverBtn": "&Nie", "UnzipReplaceTitle": "Ersetzen...",
    "UnzipReplaceYesBtn": "&Ja", "UnzipReplaceNoBtn": "N&ein", "UnzipReplaceAlwaysBtn": "&Immer",
    "UnzipReplaceNeverBtn": "Nie&mals",
}
with open(sys.argv[1], "w", encoding="cp1252", newline="\r\n") as f:
    f.write("[Main]\n")
    for key, text in texts.items():
        f.write("%s=%s\n" % (key, text))
PY
rm -rf "$work"
