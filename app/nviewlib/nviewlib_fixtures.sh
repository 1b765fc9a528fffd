#!/bin/bash
# Pictures for the image loader's tests, written by python from the pixel rule the tests check:
# 5 x 3 pixels, pixel (x, y) has palette index y * 5 + x and the colour below.
set -euo pipefail
out=$1
python3 - "$out" <<'PY'
import struct, sys, os
out = sys.argv[1]
W, H = 5, 3
def colour(i):                      # palette entry i: (r, g, b)
    return ((i * 17) & 255, (255 - i * 13) & 255, (i * 41 + 7) & 255)
palette = [colour(i) for i in range(16)]
def index(x, y): return y * W + x
def put(name, data):
    with open(os.path.join(out, name), 'wb') as f: f.write(data)

def bmp(bits, rle=False):
    if bits == 24:
        rows = []
        for y in reversed(range(H)):
            row = b''.join(bytes((palette[index(x, y)][2], palette[index(x, y)][1], palette[index(x, y)][0])) for x in range(W))
            rows.append(row + b'\0' * ((4 - len(row) % 4) % 4))
        pixels, pal, comp = b''.join(rows), b'', 0
    else:
        pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette) + b'\0' * 4 * (256 - 16)
        if rle:
            body = b''
            for y in reversed(range(H)):
                for x in range(W): body += bytes((1, index(x, y)))
                body += b'\0\0'
            pixels, comp = body[:-2] + b'\0\1', 1
        else:
            rows = []
            for y in reversed(range(H)):
                row = bytes(index(x, y) for x in range(W))
                rows.append(row + b'\0' * ((4 - len(row) % 4) % 4))
            pixels, comp = b''.join(rows), 0
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, bits, comp, len(pixels), 2835, 2835,
                       256 if bits == 8 else 0, 0)
    offset = 14 + len(info) + len(pal)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + info + pal + pixels

put('bmp8.bmp', bmp(8))
put('bmp24.BMP', bmp(24))
put('rle8.rle', bmp(8, rle=True))
put('dib24.dib', bmp(24))

# GIF: 16-colour table, LZW codes of a fixed 5 bits (a clear code every 8 literals keeps the
# decoder's table from growing a bit).
codes, n = [16], 0
for y in range(H):
    for x in range(W):
        if n and n % 8 == 0: codes.append(16)
        codes.append(index(x, y)); n += 1
codes.append(17)
acc = bits = 0; lzw = bytearray()
for c in codes:
    acc |= c << bits; bits += 5
    while bits >= 8: lzw.append(acc & 255); acc >>= 8; bits -= 8
if bits: lzw.append(acc & 255)
blocks = b''.join(bytes((len(lzw[i:i + 255]),)) + bytes(lzw[i:i + 255]) for i in range(0, len(lzw), 255)) + b'\0'
gif = (b'GIF89a' + struct.pack('<HHBBB', W, H, 0xF3, 0, 0) + b''.join(bytes(c) for c in palette) +
       b',' + struct.pack('<HHHHB', 0, 0, W, H, 0) + b'\x04' + blocks + b';')
put('picture.gif', gif)

# Truevision: true colour plain (bottom-up) and packed (top-down), colour-mapped packed.
def tga(kind, top_down, mapped=False):
    order = range(H) if top_down else reversed(range(H))
    seq = [index(x, y) for y in order for x in range(W)]
    if mapped:
        cmap = b''.join(bytes((b, g, r)) for r, g, b in palette)
        header = struct.pack('<BBBHHBHHHHBB', 0, 1, kind, 0, 16, 24, 0, 0, W, H, 8, 0x20 if top_down else 0)
        px = [bytes((i,)) for i in seq]
    else:
        cmap = b''
        header = struct.pack('<BBBHHBHHHHBB', 0, 0, kind, 0, 0, 0, 0, 0, W, H, 24, 0x20 if top_down else 0)
        px = [bytes((palette[i][2], palette[i][1], palette[i][0])) for i in seq]
    if kind & 8:   # packed: one raw packet of 2, then single repeat packets
        body = bytes((1,)) + px[0] + px[1] + b''.join(bytes((0x80,)) + p for p in px[2:])
    else:
        body = b''.join(px)
    return header + cmap + body
put('plain.tga', tga(2, False))
put('packed.tga', tga(10, True))
put('mapped.TGA', tga(9, False, mapped=True))

# Paintbrush: 8-bit with the closing palette (packed; one pixel above 191 goes as a run of 1),
# 24-bit in three planes (packed), and 8-bit stored.
def pcx(planes, encoding):
    line = (W + 1) // 2 * 2
    hdr = struct.pack('<BBBBHHHHHH', 10, 5, encoding, 8, 0, 0, W - 1, H - 1, 72, 72)
    hdr += b'\0' * 48 + b'\0' + bytes((planes,)) + struct.pack('<HH', line, 1) + b'\0' * 58
    body = bytearray()
    for y in range(H):
        for p in range(planes):
            if planes == 1: vals = [index(x, y) for x in range(W)]
            else: vals = [palette[index(x, y)][p] for x in range(W)]
            vals += [0] * (line - W)
            for v in vals:
                if encoding == 1 and v >= 0xC0: body += bytes((0xC1, v))
                else: body.append(v)
    tail = b''
    if planes == 1:
        tail = b'\x0c' + b''.join(bytes(c) for c in palette) + b'\0' * 3 * (256 - 16)
    return hdr + bytes(body) + tail
put('palette.pcx', pcx(1, 1))
put('truecolour.pcx', pcx(3, 1))
put('stored.PCX', pcx(1, 0))
# The pixel rule for the tests: one line per palette entry, "r g b".
with open(os.path.join(out, 'palette.txt'), 'w') as f:
    for r, g, b in palette: f.write('%d %d %d\n' % (r, g, b))
PY
