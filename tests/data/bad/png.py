#!/usr/bin/env python3
# Writes the damaged and hostile PNG files of bad/png: each is refused, with the reason its
# name gives, before more than its header's worth of pixels is allocated.
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'png')


def chunk(kind, data, crc=None):
    crc = zlib.crc32(kind + data) if crc is None else crc
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', crc & 0xFFFFFFFF)


def png(w, h, rows=None, depth=8, colour=2, idat=None, bad_crc=False):
    head = chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, colour, 0, 0, 0))
    if idat is None:
        idat = zlib.compress(rows)
    body = chunk(b'IDAT', idat, crc=0 if bad_crc else None)
    return b'\x89PNG\r\n\x1a\n' + head + body + chunk(b'IEND', b'')


def stripes(w, h):
    return b''.join(b'\0' + bytes([255 if (y // 8) % 2 else 0] * 3 * w) for y in range(h))


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


os.makedirs(HERE, exist_ok=True)
sound = png(64, 32, stripes(64, 32))
write('truncated-in-pixels.png', sound[:len(sound) // 2])
write('pixels-crc-wrong.png', png(64, 32, stripes(64, 32), bad_crc=True))
write('pixels-not-deflate.png', png(64, 32, idat=b'not a deflate stream at all'))
write('pixels-too-few.png', png(64, 32, stripes(64, 4)))
write('width-zero.png', png(0, 32, b''))
write('header-only.png', sound[:33])
write('not-a-png.png', b'GIF89a this is not what its name says')
# Declared sizes past the pixel limit (167772160): far past, and just past.
write('declared-20000x20000.png', png(20000, 20000, idat=zlib.compress(b'\0' * 1024)))
write('declared-12000x14000.png', png(12000, 14000, idat=zlib.compress(b'\0' * 1024)))
# Within the pixel limit, but 16 bits per channel: 800 MB as Qt decodes it.
write('rgba16-10000x10000.png', png(10000, 10000, depth=16, colour=6,
                                    idat=zlib.compress(b'\0' * 1024)))
