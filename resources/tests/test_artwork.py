"""Checks the generated artwork: the bitmap sizes and frame layouts the
program relies on, the skin and mask against the main window's controls, and
the run-length encoder against an independent strict decoder."""

import os
import random
import re
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, '..')
sys.path.insert(0, os.path.join(RES, 'tools'))

import dialog_layout  # noqa: E402
import inifile  # noqa: E402
import raster  # noqa: E402

RUNTIME = os.environ.get('SLIDEWRIGHT_RUNTIME_FILES_DIR', '')
ART = os.environ.get('SLIDEWRIGHT_ART_DIR', '')


class BadBitmap(Exception):
    pass


def decode_rle8(data, width, height):
    """Strict BI_RLE8 decoder: index rows, top row first. Anything that would
    write outside the picture or leave it unfinished raises BadBitmap."""
    rows = [[None] * width for _ in range(height)]
    x = y = i = 0            # y counts from the bottom row, as stored
    while True:
        if i + 2 > len(data):
            raise BadBitmap('data ends before the end-of-bitmap escape')
        n, c = data[i], data[i + 1]
        i += 2
        if n > 0:
            if y >= height or x + n > width:
                raise BadBitmap('run of %d at (%d, %d) leaves the picture' % (n, x, y))
            rows[y][x:x + n] = [c] * n
            x += n
        elif c == 0:
            x, y = 0, y + 1
        elif c == 1:
            break
        elif c == 2:
            raise BadBitmap('delta escape: pixels would stay undefined')
        else:
            if y >= height or x + c > width or i + c > len(data):
                raise BadBitmap('literal of %d at (%d, %d) leaves the picture' % (c, x, y))
            rows[y][x:x + c] = list(data[i:i + c])
            x += c
            i += c + (c & 1)
    for row in rows:
        if None in row:
            raise BadBitmap('pixels left undefined')
    return list(reversed(rows))


def read_bmp(path):
    """(width, height, bits, compression, palette, rows of RGB) of a BMP."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] != b'BM':
        raise BadBitmap('not a BMP')
    size, offset = struct.unpack_from('<I4xI', data, 2)
    if size != len(data):
        raise BadBitmap('file size field %d, file %d' % (size, len(data)))
    (hsize, width, height, planes, bits, compression, _, _, _, used, _) = struct.unpack_from('<IiiHHIIiiII', data, 14)
    palette = []
    if bits <= 8:
        count = used or (1 << bits)
        if count > 256 or 14 + hsize + 4 * count != offset:
            raise BadBitmap('colour table does not fit the pixel offset')
        for k in range(count):
            b, g, r, _ = data[14 + hsize + 4 * k:18 + hsize + 4 * k]
            palette.append((r, g, b))
    pixels = data[offset:]
    if compression == 1:
        index_rows = decode_rle8(pixels, width, height)
        rows = [[palette[v] for v in row] for row in index_rows]
    elif compression == 0 and bits == 8:
        stride = (width + 3) & ~3
        rows = [[palette[pixels[y * stride + x]] for x in range(width)] for y in range(height)][::-1]
    elif compression == 0 and bits == 24:
        stride = (width * 3 + 3) & ~3
        rows = []
        for y in range(height):
            line = pixels[y * stride:y * stride + width * 3]
            rows.append([(line[3 * x + 2], line[3 * x + 1], line[3 * x]) for x in range(width)])
        rows.reverse()
    else:
        raise BadBitmap('unexpected form: %d bits, compression %d' % (bits, compression))
    return width, height, bits, compression, palette, rows


def read_icon(path):
    """Directory of an ICO or CUR file: (kind, [(w, h, field1, field2)])."""
    with open(path, 'rb') as f:
        data = f.read()
    _, kind, count = struct.unpack_from('<HHH', data, 0)
    entries = []
    for k in range(count):
        w, h, _, _, f1, f2, length, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * k)
        if offset + length > len(data):
            raise BadBitmap('image %d runs past the end' % k)
        hw, hh = struct.unpack_from('<ii', data, offset + 4)
        if (hw, hh) != (w or 256, 2 * (h or 256)):
            raise BadBitmap('image %d header says %dx%d' % (k, hw, hh))
        entries.append((w or 256, h or 256, f1, f2))
    return kind, entries


def rc_text():
    with open(os.path.join(RES, 'slidewright.rc'), encoding='utf-8') as f:
        return f.read()


def header_text():
    with open(os.path.join(RES, 'resource.h'), encoding='utf-8') as f:
        return f.read()


def rc_files(kind):
    """{resource id: file name} of the BITMAP, ICON or CURSOR lines of the maker's .rc."""
    defines = dialog_layout.read_defines(header_text())
    out = {}
    for name, file_name in re.findall(r'^(\w+)\s+%s\s+"([^"]+)"' % kind, rc_text(), re.M):
        out[defines[name]] = file_name
    return out


class RunLengthEncoder(unittest.TestCase):

    def round_trip(self, rows):
        width = len(rows[0])
        self.assertEqual(decode_rle8(raster.rle8_encode(rows), width, len(rows)), rows)

    def test_rows_of_every_shape(self):
        self.round_trip([[7]])
        self.round_trip([[1, 2]])
        self.round_trip([[1, 2, 3]])                       # shortest literal
        self.round_trip([[5] * 600])                       # run longer than 255
        self.round_trip([list(range(256)) + [0, 1, 2]])    # literal longer than 255
        self.round_trip([[1, 2, 3, 4, 5], [9, 9, 9, 9, 9]])  # odd literal needs padding
        self.round_trip([[1, 1, 2, 2, 3, 3, 3, 4]])
        self.round_trip([[0, 0, 0, 1, 0, 0, 0, 2, 2]])

    def test_random_rows(self):
        rnd = random.Random(4)
        for _ in range(200):
            width = rnd.randint(1, 70)
            colours = rnd.randint(1, 6)
            rows = [[rnd.randrange(colours) for _ in range(width)] for _ in range(rnd.randint(1, 4))]
            self.round_trip(rows)

    def test_decoder_refuses_overruns(self):
        with self.assertRaises(BadBitmap):
            decode_rle8(bytes((5, 1, 0, 1)), 4, 1)        # run past the row
        with self.assertRaises(BadBitmap):
            decode_rle8(bytes((2, 1, 0, 0, 2, 1, 0, 0, 2, 1, 0, 1)), 2, 2)   # third row
        with self.assertRaises(BadBitmap):
            decode_rle8(bytes((2, 1)), 2, 1)              # no end of bitmap


class PaletteBuilder(unittest.TestCase):

    def test_exact_colours_survive_and_limit_holds(self):
        rows = [[(i, 0, 0) for i in range(200)], [(0, 0, 0)] * 200]
        palette, idx = raster.build_palette(rows)
        self.assertEqual(palette[idx[0][57]], (57, 0, 0))
        rows = [[(x, y, (x * y) & 255) for x in range(64)] for y in range(64)]
        palette, idx = raster.build_palette(rows)
        self.assertLessEqual(len(palette), 256)
        self.assertLessEqual(max(max(r) for r in idx), len(palette) - 1)


@unittest.skipUnless(ART and RUNTIME, 'artwork folders not set (run through ctest)')
class Bitmaps(unittest.TestCase):

    def test_bitmap_sizes_and_forms(self):
        sizes = {137: (183, 139), 142: (32, 16), 143: (64, 92), 160: (182, 14), 161: (126, 14), 168: (64, 15)}
        for ident in range(176, 184):
            sizes[ident] = (16, 15)
        files = rc_files('BITMAP')
        self.assertEqual(sorted(files), sorted(sizes))
        for ident, size in sizes.items():
            w, h, bits, compression, palette, _ = read_bmp(os.path.join(ART, files[ident]))
            self.assertEqual((w, h), size, 'bitmap %d' % ident)
            self.assertEqual(compression, 0, 'bitmap %d' % ident)
            if 176 <= ident <= 183:
                # mapped to the button colours when loaded: needs a colour table
                self.assertEqual(bits, 8, 'bitmap %d' % ident)

    def test_button_glyphs_on_the_face_key(self):
        files = rc_files('BITMAP')
        for ident in range(176, 184):
            _, _, _, _, palette, rows = read_bmp(os.path.join(ART, files[ident]))
            self.assertEqual(rows[0][0], (192, 192, 192), 'bitmap %d' % ident)
            # the other colours that loading maps to system colours must not appear
            for grey in ((128, 128, 128), (223, 223, 223)):
                self.assertNotIn(grey, palette, 'bitmap %d' % ident)
            self.assertGreater(sum(p != (192, 192, 192) for row in rows for p in row), 20)

    def test_frames_keep_to_their_cells(self):
        files = rc_files('BITMAP')
        # transition and picture marks: every 14-pixel cell has a mark of its
        # own and a keyed background
        key = (0x17, 0x18, 0x19)
        for ident, count in ((160, 13), (161, 9)):
            _, _, _, _, _, rows = read_bmp(os.path.join(ART, files[ident]))
            cells = [[row[k * 14:(k + 1) * 14] for row in rows] for k in range(count)]
            for k, cell in enumerate(cells):
                self.assertEqual((cell[0][0], cell[0][13], cell[13][0], cell[13][13]), (key,) * 4,
                                 'bitmap %d mark %d' % (ident, k))
                self.assertGreater(sum(p != key for row in cell for p in row), 40, 'bitmap %d mark %d' % (ident, k))
            self.assertEqual(len({str(cell) for cell in cells}), count, 'bitmap %d: two marks alike' % ident)
        # menu glyphs: four 16-pixel cells on magenta, none empty
        _, _, _, _, _, rows = read_bmp(os.path.join(ART, files[168]))
        for k in range(4):
            cell = [row[k * 16:(k + 1) * 16] for row in rows]
            self.assertEqual(cell[0][0], (255, 0, 255))
            self.assertGreater(sum(p != (255, 0, 255) for row in cell for p in row), 10, 'glyph %d' % k)
        # arrows: the pressed states (0 and 3) differ from the normal ones (1 and 2)
        _, _, _, _, _, rows = read_bmp(os.path.join(ART, files[143]))
        quarter = [[row[k * 16:(k + 1) * 16] for row in rows] for k in range(4)]
        self.assertNotEqual(quarter[0], quarter[1])
        self.assertNotEqual(quarter[3], quarter[2])

    def test_icons_and_cursor(self):
        for ident, file_name in list(rc_files('ICON').items()) + [(100, 'saver.ico')]:
            kind, entries = read_icon(os.path.join(ART, file_name))
            self.assertEqual(kind, 1)
            self.assertEqual(sorted((w, h) for w, h, _, _ in entries), [(16, 16), (32, 32), (48, 48)], ident)
        (ident, file_name), = rc_files('CURSOR').items()
        self.assertEqual(ident, 144)
        kind, entries = read_icon(os.path.join(ART, file_name))
        self.assertEqual(kind, 2)
        (w, h, hot_x, hot_y), = entries
        self.assertTrue(0 <= hot_x < w and 0 <= hot_y < h)


@unittest.skipUnless(ART and RUNTIME, 'artwork folders not set (run through ctest)')
class Skin(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        size, cls.controls = dialog_layout.read_dialog(rc_text(), header_text(), 'IDD_MAIN')
        cls.client = dialog_layout.dlu_to_pixels(0, 0, *size)[2:]
        iface = os.path.join(RUNTIME, 'interface')
        cls.skin = read_bmp(os.path.join(iface, 'mainskin.bmp'))
        cls.mask = read_bmp(os.path.join(iface, 'mainmask.bmp'))
        with open(os.path.join(RUNTIME, 'language.cns'), encoding='gbk') as f:
            sections, _ = inifile.parse(f.read())
        cls.buttons = {key: tuple(int(v) for v in inifile.value(sections, 'Skin', key).split(','))
                       for key in ('Closebuttion', 'MinButton')}

    def black(self, rect):
        rows = self.mask[5]
        x0, y0, x1, y1 = rect
        return all(rows[y][x] == (0, 0, 0) for y in range(y0, y1) for x in range(x0, x1))

    def test_both_files_are_rle8_of_the_client_size(self):
        for w, h, bits, compression, palette, _ in (self.skin, self.mask):
            self.assertEqual((w, h), self.client)
            self.assertEqual((bits, compression), (8, 1))
            self.assertLessEqual(len(palette), 256)

    def test_mask_covers_every_control(self):
        shown = [c for c in self.controls if c.visible]
        self.assertEqual(len(shown), len(self.controls) - 1)   # only the music player is hidden
        for control in shown:
            self.assertTrue(self.black(control.pixels), 'control %d at %r' % (control.id, control.pixels))

    def test_window_buttons_lie_on_the_skin(self):
        close = self.buttons['Closebuttion']
        minimise = self.buttons['MinButton']
        self.assertTrue(close[0] >= minimise[2] or close[2] <= minimise[0], 'buttons overlap')
        rows = self.skin[5]
        for rect in (close, minimise):
            self.assertTrue(self.black(rect), rect)
            for control in self.controls:
                a = control.pixels
                self.assertFalse(a[0] < rect[2] and rect[0] < a[2] and a[1] < rect[3] and rect[1] < a[3],
                                 'control %d under %r' % (control.id, rect))
            # a drawn button: its face colour fills the middle of the rectangle's edges and a
            # glyph of another colour sits in its centre
            x0, y0, x1, y1 = rect
            face = rows[y0 + 2][(x0 + x1) // 2]
            centre = rows[(y0 + y1) // 2][(x0 + x1) // 2]
            self.assertNotEqual(face, centre, rect)
            self.assertNotEqual(face, rows[y0 + 2][x0 - 3], rect)

    def test_settings_labels_fit_beside_their_fields(self):
        # The program draws these labels on the skin beside their controls. In 9-point 宋体 a
        # character is 6 pixels wide, a Chinese one 12, and a line 12 high; the English file's
        # font is taken as no wider on average.
        with open(os.path.join(ART, 'skin-layout.ini'), encoding='utf-8') as f:
            layout, _ = inifile.parse(f.read())
        panel = tuple(int(v) for v in inifile.value(layout, 'Panels', 'Settings').split(','))
        rect = {c.id: c.pixels for c in self.controls}
        spin_width = rect[1044][2] - rect[1044][0]
        placements = [  # key, control, side, vertical offset
            ('AlbumWidth', 1063, 'left', 0), ('WidthBound', 1063, 'right', 0),
            ('AlbumHeight', 1062, 'left', 0), ('HeightBound', 1062, 'right', 0),
            ('BKColor', 1064, 'left', 4), ('PauseTime', 1014, 'left', 0),
            ('Second', 1014, 'after spin', 0), ('SavePath', 1008, 'left', 0)]
        for name, encoding in (('language.cns', 'gbk'), ('english.lng', 'ascii')):
            with open(os.path.join(RUNTIME, name), encoding=encoding) as f:
                sections, _ = inifile.parse(f.read())
            for key, ident, side, dy in placements:
                text = inifile.value(sections, 'String', key)
                w = sum(6 if ord(ch) < 128 else 12 for ch in text)
                r = rect[ident]
                x = {'left': r[0] - w, 'right': r[2] + 2, 'after spin': r[2] + spin_width}[side]
                box = (x, r[1] + dy, x + w, r[1] + dy + 12)
                where = '%s: %s at %r' % (name, key, box)
                self.assertTrue(panel[0] + 4 <= box[0] and box[2] <= panel[2] - 4, where)
                for control in self.controls:
                    a = control.pixels
                    if control.id == 1044 and key == 'Second':
                        continue   # the up-down moves onto its edit's right edge
                    self.assertFalse(a[0] < box[2] and box[0] < a[2] and a[1] < box[3] and box[1] < a[3],
                                     '%s overlaps control %d' % (where, control.id))

    def test_corners_are_cut_away(self):
        w, h = self.client
        rows = self.mask[5]
        for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            self.assertNotEqual(rows[y][x], (0, 0, 0))
        self.assertEqual(rows[h // 2][0], (0, 0, 0))


if __name__ == '__main__':
    unittest.main()
