#!/usr/bin/env python3
"""Draw the program icon and write res/app.ico.

The icon is a green rounded square with a white lightning bolt, the same
mark the app draws as its logo. Every size is rendered on its own (not
scaled from the big one) so small icons stay crisp, and each image is
stored as a 32-bit RGBA PNG inside the .ico. Only the standard library is
used; output is byte-for-byte deterministic.

Usage: python3 scripts/make_icon.py [output.ico]
"""
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
GREEN = (21, 128, 61)
CORNER = 0.22      # corner radius as a share of the side
SS = 4             # supersampling: SS x SS samples per pixel

# Bolt corners in the logo's frame, where the mark box is 19..49 x 20..52.
BOLT = ((36.4, 22.0), (25.7, 36.1), (32.8, 36.1),
        (29.6, 49.2), (43.5, 32.3), (35.4, 32.3))
BOLT_SHARE = 0.64  # bolt height as a share of the side


def bolt_polygon(size):
    """Bolt corners in pixels, the bolt centred in a size x size square."""
    xs = [p[0] for p in BOLT]
    ys = [p[1] for p in BOLT]
    k = BOLT_SHARE * size / (max(ys) - min(ys))
    cx = (min(xs) + max(xs)) / 2
    cy = (min(ys) + max(ys)) / 2
    return [(size / 2 + (x - cx) * k, size / 2 + (y - cy) * k) for x, y in BOLT]


def in_polygon(px, py, poly):
    """Even-odd ray test; the bolt is concave, so a convex test won't do."""
    inside = False
    x1, y1 = poly[-1]
    for x2, y2 in poly:
        if (y1 > py) != (y2 > py):
            if px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
        x1, y1 = x2, y2
    return inside


def in_rounded_square(px, py, size, r):
    # Distance to the inner square shrunk by r; inside if within r of it.
    dx = max(r - px, 0.0, px - (size - r))
    dy = max(r - py, 0.0, py - (size - r))
    return dx * dx + dy * dy <= r * r


def render(size):
    """Rows of RGBA bytes, straight (not premultiplied) alpha."""
    r = CORNER * size
    poly = bolt_polygon(size)
    bx0 = min(p[0] for p in poly)
    bx1 = max(p[0] for p in poly)
    by0 = min(p[1] for p in poly)
    by1 = max(p[1] for p in poly)
    offs = [(i + 0.5) / SS for i in range(SS)]
    full = SS * SS
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            square = bolt = 0
            near_bolt = bx0 - 1 <= x <= bx1 and by0 - 1 <= y <= by1
            for oy in offs:
                py = y + oy
                for ox in offs:
                    px = x + ox
                    if in_rounded_square(px, py, size, r):
                        square += 1
                        if near_bolt and in_polygon(px, py, poly):
                            bolt += 1
            if square == 0:
                row += b"\0\0\0\0"  # clean zeros compress best
                continue
            # The bolt lies wholly inside the square: mix white over green
            # by the bolt's share of the covered samples.
            t = bolt / square
            row += bytes(round(c + (255 - c) * t) for c in GREEN)
            row.append(round(255 * square / full))
        rows.append(bytes(row))
    return rows


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev):
    bpp = 4
    out = bytearray([kind])
    for i, v in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        pred = (0, a, b, (a + b) >> 1, paeth(a, b, c))[kind]
        out.append((v - pred) & 0xFF)
    return bytes(out)


def png(size, rows):
    """Smallest of: each fixed filter for all rows, or a per-row pick."""
    zero = bytes(len(rows[0]))
    per_kind = []
    for kind in range(5):
        prev, data = zero, []
        for row in rows:
            data.append(filter_row(kind, row, prev))
            prev = row
        per_kind.append(data)
    # Per-row pick by the usual heuristic: least sum of signed magnitudes.
    cost = lambda f: sum(v if v < 128 else 256 - v for v in f[1:])
    mixed = [min((d[i] for d in per_kind), key=cost) for i in range(len(rows))]
    raw = min((zlib.compress(b"".join(d), 9) for d in per_kind + [mixed]), key=len)

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", raw) + chunk(b"IEND", b""))


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the PNG payloads."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        side = size if size < 256 else 0  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32,
                               len(data), offset)
        blobs += data
        offset += len(data)
    return head + entries + blobs


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "app.ico")
    images = [(s, png(s, render(s))) for s in SIZES]
    with open(out, "wb") as f:
        f.write(ico(images))
    for s, data in images:
        print(f"{s:>3}px: {len(data)} bytes")
    print(f"{out}: {os.path.getsize(out)} bytes")


if __name__ == "__main__":
    main()
