#!/usr/bin/env python3
"""Draws every picture resource of Slidewright and its skin.

    draw_artwork.py OUTPUT_DIR [--rc slidewright.rc --header resource.h] [--png]

Writes into OUTPUT_DIR:
  slidewright.ico, saver.ico, drag.cur, preview_placeholder.bmp,
  sprocket.bmp, list_arrows.bmp, transition_marks.bmp, picture_marks.bmp,
  menu_glyphs.bmp,
  glyph_*.bmp, skin-layout.ini (where the close and minimise buttons were
  drawn) and, in the interface folder, mainskin.bmp and mainmask.bmp.

The look: a dark slate film panel across the top, a light body with white
cards for the preview and the album settings, one blue accent and amber
marks. The skin is laid out around the main window's dialog template, read
from the .rc file, so moving a control there moves its decoration too.
"""

import argparse
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import raster  # noqa: E402
from raster import Canvas, hex_rgb, mix  # noqa: E402
import dialog_layout  # noqa: E402

# -- palette -------------------------------------------------------------------
SLATE_900 = hex_rgb('#151A22')
SLATE_800 = hex_rgb('#1E2530')
SLATE_700 = hex_rgb('#29313E')
SLATE_600 = hex_rgb('#3A4453')
SLATE_400 = hex_rgb('#7B8696')
SLATE_200 = hex_rgb('#C7CFDB')
BODY = hex_rgb('#EEF1F5')
CARD = hex_rgb('#FFFFFF')
CARD_EDGE = hex_rgb('#D5DAE2')
FIELD_EDGE = hex_rgb('#B8C0CC')
ACCENT = hex_rgb('#2F7BEA')
ACCENT_DARK = hex_rgb('#1F5FC4')
ACCENT_LIGHT = hex_rgb('#6EA8FF')
AMBER = hex_rgb('#F5B83D')
CORAL = hex_rgb('#E5534B')
GREEN = hex_rgb('#2EA866')
SKY_TOP = hex_rgb('#7CC4FF')
SKY_BOTTOM = hex_rgb('#CDE8FF')
HILL_BACK = hex_rgb('#3FA779')
HILL_FRONT = hex_rgb('#23805A')
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

# Background of the button glyphs: the colour that loading with
# LR_LOADMAP3DCOLORS replaces by the button face colour.
BUTTON_FACE_KEY = (192, 192, 192)
MENU_KEY = (255, 0, 255)                 # MENU_GLYPH_MASK in resource.h
MARK_KEY = (0x17, 0x18, 0x19)            # TRANSITION_MARK_MASK in resource.h

# A 5 x 7 pixel font for the few words the artwork writes.
FONT5 = {
    'S': ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'L': ['#....', '#....', '#....', '#....', '#....', '#....', '#####'],
    'I': ['###', '.#.', '.#.', '.#.', '.#.', '.#.', '###'],
    'D': ['####.', '#...#', '#...#', '#...#', '#...#', '#...#', '####.'],
    'E': ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'W': ['#...#', '#...#', '#...#', '#.#.#', '#.#.#', '##.##', '#...#'],
    'R': ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'G': ['.###.', '#...#', '#....', '#.###', '#...#', '#...#', '.###.'],
    'H': ['#...#', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'T': ['#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'],
}


def vgradient(y0, y1, c0, c1):
    def f(x, y):
        t = 0.0 if y1 == y0 else max(0.0, min(1.0, (y - y0) / float(y1 - y0)))
        return mix(c0, c1, t)
    return f


def crisp(canvas, background):
    """Snap every pixel to either the background or its own opaque colour,
    for glyphs whose background is keyed out or replaced at run time (a soft
    edge would leave a halo of the key colour)."""
    rows = []
    for y in range(canvas.height):
        row = []
        for x in range(canvas.width):
            p = canvas.px[y][x]
            row.append(tuple(int(round(v)) for v in p[:3]) if p[3] >= 0.5 else background)
        rows.append(row)
    return rows


# -- small pictograms shared by icons, glyphs and the skin ---------------------

def draw_landscape(c, x0, y0, x1, y1, radius=0.0, sun=True):
    """A small photograph: sky, sun and two hills, clipped to a rounded box."""
    w = x1 - x0
    h = y1 - y0
    box = raster.sdf_round_rect(x0, y0, x1, y1, radius)
    c.shape(box, (x0, y0, x1, y1), SKY_TOP, shade=vgradient(y0, y1, SKY_TOP, SKY_BOTTOM))
    if sun:
        sx, sy, sr = x0 + w * 0.72, y0 + h * 0.30, max(1.2, h * 0.14)
        c.shape(lambda x, y: max(math.hypot(x - sx, y - sy) - sr, box(x, y)),
                (sx - sr, sy - sr, sx + sr, sy + sr), AMBER)
    back = [(x0, y0 + h * 0.78), (x0 + w * 0.35, y0 + h * 0.38), (x0 + w * 0.62, y0 + h * 0.70),
            (x1, y0 + h * 0.52), (x1, y1), (x0, y1)]
    front = [(x0, y0 + h * 0.88), (x0 + w * 0.55, y0 + h * 0.60), (x1, y0 + h * 0.95), (x1, y1), (x0, y1)]
    for poly, colour in ((back, HILL_BACK), (front, HILL_FRONT)):
        p = raster.sdf_polygon(poly)
        c.shape(lambda x, y, p=p: max(p(x, y), box(x, y)), (x0, y0, x1, y1), colour)


def play_triangle(cx, cy, size):
    """Points of a play triangle centred optically at (cx, cy)."""
    h = size
    w = size * 0.9
    left = cx - w * 0.42
    return [(left, cy - h / 2.0), (left + w, cy), (left, cy + h / 2.0)]


# -- icons ---------------------------------------------------------------------

def app_icon(size):
    c = Canvas(size, size, alpha=0.0)
    s = size / 48.0
    c.round_rect(1 * s, 1 * s, 47 * s, 47 * s, 10 * s, ACCENT,
                 shade=vgradient(0, size, ACCENT_LIGHT, ACCENT_DARK))
    if size >= 32:
        # a slide behind the front one, tilted, for a sense of a series
        back = [(10 * s, 14 * s), (33 * s, 9 * s), (37 * s, 29 * s), (14 * s, 34 * s)]
        c.polygon(back, WHITE, opacity=0.45)
        c.round_rect(9 * s, 15 * s, 40 * s, 39 * s, 2.5 * s, WHITE)
        draw_landscape(c, 12 * s, 18 * s, 37 * s, 36 * s, 1.2 * s)
        c.circle(36 * s, 36 * s, 8.5 * s, CORAL)
        c.ring(36 * s, 36 * s, 8.5 * s, 1.6 * s, WHITE)
        c.polygon(play_triangle(36.6 * s, 36 * s, 8 * s), WHITE)
    else:
        c.round_rect(3, 4, 13, 12.5, 1, WHITE)
        draw_landscape(c, 4, 5, 12, 11.5, 0.5)
    return c.rgba_rows()


def saver_icon(size):
    c = Canvas(size, size, alpha=0.0)
    s = size / 48.0
    # monitor with the slide show on its screen
    c.round_rect(3 * s, 6 * s, 45 * s, 37 * s, 4 * s, SLATE_800)
    draw_landscape(c, 6.5 * s, 9.5 * s, 41.5 * s, 33.5 * s, 1.5 * s)
    c.polygon([(19 * s, 37 * s), (29 * s, 37 * s), (31 * s, 43 * s), (17 * s, 43 * s)], SLATE_600)
    c.round_rect(13 * s, 42 * s, 35 * s, 45.5 * s, 1.6 * s, SLATE_800)
    if size >= 32:
        c.circle(24 * s, 21.5 * s, 7 * s, SLATE_900, opacity=0.55)
        c.polygon(play_triangle(24.6 * s, 21.5 * s, 7 * s), WHITE)
    return c.rgba_rows()


def drag_cursor():
    """32 x 32 arrow carrying a small picture; hot spot at the arrow's tip."""
    c = Canvas(32, 32, alpha=0.0)
    arrow = [(1, 1), (1, 17.5), (5, 13.8), (8, 20.5), (10.6, 19.4), (7.8, 12.8), (13, 12.8)]
    c.shape(lambda x, y, p=raster.sdf_polygon(arrow): p(x, y) - 1.0, (0, 0, 15, 22), BLACK)
    c.polygon(arrow, WHITE)
    # the dragged picture, with a white mount and a dark edge
    c.round_rect(12, 15, 31, 30, 2, SLATE_900)
    c.round_rect(13, 16, 30, 29, 1.5, WHITE)
    draw_landscape(c, 14.5, 17.5, 28.5, 27.5, 0.8)
    return c.rgba_rows()


# -- bitmaps ---------------------------------------------------------------------

def glyph(kind, background, size=(16, 15)):
    """One 16 x 15 glyph on a key colour, crisp edges."""
    w, h = size
    c = Canvas(w, h, alpha=0.0)
    if kind == 'add':
        c.rect(6, 2, 10, 13, GREEN)
        c.rect(2, 5, 14, 9, GREEN)
    elif kind == 'remove':
        c.rect(2, 5, 14, 9, CORAL)
    elif kind == 'clear':
        c.line(3.5, 3.5, 12.5, 11.5, 3.2, CORAL)
        c.line(12.5, 3.5, 3.5, 11.5, 3.2, CORAL)
    elif kind == 'copy':
        for ox, oy in ((1, 1), (5, 4)):
            c.rect(ox, oy, ox + 10, oy + 10, ACCENT_DARK)
            c.rect(ox + 1, oy + 1, ox + 9, oy + 9, WHITE)
        for ly in (7, 9, 11):
            c.rect(7, ly, 13, ly + 1, ACCENT)
    elif kind == 'folder':
        c.rect(1, 3, 7, 5, hex_rgb('#C98A12'))
        c.rect(1, 4, 15, 13, hex_rgb('#C98A12'))
        c.rect(2, 6, 14, 12, AMBER)
        c.rect(2, 5, 6, 6, AMBER)
    elif kind == 'play':
        c.polygon([(4.5, 2), (13, 7.5), (4.5, 13)], ACCENT)
    elif kind == 'pause':
        c.rect(4, 3, 7, 13, ACCENT)
        c.rect(9, 3, 12, 13, ACCENT)
    elif kind == 'stop':
        c.rect(4, 3, 12, 11, CORAL)
    else:
        raise ValueError(kind)
    return crisp(c, background)


def menu_glyphs():
    rows = [[] for _ in range(15)]
    for kind in ('add', 'copy', 'remove', 'clear'):
        g = glyph(kind, MENU_KEY)
        for y in range(15):
            rows[y] += g[y]
    return rows


def sprocket_tile():
    """32 x 16 piece of film edge with two perforations."""
    c = Canvas(32, 16, fill=SLATE_900)
    c.rect(0, 0, 32, 1, SLATE_800)
    c.rect(0, 15, 32, 16, SLATE_800)
    for x in (5, 21):
        c.round_rect(x, 4, x + 7, 12, 1.8, SLATE_600)
        c.round_rect(x + 0.5, 4.5, x + 6.5, 6.5, 1.2, SLATE_400, opacity=0.35)
    return c.flatten(SLATE_900)


def list_arrows():
    """64 x 92: left pressed, left, right, right pressed (16 x 92 each)."""
    c = Canvas(64, 92, fill=SLATE_900)
    for i in range(4):
        x0 = i * 16
        pressed = i in (0, 3)
        pointing_left = i < 2
        top, bottom = ((ACCENT_LIGHT, ACCENT) if pressed else (SLATE_700, SLATE_800))
        c.rect(x0, 0, x0 + 16, 92, top, shade=vgradient(0, 92, top, bottom))
        # a hairline on the side facing the pictures
        edge_x = x0 + 15 if pointing_left else x0
        c.rect(edge_x, 0, edge_x + 1, 92, SLATE_900 if not pressed else ACCENT_DARK)
        colour = WHITE if pressed else SLATE_200
        mid = x0 + 8
        if pointing_left:
            pts = [(mid + 2.5, 39), (mid - 2.5, 46), (mid + 2.5, 53)]
        else:
            pts = [(mid - 2.5, 39), (mid + 2.5, 46), (mid - 2.5, 53)]
        c.polyline(pts, 2.2, colour)
    return c.flatten(SLATE_900)


def transition_marks():
    """Thirteen 14 x 14 marks in transition order on the transparent key."""
    c = Canvas(182, 14, alpha=0.0)
    tile = hex_rgb('#2B3544')
    for k in range(13):
        ox = k * 14
        c.round_rect(ox + 0.5, 0.5, ox + 13.5, 13.5, 3, tile)

        def arrow(x0, y0, x1, y1, ox=ox):
            # shaft plus a head of two short strokes
            ang = math.atan2(y1 - y0, x1 - x0)
            c.line(ox + x0, y0, ox + x1, y1, 1.6, AMBER)
            for da in (2.5, -2.5):
                hx = x1 - 3.6 * math.cos(ang + da / 2.0 - (da / abs(da)) * 0.35)
                hy = y1 - 3.6 * math.sin(ang + da / 2.0 - (da / abs(da)) * 0.35)
                c.line(ox + x1, y1, ox + hx, hy, 1.6, AMBER)

        if k == 0:
            arrow(3, 7, 11, 7)
        elif k == 1:
            arrow(11, 7, 3, 7)
        elif k == 2:
            arrow(7, 3, 7, 11)
        elif k == 3:
            arrow(7, 11, 7, 3)
        elif k == 4:                      # circle opening
            c.ring(ox + 7, 7, 4.2, 1.5, AMBER)
            c.circle(ox + 7, 7, 1.5, AMBER)
        elif k == 5:
            arrow(3.5, 3.5, 10.5, 10.5)
        elif k == 6:
            arrow(10.5, 3.5, 3.5, 10.5)
        elif k == 7:
            arrow(10.5, 10.5, 3.5, 3.5)
        elif k == 8:
            arrow(3.5, 10.5, 10.5, 3.5)
        elif k == 9:                      # fade: two overlapping squares
            c.round_rect(ox + 2.5, 2.5, ox + 9, 9, 1, AMBER, opacity=0.45)
            c.round_rect(ox + 5, 5, ox + 11.5, 11.5, 1, AMBER)
        elif k == 10:                     # rolling strips
            for i, y in enumerate((3, 6, 9)):
                shift = 0 if i % 2 == 0 else 3
                c.rect(ox + 3 + shift, y, ox + 8 + shift, y + 2, AMBER)
        elif k == 11:                     # rectangle opening
            c.round_rect_outline(ox + 2.5, 3, ox + 11.5, 11, 1, 1.3, AMBER)
            c.rect(ox + 6, 6, ox + 8, 8, AMBER)
        elif k == 12:                     # blinds
            for x in (3, 6, 9):
                c.rect(ox + x, 3, ox + x + 2, 11, AMBER)
    return c.flatten(MARK_KEY)


def picture_marks():
    """Nine 14 x 14 marks on the transparent key, on the transition marks'
    tiles but in blue: the eight motions in menu order (none, zoom in, zoom
    out, pan left, right, up, down, automatic), then the caption mark."""
    c = Canvas(126, 14, alpha=0.0)
    tile = hex_rgb('#2B3544')
    ink = ACCENT_LIGHT
    for k in range(9):
        ox = k * 14
        c.round_rect(ox + 0.5, 0.5, ox + 13.5, 13.5, 3, tile)

        def arrow(x0, y0, x1, y1, ox=ox):
            ang = math.atan2(y1 - y0, x1 - x0)
            c.line(ox + x0, y0, ox + x1, y1, 1.5, ink)
            for side in (1, -1):
                c.line(ox + x1, y1, ox + x1 - 3.2 * math.cos(ang + side * 0.7),
                       y1 - 3.2 * math.sin(ang + side * 0.7), 1.5, ink)

        def lens(sign):
            # a magnifier: its glass, its handle, and a plus or a minus
            c.ring(ox + 6, 6, 3.6, 1.4, ink)
            c.line(ox + 8.6, 8.6, ox + 11.5, 11.5, 2.0, ink)
            c.line(ox + 4.2, 6, ox + 7.8, 6, 1.3, ink)
            if sign > 0:
                c.line(ox + 6, 4.2, ox + 6, 7.8, 1.3, ink)

        if k == 0:                        # still: a frame and nothing moving
            c.round_rect_outline(ox + 3, 3.5, ox + 11, 10.5, 1, 1.3, ink)
        elif k == 1:
            lens(1)
        elif k == 2:
            lens(-1)
        elif k in (3, 4, 5, 6):           # pans: corner brackets and the way
            for bx, by, dx, dy in ((2.5, 2.5, 1, 1), (11.5, 2.5, -1, 1), (2.5, 11.5, 1, -1), (11.5, 11.5, -1, -1)):
                c.line(ox + bx, by, ox + bx + 2.2 * dx, by, 1.1, ink)
                c.line(ox + bx, by, ox + bx, by + 2.2 * dy, 1.1, ink)
            arrow(*{3: (9.5, 7, 4.5, 7), 4: (4.5, 7, 9.5, 7), 5: (7, 9.5, 7, 4.5), 6: (7, 4.5, 7, 9.5)}[k])
        elif k == 7:                      # automatic: a four-pointed spark
            c.polygon([(ox + 7, 2), (ox + 8.3, 5.7), (ox + 12, 7), (ox + 8.3, 8.3), (ox + 7, 12),
                       (ox + 5.7, 8.3), (ox + 2, 7), (ox + 5.7, 5.7)], ink)
        else:                             # caption: a white T over its band
            c.rect(ox + 3, 2, ox + 11, 4, WHITE)
            c.rect(ox + 6, 4, ox + 8, 9, WHITE)
            c.rect(ox + 2, 10, ox + 12, 12, WHITE, opacity=0.55)
    return c.flatten(MARK_KEY)


def preview_placeholder():
    """183 x 139 picture shown where the preview player will appear."""
    w, h = 183, 139
    c = Canvas(w, h, fill=SLATE_800)
    c.rect(0, 0, w, h, SLATE_800, shade=vgradient(0, h, SLATE_700, SLATE_900))
    # faint landscape in the middle
    box = (51, 33, 132, 96)
    c.round_rect_outline(box[0], box[1], box[2], box[3], 6, 2, SLATE_600)
    c.circle(112, 51, 7, SLATE_600)
    hills = [(53, 90), (78, 62), (95, 80), (108, 70), (130, 90), (130, 94), (53, 94)]
    c.polygon(hills, SLATE_600)
    # play button
    c.circle(91.5, 110, 13, ACCENT)
    c.polygon(play_triangle(92.3, 110, 11), WHITE)
    # film perforations along both edges
    for y in (4, h - 10):
        for x in range(6, w - 6, 14):
            c.round_rect(x, y, x + 7, y + 6, 1.5, hex_rgb('#0C0F14'))
    return c.flatten(SLATE_900)


# -- skin ----------------------------------------------------------------------

WINDOW_RADIUS = 7
FILM_PANEL_BOTTOM = 115        # the dark panel around the picture list ends here
TITLE_BAR_HEIGHT = 14          # free band above the picture list
CLOSE_RECT = (547, 1, 565, 13)
MIN_RECT = (527, 1, 545, 13)


def draw_skin(controls, width, height):
    """Return (skin rows, mask rows, settings panel rectangle) for a client
    area of width x height; the program draws the settings labels inside
    that panel."""
    by_id = {ctl.id: ctl.pixels for ctl in controls}
    c = Canvas(width, height, fill=BODY)
    outline = raster.sdf_round_rect(0, 0, width, height, WINDOW_RADIUS)

    # body and the dark film panel, clipped to the window's rounded outline
    c.shape(outline, (0, 0, width, height), BODY)
    c.shape(lambda x, y: max(outline(x, y), y - FILM_PANEL_BOTTOM), (0, 0, width, FILM_PANEL_BOTTOM),
            SLATE_800, shade=vgradient(0, FILM_PANEL_BOTTOM, SLATE_800, SLATE_900))
    c.rect(0, FILM_PANEL_BOTTOM, width, FILM_PANEL_BOTTOM + 2, ACCENT)

    # title: logo tile and name
    c.round_rect(8, 2, 19, 12, 2.5, ACCENT, shade=vgradient(2, 12, ACCENT_LIGHT, ACCENT_DARK))
    c.polygon(play_triangle(14, 7, 5.5), WHITE)
    c.text(FONT5, 'SLIDEWRIGHT', 25, 4, SLATE_200)

    # minimise and close buttons
    x0, y0, x1, y1 = MIN_RECT
    c.round_rect(x0, y0, x1, y1, 3, SLATE_600)
    c.rect(x0 + 5, y0 + 5, x1 - 5, y0 + 7, WHITE)
    x0, y0, x1, y1 = CLOSE_RECT
    c.round_rect(x0, y0, x1, y1, 3, CORAL)
    mx, my = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    c.line(mx - 2.6, my - 2.6, mx + 2.6, my + 2.6, 1.6, WHITE)
    c.line(mx + 2.6, my - 2.6, mx - 2.6, my + 2.6, 1.6, WHITE)

    # a recessed bed for the picture list
    lx0, ly0, lx1, ly1 = by_id[1030]
    c.round_rect(lx0 - 3, ly0 - 2, lx1 + 3, ly1 + 3, 3, SLATE_900)

    def card(x0, y0, x1, y1):
        c.round_rect(x0, y0 + 1, x1, y1 + 1, 6, CARD_EDGE, opacity=0.6)   # soft drop
        c.round_rect(x0, y0, x1, y1, 6, CARD_EDGE)
        c.round_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 5, CARD)

    def field(rect, pad=3):
        x0, y0, x1, y1 = rect
        c.round_rect(x0 - pad, y0 - pad + 1, x1 + pad, y1 + pad - 1, 3, FIELD_EDGE)
        c.round_rect(x0 - pad + 1, y0 - pad + 2, x1 + pad - 1, y1 + pad - 2, 2, WHITE)

    # Three columns of cards share their edges: the preview column on the
    # left, the settings column on the right; the tool row sits above both.
    px0, py0, px1, py1 = by_id[1003]
    play = by_id[1048]
    left_col = (play[0] - 10, px1 + 10)
    settings = [by_id[i] for i in (1063, 1062, 1064, 1014, 1044, 1008, 1007)]
    right_col = (280, max(r[2] for r in settings) + 26)

    # tool row: pictures (left) and music (right), each with a pictogram
    pics = [by_id[i] for i in (1002, 1056, 1033, 1034)]
    music = [by_id[i] for i in (1011, 1035, 1066)]
    row_top = pics[0][1] - 6
    row_bottom = pics[0][3] + 6
    card(left_col[0], row_top, left_col[1], row_bottom)
    card(right_col[0], row_top, right_col[1], row_bottom)
    ix = pics[0][0] - 32
    iy = (row_top + row_bottom) // 2
    c.round_rect(ix - 1, iy - 8, ix + 19, iy + 8, 2, SLATE_600)
    draw_landscape(c, ix, iy - 7, ix + 18, iy + 7, 1.5)
    # music note, and a quiet waveform filling the card's free left part
    nx = music[0][0] - 22
    c.circle(nx - 3, iy + 4.5, 3.2, ACCENT)
    c.circle(nx + 7, iy + 2.5, 3.2, ACCENT)
    c.rect(nx, iy - 7, nx + 2, iy + 5, ACCENT)
    c.rect(nx + 10, iy - 9, nx + 12, iy + 3, ACCENT)
    c.polygon([(nx, iy - 7), (nx + 12, iy - 9.5), (nx + 12, iy - 6), (nx, iy - 3.5)], ACCENT)
    wave_x0 = right_col[0] + 14
    wave_x1 = nx - 16
    for k, x in enumerate(range(wave_x0, wave_x1 - 2, 4)):
        t = (x - wave_x0) / float(max(1, wave_x1 - wave_x0))
        amp = 2 + 6 * abs(math.sin(k * 0.9) * math.sin(t * math.pi))
        c.round_rect(x, iy - amp, x + 2, iy + amp, 1, ACCENT_LIGHT, opacity=0.45)

    # preview card with its two buttons and a framed screen
    card(left_col[0], py0 - 10, left_col[1], py1 + 10)
    c.round_rect(px0 - 2, py0 - 2, px1 + 2, py1 + 2, 2, SLATE_900)

    # settings card
    sx1 = right_col[1]
    card(right_col[0], py0 - 10, sx1, py1 + 10)
    field(by_id[1063])
    field(by_id[1062])
    field(by_id[1008])
    sw = by_id[1064]
    c.round_rect(sw[0] - 2, sw[1] - 2, sw[2] + 2, sw[3] + 2, 3, FIELD_EDGE)
    # thin separators between the size, timing and output groups
    for y in ((by_id[1062][3] + by_id[1064][1]) // 2 + 2, (by_id[1014][3] + by_id[1008][1]) // 2):
        c.rect(right_col[0] + 12, y, sx1 - 12, y + 1, hex_rgb('#E6E9EE'))

    # progress track
    gx0, gy0, gx1, gy1 = by_id[1026]
    c.round_rect(gx0 - 3, gy0 - 3, gx1 + 3, gy1 + 3, 4, CARD_EDGE)
    c.round_rect(gx0 - 2, gy0 - 2, gx1 + 2, gy1 + 2, 3, WHITE)

    # command buttons: a slim accent underline marks the main action
    mk = by_id[1009]
    c.round_rect(mk[0] - 2, mk[1] - 2, mk[2] + 2, mk[3] + 3, 3, ACCENT)
    for i in (1052, 32792, 1):
        r = by_id[i]
        c.round_rect(r[0] - 2, r[1] - 2, r[2] + 2, r[3] + 3, 3, FIELD_EDGE)

    # a dark hairline along the outline keeps the cut edge crisp
    c.shape(lambda x, y: abs(outline(x, y) + 0.5) - 0.5, (0, 0, width, height), SLATE_900, opacity=0.55)

    skin = c.flatten(BODY)
    mask = []
    for y in range(height):
        row = []
        for x in range(width):
            inside = outline(x + 0.5, y + 0.5) <= 0.0
            row.append(BLACK if inside else WHITE)
        mask.append(row)
    return skin, mask, (right_col[0], py0 - 10, right_col[1], py1 + 10)


# -- output --------------------------------------------------------------------

def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def write_png_preview(bmp_path, png_path):
    """Optional: a PNG beside a BMP for looking at the artwork (ImageMagick)."""
    os.system('convert "%s" "%s"' % (bmp_path, png_path))


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument('out')
    ap.add_argument('--rc', default=os.path.join(here, '..', 'slidewright.rc'))
    ap.add_argument('--header', default=os.path.join(here, '..', 'resource.h'))
    ap.add_argument('--interface', help='folder for the skin files (default OUT/interface)')
    ap.add_argument('--png', action='store_true', help='also write PNG previews (needs ImageMagick)')
    args = ap.parse_args(argv)

    out = args.out
    iface = args.interface or os.path.join(out, 'interface')
    os.makedirs(out, exist_ok=True)
    os.makedirs(iface, exist_ok=True)

    write(os.path.join(out, 'slidewright.ico'), raster.icon_file([app_icon(s) for s in (48, 32, 16)]))
    write(os.path.join(out, 'saver.ico'), raster.icon_file([saver_icon(s) for s in (48, 32, 16)]))
    write(os.path.join(out, 'drag.cur'), raster.icon_file([drag_cursor()], hotspots=[(1, 1)]))

    write(os.path.join(out, 'preview_placeholder.bmp'), raster.bmp24(preview_placeholder()))
    write(os.path.join(out, 'sprocket.bmp'), raster.bmp24(sprocket_tile()))
    write(os.path.join(out, 'list_arrows.bmp'), raster.bmp24(list_arrows()))
    write(os.path.join(out, 'transition_marks.bmp'), raster.bmp24(transition_marks()))
    write(os.path.join(out, 'picture_marks.bmp'), raster.bmp24(picture_marks()))
    write(os.path.join(out, 'menu_glyphs.bmp'), raster.bmp24(menu_glyphs()))
    for kind in ('add', 'copy', 'remove', 'clear', 'folder', 'play', 'pause', 'stop'):
        write(os.path.join(out, 'glyph_%s.bmp' % kind), raster.bmp8(glyph(kind, BUTTON_FACE_KEY)))

    with open(args.rc, encoding='utf-8') as f:
        rc_text = f.read()
    with open(args.header, encoding='utf-8') as f:
        header_text = f.read()
    size, controls = dialog_layout.read_dialog(rc_text, header_text, 'IDD_MAIN')
    _, _, width, height = dialog_layout.dlu_to_pixels(0, 0, size[0], size[1])
    skin, mask, settings_panel = draw_skin(controls, width, height)
    write(os.path.join(iface, 'mainskin.bmp'), raster.bmp_rle8(skin))
    write(os.path.join(iface, 'mainmask.bmp'), raster.bmp_rle8(mask))
    with open(os.path.join(out, 'skin-layout.ini'), 'w') as f:
        f.write('; Where the skin draws its buttons (client pixels: left,top,right,bottom).\n')
        f.write('[Skin]\nClosebuttion=%d,%d,%d,%d\nMinButton=%d,%d,%d,%d\n' % (CLOSE_RECT + MIN_RECT))
        f.write('[Panels]\nSettings=%d,%d,%d,%d\n' % settings_panel)

    if args.png:
        for name in sorted(os.listdir(out)):
            if name.endswith(('.bmp', '.ico', '.cur')):
                write_png_preview(os.path.join(out, name), os.path.join(out, name + '.png'))
        for name in ('mainskin.bmp', 'mainmask.bmp'):
            write_png_preview(os.path.join(iface, name), os.path.join(iface, name + '.png'))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
