#!/usr/bin/env python3
"""Draws the item list's own icons (folder, encrypted, program, spare, associated, other file) in
16 colours, one large (32x32) and one small (16x16) each, named by resource number.

Each icon is written as the two raw resources an icon consists of: item_N.img, the image (type 3,
RT_ICON, resource number 1000 + N), and item_N.grp, the directory that names it (type 14,
RT_GROUP_ICON, resource number N). Written out this way the image numbers are ours: the numbers
the resource compiler gives the images of ICON statements start at 1 in every script, and the
control's other scripts already use those. Run from this folder; the files are committed."""
import struct

# The 16 colours of the standard palette, so that any display depth shows them unchanged.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, GREY, SILVER, WHITE, YELLOW, OLIVE, BLUE, NAVY, RED, GREEN, TEAL = 0, 8, 7, 15, 11, 3, 12, 4, 9, 10, 6
T = None  # transparent


def canvas(n):
    return [[T] * n for _ in range(n)]


def rect(c, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            c[y][x] = colour


def frame(c, x0, y0, x1, y1, colour):
    for x in range(x0, x1):
        c[y0][x] = c[y1 - 1][x] = colour
    for y in range(y0, y1):
        c[y][x0] = c[y][x1 - 1] = colour


def page(c, n, fill=WHITE):
    s = n // 16
    rect(c, 3 * s, 1 * s, 13 * s, 15 * s, fill)
    frame(c, 3 * s, 1 * s, 13 * s, 15 * s, BLACK)


def folder(n):
    c = canvas(n)
    s = n // 16
    rect(c, 1 * s, 3 * s, 7 * s, 5 * s, OLIVE)
    rect(c, 1 * s, 5 * s, 15 * s, 13 * s, YELLOW)
    frame(c, 1 * s, 5 * s, 15 * s, 13 * s, OLIVE)
    return c


def encrypted(n):
    c = canvas(n)
    s = n // 16
    page(c, n)
    frame(c, 6 * s, 4 * s, 10 * s, 9 * s, GREY)      # shackle
    rect(c, 5 * s, 8 * s, 11 * s, 13 * s, OLIVE)     # lock body
    rect(c, 7 * s + s // 2, 10 * s, 8 * s + s // 2, 12 * s, BLACK)
    return c


def program(n):
    c = canvas(n)
    s = n // 16
    rect(c, 1 * s, 3 * s, 15 * s, 13 * s, WHITE)
    frame(c, 1 * s, 3 * s, 15 * s, 13 * s, BLACK)
    rect(c, 1 * s, 3 * s, 15 * s, 5 * s, NAVY)       # title bar
    rect(c, 3 * s, 7 * s, 6 * s, 10 * s, RED)
    rect(c, 7 * s, 7 * s, 10 * s, 10 * s, GREEN)
    rect(c, 11 * s, 7 * s, 13 * s, 10 * s, BLUE)
    return c


def spare(n):
    c = canvas(n)
    s = n // 16
    page(c, n, SILVER)
    rect(c, 5 * s, 7 * s, 11 * s, 9 * s, GREY)
    return c


def associated(n):
    c = canvas(n)
    s = n // 16
    page(c, n)
    for row in (4, 6, 8, 10, 12):
        rect(c, 5 * s, row * s, 11 * s, row * s + max(1, s // 2), TEAL)
    return c


def other(n):
    c = canvas(n)
    s = n // 16
    page(c, n)
    rect(c, 9 * s, 1 * s, 13 * s, 5 * s, SILVER)     # folded corner
    frame(c, 9 * s, 1 * s, 13 * s, 5 * s, BLACK)
    return c


def image(c):
    n = len(c)
    xor_row = ((n * 4 + 31) // 32) * 4
    and_row = ((n + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(n):
            v = c[y][x]
            index = 0 if v is None else v
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if v is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += row
        mask += bits
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    return header + palette + bytes(xor) + bytes(mask)


def group(n, size, image_number):
    # GRPICONDIR with one GRPICONDIRENTRY: width, height, colours, reserved, planes, bit count,
    # bytes of the image, the image's resource number.
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHIH", n, n, 16, 0, 1, 4, size,
                                                        image_number)


# resource number: drawing, size (the table of the icon cache: large, small per pair)
ICONS = {209: (folder, 32), 210: (folder, 16), 212: (encrypted, 32), 211: (encrypted, 16),
         216: (program, 32), 215: (program, 16), 214: (spare, 32), 213: (spare, 16),
         220: (associated, 32), 219: (associated, 16), 218: (other, 32), 217: (other, 16)}

for number, (draw, size) in ICONS.items():
    data = image(draw(size))
    with open(f"item_{number}.img", "wb") as f:
        f.write(data)
    with open(f"item_{number}.grp", "wb") as f:
        f.write(group(size, len(data), 1000 + number))
