"""A small anti-aliased rasteriser and writers for BMP, ICO and CUR files.

Shapes are described by signed distance functions (negative inside); a
pixel's coverage is 0.5 - distance at its centre, clamped to 0..1, which
gives a one-pixel soft edge. Only the standard library is used, so the
artwork can be rebuilt on any machine that has Python 3.
"""

import math
import struct


def hex_rgb(text):
    """'#RRGGBB' -> (r, g, b)."""
    text = text.lstrip('#')
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def mix(a, b, t):
    """Blend colour a towards b by t (0..1)."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Canvas:
    """RGBA pixels as floats; alpha 1.0 is opaque."""

    def __init__(self, width, height, fill=(0, 0, 0), alpha=1.0):
        self.width = width
        self.height = height
        self.px = [[list(fill) + [alpha] for _ in range(width)] for _ in range(height)]

    # -- pixel access ------------------------------------------------------
    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        if coverage > 1.0:
            coverage = 1.0
        p = self.px[y][x]
        a0 = p[3]
        a = coverage + a0 * (1.0 - coverage)
        if a <= 0.0:
            return
        for i in range(3):
            p[i] = (colour[i] * coverage + p[i] * a0 * (1.0 - coverage)) / a
        p[3] = a

    def set(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = list(colour) + [alpha]

    def get_rgb(self, x, y):
        p = self.px[y][x]
        return (int(round(p[0])), int(round(p[1])), int(round(p[2])))

    # -- shapes ------------------------------------------------------------
    def shape(self, sdf, bbox, colour, opacity=1.0, shade=None):
        """Fill the shape sdf(x, y) within bbox (x0, y0, x1, y1).

        shade, when given, maps (x, y) to a colour (for gradients).
        """
        x0, y0, x1, y1 = bbox
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.width, int(math.ceil(x1)) + 1)
        y1 = min(self.height, int(math.ceil(y1)) + 1)
        for y in range(y0, y1):
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                cov = 0.5 - sdf(cx, cy)
                if cov > 0.0:
                    c = shade(cx, cy) if shade else colour
                    self.blend(x, y, c, min(cov, 1.0) * opacity)

    def rect(self, x0, y0, x1, y1, colour, opacity=1.0, shade=None):
        """Axis-aligned rectangle with pixel-exact edges (no soft edge)."""
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                c = shade(x + 0.5, y + 0.5) if shade else colour
                self.blend(x, y, c, opacity)

    def round_rect(self, x0, y0, x1, y1, r, colour, opacity=1.0, shade=None):
        self.shape(sdf_round_rect(x0, y0, x1, y1, r), (x0, y0, x1, y1), colour, opacity, shade)

    def round_rect_outline(self, x0, y0, x1, y1, r, width, colour, opacity=1.0):
        outer = sdf_round_rect(x0, y0, x1, y1, r)
        self.shape(lambda x, y: abs(outer(x, y) + width / 2.0) - width / 2.0,
                   (x0, y0, x1, y1), colour, opacity)

    def circle(self, cx, cy, r, colour, opacity=1.0, shade=None):
        self.shape(lambda x, y: math.hypot(x - cx, y - cy) - r,
                   (cx - r, cy - r, cx + r, cy + r), colour, opacity, shade)

    def ring(self, cx, cy, r, width, colour, opacity=1.0):
        self.shape(lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2.0,
                   (cx - r - width, cy - r - width, cx + r + width, cy + r + width),
                   colour, opacity)

    def line(self, x0, y0, x1, y1, width, colour, opacity=1.0):
        """A segment with round caps."""
        sdf = sdf_capsule(x0, y0, x1, y1, width / 2.0)
        pad = width
        self.shape(sdf, (min(x0, x1) - pad, min(y0, y1) - pad, max(x0, x1) + pad, max(y0, y1) + pad),
                   colour, opacity)

    def polyline(self, points, width, colour, opacity=1.0):
        sdfs = [sdf_capsule(a[0], a[1], b[0], b[1], width / 2.0) for a, b in zip(points, points[1:])]
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(lambda x, y: min(s(x, y) for s in sdfs),
                   (min(xs) - width, min(ys) - width, max(xs) + width, max(ys) + width),
                   colour, opacity)

    def polygon(self, points, colour, opacity=1.0, shade=None):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.shape(sdf_polygon(points), (min(xs), min(ys), max(xs), max(ys)), colour, opacity, shade)

    def blit(self, other, dx, dy):
        for y in range(other.height):
            for x in range(other.width):
                p = other.px[y][x]
                self.blend(dx + x, dy + y, p[:3], p[3])

    def text(self, font, s, x, y, colour, scale=1, spacing=1):
        """Draw s in a bitmap font (dict char -> rows of '#'/'.')."""
        for ch in s:
            glyph = font.get(ch)
            if glyph is None:
                x += 3 * scale
                continue
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '#':
                        for sy in range(scale):
                            for sx in range(scale):
                                self.blend(x + gx * scale + sx, y + gy * scale + sy, colour, 1.0)
            x += (len(glyph[0]) + spacing) * scale
        return x

    def text_width(self, font, s, scale=1, spacing=1):
        w = 0
        for ch in s:
            glyph = font.get(ch)
            w += (len(glyph[0]) + spacing) * scale if glyph else 3 * scale
        return w - spacing * scale

    def flatten(self, background):
        """Opaque RGB rows (top row first) over a background colour."""
        rows = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                p = self.px[y][x]
                a = p[3]
                row.append(tuple(int(round(p[i] * a + background[i] * (1 - a))) for i in range(3)))
            rows.append(row)
        return rows

    def rgba_rows(self):
        rows = []
        for y in range(self.height):
            rows.append([tuple(int(round(v)) for v in p[:3]) + (int(round(p[3] * 255)),)
                         for p in self.px[y]])
        return rows


# -- signed distance functions ---------------------------------------------

def sdf_round_rect(x0, y0, x1, y1, r):
    cx = (x0 + x1) / 2.0
    cy = (y0 + y1) / 2.0
    hx = (x1 - x0) / 2.0 - r
    hy = (y1 - y0) / 2.0 - r

    def f(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        inside = min(max(qx, qy), 0.0)
        return outside + inside - r
    return f


def sdf_capsule(ax, ay, bx, by, r):
    dx = bx - ax
    dy = by - ay
    dd = dx * dx + dy * dy

    def f(x, y):
        px = x - ax
        py = y - ay
        h = 0.0 if dd == 0 else max(0.0, min(1.0, (px * dx + py * dy) / dd))
        return math.hypot(px - dx * h, py - dy * h) - r
    return f


def sdf_polygon(points):
    n = len(points)

    def f(x, y):
        d = float('inf')
        sign = 1.0
        j = n - 1
        for i in range(n):
            vi = points[i]
            vj = points[j]
            ex = vj[0] - vi[0]
            ey = vj[1] - vi[1]
            wx = x - vi[0]
            wy = y - vi[1]
            ee = ex * ex + ey * ey
            h = 0.0 if ee == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / ee))
            bx = wx - ex * h
            by = wy - ey * h
            d = min(d, bx * bx + by * by)
            c1 = y >= vi[1]
            c2 = y < vj[1]
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                sign = -sign
            j = i
        return sign * math.sqrt(d)
    return f


# -- palettes ----------------------------------------------------------------

def build_palette(rows, limit=256):
    """Return (palette, index rows) with at most `limit` colours.

    When the picture holds more colours, the channels are rounded to coarser
    steps until they fit; exact colours (flat fills, key colours) survive as
    long as the picture needs no rounding.
    """
    step = 1
    while True:
        def q(c):
            if step == 1:
                return c
            return tuple(min(255, (v + step // 2) // step * step) for v in c)
        colours = {}
        for row in rows:
            for c in row:
                qc = q(c)
                if qc not in colours:
                    colours[qc] = len(colours)
                    if len(colours) > limit:
                        break
            if len(colours) > limit:
                break
        if len(colours) <= limit:
            palette = sorted(colours, key=lambda c: (sum(c), c))
            index = {c: i for i, c in enumerate(palette)}
            return palette, [[index[q(c)] for c in row] for row in rows]
        step *= 2


# -- file writers --------------------------------------------------------------

def _bmp_file(info_header, palette_bytes, pixel_bytes):
    offset = 14 + len(info_header) + len(palette_bytes)
    size = offset + len(pixel_bytes)
    return struct.pack('<2sIHHI', b'BM', size, 0, 0, offset) + info_header + palette_bytes + pixel_bytes


def bmp24(rows):
    """24-bit bottom-up BMP from RGB rows (top row first)."""
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (stride - len(line))
        data += line
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return _bmp_file(info, b'', bytes(data))


def _palette_bytes(palette):
    return b''.join(bytes((b, g, r, 0)) for r, g, b in palette)


def bmp8(rows, palette=None):
    """8-bit uncompressed BMP; the palette is built from the picture unless given."""
    if palette is None:
        palette, idx = build_palette(rows)
    else:
        lookup = {c: i for i, c in enumerate(palette)}
        idx = [[lookup[c] for c in row] for row in rows]
    h = len(idx)
    w = len(idx[0])
    stride = (w + 3) & ~3
    data = bytearray()
    for row in reversed(idx):
        data += bytes(row) + b'\0' * (stride - w)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(data), 2835, 2835, len(palette), 0)
    return _bmp_file(info, _palette_bytes(palette), bytes(data))


def rle8_encode(index_rows):
    """BI_RLE8 data for rows given top row first (stored bottom row first)."""
    out = bytearray()
    for row in reversed(index_rows):
        i = 0
        n = len(row)
        while i < n:
            # length of the run of equal pixels starting at i
            run = 1
            while i + run < n and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 3 or n - i < 3:
                out += bytes((run, row[i]))
                i += run
                continue
            # literal stretch: up to the next run of three or more
            j = i
            while j < n and j - i < 255:
                if j + 2 < n and row[j] == row[j + 1] == row[j + 2]:
                    break
                j += 1
            count = j - i
            if count < 3:
                for k in range(i, j):
                    out += bytes((1, row[k]))
            else:
                out += bytes((0, count)) + bytes(row[i:j])
                if count & 1:
                    out += b'\0'
            i = j
        out += b'\0\0'          # end of line
    out[-2:] = b'\0\1'          # the last end of line becomes end of bitmap
    return bytes(out)


def bmp_rle8(rows):
    """8-bit run-length-compressed BMP (BI_RLE8) from RGB rows."""
    palette, idx = build_palette(rows)
    data = rle8_encode(idx)
    h = len(idx)
    w = len(idx[0])
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 1, len(data), 2835, 2835, len(palette), 0)
    return _bmp_file(info, _palette_bytes(palette), data)


def _icon_image(rgba_rows):
    """One image of an icon or cursor: 32-bit XOR bitmap plus 1-bit AND mask."""
    h = len(rgba_rows)
    w = len(rgba_rows[0])
    xor = bytearray()
    for row in reversed(rgba_rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rgba_rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def icon_file(images, hotspots=None):
    """ICO (or CUR when hotspots are given) from a list of RGBA row images."""
    kind = 2 if hotspots else 1
    out = struct.pack('<HHH', 0, kind, len(images))
    blobs = [_icon_image(img) for img in images]
    offset = 6 + 16 * len(images)
    for i, (img, blob) in enumerate(zip(images, blobs)):
        w = len(img[0])
        h = len(img)
        if hotspots:
            planes, bits = hotspots[i]
        else:
            planes, bits = 1, 32
        out += struct.pack('<BBBBHHII', w & 0xFF, h & 0xFF, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)
