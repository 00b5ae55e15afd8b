#!/usr/bin/env python3
"""Draws Kestrel's artwork: the program icon, the five main-window button
bitmaps, the two spin-button arrows and the two Options preview thumbnails.

Standard library only, so the art can be rebuilt on any machine that has
Python 3.  Every file is written next to this script.  The output is
byte-for-byte reproducible: pixels are decided with +, -, *, / and sqrt
only, which IEEE 754 rounds the same everywhere; pow, sin and atan2 are left
out because their last bit may differ between C libraries and flip a pixel
on a shape's edge.

    python3 make_art.py
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour VGA palette in the order Windows uses for 4 bpp
# bitmaps and icons.  Button faces are SILVER (192, 192, 192).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
 GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE) = range(16)

# One letter per palette entry for the hand-drawn pixel maps below.
# '.' is the canvas background (transparent in the icon).
KEY = {
    'K': BLACK, 'R': MAROON, 'G': GREEN, 'O': OLIVE, 'N': NAVY,
    'P': PURPLE, 'T': TEAL, 's': SILVER, 'g': GREY, 'r': RED,
    'l': LIME, 'Y': YELLOW, 'B': BLUE, 'M': FUCHSIA, 'A': AQUA,
    'W': WHITE,
}

SQRT_HALF = math.sqrt(0.5)


def sq(v):
    return v * v


class Canvas:
    """A grid of pixels: palette indices for 4 bpp art, RGB tuples for
    24-bit art.  Coordinates run right and down from the top-left pixel;
    a pixel's centre is at (x + 0.5, y + 0.5)."""

    def __init__(self, width, height, fill):
        self.w = width
        self.h = height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def fill(self, x0, y0, x1, y1, c):
        """Solid rectangle, both corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def hline(self, x0, x1, y, c):
        self.fill(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        self.fill(x, y0, x, y1, c)

    def box(self, x0, y0, x1, y1, c):
        """Rectangle outline, one pixel wide."""
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def bevel(self, x0, y0, x1, y1, light, dark):
        """Raised 3-D edge as on a Windows button; swap the colours for a
        sunken one."""
        self.hline(x0, x1, y0, light)
        self.vline(x0, y0, y1, light)
        self.hline(x0, x1, y1, dark)
        self.vline(x1, y0, y1, dark)

    def pixmap(self, x, y, rows, key=KEY):
        """Copies a hand-drawn map; '.' leaves the canvas as it is."""
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch != '.':
                    self.put(x + i, y + j, key[ch])

    def mask(self, inside):
        return [[inside(x + 0.5, y + 0.5) for x in range(self.w)]
                for y in range(self.h)]

    def shape(self, inside, fill, edge=None, outline=None):
        """Fills the pixels whose centres lie inside a shape.  `edge` paints
        the shape's own border pixels (those with a side neighbour outside),
        `outline` a one-pixel ring just outside it (8-connected)."""
        m = self.mask(inside)

        def at(x, y):
            return 0 <= x < self.w and 0 <= y < self.h and m[y][x]

        for y in range(self.h):
            for x in range(self.w):
                if m[y][x]:
                    border = not (at(x - 1, y) and at(x + 1, y)
                                  and at(x, y - 1) and at(x, y + 1))
                    self.px[y][x] = edge if (edge is not None and border) \
                        else fill
                elif outline is not None and any(
                        at(x + i, y + j)
                        for j in (-1, 0, 1) for i in (-1, 0, 1)):
                    self.px[y][x] = outline


def diagonal(cx, cy, dx, dy):
    """Signed distance from (cx, cy) along a diagonal (dx, dy = +1 or -1),
    for the tools and the arrow that lie at 45 degrees.  With cx and cy
    whole numbers the pixel grid is symmetric about both diagonals, so the
    shapes come out with matching sides."""
    return lambda x, y: ((x - cx) * dx + (y - cy) * dy) * SQRT_HALF


# --------------------------------------------------------------------------
# File writers
# --------------------------------------------------------------------------

def _info_header(width, height, bpp, image_size, colours):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours, 0)


def _palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA)


def _rows(canvas, bits, put):
    """Bitmap rows, bottom-up, each padded to a 32-bit boundary; put(row, x,
    colour) writes one pixel into its row."""
    stride = ((canvas.w * bits + 31) // 32) * 4
    out = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(canvas.w):
            put(row, x, canvas.get(x, y))
        out += row
    return bytes(out)


def _put_4bpp(row, x, c):
    row[x // 2] |= (c << 4) if x % 2 == 0 else c


def _put_24bpp(row, x, c):
    r, g, b = c
    row[3 * x:3 * x + 3] = bytes((b, g, r))


def _rows_4bpp(canvas):
    return _rows(canvas, 4, _put_4bpp)


def _rows_24bpp(canvas):
    return _rows(canvas, 24, _put_24bpp)


def write_bmp_8bpp(name, canvas):
    """Palette image of a 24-bit picture with at most 256 colours: the same
    pixels exactly, in about a third of the bytes."""
    colours = []
    index = {}

    def put(row, x, c):
        if c not in index:
            index[c] = len(colours)
            colours.append(c)
        row[x] = index[c]

    pixels = _rows(canvas, 8, put)
    assert len(colours) <= 256, (name, len(colours))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    body = _info_header(canvas.w, canvas.h, 8, len(pixels), len(colours)) + palette + pixels
    _write(name, _file_header(len(body), 14 + 40 + len(palette)) + body)


def _file_header(data_size, offset):
    return b'BM' + struct.pack('<IHHI', 14 + data_size, 0, 0, offset)


def write_bmp_4bpp(name, canvas):
    pixels = _rows_4bpp(canvas)
    body = _info_header(canvas.w, canvas.h, 4, len(pixels), 16) \
        + _palette_bytes() + pixels
    _write(name, _file_header(len(body), 14 + 40 + 64) + body)


def write_bmp_24bpp(name, canvas):
    pixels = _rows_24bpp(canvas)
    body = _info_header(canvas.w, canvas.h, 24, len(pixels), 0) + pixels
    _write(name, _file_header(len(body), 14 + 40) + body)


def write_ico_4bpp(name, images):
    """Icon file with one 16-colour image per canvas.  None pixels are
    transparent: a set AND-mask bit over colour 0 in the XOR image, the one
    combination that shows the background unchanged on every Windows."""
    transparent = None
    blobs = []
    for canvas in images:
        xor_canvas = Canvas(canvas.w, canvas.h, BLACK)
        for y in range(canvas.h):
            for x in range(canvas.w):
                c = canvas.get(x, y)
                xor_canvas.put(x, y, BLACK if c == transparent else c)
        xor = _rows_4bpp(xor_canvas)
        def put_mask(row, x, c):
            if c == transparent:
                row[x // 8] |= 0x80 >> (x % 8)

        and_mask = _rows(canvas, 1, put_mask)
        # An icon image's header counts XOR and AND bitmaps as one bitmap
        # of twice the height.
        blobs.append(_info_header(canvas.w, canvas.h * 2, 4,
                                  len(xor) + len(and_mask), 16)
                     + _palette_bytes() + xor + and_mask)
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', canvas.w % 256, canvas.h % 256, 16,
                           0, 1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    _write(name, bytes(out))


def _write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


# --------------------------------------------------------------------------
# Button labels: a 3 x 5 pixel capital font
# --------------------------------------------------------------------------

FONT = {
    'A': ['.X.', 'X.X', 'XXX', 'X.X', 'X.X'],
    'B': ['XX.', 'X.X', 'XX.', 'X.X', 'XX.'],
    'C': ['.XX', 'X..', 'X..', 'X..', '.XX'],
    'E': ['XXX', 'X..', 'XX.', 'X..', 'XXX'],
    'I': ['XXX', '.X.', '.X.', '.X.', 'XXX'],
    'M': ['X.X', 'XXX', 'XXX', 'X.X', 'X.X'],
    'N': ['XX.', 'X.X', 'X.X', 'X.X', 'X.X'],
    'O': ['.X.', 'X.X', 'X.X', 'X.X', '.X.'],
    'P': ['XX.', 'X.X', 'XX.', 'X..', 'X..'],
    'R': ['XX.', 'X.X', 'XX.', 'X.X', 'X.X'],
    'S': ['.XX', 'X..', '.X.', '..X', 'XX.'],
    'T': ['XXX', '.X.', '.X.', '.X.', '.X.'],
    'U': ['X.X', 'X.X', 'X.X', 'X.X', 'XXX'],
    'X': ['X.X', 'X.X', '.X.', 'X.X', 'X.X'],
}

BUTTON = 32
LABEL_TOP = BUTTON - 5  # the label takes the bottom five rows


def label(canvas, text):
    width = len(text) * 4 - 1
    x = (canvas.w - width) // 2
    for ch in text:
        for j, row in enumerate(FONT[ch]):
            for i, bit in enumerate(row):
                if bit == 'X':
                    canvas.put(x + i, LABEL_TOP + j, BLACK)
        x += 4


# --------------------------------------------------------------------------
# Button motifs (rows 0..25; row 26 stays clear above the label)
# --------------------------------------------------------------------------

def draw_capture():
    c = Canvas(BUTTON, BUTTON, SILVER)
    # Body with clipped corners, the prism hump and the shutter release.
    c.fill(3, 8, 28, 22, BLACK)
    for x, y in ((3, 8), (28, 8), (3, 22), (28, 22)):
        c.put(x, y, SILVER)
    c.hline(11, 20, 5, BLACK)
    c.hline(10, 21, 6, BLACK)
    c.hline(9, 22, 7, BLACK)
    c.fill(5, 6, 7, 7, BLACK)
    # Flash window.
    c.fill(23, 10, 26, 11, WHITE)
    # Lens: silver rim, grey barrel, dark glass with a glint.
    cx, cy = 16.0, 15.5

    def disc(r):
        return lambda x, y: sq(x - cx) + sq(y - cy) <= sq(r)
    c.shape(disc(6.3), SILVER)
    c.shape(disc(5.2), GREY)
    c.shape(disc(3.6), NAVY)
    c.put(14, 13, WHITE)
    c.put(13, 14, WHITE)
    c.put(14, 14, AQUA)
    label(c, 'CAPTURE')
    return c


def draw_options():
    c = Canvas(BUTTON, BUTTON, SILVER)
    # The screwdriver runs from its tip at the upper left to its handle at
    # the lower right; the wrench from its tail at the lower left to its
    # open jaw at the upper right.  a is measured along a tool, b across.
    s_a, s_b = diagonal(16, 12, 1, 1), diagonal(16, 12, 1, -1)
    w_a, w_b = s_b, s_a

    def driver_handle(x, y):
        a, b = s_a(x, y), s_b(x, y)
        return 3.5 <= a <= 12.5 and abs(b) <= (2.7 if a <= 11.0 else 1.8)

    def driver_shaft(x, y):
        a, b = s_a(x, y), s_b(x, y)
        return -12.0 <= a < 3.5 and abs(b) <= 1.1

    def wrench(x, y):
        a, b = w_a(x, y), w_b(x, y)
        if -12.0 <= a <= 6.0 and abs(b) <= 1.9:
            return a > -11.0 or abs(b) <= 1.0
        if sq(a - 8.5) + sq(b) <= sq(4.8):
            return not (a >= 8.0 and abs(b) <= 1.7)
        return False

    c.shape(driver_shaft, NAVY)
    c.shape(driver_handle, BLUE, edge=NAVY)
    c.shape(wrench, BLUE, edge=NAVY)
    label(c, 'OPTIONS')
    return c


def draw_minimize():
    c = Canvas(BUTTON, BUTTON, SILVER)
    along, across = diagonal(16, 12, 1, 1), diagonal(16, 12, 1, -1)

    def arrow(x, y):
        u, v = along(x, y), across(x, y)
        if -12.0 <= u <= 2.0:
            return abs(v) <= 2.2
        return 2.0 < u <= 11.0 and abs(v) <= (11.0 - u) * 0.85

    c.shape(arrow, GREY, outline=BLACK)
    label(c, 'MIN')
    return c


def draw_about():
    c = Canvas(BUTTON, BUTTON, SILVER)
    cx, cy = 16.0, 8.0

    def qmark(x, y):
        d2 = sq(x - cx) + sq(y - cy)
        if sq(2.4) <= d2 <= sq(6.4):
            if not (y > cy and x < cx + 1.0):
                return True
        if cx - 2.0 <= x <= cx + 2.0 and cy + 3.0 <= y <= cy + 10.5:
            return True
        return cx - 2.0 <= x <= cx + 2.0 and cy + 12.5 <= y <= cy + 16.0

    c.shape(qmark, YELLOW, outline=BLACK)
    label(c, 'ABOUT')
    return c


def draw_exit():
    c = Canvas(BUTTON, BUTTON, SILVER)
    c.box(5, 2, 26, 23, MAROON)
    c.box(6, 3, 25, 22, MAROON)
    cx, cy = 16.0, 13.0

    def cross(x, y):
        dx, dy = x - cx, y - cy
        if abs(dx) > 6.5 or abs(dy) > 6.5:
            return False
        return abs(dx - dy) <= 2.0 or abs(dx + dy) <= 2.0

    c.shape(cross, MAROON)
    label(c, 'EXIT')
    return c


# --------------------------------------------------------------------------
# Program icon: the head of a male kestrel in profile
# --------------------------------------------------------------------------

ICON_32 = [
    '................................',
    '................................',
    '...........KKKKKKKK.............',
    '.........KKggggggggKK...........',
    '.......KKggggggggggggKK.........',
    '......KggggggggggggggggK........',
    '.....KggggggggggggggggggK.......',
    '.....KggggggggggggKKKKgggK......',
    '....KgggggggggggggKYYYYKgggK....',
    '....KggggggggggggKYKWKYKYYNNK...',
    '....KggggggggggggKYKKKYKYYNNNK..',
    '...KRgggggggggggKYYYYYKgYYNNNNK.',
    '...KRRggggggggggWKKKKKWWYYNNNNNK',
    '...KRRRggggggWWWWWKKWWWWYNNNNNNK',
    '...KRRRRgggWWWWWWWKKWWWWKKKKNNNK',
    '...KRRRRRKKWWWWWWWKKWWWWWNNKNK..',
    '...KRRRRRKKWWWWWWWKKWWWWWKKKK...',
    '...KRRRRRRKWWWWWWWKKWWWWWWK.....',
    '...KRRRRRRKWWWWWWWKKWWWWWK......',
    '...KRRRRRRRWWWWWWWKKWWWWWK......',
    '...KRRRRRRRWWWWWWWWKWWWWK.......',
    '..KRRKRRRRRRWWWWWWWWWWWWK.......',
    '..KRRRRRKRRRRWWWWWWWWWWWK.......',
    '..KRKRRRRRRRRRWWWWKWWWWWK.......',
    '.KRRRRRKRRRRRRWWWWWWWWKWWK......',
    '.KRRKRRRRRKRRRRWWKWWWWWWWK......',
    '.KRRRRRKRRRRRRRWWWWWWKWWWK......',
    'KRRKRRRRRRKRRRRRWWKWWWWWWWK.....',
    'KRRRRRRKRRRRRRRRWWWWWWKWWWK.....',
    'KRRRKRRRRRKRRRRRRWWWKWWWWWWK....',
    'KRRRRRRRRRRRRRRRRWWWWWWWKWWK....',
    'KKKKKKKKKKKKKKKKKKKKKKKKKKKKK...',
]

ICON_16 = [
    '................',
    '.....KKKKK......',
    '...KKgggggKK....',
    '..KggggggggggK..',
    '.KggggggYYgKKKK.',
    '.KgggggYKKYgYNNK',
    '.KRggggYKKYgYNNK',
    'KRRggWWWYYWWKKNK',
    'KRRRgWWWWKWWWKK.',
    'KRRRRWWWWKWWWWK.',
    'KRRKRRWWWKWWWK..',
    'KRRRRRWWWKWWWK..',
    'KRKRRRRWWWWWWK..',
    'KRRRKRRRWWKWWK..',
    'KRRRRRKRRWWWKWK.',
    'KKKKKKKKKKKKKKK.',
]


def draw_icon(rows):
    """Square icon image; None marks the transparent pixels."""
    size = len(rows)
    assert all(len(row) == size for row in rows), size
    c = Canvas(size, size, None)
    c.pixmap(0, 0, rows)
    return c


# --------------------------------------------------------------------------
# Spin-button arrows (24-bit colour) and preview thumbnails (24-bit pictures
# kept with a palette)
# --------------------------------------------------------------------------

RGB_FACE = (192, 192, 192)
RGB_BLACK = (0, 0, 0)
RGB_WHITE = (255, 255, 255)
RGB_SHADOW = (128, 128, 128)
RGB_DARK = (64, 64, 64)
RGB_TEAL = (0, 128, 128)
RGB_YELLOW = (255, 255, 0)
RGB_TEXT = (160, 160, 160)


def draw_spin(up):
    c = Canvas(9, 8, RGB_FACE)
    # Rows of 1, 3, 5 and 7 pixels, centred in the 9 x 8 cell.
    for i, w in enumerate((1, 3, 5, 7)):
        y = 2 + i if up else 5 - i
        x0 = (9 - w) // 2
        c.hline(x0, x0 + w - 1, y, RGB_BLACK)
    return c


def title_gradient(c, x0, x1, y0, y1):
    """Navy fading to a lighter blue, as on a Windows 98 active caption."""
    span = max(1, x1 - x0)
    for x in range(x0, x1 + 1):
        t = x - x0
        c.vline(x, y0, y1, (16 * t // span, 132 * t // span,
                            128 + 80 * t // span))


def caption_buttons(c, right, top, w, h):
    """Minimise, maximise and close boxes, the close box ending at column
    `right` and set a little apart from the other two."""
    close_x0 = right - w + 1
    max_x0 = close_x0 - 2 - w
    min_x0 = max_x0 - w
    for kind, x0 in (('min', min_x0), ('max', max_x0), ('close', close_x0)):
        x1, y1 = x0 + w - 1, top + h - 1
        c.fill(x0, top, x1, y1, RGB_FACE)
        c.bevel(x0, top, x1, y1, RGB_WHITE, RGB_BLACK)
        gx, gy = x0 + (w - 3) // 2, top + (h - 3) // 2
        if kind == 'min':
            c.hline(gx, gx + 2, gy + 2, RGB_BLACK)
        elif kind == 'max':
            c.box(gx, gy, gx + 2, gy + 2, RGB_BLACK)
        else:
            for i in range(3):
                c.put(gx + i, gy + i, RGB_BLACK)
                c.put(gx + 2 - i, gy + i, RGB_BLACK)


def caption(c, x0, x1, y0, y1, title_width):
    """Caption bar with the window's icon, its title and the three boxes."""
    title_gradient(c, x0, x1, y0, y1)
    h = y1 - y0 + 1
    icon = max(2, h - 4)
    c.fill(x0 + 1, y0 + 2, x0 + icon, y0 + 1 + icon, RGB_YELLOW)
    mid = y0 + h // 2
    c.fill(x0 + icon + 3, mid - 1, x0 + icon + 3 + title_width, mid,
           RGB_WHITE)
    caption_buttons(c, x1 - 1, y0 + 1, h - 1, h - 2)


def text_lines(c, x, y, lengths, step, bottom):
    for k, length in enumerate(lengths):
        if y + k * step > bottom:
            break
        c.hline(x, x + length - 1, y + k * step, RGB_TEXT)


def draw_thumb_screen():
    c = Canvas(80, 57, RGB_TEAL)
    # Desktop icons down the left edge, each with its caption underneath.
    icons = [
        ((255, 255, 0), (128, 128, 0)),     # folder
        ((192, 192, 192), (0, 0, 128)),     # computer
        ((255, 255, 255), (0, 0, 255)),     # document
        ((0, 255, 0), (0, 128, 0)),         # recycle bin
    ]
    for i, (face, edge) in enumerate(icons):
        top = 3 + i * 11
        c.fill(3, top, 8, top + 5, face)
        c.box(3, top, 8, top + 5, edge)
        c.hline(2, 9, top + 7, RGB_WHITE)
    # An open window: frame, caption, menu row, white document.
    x0, y0, x1, y1 = 17, 5, 72, 43
    c.fill(x0, y0, x1, y1, RGB_FACE)
    c.bevel(x0, y0, x1, y1, RGB_WHITE, RGB_DARK)
    caption(c, x0 + 2, x1 - 2, y0 + 2, y0 + 8, 14)
    for mx in (x0 + 3, x0 + 9, x0 + 15):
        c.hline(mx, mx + 3, y0 + 11, RGB_BLACK)
    c.fill(x0 + 2, y0 + 14, x1 - 2, y1 - 2, RGB_WHITE)
    c.bevel(x0 + 2, y0 + 14, x1 - 2, y1 - 2, RGB_SHADOW, RGB_FACE)
    text_lines(c, x0 + 5, y0 + 17, (40, 44, 30, 42, 38, 20, 36), 3,
               y1 - 4)
    # Taskbar: start button, one task button, the clock in its tray.
    c.fill(0, 49, 79, 56, RGB_FACE)
    c.hline(0, 79, 49, RGB_WHITE)
    c.bevel(2, 51, 14, 55, RGB_WHITE, RGB_BLACK)
    c.fill(4, 52, 5, 53, (255, 0, 0))
    c.fill(6, 52, 7, 53, (0, 160, 0))
    c.hline(4, 5, 54, (0, 0, 255))
    c.hline(6, 7, 54, RGB_YELLOW)
    c.hline(9, 12, 53, RGB_BLACK)
    c.fill(17, 51, 40, 55, (224, 224, 224))
    c.bevel(17, 51, 40, 55, RGB_BLACK, RGB_WHITE)
    c.hline(19, 30, 53, RGB_BLACK)
    c.bevel(66, 51, 78, 55, RGB_SHADOW, RGB_WHITE)
    c.hline(69, 75, 53, RGB_BLACK)
    return c


def draw_thumb_window():
    c = Canvas(80, 55, RGB_FACE)
    c.bevel(0, 0, 79, 54, RGB_FACE, RGB_BLACK)
    c.bevel(1, 1, 78, 53, RGB_WHITE, RGB_SHADOW)
    caption(c, 3, 76, 3, 11, 24)
    # Menu row.
    for mx, w in ((5, 5), (13, 5), (21, 6), (30, 7)):
        c.hline(mx, mx + w - 1, 15, RGB_BLACK)
    # Toolbar of small buttons in groups.
    c.hline(3, 76, 18, RGB_SHADOW)
    c.hline(3, 76, 19, RGB_WHITE)
    glyphs = [(255, 255, 255), RGB_YELLOW, (0, 0, 255), None,
              (128, 0, 0), (0, 128, 0), (0, 0, 128), None, (128, 0, 128)]
    x = 4
    for g in glyphs:
        if g is None:
            c.vline(x + 1, 21, 27, RGB_SHADOW)
            c.vline(x + 2, 21, 27, RGB_WHITE)
            x += 5
            continue
        c.bevel(x, 21, x + 7, 27, RGB_WHITE, RGB_SHADOW)
        c.fill(x + 2, 23, x + 5, 25, g)
        x += 9
    # Sunken white document with lines of text.
    c.fill(3, 30, 76, 51, RGB_WHITE)
    c.bevel(3, 30, 76, 51, RGB_SHADOW, RGB_WHITE)
    c.bevel(4, 31, 75, 50, RGB_BLACK, RGB_FACE)
    text_lines(c, 7, 34, (52, 60, 44, 58, 30, 54), 3, 48)
    return c


def main():
    icon32 = draw_icon(ICON_32)
    icon16 = draw_icon(ICON_16)
    write_ico_4bpp('kestrel.ico', [icon32, icon16])
    write_bmp_4bpp('capture.bmp', draw_capture())
    write_bmp_4bpp('options.bmp', draw_options())
    write_bmp_4bpp('minimize.bmp', draw_minimize())
    write_bmp_4bpp('about.bmp', draw_about())
    write_bmp_4bpp('exit.bmp', draw_exit())
    write_bmp_24bpp('spin_up.bmp', draw_spin(True))
    write_bmp_24bpp('spin_down.bmp', draw_spin(False))
    # Fewer than 256 colours each: stored with a palette, shown exactly as drawn.
    write_bmp_8bpp('thumb_screen.bmp', draw_thumb_screen())
    write_bmp_8bpp('thumb_window.bmp', draw_thumb_window())


if __name__ == '__main__':
    main()
