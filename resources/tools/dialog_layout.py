"""Reads a dialog template's controls from a .rc file and maps them to pixels.

The skin is drawn around the controls of the main window's template, so the
template in slidewright.rc stays the one place where their rectangles live.
"""

import re

# Dialog base units of the main window's font, 9-point "宋体" at 96 dpi: a
# 12-pixel cell whose half-width characters are 6 pixels wide. A dialog unit
# is a quarter of the horizontal and an eighth of the vertical base unit.
BASE_UNIT_X = 6
BASE_UNIT_Y = 12


def muldiv(a, b, c):
    """The system's MulDiv: a * b / c rounded half away from zero."""
    n = a * b
    q, r = divmod(abs(n), c)
    if 2 * r >= c:
        q += 1
    return q if n >= 0 else -q


def dlu_to_pixels(x, y, w, h):
    """Pixel rectangle (left, top, right, bottom) of a control, mapped the way
    the dialog manager creates it: position and size each scaled."""
    left = muldiv(x, BASE_UNIT_X, 4)
    top = muldiv(y, BASE_UNIT_Y, 8)
    return (left, top, left + muldiv(w, BASE_UNIT_X, 4), top + muldiv(h, BASE_UNIT_Y, 8))


def read_defines(header_text):
    defines = {}
    for m in re.finditer(r'^\s*#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)\b', header_text, re.M):
        defines[m.group(1)] = int(m.group(2), 0)
    return defines


class Control:
    def __init__(self, ident, cls, style, dlu):
        self.id = ident
        self.cls = cls
        self.style = style
        self.dlu = dlu
        self.pixels = dlu_to_pixels(*dlu)

    @property
    def visible(self):
        return 'NOT WS_VISIBLE' not in self.style

    def __repr__(self):
        return 'Control(%s, %s, %r)' % (self.id, self.cls, self.dlu)


def read_dialog(rc_text, header_text, dialog_name):
    """Return (size in dialog units, [Control]) of one DIALOGEX template."""
    defines = read_defines(header_text)
    defines.update({'IDOK': 1, 'IDCANCEL': 2})
    m = re.search(r'^%s\s+DIALOGEX\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)(.*?)^END'
                  % re.escape(dialog_name), rc_text, re.M | re.S)
    if not m:
        raise ValueError('dialog %s not found' % dialog_name)
    size = (int(m.group(3)), int(m.group(4)))
    controls = []
    for line in m.group(5).splitlines():
        line = line.strip()
        if not line.startswith('CONTROL'):
            continue
        # CONTROL "text", id, class, style, x, y, w, h
        body = re.sub(r'^CONTROL\s+"[^"]*"\s*,\s*', '', line)
        parts = [p.strip() for p in body.split(',')]
        ident_text, cls, style = parts[0], parts[1], parts[2]
        ident = defines[ident_text] if ident_text in defines else int(ident_text, 0)
        dlu = tuple(int(p) for p in parts[3:7])
        controls.append(Control(ident, cls.strip('"'), style, dlu))
    return size, controls
