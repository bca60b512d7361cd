#!/usr/bin/env python3
# Writes the generated seeds of the fuzz harnesses beside this script: small sound files
# that reach every record and reader path the harnesses cover, for the fuzzer to mutate.
# The files from tests/data join them when run.sh builds each corpus. Run again after
# changing this script; it needs cjpeg (libjpeg-turbo-progs).
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), 'wb') as f:
        f.write(data)


# ---- Enhanced metafiles -------------------------------------------------------------

def rec(rtype, *values, tail=b''):
    body = b''.join(struct.pack('<i' if v < 0 else '<I', v) for v in values) + tail
    body += b'\0' * (-len(body) % 4)
    return struct.pack('<II', rtype, 8 + len(body)) + body


def emf(records, w=64, h=48):
    body = b''.join(records) + struct.pack('<5I', 14, 20, 0, 16, 20)
    head = struct.pack('<II4i4iIIIIHHIIIiiiiIIIii', 1, 108, 0, 0, w - 1, h - 1, 0, 0, w * 10,
                       h * 10, 0x464D4520, 0x10000, 108 + len(body), len(records) + 2, 16, 0, 0,
                       0, 0, 1000, 1000, 100, 100, 0, 0, 0, 100000, 100000)
    return head + body


def f32(*values):
    return b''.join(struct.pack('<f', v) for v in values)


def dib_info(w, h, bits, palette=(), compression=0, masks=()):
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, compression, 0, 3780, 3780,
                       len(palette), 0)
    for m in masks:
        info += struct.pack('<I', m)
    for (r, g, b) in palette:
        info += bytes((b, g, r, 0))
    return info


def rows(w, h, bits, pixel):
    stride = (w * bits + 31) // 32 * 4
    out = b''
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            v = pixel(x, y)
            if bits == 1:
                row[x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 4:
                row[x // 2] |= (v & 15) << (0 if x % 2 else 4)
            elif bits == 8:
                row[x] = v
            elif bits == 16:
                struct.pack_into('<H', row, 2 * x, v)
            elif bits == 24:
                struct.pack_into('<I', row, 3 * x, v) if 3 * x + 4 <= stride else \
                    row.__setitem__(slice(3 * x, 3 * x + 3), struct.pack('<I', v)[:3])
            elif bits == 32:
                struct.pack_into('<I', row, 4 * x, v)
        out += bytes(row)
    return out


def stretchdibits(x, y, cx, cy, info, bits, rop=0x00CC0020):
    return rec(81, 0, 0, 64, 48, x, y, 0, 0, abs(struct.unpack('<i', info[4:8])[0]),
               abs(struct.unpack('<i', info[8:12])[0]), 80, len(info), 80 + len(info),
               len(bits), 0, rop, cx, cy, tail=info + bits)


def blt(rtype, x, y, cx, cy, rop, info, bits, cxs, cys):
    fixed = 100 if rtype == 76 else 108
    pad = b'\0' * (-len(info) % 4)
    vals = [0, 0, 64, 48, x, y, cx, cy, rop, 0, 0]
    tail = f32(1, 0, 0, 1, 0, 0) + struct.pack('<6I', 0, 0, fixed, len(info),
                                                fixed + len(info) + len(pad), len(bits))
    if rtype != 76:
        tail += struct.pack('<ii', cxs, cys)
    return rec(rtype, *vals, tail=tail + info + pad + bits)


def font(index, height, escapement=0, face='Arial', weight=400, italic=0):
    lf = struct.pack('<iiiii', height, 0, escapement, escapement, weight)
    lf += bytes((italic, 0, 0, 0, 0, 0, 0, 0))
    lf += face.encode('utf-16-le').ljust(64, b'\0')
    return rec(82, index, tail=lf)


def textw(x, y, text, options=0, dx=None, rect=(0, 0, -1, -1)):
    s = text.encode('utf-16-le')
    s += b'\0' * (-len(s) % 4)
    offdx = 0 if dx is None else 76 + len(s)
    tail = s + (b''.join(struct.pack('<i', d) for d in dx) if dx else b'')
    return rec(84, 0, 0, 0, 0, 1, 0, 0, x, y, len(text), 76, options, *rect, offdx, tail=tail)


def texta(x, y, text):
    s = text + b'\0' * (-len(text) % 4)
    return rec(83, 0, 0, 0, 0, 1, 0, 0, x, y, len(text), 76, 0, 0, 0, -1, -1, 0, tail=s)


def region(rects):
    data = struct.pack('<IIII4i', 32, 1, len(rects), 16 * len(rects), 0, 0, 64, 48)
    for r in rects:
        data += struct.pack('<4i', *r)
    return data


def points32(pts):
    return b''.join(struct.pack('<ii', x, y) for x, y in pts)


def points16(pts):
    return b''.join(struct.pack('<hh', x, y) for x, y in pts)


def emf_seeds():
    red_brush = [rec(39, 1, 0, 0x0000FF, 0), rec(37, 1)]
    pen = [rec(38, 2, 0, 2, 0, 0xFF0000), rec(37, 2)]
    pal4 = [(255, 0, 0), (0, 128, 0), (0, 0, 255), (0, 0, 0)]
    info8 = dib_info(4, 4, 8, pal4)
    bits8 = rows(4, 4, 8, lambda x, y: (x + y) % 4)
    info24 = dib_info(3, 2, 24)
    bits24 = rows(3, 2, 24, lambda x, y: 0x102030 * (x + 1))
    rle_info = dib_info(6, 4, 8, pal4, compression=1)
    rle = bytes.fromhex('0301000302030200000002020002020102030000060100 01'.replace(' ', ''))
    masks = dib_info(2, 2, 16, compression=3, masks=(0xF800, 0x7E0, 0x1F))
    seeds = {
        'shapes': [*red_brush, *pen, rec(43, 2, 2, 30, 20), rec(42, 34, 2, 62, 20),
                   rec(44, 2, 24, 30, 46, 8, 6), rec(27, 34, 24), rec(54, 62, 46)],
        'arcs': [*red_brush, *pen, rec(45, 2, 2, 30, 30, 30, 16, 16, 2),
                 rec(57, 2), rec(46, 34, 2, 62, 30, 62, 16, 48, 2),
                 rec(47, 2, 18, 30, 46, 30, 32, 16, 18), rec(55, 34, 18, 62, 46, 62, 32, 48, 18),
                 rec(41, 48, 32, 10, *struct.unpack('<II', f32(30, 120)))],
        'polys': [*red_brush, *pen,
                  rec(3, 0, 0, 64, 48, 3, tail=points32([(2, 2), (30, 2), (16, 30)])),
                  rec(86, 0, 0, 64, 48, 3, tail=points16([(34, 2), (62, 2), (48, 30)])),
                  rec(2, 0, 0, 64, 48, 4, tail=points32([(2, 40), (10, 30), (20, 46), (30, 40)])),
                  rec(91, 0, 0, 64, 48, 2, 6, 3, 3,
                      tail=points16([(2, 2), (10, 2), (6, 8), (20, 2), (28, 2), (24, 8)])),
                  rec(7, 0, 0, 64, 48, 2, 4, 2, 2,
                      tail=points32([(2, 44), (60, 44), (2, 46), (60, 46)])),
                  rec(56, 0, 0, 64, 48, 4, tail=points32([(5, 5), (40, 5), (40, 40), (5, 40)]) +
                      bytes((6, 2, 2, 3))),
                  rec(92, 0, 0, 64, 48, 4, tail=points16([(8, 8), (20, 8), (30, 20), (40, 8)]) +
                      bytes((6, 4, 4, 4)))],
        'text': [font(3, -12), rec(37, 3), rec(18, 1), rec(24, 0x008000), rec(22, 24),
                 textw(4, 20, 'Fronte', dx=[7, 7, 5, 7, 4, 7]),
                 font(4, -10, 900), rec(37, 4), textw(50, 46, 'Retro'),
                 texta(4, 40, b'Caf\xe9 \x80'),
                 rec(108, 4, 30, 3, 0x300, 1, 0, 0, tail=b'abc'),
                 rec(84, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 76, 2, 40, 0, 64, 10, 0)],
        'bitmaps': [stretchdibits(2, 2, 20, 20, info8, bits8),
                    stretchdibits(24, 2, 12, 8, info24, bits24),
                    stretchdibits(40, 2, 20, 20, rle_info, rle),
                    stretchdibits(2, 26, 10, 10, masks, rows(2, 2, 16, lambda x, y: 0xF81F)),
                    blt(77, 14, 26, -10, 10, 0x00CC0020, info8, bits8, 4, 4),
                    blt(114, 26, 26, 10, 10, 128 << 16, info24, bits24, 3, 2),
                    blt(116, 38, 26, 10, 10, 0x302010, info24, bits24, 3, 2),
                    blt(76, 50, 26, 4, 4, 0x00CC0020, info8, bits8, 0, 0),
                    rec(80, 0, 0, 64, 48, 56, 40, 0, 0, 4, 4, 76, len(info8), 76 + len(info8),
                        len(bits8), 0, 0, 4, tail=info8 + bits8),
                    rec(76, 0, 0, 64, 48, 0, 40, 64, 8, 0x00F00021, 0, 0,
                        tail=f32(1, 0, 0, 1, 0, 0) + struct.pack('<6I', 0, 0, 0, 0, 0, 0))],
        'brushes': [rec(94, 1, 0, 32, len(info8), 32 + len(info8), len(bits8), tail=info8 + bits8),
                    rec(37, 1), rec(43, 0, 0, 30, 30),
                    rec(93, 2, 0, 32, 48, 80, 32,
                        tail=dib_info(8, 8, 1, [(0, 0, 0), (255, 255, 255)]) +
                        rows(8, 8, 1, lambda x, y: (x + y) % 2)),
                    rec(37, 2), rec(43, 32, 0, 62, 30),
                    rec(39, 3, 2, 0x00FF00, 4), rec(37, 3), rec(43, 0, 32, 30, 46),
                    rec(71, 0, 0, 64, 48, 48, 3, tail=region([(34, 34, 60, 46)]))],
        'paths': [*red_brush, *pen, rec(59), rec(27, 5, 5), rec(54, 40, 5), rec(54, 5, 40),
                  rec(61), rec(4, 0, 0, 64, 48, 2, tail=points32([(40, 40), (60, 20)])),
                  rec(60), rec(63, 0, 0, 64, 48), rec(59), rec(42, 30, 10, 60, 40), rec(60),
                  rec(66), rec(62, 0, 0, 64, 48), rec(59), rec(43, 10, 10, 50, 40), rec(60),
                  rec(67, 5), rec(43, 0, 0, 64, 48), rec(59), rec(68), rec(65), rec(64, 0, 0, 64,
                                                                                  48)],
        'state': [rec(17, 8), rec(9, 640, 480), rec(11, 64, 48), rec(10, 10, 10), rec(12, 2, 2),
                  rec(33), rec(35, *struct.unpack('<6I', f32(0.8, 0.6, -0.6, 0.8, 10, 0))),
                  *red_brush, rec(43, 50, 50, 300, 200), rec(34, -1),
                  rec(36, *struct.unpack('<6I', f32(1, 0, 0.5, 1, 0, 0)), 2),
                  rec(30, 0, 0, 320, 240), rec(29, 100, 100, 200, 200),
                  rec(75, 48, 2, tail=region([(0, 0, 32, 24), (40, 30, 60, 46)])),
                  rec(26, 3, 3), rec(43, 0, 0, 640, 480), rec(75, 0, 5),
                  rec(20, 7), rec(43, 0, 0, 320, 240), rec(21, 4), rec(19, 2),
                  rec(58, *struct.unpack('<I', f32(4.0))), rec(31, 2, 1, 2, 1),
                  rec(32, 1, 2, 1, 2), rec(17, 3), rec(43, 0, 0, 100, 100), rec(40, 1),
                  rec(70, 12, tail=b'EMF+' + struct.pack('<HHII', 0x4001, 1, 28, 16)),
                  rec(95, 5, 0, 0, 0, 0, 0x10007, 3, 0, 0xFF, 0, 2, 4, 2), rec(37, 5),
                  rec(27, 0, 0), rec(54, 60, 40)],
    }
    seeds['jpeg-bitmaps'] = jpeg_bitmaps()
    for name, records in seeds.items():
        write('emf', name + '.emf', emf(records))


def jpeg_bitmaps():
    # Bitmap records that carry a JPEG file: whole, a part of it, mirrored, grey and
    # progressive, a header that claims another size, bytes cut short, and a raster
    # operation other than a copy.
    def jpeg(w, h, args=()):
        return subprocess.run(['cjpeg', *args], input=ppm(w, h), stdout=subprocess.PIPE,
                              check=True).stdout

    def record(x, y, cx, cy, data, w, h, src=None, rop=0x00CC0020):
        info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 0, 4, len(data), 0, 0, 0, 0)
        sx, sy, sw, sh = src or (0, 0, w, h)
        return rec(81, 0, 0, 64, 48, x, y, sx, sy, sw, sh, 80, len(info), 80 + len(info),
                   len(data), 0, rop, cx, cy, tail=info + data)

    colour = jpeg(24, 16, ['-sample', '1x1'])
    grey = jpeg(16, 8, ['-grayscale', '-progressive'])
    return [record(2, 2, 30, 20, colour, 24, 16),
            record(34, 2, 12, 8, colour, 24, 16, src=(4, 4, 12, 8)),
            record(62, 24, -28, 20, colour, 24, 16),
            record(2, 26, 16, 8, grey, 16, 8),
            record(20, 26, 8, 8, colour, 4000, 3000),
            record(30, 26, 8, 8, colour[:len(colour) // 2], 24, 16),
            record(40, 26, 8, 8, colour, 24, 16, rop=0x00EE0086)]


# ---- Windows metafiles --------------------------------------------------------------

def wrec(function, *words):
    return struct.pack('<IH', 3 + len(words), function) + b''.join(
        struct.pack('<h' if w < 0 else '<H', w) for w in words)


def wmf(records, right=1440, bottom=960):
    body = b''.join(records) + struct.pack('<IH', 3, 0)
    head = struct.pack('<IHhhhhHI', 0x9AC6CDD7, 0, 0, 0, right, bottom, 1440, 0)
    checksum = 0
    for i in range(10):
        checksum ^= struct.unpack('<H', head[2 * i:2 * i + 2])[0]
    head += struct.pack('<H', checksum)
    header = struct.pack('<HHHIHIH', 1, 9, 0x300, 9 + len(body) // 2, 4, 10, 0)
    return head + header + body


def packed_dib():
    info = struct.pack('<IiiHHIIiiII', 40, 2, 2, 1, 24, 0, 16, 0, 0, 0, 0)
    return info + rows(2, 2, 24, lambda x, y: 0x0000FF if x == y else 0xFF0000)


def words(data):
    data += b'\0' * (len(data) % 2)
    return [struct.unpack('<H', data[i:i + 2])[0] for i in range(0, len(data), 2)]


def wmf_seeds():
    face = words(b'Times New Roman\0')
    dib = words(packed_dib())
    text = words(b'Abc!')
    seeds = {
        'objects': [wrec(0x020B, 0, 0), wrec(0x020C, 960, 1440), wrec(0x02FC, 0, 0xFF, 0, 0),
                    wrec(0x012D, 0), wrec(0x02FA, 0, 20, 0, 0, 0x80), wrec(0x012D, 1),
                    wrec(0x041B, 480, 720, 0, 0), wrec(0x0418, 960, 1440, 480, 720),
                    wrec(0x061C, 100, 100, 900, 700, 500, 100), wrec(0x01F0, 0),
                    wrec(0x02FC, 2, 0xFF00, 0, 3), wrec(0x012D, 0), wrec(0x00F7, 0x300, 0),
                    wrec(0x06FF, 0), wrec(0x01F9, 0), wrec(0x0142, 0, 0, *dib), wrec(0x012D, 4),
                    wrec(0x041B, 960, 1440, 700, 1000)],
        'lines': [wrec(0x0214, 100, 100), wrec(0x0213, 800, 1300), wrec(0x0817, 0, 720, 480, 1440,
                                                                         960, 1440, 0, 0),
                  wrec(0x081A, 100, 100, 480, 1400, 900, 1400, 100, 800),
                  wrec(0x0830, 900, 100, 100, 100, 900, 700, 100, 100),
                  wrec(0x0324, 3, 10, 10, 700, 10, 300, 500),
                  wrec(0x0325, 3, 10, 900, 700, 600, 1400, 900),
                  wrec(0x0538, 2, 3, 3, 800, 100, 1000, 100, 900, 300, 1100, 100, 1300, 100,
                       1200, 300)],
        'text': [wrec(0x02FB, -200, 0, 0, 0, 700, 0x0001, 0, 0, 0, *face), wrec(0x012D, 0),
                 wrec(0x0102, 1), wrec(0x0209, 0x00FF, 0), wrec(0x012E, 24),
                 wrec(0x0521, 4, *text, 300, 100),
                 wrec(0x0A32, 600, 100, 4, 0, *text, 120, 120, 120, 120),
                 wrec(0x0A32, 900, 100, 4, 6, 80, 700, 600, 960, *text),
                 wrec(0x02FB, -150, 0, 900, 900, 400, 0, 0, 0, 0, *face), wrec(0x012D, 1),
                 wrec(0x0521, 4, *text, 900, 1300)],
        'bitmaps': [wrec(0x0F43, 0x0020, 0x00CC, 0, 2, 2, 0, 0, 480, 720, 0, 0, *dib),
                    wrec(0x0B41, 0x0020, 0x00CC, 2, 2, 0, 0, 480, 720, 0, 720, *dib),
                    wrec(0x0940, 0x0020, 0x00CC, 0, 0, 2, 2, 480, 0, *dib),
                    wrec(0x0B41, 0x0021, 0x00F0, 2, 2, 0, 0, 0, 100, 100, 800, 800),
                    wrec(0x0940, 0x0042, 0x0000, 0, 0, 0, 100, 100, 700, 900),
                    wrec(0x061D, 0x0062, 0x00FF, 100, 100, 850, 1200)],
        'state': [wrec(0x001E), wrec(0x020F, 10, 10), wrec(0x0410, 2, 1, 2, 1),
                  wrec(0x0416, 900, 1400, 10, 10), wrec(0x0415, 200, 200, 100, 100),
                  wrec(0x0220, 5, 5), wrec(0x0102, 2), wrec(0x0201, 0xFFFF, 0x00FF),
                  wrec(0x0104, 7), wrec(0x0106, 2), wrec(0x0107, 3), wrec(0x0127, -1),
                  wrec(0x0103, 8), wrec(0x020E, 0, 0), wrec(0x0626, 0, 0)],
    }
    for name, records in seeds.items():
        write('wmf', name + '.wmf', wmf(records))


# ---- JPEG pictures ------------------------------------------------------------------

def ppm(w, h):
    pixels = bytearray()
    for y in range(h):
        for x in range(w):
            pixels += bytes((x * 255 // max(1, w - 1), y * 255 // max(1, h - 1),
                             220 if (x // 5 + y // 3) % 2 else 30))
    return b'P6\n%d %d\n255\n' % (w, h) + bytes(pixels)


def jpeg_seeds():
    variants = {
        'baseline': (24, 16, []),
        'progressive': (24, 16, ['-progressive']),
        'arithmetic': (16, 16, ['-arithmetic']),
        'grey': (16, 8, ['-grayscale']),
        'subsampled': (17, 13, ['-sample', '2x2']),
        'restart': (32, 16, ['-restart', '1', '-optimize']),
        'rgb': (8, 8, ['-rgb', '-quality', '30']),
    }
    for i, (name, (w, h, args)) in enumerate(variants.items()):
        data = subprocess.run(['cjpeg'] + args, input=ppm(w, h), stdout=subprocess.PIPE,
                              check=True).stdout
        # The first byte chooses the decode settings (scale, depth, grey, passes, speed).
        write('jpeg', name + '.jpg', bytes((i * 37 % 128,)) + data)


# ---- Layouts ------------------------------------------------------------------------

LAYOUTS = {
    'form': """object Form1: TForm
  Left = 10
  Top = $14
  Caption = 'Fronte ' + #233 + ''''
  ClientWidth = 300
  ClientHeight = 200
  Color = clBtnFace
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold, fsItalic]
  Cursor = crHandPoint
  object Panel1: TPanel
    Left = 8
    Width = 100
    Height = -50
    Caption = 'p'
    BevelOuter = bvRaised
    object Label1: TLabel
      Caption = 'x'
      Transparent = True
    end
  end
  object Edit1: TEdit
    MaxLength = 25
    Text = 'abc'
  end
  object Memo1: TMemo
    Lines.Strings = (
      'one'
      'two')
    ScrollBars = ssVertical
  end
end
""",
    'controls': """object Form1: TForm
  object ComboBox1: TComboBox
    Items.Strings = ('a' 'b')
    ItemIndex = 1
  end
  object RadioGroup1: TRadioGroup
    Columns = 2
    Items.Strings = ('Una' 'Multi')
  end
  object PageControl1: TPageControl
    object TabSheet1: TTabSheet
      Caption = 'Fronte'
    end
  end
  object ToolBar1: TToolBar
    object ToolButton1: TToolButton
      Hint = 'h'
    end
  end
  object StatusBar1: TStatusBar
  end
  object ProgressBar1: TProgressBar
    Position = 50
  end
  object BitBtn1: TBitBtn
    Caption = '&OK'
  end
  object ScrollBox1: TScrollBox
  end
  object FontDialog1: TFontDialog
  end
end
""",
    'numbers': """object Form1: TForm
  Left = -$80000000
  Top = 2147483647
  Width = 1.5e3
  Tag = -2147483648
end
""",
}


def layout_seeds():
    for name, text in LAYOUTS.items():
        write('layout', name + '.layout', text.encode('utf-8'))


if __name__ == '__main__':
    emf_seeds()
    wmf_seeds()
    jpeg_seeds()
    layout_seeds()
