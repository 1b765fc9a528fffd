#!/usr/bin/env python3
"""Checks the order of the engine's folders, written at the head of engine/CMakeLists.txt.

A source of a folder may include headers of its own folder and of the folders before it in that
order, never of a folder after it (folders on one level may include each other). Tests (files
named *_test.cpp, *test_support.h, *test_access.h, *test_encoders.h) may include any folder.
An engine source includes nothing of the project outside the engine either.

Usage: layers_check.py <engine folder>     exits 1 and lists every crossing found
       layers_check.py --self-test         checks the check on a made-up tree
"""
import os
import re
import sys
import tempfile

ORDER_LINE = re.compile(r"^#\s*Order:\s*(.+)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
TEST_NAME = re.compile(r"(_test\.cpp|test_support\.h|test_access\.h|test_encoders\.h)$")
SOURCE_NAME = re.compile(r"\.(cpp|h)$")
# The project's folders outside the engine, which no engine source may include.
OUTSIDE = ("control", "app", "framework", "components", "sfxstub", "testing")


def read_order(engine):
    """{folder: level} from the '# Order:' line; folders joined by '=' share a level."""
    with open(os.path.join(engine, "CMakeLists.txt"), encoding="utf-8") as f:
        for line in f:
            m = ORDER_LINE.match(line.strip())
            if m:
                levels = {}
                for level, group in enumerate(m.group(1).split()):
                    for folder in group.split("="):
                        levels[folder] = level
                return levels
    raise SystemExit("engine/CMakeLists.txt: no '# Order:' line at its head")


def crossings(engine):
    levels = read_order(engine)
    found = []
    for folder, level in sorted(levels.items()):
        root = os.path.join(engine, folder)
        if not os.path.isdir(root):
            found.append(f"{folder}/: a folder of the order that does not exist")
            continue
        for dirpath, _, files in os.walk(root):
            for name in sorted(files):
                if not SOURCE_NAME.search(name) or TEST_NAME.search(name):
                    continue
                path = os.path.join(dirpath, name)
                shown = os.path.relpath(path, engine)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m or "/" not in m.group(1):
                            continue
                        target = m.group(1).split("/", 1)[0]
                        if target in OUTSIDE:
                            found.append(f"{shown}:{number}: includes {m.group(1)}, outside the engine")
                        elif target in levels and levels[target] > level:
                            found.append(f"{shown}:{number}: includes {m.group(1)}, of a later folder"
                                         f" than {folder}/")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as engine:
        def put(path, text):
            full = os.path.join(engine, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as f:
                f.write(text)
        put("CMakeLists.txt", "# Order: core base files reading=writing volumes\n")
        for folder in ("core", "base", "files", "reading", "writing", "volumes"):
            put(f"{folder}/keep.h", "#pragma once\n")
        put("reading/a.cpp", '#include "writing/keep.h"\n#include "files/keep.h"\n#include "a.h"\n')
        put("writing/b.h", '#include "reading/keep.h"\n')
        put("base/c_test.cpp", '#include "volumes/keep.h"\n')
        put("files/d_test_support.h", '#include "volumes/keep.h"\n')
        if crossings(engine):
            return "a tree that keeps the order was refused: " + "; ".join(crossings(engine))
        put("base/e.cpp", '#include "core/keep.h"\n  #  include "files/keep.h"\n')
        put("reading/sub/f.h", '#include "volumes/keep.h"\n')
        put("core/g.cpp", '#include "control/zctrl.h"\n')
        got = crossings(engine)
        wanted = ["base/e.cpp:2", "core/g.cpp:1", "reading/sub/f.h:1"]
        if sorted(entry.split(": ")[0] for entry in got) != wanted:
            return f"crossings found: {got}; wanted exactly {wanted}"
    return None


def main():
    if sys.argv[1:] == ["--self-test"]:
        problem = self_test()
        if problem:
            print("layers_check self-test failed:", problem)
            return 1
        print("layers_check self-test passed")
        return 0
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    found = crossings(sys.argv[1])
    for entry in found:
        print(entry)
    if found:
        print(f"{len(found)} include(s) against the engine's folder order")
        return 1
    print("the engine's folders keep their order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
