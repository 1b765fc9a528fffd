#!/bin/bash
# Fixtures of the self-extractor, split and join tests, made by the peers:
#   plain.zip          zip -r of a small tree (names not ASCII among them)
#   adjusted.zip       a program in front, offsets adjusted by zip -A
#   front.bin          that program (its length is the bytes in front)
#   piped_secret.zip   zip -P written to a pipe: encrypted entries with data descriptors
#   ENGLISH.ELF        a language file: keys set, one empty, one too long, one missing
set -euo pipefail
out="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/Grüße"
python3 - "$work/src" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(17)
open(os.path.join(root, "café.txt"), "w").write("un café, deux cafés\n" * 400)
open(os.path.join(root, "Grüße", "brief.txt"), "w").write("viele Grüße\n" * 300)
open(os.path.join(root, "noise.bin"), "wb").write(bytes(random.getrandbits(8) for _ in range(20000)))
PY
(cd "$work/src" && timeout 60 zip -q -r "$out/plain.zip" . </dev/null)
(cd "$work/src" && timeout 60 zip -q -P secret - café.txt noise.bin </dev/null | cat >"$out/piped_secret.zip")
python3 - "$out" <<'PY'
import os, random, sys
out = sys.argv[1]
random.seed(5)
front = b"MZ" + bytes(random.choice(b"stuvwxyz") for _ in range(700))
open(os.path.join(out, "front.bin"), "wb").write(front)
data = open(os.path.join(out, "plain.zip"), "rb").read()
open(os.path.join(out, "adjusted.zip"), "wb").write(front + data)
with open(os.path.join(out, "ENGLISH.ELF"), "w", newline="\r\n") as f:
    f.write("[Other]\nOKButton=Wrong section\n\n[Main]\n")
    f.write("OKButton=Fine\n")
    f.write("CancelButton=\n")                       # empty: the default
    f.write("DiskFullMsg=" + "x" * 70 + "\n")        # longer than its 50 characters
    f.write("BrowseDirTitle=Pick a folder\n")
    f.write("UnzipReplaceText=Replace %1 now?\n")
    # IOErrorMsg is missing: the default
PY
timeout 60 zip -q -A "$out/adjusted.zip" </dev/null
