#!/usr/bin/env python3
"""Writes the report files the tests read: sound ones in this folder and damaged ones in
../bad/rpp, one file per kind of damage, named for it. The files are written here from the
format's description alone (header, linked page records, metafile pages, the splay-tree
code of compressed records), independently of the program's own writer.

Run it again after changing a case; only the standard library is used."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(HERE, "..", "bad", "rpp")

# ---- Metafile pages ----------------------------------------------------------------------

PPI = 96


def record(kind, payload):
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def emf_page(width_px, height_px, boxes):
    """A metafile of the given size in 96-dpi pixels with black filled boxes on it."""
    body = b""
    # Stock black brush and pen (bit 31 set: stock objects), then one rectangle per box.
    body += record(37, struct.pack("<I", 0x80000004))
    body += record(37, struct.pack("<I", 0x80000007))
    for left, top, right, bottom in boxes:
        body += record(43, struct.pack("<iiii", left, top, right, bottom))
    eof = record(14, struct.pack("<III", 0, 16, 20))
    count = 2 + 2 + len(boxes)
    header_size = 108
    total = header_size + len(body) + len(eof)
    frame_w = round(width_px * 2540 / PPI)
    frame_h = round(height_px * 2540 / PPI)
    mm_w, mm_h = round(width_px * 25.4 / PPI), round(height_px * 25.4 / PPI)
    header = struct.pack(
        "<II4i4iIIIIHH" + "I" * 12,
        1, header_size,
        0, 0, width_px - 1, height_px - 1,      # bounds: the whole page
        0, 0, frame_w - 1, frame_h - 1,         # frame, 0.01 mm, inclusive
        0x464D4520, 0x10000, total, count,
        1, 0,                                   # handles: slot 0 only; reserved
        0, 0, 0,                                # no description, no palette
        width_px, height_px, mm_w, mm_h,        # reference device: the page itself
        0, 0, 0,                                # no pixel format, no OpenGL
        round(width_px * 25400 / PPI), round(height_px * 25400 / PPI))
    assert len(header) == header_size
    return header + body + eof


A4 = (794, 1123)              # 2100 x 2970 tenths of a millimetre at 96 dpi
LETTER_LANDSCAPE = (1056, 816)


def page(n, size=A4):
    """Page n: n boxes down the left side, so a reader can tell the pages apart."""
    boxes = [(40, 40 + 60 * i, 140, 80 + 60 * i) for i in range(n)]
    return emf_page(size[0], size[1], boxes)


# ---- The splay-tree code -------------------------------------------------------------------

class Splay:
    """Internal nodes 0..255 (0 the root), leaves 256..512; leaf 256 + b codes byte b."""

    def __init__(self):
        self.up = [0] + [(j - 1) // 2 for j in range(1, 513)]
        self.left = [2 * i + 1 for i in range(256)]
        self.right = [2 * i + 2 for i in range(256)]

    def splay(self, byte):
        a = 256 + byte
        while a != 0:
            p = self.up[a]
            if p == 0:
                break
            g = self.up[p]
            if self.left[g] == p:
                u = self.right[g]
                self.right[g] = a
            else:
                u = self.left[g]
                self.left[g] = a
            if self.left[p] == a:
                self.left[p] = u
            else:
                self.right[p] = u
            self.up[a] = g
            self.up[u] = p
            a = g

    def code(self, byte):
        bits = []
        a = 256 + byte
        while a != 0:
            p = self.up[a]
            bits.append(1 if self.right[p] == a else 0)
            a = p
        return reversed(bits)


def encode(data):
    tree = Splay()
    out = bytearray()
    current, filled = 0, 0
    for byte in data:
        for bit in tree.code(byte):
            current |= bit << filled
            filled += 1
            if filled == 8:
                out.append(current)
                current, filled = 0, 0
        tree.splay(byte)
    if filled:
        out.append(current)
    return bytes(out)


assert encode(b"abc") == bytes([0x46, 0x3D, 0x01])
assert encode(b"\0") == bytes([0x80])
assert encode(b"\xff") == bytes([0, 0])
assert encode(b"aaaa") == bytes([0x46, 0x45])

# ---- Report files --------------------------------------------------------------------------


def header(pages, compressed, mark=3, version=302):
    h = struct.pack("<HHIi", mark, version, 0, pages)
    h += struct.pack("<d", 45000.5)     # 15 March 2023, noon
    h += bytes([0, 1 if compressed else 0]) + bytes(102)
    assert len(h) == 124
    return h


def report(payloads, compressed=False, pages=None):
    """The file and the start of each record."""
    data = bytearray(header(len(payloads) if pages is None else pages, compressed))
    starts = []
    for n, emf in enumerate(payloads, 1):
        start = len(data)
        starts.append(start)
        body = struct.pack("<i", len(emf)) + encode(emf) if compressed else emf
        end = start + 8 + len(body) + 4
        data += struct.pack("<ii", n, end) + body + struct.pack("<i", start)
    return data, starts


def put(data, at, value):
    data[at:at + 4] = struct.pack("<i", value)


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def good_files():
    write(HERE, "one-page.rpp", report([page(1)])[0])
    write(HERE, "three-pages.rpp", report([page(1), page(2), page(3)])[0])
    write(HERE, "three-pages-packed.rpp", report([page(1), page(2), page(3)], True)[0])
    write(HERE, "letter-landscape.rpp", report([page(2, LETTER_LANDSCAPE)])[0])
    write(HERE, "no-pages.rpp", report([])[0])


def bad_files():
    three = [page(1), page(2), page(3)]

    def damaged(name, compressed, change, payloads=None):
        data, starts = report(payloads or three, compressed)
        change(data, starts)
        write(BAD, name + ".rpp", data)

    write(BAD, "empty.rpp", b"")
    write(BAD, "shorter-than-header.rpp", header(1, False)[:100])
    damaged("wrong-mark", False, lambda d, s: d.__setitem__(0, 4))
    damaged("wrong-version", False, lambda d, s: put(d, 0, 3 | (301 << 16)))
    damaged("page-count-negative", False, lambda d, s: put(d, 8, -1))
    damaged("page-count-too-large", False, lambda d, s: put(d, 8, 4))
    damaged("page-count-too-small", False, lambda d, s: put(d, 8, 2))
    damaged("page-count-huge", False, lambda d, s: put(d, 8, 0x7FFFFFFF))
    damaged("record-number-wrong", False, lambda d, s: put(d, s[1], 7))
    damaged("forward-link-outside", False, lambda d, s: put(d, s[0] + 4, 0x7FFFFFF0))
    damaged("forward-link-negative", False, lambda d, s: put(d, s[1] + 4, -8))
    damaged("forward-link-not-forward", False, lambda d, s: put(d, s[1] + 4, s[1] + 4))
    damaged("backward-link-wrong", False, lambda d, s: put(d, s[2] - 4, s[0]))
    damaged("last-backward-link-wrong", False, lambda d, s: put(d, len(d) - 4, 16))

    def cut(d, s):
        del d[len(d) - 30:]
    damaged("cut-short", False, cut)
    damaged("bytes-after-last-page", False, lambda d, s: d.extend(b"\0" * 16))
    damaged("metafile-length-wrong", False, lambda d, s: put(d, s[0] + 8 + 48, 4000))

    def not_a_metafile(d, s):
        d[s[1] + 8 + 40:s[1] + 8 + 44] = b"XEMF"
    damaged("not-a-metafile", False, not_a_metafile)
    damaged("compressed-length-negative", True, lambda d, s: put(d, s[1] + 8, -5))

    def more_than_the_code_holds(d, s):
        put(d, s[0] + 8, struct.unpack_from("<i", d, s[0] + 8)[0] + 64)
    damaged("compressed-ends-before-its-length", True, more_than_the_code_holds)

    def less_than_the_code_holds(d, s):
        put(d, s[2] + 8, struct.unpack_from("<i", d, s[2] + 8)[0] - 40)
    damaged("compressed-decodes-past-its-length", True, less_than_the_code_holds)

    # A compressed record whose code is sound but whose bytes are not a metafile.
    junk = b"not a metafile at all, but long enough to have a header's length " * 2
    damaged("compressed-not-a-metafile", True, lambda d, s: None, [page(1), junk])


if __name__ == "__main__":
    good_files()
    bad_files()
