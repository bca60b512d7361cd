#!/usr/bin/env python3
# Writes the PNG seeds of the bitmap harness beside this script: small sound files of each
# colour type and depth that Qt's reader decodes along a path of its own.
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'png')


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def png(w, h, depth, colour, row, extra=b''):
    head = chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, colour, 0, 0, 0))
    rows = b''.join(b'\0' + row for _ in range(h))
    return b'\x89PNG\r\n\x1a\n' + head + extra + chunk(b'IDAT', zlib.compress(rows)) + \
        chunk(b'IEND', b'')


os.makedirs(HERE, exist_ok=True)
seeds = {
    'rgb8.png': png(8, 4, 8, 2, bytes(range(24))),
    'rgba8.png': png(8, 4, 8, 6, bytes(range(32))),
    'grey16.png': png(8, 4, 16, 0, bytes(range(16))),
    'palette4-trns.png': png(8, 4, 4, 3, b'\x01\x23\x01\x23',
                             chunk(b'PLTE', bytes(range(12))) + chunk(b'tRNS', b'\x00\x80')),
}
for name, data in seeds.items():
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)
