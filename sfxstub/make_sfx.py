#!/usr/bin/env python3
"""Makes a self-extractor for the tests: the stub file, a 682-byte settings block and an archive,
then `zip -A` to move the archive's offsets up by what stands in front of it (unless --unshifted).

make_sfx.py STUB ARCHIVE OUTPUT [--mode C] [--ask 0|1] [--title T] [--program P]
            [--set FIELD=TEXT ...] [--unshifted] [--no-archive] [--no-block] [--short-block N]
FIELD is a field number (1-23) of the block.
"""
import argparse
import subprocess
import sys

WIDTHS = [1, 1, 50, 50, 10, 10, 50, 50, 50, 50, 30, 20, 20, 100, 10, 10, 10, 20, 100, 10, 10, 10, 10]
DEFAULTS = ["2", "1", "Quillet Self-extracting ZIP file", "", "Ok", "Cancel",
            "Would you like to stop this program?",
            "Can' t perform the required action (I/O error).", "Disk full.",
            "Can' t create this directory.", "Choose directory...", "Password...", "Password:",
            "A password is required to unzip the files.", "&Retry", "&Bypass", "&Never",
            "Replace...",
            "The file %1 already exist on your disk. Would you like to replace it?",
            "&Yes", "&No", "&Always", "Ne&ver"]
assert sum(WIDTHS) == 682


def block(fields):
    out = b""
    for text, width in zip(fields, WIDTHS):
        raw = text.encode("cp1252")[:width]
        out += raw + b" " * (width - len(raw))
    assert len(out) == 682
    return out


def main():
    p = argparse.ArgumentParser()
    p.add_argument("stub")
    p.add_argument("archive")
    p.add_argument("output")
    p.add_argument("--mode", default="2")
    p.add_argument("--ask", default="1")
    p.add_argument("--title")
    p.add_argument("--program")
    p.add_argument("--set", action="append", default=[])
    p.add_argument("--unshifted", action="store_true")
    p.add_argument("--no-archive", action="store_true")
    p.add_argument("--no-block", action="store_true")
    p.add_argument("--short-block", type=int)
    a = p.parse_args()
    fields = list(DEFAULTS)
    fields[0] = a.mode
    fields[1] = a.ask
    if a.title is not None:
        fields[2] = a.title
    if a.program is not None:
        fields[3] = a.program
    for item in a.set:
        number, text = item.split("=", 1)
        fields[int(number) - 1] = text
    data = open(a.stub, "rb").read()
    if not a.no_block:
        b = block(fields)
        data += b if a.short_block is None else b[:a.short_block]
    if not a.no_archive:
        data += open(a.archive, "rb").read()
    with open(a.output, "wb") as f:
        f.write(data)
    if not a.no_archive and not a.unshifted:
        r = subprocess.run(["zip", "-q", "-A", a.output], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
        if r.returncode != 0:
            sys.stderr.write(r.stderr.decode(errors="replace"))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
