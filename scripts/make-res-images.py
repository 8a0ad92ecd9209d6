#!/usr/bin/env python3
"""Draws the toolbar bitmap into res/Toolbar.bmp: sixteen 16 x 15 buttons in a row, on the
light grey (192, 192, 192) that the toolbar masks out. The program icon (res/Pelorand.ico) is
not drawn here. Run by hand when a button changes; the bitmap is committed."""
import struct, sys, os

W, H = 16, 15
GRAY = (192, 192, 192)
BLACK, WHITE, DARK = (0, 0, 0), (255, 255, 255), (128, 128, 128)
BLUE, YELLOW, RED, GREEN, NAVY = (0, 0, 255), (255, 255, 0), (192, 0, 0), (0, 128, 0), (0, 0, 128)

def blank():
    return [[GRAY] * W for _ in range(H)]

def rect(img, x0, y0, x1, y1, fill=None, edge=BLACK):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            border = x in (x0, x1) or y in (y0, y1)
            if border and edge is not None:
                img[y][x] = edge
            elif fill is not None and not border:
                img[y][x] = fill

def line(img, x0, y0, x1, y1, c=BLACK):
    n = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(n + 1):
        img[round(y0 + (y1 - y0) * i / n)][round(x0 + (x1 - x0) * i / n)] = c

def page(img, x=3, y=1, w=9, h=12):
    rect(img, x, y, x + w, y + h, WHITE)

def icons():
    out = []
    a = blank(); page(a); out.append(a)                                       # new
    a = blank(); rect(a, 1, 4, 13, 12, YELLOW); rect(a, 1, 2, 6, 4, YELLOW); out.append(a)  # open
    a = blank(); rect(a, 2, 1, 13, 13, NAVY); rect(a, 4, 2, 11, 6, WHITE); rect(a, 5, 9, 10, 13, DARK); out.append(a)  # save
    a = blank(); rect(a, 1, 2, 14, 10, BLUE); rect(a, 6, 11, 9, 12, DARK); line(a, 4, 6, 11, 6, YELLOW); line(a, 9, 4, 11, 6, YELLOW); line(a, 9, 8, 11, 6, YELLOW); out.append(a)  # changer
    a = blank(); line(a, 4, 1, 10, 9); line(a, 11, 1, 5, 9); rect(a, 2, 9, 5, 12, None); rect(a, 10, 9, 13, 12, None); out.append(a)  # cut
    a = blank(); page(a, 1, 1, 7, 9); page(a, 6, 4, 7, 9); out.append(a)     # copy
    a = blank(); rect(a, 2, 2, 11, 13, YELLOW); rect(a, 5, 1, 8, 3, DARK); page(a, 7, 6, 6, 7); out.append(a)  # paste
    a = blank(); [rect(a, x, y, x + 5, y + 5, BLUE) for x in (1, 9) for y in (1, 8)]; out.append(a)  # large icons
    a = blank(); [rect(a, x, y, x + 2, y + 2, BLUE) for x in (1, 8) for y in (1, 6, 11)]; [line(a, x + 4, y + 1, x + 6, y + 1) for x in (1, 8) for y in (1, 6, 11)]; out.append(a)  # small icons
    a = blank(); [rect(a, 1, y, 3, y + 2, BLUE) for y in (1, 6, 11)]; [line(a, 5, y + 1, 14, y + 1) for y in (1, 6, 11)]; out.append(a)  # list
    a = blank(); rect(a, 0, 1, 15, 13, WHITE); [line(a, 1, y, 14, y, DARK) for y in (4, 7, 10)]; line(a, 6, 2, 6, 12, DARK); out.append(a)  # details
    a = blank(); rect(a, 5, 1, 10, 6, YELLOW); rect(a, 2, 8, 13, 14, GREEN); out.append(a)  # author list
    a = blank(); line(a, 2, 7, 13, 7, GREEN); line(a, 2, 7, 7, 2, GREEN); line(a, 2, 7, 7, 12, GREEN); out.append(a)  # back
    a = blank(); line(a, 2, 7, 13, 7, GREEN); line(a, 13, 7, 8, 2, GREEN); line(a, 13, 7, 8, 12, GREEN); out.append(a)  # forward
    a = blank(); rect(a, 1, 1, 14, 13, WHITE, NAVY); line(a, 7, 3, 8, 3, NAVY); line(a, 7, 6, 7, 11, NAVY); line(a, 8, 6, 8, 11, NAVY); out.append(a)  # about
    a = blank(); line(a, 1, 1, 1, 10); line(a, 1, 1, 7, 7); line(a, 1, 10, 4, 7); line(a, 10, 3, 13, 3, NAVY); line(a, 13, 3, 13, 7, NAVY); line(a, 13, 7, 11, 8, NAVY); line(a, 11, 9, 11, 10, NAVY); line(a, 11, 12, 11, 13, NAVY); out.append(a)  # help
    return out

def write_bmp(path, rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = b"".join(bytes(b for px in row for b in (px[2], px[1], px[0])) + b"\0" * (stride - w * 3) for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + data)

res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
strip = [[None] * (W * 16) for _ in range(H)]
for i, img in enumerate(icons()):
    for y in range(H):
        for x in range(W):
            strip[y][i * W + x] = img[y][x]
write_bmp(os.path.join(res, "Toolbar.bmp"), strip)
