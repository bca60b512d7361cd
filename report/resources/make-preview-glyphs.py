#!/usr/bin/env python3
"""Draws the tool-bar glyphs of the report preview window: one strip of eleven 16 x 16
pictures with an alpha channel, written to pictures/preview-glyphs.png beside it.

Order (the image indexes the window's layout uses): zoom to fit, 100 %, zoom to width,
first page, previous page, next page, last page, printer set-up, print, load report,
save report. Run it again after changing a drawing; only the standard library is used."""

import math
import os
import struct
import zlib

SIZE = 16
COLOURS = {
    "outline": (40, 44, 52, 255),
    "glass": (196, 222, 250, 255),
    "rim": (70, 78, 92, 255),
    "handle": (150, 96, 40, 255),
    "paper": (255, 255, 255, 255),
    "line": (150, 156, 166, 255),
    "arrow": (32, 96, 190, 255),
    "arrow_light": (112, 168, 236, 255),
    "body": (200, 204, 212, 255),
    "body_dark": (120, 126, 138, 255),
    "lamp": (60, 180, 80, 255),
    "gear": (230, 160, 30, 255),
    "gear_dark": (150, 96, 10, 255),
    "folder": (236, 190, 70, 255),
    "folder_dark": (176, 128, 30, 255),
    "disk": (40, 80, 150, 255),
    "shutter": (170, 176, 188, 255),
}


class Glyph:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def put(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = COLOURS[colour]

    def rect(self, x0, y0, x1, y1, fill, edge=None):
        """Fills x0..x1, y0..y1 (inclusive), with an edge of another colour."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, edge if edge and on_edge else fill)

    def hline(self, x0, x1, y, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(y0, y1 + 1):
            self.put(x, y, colour)

    def triangle(self, tip_x, base_x, y_mid, half, colour, edge):
        """A triangle pointing left (tip_x < base_x) or right, centred on row y_mid."""
        step = 1 if base_x > tip_x else -1
        width = abs(base_x - tip_x)
        for i in range(width + 1):
            x = tip_x + i * step
            h = round(half * i / width)
            for y in range(y_mid - h, y_mid + h + 1):
                border = y in (y_mid - h, y_mid + h) or i == width
                self.put(x, y, edge if border else colour)

    def disc(self, cx, cy, r_in, r_out, colour):
        for y in range(SIZE):
            for x in range(SIZE):
                d = math.hypot(x - cx, y - cy)
                if r_in <= d <= r_out:
                    self.put(x, y, colour)


def magnifier(g):
    g.disc(6, 6, 0, 4.6, "glass")
    g.disc(6, 6, 4.6, 5.7, "rim")
    for i in range(5):
        g.put(10 + i, 11 + i, "handle")
        g.put(11 + i, 10 + i, "handle")
        g.put(11 + i, 11 + i, "handle")


def zoom_fit():
    g = Glyph()
    magnifier(g)
    g.rect(4, 3, 8, 9, "paper", "outline")
    return g


def zoom_100():
    g = Glyph()
    magnifier(g)
    g.vline(6, 3, 9, "outline")
    g.put(5, 4, "outline")
    g.hline(5, 7, 9, "outline")
    return g


def zoom_width():
    g = Glyph()
    magnifier(g)
    g.hline(3, 9, 6, "outline")
    for d in (1, 2):
        g.put(3 + d, 6 - d, "outline")
        g.put(3 + d, 6 + d, "outline")
        g.put(9 - d, 6 - d, "outline")
        g.put(9 - d, 6 + d, "outline")
    return g


def first_page():
    g = Glyph()
    g.rect(3, 3, 4, 12, "arrow", "arrow")
    g.triangle(5, 12, 7, 5, "arrow_light", "arrow")
    g.vline(3, 3, 12, "arrow")
    return g


def previous_page():
    g = Glyph()
    g.triangle(4, 11, 7, 5, "arrow_light", "arrow")
    return g


def next_page():
    g = Glyph()
    g.triangle(11, 4, 7, 5, "arrow_light", "arrow")
    return g


def last_page():
    g = Glyph()
    g.triangle(10, 3, 7, 5, "arrow_light", "arrow")
    g.rect(11, 3, 12, 12, "arrow", "arrow")
    return g


def printer(g):
    g.rect(4, 1, 11, 6, "paper", "outline")
    g.hline(6, 9, 3, "line")
    g.rect(1, 6, 14, 11, "body", "outline")
    g.hline(2, 13, 10, "body_dark")
    g.put(12, 8, "lamp")
    g.rect(4, 10, 11, 14, "paper", "outline")
    g.hline(6, 9, 12, "line")


def printer_setup():
    g = Glyph()
    printer(g)
    # A small gear over the lower right corner: the settings of the printer.
    g.disc(12, 12, 0, 3.7, "gear_dark")
    g.disc(12, 12, 0, 2.6, "gear")
    for dx, dy in ((0, -4), (0, 4), (-4, 0), (4, 0)):
        g.put(12 + dx, 12 + dy, "gear_dark")
    g.put(12, 12, "gear_dark")
    return g


def print_glyph():
    g = Glyph()
    printer(g)
    return g


def load_report():
    g = Glyph()
    g.rect(1, 3, 6, 5, "folder_dark", "folder_dark")
    g.rect(1, 4, 13, 13, "folder", "folder_dark")
    g.rect(4, 1, 12, 8, "paper", "outline")
    g.hline(6, 10, 3, "line")
    g.hline(6, 10, 5, "line")
    # The front flap, open towards the viewer.
    for i, y in enumerate(range(7, 14)):
        g.hline(3 - min(i, 2) + 2, 15 - (i > 4), y, "folder")
    g.hline(3, 15, 7, "folder_dark")
    g.hline(1, 14, 13, "folder_dark")
    g.vline(15, 7, 11, "folder_dark")
    return g


def save_report():
    g = Glyph()
    g.rect(1, 1, 14, 14, "disk", "outline")
    g.rect(4, 1, 11, 5, "shutter", "outline")
    g.rect(8, 2, 9, 4, "disk", "disk")
    g.rect(3, 8, 12, 14, "paper", "outline")
    g.hline(5, 10, 10, "line")
    g.hline(5, 10, 12, "line")
    return g


def png(width, height, rows):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    glyphs = [zoom_fit(), zoom_100(), zoom_width(), first_page(), previous_page(),
              next_page(), last_page(), printer_setup(), print_glyph(), load_report(),
              save_report()]
    rows = [[px for g in glyphs for px in g.px[y]] for y in range(SIZE)]
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pictures", "preview-glyphs.png")
    with open(out, "wb") as f:
        f.write(png(SIZE * len(glyphs), SIZE, rows))


if __name__ == "__main__":
    main()
