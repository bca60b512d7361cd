#!/usr/bin/env python3
# Writes the hostile inputs of bad/emf and bad/rpp that this script makes: sound files whose
# fonts are stretched far beyond any glyph size (wide, negative, turned, under a huge world
# transform), and report files whose page frames ask for pictures at and past the render
# limits. The inputs that the fuzz step found are kept beside them as they were found.
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    with open(os.path.join(HERE, folder, name), 'wb') as f:
        f.write(data)


def rec(rtype, payload=b''):
    payload += b'\0' * (-len(payload) % 4)
    return struct.pack('<II', rtype, 8 + len(payload)) + payload


# A metafile of w x h reference pixels, its frame in hundredths of a millimetre (at 96 per
# inch unless given), holding the records.
def emf(records, w=100, h=60, frame=None):
    frame = frame or (round(w * 2540 / 96), round(h * 2540 / 96))
    body = b''.join(records) + rec(14, struct.pack('<III', 0, 16, 20))
    head = struct.pack('<4i4iIIIIHHIIIiiii', 0, 0, w - 1, h - 1, 0, 0, frame[0], frame[1],
                       0x464D4520, 0x10000, 108 + len(body), len(records) + 2, 16, 0, 0, 0, 0,
                       w, h, max(1, frame[0] // 100), max(1, frame[1] // 100))
    head += struct.pack('<IIIii', 0, 0, 0, *(min(f * 10, 2**31 - 1) for f in frame))
    return struct.pack('<II', 1, 8 + len(head)) + head + body


def font(index, height, width, escapement=0, face='Arial'):
    lf = struct.pack('<iiiii', height, width, escapement, escapement, 400) + bytes(8)
    return rec(82, struct.pack('<I', index) + lf + face.encode('utf-16-le').ljust(64, b'\0'))


def text(x, y, s):
    u = s.encode('utf-16-le')
    return rec(84, struct.pack('<4iIff', 0, 0, 0, 0, 1, 0, 0) +
               struct.pack('<iiIII4iI', x, y, len(s), 76, 0, 0, 0, -1, -1, 0) + u)


def world(m11, m12, m21, m22, dx=0.0, dy=0.0):
    return rec(35, struct.pack('<6f', m11, m12, m21, m22, dx, dy))


def wide_text(width, escapement=0, before=()):
    return emf(list(before) + [font(1, -11, width, escapement), rec(37, struct.pack('<I', 1)),
                               rec(18, struct.pack('<I', 1)), text(5, 20, 'Wide')])


# A report file of one page per metafile, with the header of the files the editor saves.
def rpp(pages):
    out = bytearray(b'\x03\x00\x2e\x01' + bytes(120))
    struct.pack_into('<i', out, 8, len(pages))
    for number, page in enumerate(pages, 1):
        start = len(out)
        out += struct.pack('<ii', number, start + 8 + len(page) + 4) + page
        out += struct.pack('<i', start)
    return bytes(out)


if __name__ == '__main__':
    write('emf', 'font-width-huge.emf', wide_text(4128768))
    write('emf', 'font-width-negative.emf', wide_text(-4128768))
    write('emf', 'font-width-most-negative.emf', wide_text(-2**31))
    write('emf', 'font-width-turned.emf', wide_text(4128768, 900))
    write('emf', 'font-width-turned-45.emf', wide_text(64255, 450))
    write('emf', 'font-width-world-transform.emf', wide_text(4128768, 0, [world(1e4, 0, 0, 1e4)]))
    write('emf', 'font-width-world-stretch.emf', wide_text(64255, 0, [world(1e3, 0, 0, 0.01)]))
    write('rpp', 'page-font-width-world-transform.rpp',
          rpp([wide_text(4128768, 0, [world(1e4, 0, 0, 1e4)])]))
    sound = emf([rec(43, struct.pack('<4i', 10, 10, 50, 40))])
    broken = bytearray(sound)
    struct.pack_into('<I', broken, 108 + 4, 0)  # the rectangle's record size
    write('rpp', 'page-metafile-not-valid.rpp', rpp([sound, bytes(broken), sound]))
    write('rpp', 'first-page-metafile-not-valid.rpp', rpp([bytes(broken), sound]))
    write('rpp', 'page-frame-tall.rpp', rpp([emf([], 794, 1123, (2100, 2000000))]))
    write('rpp', 'page-frame-largest.rpp', rpp([emf([], 794, 1123, (2**31 - 1, 2**31 - 1))]))
