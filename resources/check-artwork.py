#!/usr/bin/env python3
"""Checks the committed skin images against the rules the program relies on.

    check-artwork.py [PNG-DIR]

Exit status 0 when every rule holds; otherwise one line per broken rule.
Only the standard library: the PNGs are decoded here, not by the tools that made them.
"""
import struct
import sys
import zlib
from pathlib import Path

KEY = (255, 0, 255)          # the program's "no pixel" colour
OUTER_LINE = (33, 33, 33)    # 1-pixel line round the window face
LINK_COLOURS = [(89, 178, 254), (147, 232, 255), (31, 124, 253), (137, 137, 137)]
LICENCE_COLOURS = LINK_COLOURS[:3] + [(141, 132, 132)]

# file, width, height, PNG colour type (6 RGBA, 2 RGB)
SIZES = [
    ("background.png", 455, 325, 6),
    ("welcome.png", 455, 200, 2),
    ("close.png", 88, 22, 6),
    ("licence.png", 188, 12, 6),
    ("back.png", 144, 12, 6),
    ("cancel.png", 188, 12, 6),
    ("custom.png", 284, 12, 6),
    ("default-dir.png", 284, 12, 6),
    ("minimize.png", 88, 22, 6),
    ("install.png", 532, 55, 6),
    ("slide1.png", 455, 200, 2),
    ("slide2.png", 455, 200, 2),
    ("slide3.png", 455, 200, 2),
    ("browse.png", 208, 31, 6),
]

# text links: file, position of the control on the window, frame colours
LINKS = [
    ("licence.png", 126, 289, LICENCE_COLOURS),
    ("back.png", 393, 289, LINK_COLOURS),
    ("cancel.png", 384, 289, LINK_COLOURS),
    ("custom.png", 358, 289, LINK_COLOURS),
    ("default-dir.png", 295, 128, LINK_COLOURS),
]

# drawn buttons: file, position on the window, whether frames 0 and 2 are the same
BUTTONS = [
    ("close.png", 419, 16, True),
    ("minimize.png", 392, 16, True),
    ("install.png", 163, 209, False),
    ("browse.png", 378, 94, False),
]


class Image:
    def __init__(self, width, height, colour_type, rows):
        self.width, self.height, self.colour_type, self.rows = width, height, colour_type, rows
        self.channels = 4 if colour_type == 6 else 3

    def rgba(self, x, y):
        c = self.channels
        p = self.rows[y][x * c:(x + 1) * c]
        return tuple(p) if c == 4 else tuple(p) + (255,)

    def rgb(self, x, y):
        return self.rgba(x, y)[:3]


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace:
        raise ValueError("expected 8-bit RGB or RGBA, not interlaced; got depth %d type %d interlace %d"
                         % (depth, colour_type, interlace))
    bpp = 4 if colour_type == 6 else 3
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xFF
        rows.append(line)
        prev = line
    return Image(width, height, colour_type, rows)


def frame_pixels(img, k):
    fw = img.width // 4
    for y in range(img.height):
        for x in range(fw):
            yield x, y, img.rgb(k * fw + x, y)


def check(png_dir):
    errors = []
    images = {}
    for name, w, h, ctype in SIZES:
        try:
            img = read_png(png_dir / name)
        except (OSError, ValueError, zlib.error) as e:
            errors.append("%s: %s" % (name, e))
            continue
        images[name] = img
        if (img.width, img.height, img.colour_type) != (w, h, ctype):
            errors.append("%s: %dx%d type %d, expected %dx%d type %d"
                          % (name, img.width, img.height, img.colour_type, w, h, ctype))
            continue
        keyed = [(x, y) for y in range(h) for x in range(w) if img.rgb(x, y) == KEY]
        if keyed:
            errors.append("%s: %d pixels of the key colour, first at %s" % (name, len(keyed), keyed[0]))
        if ctype == 6:
            clear = [(x, y) for y in range(h) for x in range(w) if img.rgba(x, y)[3] != 255]
            if clear:
                errors.append("%s: %d pixels not opaque, first at %s" % (name, len(clear), clear[0]))
    if errors:
        return errors

    slides = [(png_dir / n).read_bytes() for n in ("slide1.png", "slide2.png", "slide3.png")]
    if not slides[0] == slides[1] == slides[2]:
        errors.append("the three slides are not the same file")

    bg = images["background.png"]
    border = [(x, 0) for x in range(bg.width)] + [(x, bg.height - 1) for x in range(bg.width)] + \
             [(0, y) for y in range(bg.height)] + [(bg.width - 1, y) for y in range(bg.height)]
    off = [p for p in border if bg.rgb(*p) != OUTER_LINE]
    if off:
        errors.append("background.png: outer line is not (33,33,33) at %d pixels, first %s" % (len(off), off[0]))

    # The slide is the top of the face without the panel; the banner is the slide plus its plate.
    slide, welcome = images["slide1.png"], images["welcome.png"]
    for y in range(200):
        for x in range(455):
            in_panel = 14 <= x <= 441 and 36 <= y <= 158
            if not in_panel and slide.rgb(x, y) != bg.rgb(x, y):
                errors.append("slide1.png differs from background.png outside the panel at (%d,%d)" % (x, y))
                break
            in_plate = 77 <= x <= 376 and 130 <= y <= 195
            if not in_plate and welcome.rgb(x, y) != slide.rgb(x, y):
                errors.append("welcome.png differs from the slide outside the title plate at (%d,%d)" % (x, y))
                break
        else:
            continue
        break
    if welcome.rgb(225, 160) == slide.rgb(225, 160) or max(welcome.rgb(225, 160)) > 40:
        errors.append("welcome.png: no dark title plate under the title")

    for name, px, py, colours in LINKS:
        img = images[name]
        text = 0
        for x, y, c0 in frame_pixels(img, 0):
            col = [img.rgb(k * (img.width // 4) + x, y) for k in range(4)]
            if c0 == colours[0]:
                text += 1
                if col != colours:
                    errors.append("%s: text at (%d,%d) has colours %s" % (name, x, y, col))
                    break
            elif col != [c0] * 4 or c0 != bg.rgb(px + x, py + y):
                errors.append("%s: plain pixel (%d,%d) differs between frames or from the background" % (name, x, y))
                break
        if text < 40:
            errors.append("%s: only %d text pixels" % (name, text))

    for name, px, py, same02 in BUTTONS:
        img = images[name]
        fw = img.width // 4
        for k in range(4):
            if img.rgb(k * fw, 0) != bg.rgb(px, py):
                errors.append("%s: frame %d corner does not show the background" % (name, k))
        f = [[c for _, _, c in frame_pixels(img, k)] for k in range(4)]
        if f[1] == f[0]:
            errors.append("%s: hot frame looks like the normal one" % name)
        if same02 and f[2] != f[0]:
            errors.append("%s: pressed frame differs from the normal one" % name)
        r, g, b = img.rgb(3 * fw + fw // 2, img.height // 2 + 3)
        if not (r == g == b) and max(r, g, b) - min(r, g, b) > 2:
            errors.append("%s: disabled frame is not grey (%d,%d,%d)" % (name, r, g, b))
    return errors


def main():
    png_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent / "png"
    errors = check(png_dir)
    for e in errors:
        print(e)
    print("artwork: %s" % ("%d problem(s)" % len(errors) if errors else "all rules hold"))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
