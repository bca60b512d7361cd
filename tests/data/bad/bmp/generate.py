#!/usr/bin/env python3
"""Damaged bitmap files, one per kind of damage, each named for it. Every one of them must
be refused with "Bitmap image is not valid". Run from this folder to make them again."""
import struct


def info(width, height, bits, compression=0, colors=0, size=40, planes=1):
    h = struct.pack('<IiiHHIIiiII', 40, width, height, planes, bits, compression, 0, 3780, 3780,
                    colors, 0)
    h = struct.pack('<I', size) + h[4:]
    return h + b'\0' * (size - 40) if size > 40 else h


def bmp(header, table=b'', bits=b'', offset=None):
    off = 14 + len(header) + len(table) if offset is None else offset
    body = header + table + bits
    return b'BM' + struct.pack('<IHHI', 14 + len(body), 0, 0, off) + body


def grey(n):
    return b''.join(bytes((i, i, i, 0)) for i in range(n))


def rows24(w, h):
    stride = (w * 3 + 3) & ~3
    return bytes(range(256)) * ((stride * h) // 256) + bytes(range((stride * h) % 256))


def rle8(data, w=4, h=2):
    return bmp(info(w, h, 8, 1, 4), grey(4), bytes(data))


def rle4(data, w=4, h=2):
    return bmp(info(w, h, 4, 2, 4), grey(4), bytes(data))


good24 = bmp(info(3, 2, 24), b'', rows24(3, 2))
cases = {
    'empty': b'',
    'file-header-short': b'BM' + b'\0' * 8,
    'signature-wrong': b'XY' + good24[2:],
    'signature-os2-array': b'BA' + good24[2:],
    'header-size-unknown': bmp(struct.pack('<IiiHH', 20, 3, 2, 1, 24) + b'\0' * 6, b'', rows24(3, 2)),
    'header-size-past-offset': bmp(info(3, 2, 24, size=124)[:60], b'', rows24(3, 2)),
    'width-zero': bmp(info(0, 2, 24), b'', rows24(3, 2)),
    'width-negative': bmp(info(-3, 2, 24), b'', rows24(3, 2)),
    'height-zero': bmp(info(3, 0, 24), b'', rows24(3, 2)),
    'height-most-negative': bmp(info(3, -2**31, 24), b'', rows24(3, 2)),
    'planes-not-one': bmp(info(3, 2, 24, planes=2), b'', rows24(3, 2)),
    'bit-count-unsupported': bmp(info(3, 2, 7), b'', rows24(3, 2)),
    'core-bit-count-16': bmp(struct.pack('<IHHHH', 12, 3, 2, 1, 16), b'', rows24(3, 2)),
    'pixels-too-many': bmp(info(100000, 100000, 1, colors=2), grey(2), b'\0' * 64),
    'compression-unknown': bmp(info(3, 2, 24, 9), b'', rows24(3, 2)),
    'compression-embedded-jpeg': bmp(info(3, 2, 24, 4), b'', b'\xff\xd8\xff\xd9'),
    'rle8-on-4-bits': bmp(info(4, 2, 4, 1, 4), grey(4), b'\0\1'),
    'rle4-on-8-bits': bmp(info(4, 2, 8, 2, 4), grey(4), b'\0\1'),
    'rle-top-down': bmp(info(4, -2, 8, 1, 4), grey(4), b'\x04\x01\0\0\x04\x02\0\1'),
    'bitfields-on-8-bits': bmp(info(3, 2, 8, 3, 2), struct.pack('<III', 0xE0, 0x1C, 0x03), b'\0' * 8),
    'bitfields-masks-missing': bmp(info(3, 2, 16, 3), b'\0\x7c'),
    'bitfields-masks-overlap': bmp(info(3, 2, 16, 3), struct.pack('<III', 0x7C00, 0x0FE0, 0x1F), b'\0' * 16),
    'bitfields-mask-gap': bmp(info(3, 2, 32, 3), struct.pack('<III', 0xFF00FF, 0xFF00, 0xFF), b'\0' * 24),
    'bitfields-masks-zero': bmp(info(3, 2, 32, 3), struct.pack('<III', 0, 0, 0), b'\0' * 24),
    'bitfields-16-mask-too-wide': bmp(info(3, 2, 16, 3), struct.pack('<III', 0x1F0000, 0x7E0, 0x1F), b'\0' * 16),
    'palette-larger-than-depth': bmp(info(3, 2, 4, colors=17), grey(17), b'\0' * 8),
    'palette-overlaps-rows': bmp(info(3, 2, 8, colors=256), grey(16), b'\0' * 8),
    'offset-past-end': bmp(info(3, 2, 24), b'', rows24(3, 2), offset=4096),
    'offset-inside-header': bmp(info(3, 2, 24), b'', rows24(3, 2), offset=20),
    'rows-truncated': good24[:-5],
    'rows-missing': bmp(info(3, 2, 24), b'', b''),
    'rle8-run-overrun': rle8([5, 1, 0, 0, 4, 1, 0, 1]),
    'rle8-literal-overrun': rle8([0, 6, 1, 2, 3, 1, 2, 3, 0, 1]),
    'rle8-literal-truncated': rle8([0, 4, 1, 2]),
    'rle8-delta-outside': rle8([0, 2, 5, 0, 0, 1]),
    'rle8-delta-truncated': rle8([0, 2, 1]),
    'rle8-lines-past-top': rle8([0, 0, 0, 0, 0, 0, 1, 1, 0, 1]),
    'rle8-ends-early': rle8([4, 1]),
    'rle8-run-after-top': rle8([0, 2, 0, 2, 1, 1, 0, 1]),
    'rle4-run-overrun': rle4([9, 0x12, 0, 0, 4, 0x12, 0, 1]),
    'rle4-literal-overrun': rle4([0, 9, 0x12, 0x31, 0x20, 0x45, 0x60, 0, 0, 1]),
    'rle4-literal-truncated': rle4([0, 4, 0x12]),
}

for name, data in cases.items():
    with open(name + '.bmp', 'wb') as f:
        f.write(data)
