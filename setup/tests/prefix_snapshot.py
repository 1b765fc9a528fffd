#!/usr/bin/env python3
"""A Wine prefix's state for the installer's end-to-end run: its registry (from `wine reg export`
of HKLM and HKCU) and every file and folder of drive_c with the file's sha256.

  prefix_snapshot.py take DRIVE_C HKLM.reg HKCU.reg OUT.json
  prefix_snapshot.py diff BEFORE.json AFTER.json [ALLOWED-REGEX...]
      prints every difference no regex allows (a key "+HKLM\\...", "-...", a value "~key\\name",
      a file or folder "+C:/...", "-...", "~..."), exits 1 when there is one.
  prefix_snapshot.py szdd IN OUT     writes IN SZDD-compressed (literals only) as LZCopy expands it
"""
import hashlib, json, os, re, struct, sys


def read_reg(path):
    text = open(path, 'rb').read().decode('utf-16')
    keys, key = {}, None
    pending = ''
    for raw in text.splitlines():
        line = pending + raw.strip()
        if line.endswith('\\') and not line.startswith('['):
            pending = line[:-1]
            continue
        pending = ''
        if line.startswith('[') and line.endswith(']'):
            key = line[1:-1]
            keys.setdefault(key, {})
        elif key is not None and '=' in line and not line.startswith(';'):
            if line.startswith('@='):
                name, value = '@', line[2:]
            else:
                m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)', line)
                if not m:
                    continue
                name, value = m.group(1), m.group(2)
            keys[key][name] = value
    return keys


def take(drive_c, hklm, hkcu, out):
    reg = {}
    for path in (hklm, hkcu):
        reg.update(read_reg(path))
    files = {}
    for root, dirs, names in os.walk(drive_c, followlinks=True):
        rel = os.path.relpath(root, drive_c).replace(os.sep, '/')
        base = 'C:/' if rel == '.' else 'C:/' + rel + '/'
        for d in dirs:
            files[base + d + '/'] = 'folder'
        for n in names:
            p = os.path.join(root, n)
            try:
                files[base + n] = hashlib.sha256(open(p, 'rb').read()).hexdigest()
            except OSError:
                files[base + n] = 'unreadable'
    json.dump({'registry': reg, 'files': files}, open(out, 'w'))


def diff(before, after, allowed):
    a, b = json.load(open(before)), json.load(open(after))
    pats = [re.compile(p, re.I) for p in allowed]
    out = []
    ra, rb = a['registry'], b['registry']
    for k in sorted(set(ra) | set(rb)):
        if k not in ra:
            out.append('+' + k)
        elif k not in rb:
            out.append('-' + k)
        else:
            for n in sorted(set(ra[k]) | set(rb[k])):
                if ra[k].get(n) != rb[k].get(n):
                    out.append('~' + k + '\\' + n)
    fa, fb = a['files'], b['files']
    for f in sorted(set(fa) | set(fb)):
        if f not in fa:
            out.append('+' + f)
        elif f not in fb:
            out.append('-' + f)
        elif fa[f] != fb[f]:
            out.append('~' + f)
    bad = [d for d in out if not any(p.search(d) for p in pats)]
    for d in bad:
        print(d)
    return 1 if bad else 0


def szdd(src, dst):
    data = open(src, 'rb').read()
    out = bytearray(b'SZDD\x88\xf0\x27\x33A\0') + struct.pack('<I', len(data))
    for at in range(0, len(data), 8):
        out.append(0xFF)
        out += data[at:at + 8]
    open(dst, 'wb').write(out)


if __name__ == '__main__':
    cmd = sys.argv[1]
    if cmd == 'take':
        take(*sys.argv[2:6])
    elif cmd == 'diff':
        sys.exit(diff(sys.argv[2], sys.argv[3], sys.argv[4:]))
    elif cmd == 'szdd':
        szdd(sys.argv[2], sys.argv[3])
