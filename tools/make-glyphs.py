#!/usr/bin/env python3
"""Draws Tidemark's button glyphs, pictures and application icon.

Writes the .bmp and .ico files under res/ that the resource script links in;
they are committed, so building never needs Python. Standard library only.

    tools/make-glyphs.py                  rewrite the files in res/
    tools/make-glyphs.py --check          fail if a file in res/ is stale
    tools/make-glyphs.py --preview F.png  also write a x4 contact sheet

Glyphs are pixel art: small character grids, one character per pixel.
Transparent glyphs use magenta as background; the forms key on the bottom-left
pixel, so that pixel must stay background in every glyph.
"""

import argparse
import math
import os
import struct
import sys
import zlib

KEY = (255, 0, 255)

PALETTE = {
    '.': KEY,
    'k': (0, 0, 0),
    'w': (255, 255, 255),
    'v': (224, 224, 224),   # off-white, shade of paper
    'l': (192, 192, 192),
    'g': (128, 128, 128),
    'd': (64, 64, 64),
    'y': (255, 255, 0),
    'Y': (255, 255, 176),   # highlight of yellow
    'o': (208, 160, 0),     # shade of yellow
    'r': (255, 0, 0),
    'R': (144, 0, 0),
    'p': (255, 128, 128),   # highlight of red
    'b': (0, 0, 255),
    'B': (0, 0, 128),
    'c': (96, 160, 255),    # light blue
    'G': (0, 176, 0),
    'h': (0, 96, 0),
    'L': (112, 255, 112),
    't': (208, 152, 80),    # clipboard board
    'T': (128, 80, 32),
    'n': (96, 168, 96),     # picture: hills
    's': (160, 208, 255),   # picture: sky
    # The switch plate's corners are the only pixels of this colour, so the
    # switch loses just its corners if it is ever drawn keyed.
    'c': (48, 48, 48),
}


class Image:
    def __init__(self, width, height, fill=KEY):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def get(self, x, y):
        return self.px[y][x]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def blit(self, src, dx, dy, key=KEY, replace=None):
        """Copies src onto self; src pixels equal to key are left out."""
        for y in range(src.height):
            for x in range(src.width):
                c = src.px[y][x]
                if c != key:
                    self.set(dx + x, dy + y, c if replace is None else replace.get(c, c))

    def fill_rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)


def grid(rows):
    rows = [r for r in rows]
    w = len(rows[0])
    for r in rows:
        if len(r) != w:
            raise ValueError('ragged grid row: %r' % r)
    img = Image(w, len(rows))
    for y, r in enumerate(rows):
        for x, ch in enumerate(r):
            img.px[y][x] = PALETTE[ch]
    return img


def layers(width, height, *parts):
    """Stacks (grid rows, dx, dy) parts, later ones on top; '.' is see-through."""
    img = Image(width, height)
    for rows, dx, dy in parts:
        img.blit(grid(rows), dx, dy)
    return img


def greyed(img):
    """The disabled look: flat, light greys; background stays background."""
    out = Image(img.width, img.height)
    for y in range(img.height):
        for x in range(img.width):
            c = img.px[y][x]
            if c != KEY:
                lum = (299 * c[0] + 587 * c[1] + 114 * c[2]) // 1000
                v = 96 + lum // 2
                out.px[y][x] = (v, v, v)
    return out


def side_by_side(*imgs):
    out = Image(sum(i.width for i in imgs), max(i.height for i in imgs))
    x = 0
    for i in imgs:
        out.blit(i, x, 0, key=None)
        x += i.width
    return out


def with_disabled(img):
    """A speed button's two-image glyph: normal, disabled."""
    return side_by_side(img, greyed(img))


# ---------------------------------------------------------------- the bar

MENU_SHEET = [
    "kkkkkkkkkkk.....",
    "kwwwwwwwwwkg....",
    "kwggggwwwwkg....",
    "kwwwwwwwwwkg....",
    "kbbbbbbbbbkg....",
    "kbwwwwwwbbkg....",
    "kbbbbbbbbbkg....",
    "kwwwwwwwwwkg....",
    "kwggggwwwwkg....",
    "kwwwwwwwwwkg....",
    "kwggggggwwkg....",
    "kwwwwwwwwwkg....",
    "kwgggggwwwkg....",
    "kwwwwwwwwwkg....",
    "kkkkkkkkkkkg....",
    ".gggggggggg.....",
]

POINTER = [
    "k......",
    "kk.....",
    "kwk....",
    "kwwk...",
    "kwwwk..",
    "kwwwwk.",
    "kwwwwwk",
    "kwwkkkk",
    "kwkkwk.",
    "kk.kwk.",
    "k...kwk",
    "....kk.",
]

BAR_MENU = layers(16, 16, (MENU_SHEET, 0, 0), (POINTER, 6, 4))

BAR_TEXT = grid([
    "................",
    ".......kk.......",
    "......kkk.......",
    "......kkkk......",
    ".....kk.kkk.....",
    ".....kk.kkk.....",
    "....kk...kkk....",
    "....kk...kkk....",
    "...kk.....kkk...",
    "...kkkkkkkkkk...",
    "..kk......kkkk..",
    "..kk.......kkk..",
    ".kk........kkk..",
    "kkkkk....kkkkkkk",
    "................",
    "................",
])

BAR_BOLT = grid([
    ".......kkkkkkk..",
    "......kwwyyyyk..",
    "......kwyyyyk...",
    ".....kwyyyyk....",
    ".....kwyyyk.....",
    "....kwyyyykkkkk.",
    "....kwwwwwyyyyk.",
    "...kkkkkkwyyyk..",
    ".......kwyyyk...",
    "......kwyyyk....",
    "......kwyyk.....",
    ".....kwyyk......",
    ".....kwyk.......",
    "....kwyk........",
    "....kwk.........",
    "....kk..........",
])

FLOPPY = [
    "................",
    ".kkkkkkkkkkkkk..",
    ".kBklllllgkBBkk.",
    ".kBkllllkkgkBBk.",
    ".kBkllllkkgkBBk.",
    ".kBkllllkkgkBBk.",
    ".kBBkkkkkkkBBBk.",
    ".kBBBBBBBBBBBBk.",
    ".kBkkkkkkkkkkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kBkwggggggwkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kBkwggggggwkBk.",
    ".kBkwwwwwwwwkBk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]
BAR_SAVED = grid(FLOPPY)

DISC = [
    ".....kkkkkk.....",
    "...kkYYYYyykk...",
    "..kYYYyyyyyyok..",
    ".kYYyyyyyyyyyok.",
    ".kYyyyyyyyyyyok.",
    "kYYyyyyyyyyyyook",
    "kYyyyyyyyyyyyook",
    "kyyyyyyyyyyyyook",
    "kyyyyyyyyyyyyook",
    "kyyyyyyyyyyyoook",
    "kyyyyyyyyyyyoook",
    ".kyyyyyyyyyyook.",
    ".kyyyyyyyyyoook.",
    "..koyyyyyooook..",
    "...kkoooooookk..",
    ".....kkkkkk.....",
]

QUESTION = [
    ".rrrrr..",
    "rrRRRrr.",
    "rR...rrR",
    ".R...rrR",
    "....rrR.",
    "...rrR..",
    "...rrR..",
    "....R...",
    "........",
    "...rr...",
    "...rrR..",
    "....RR..",
]

HELP_DISC = layers(16, 16, (DISC, 0, 0), (QUESTION, 4, 2))
BAR_HELP = with_disabled(HELP_DISC)

# 3 x 5 letters for the switch plate.
LETTERS = {
    'O': [".#.", "#.#", "#.#", "#.#", ".#."],
    'N': ["#..#", "##.#", "#.##", "#..#", "#..#"],
    'F': ["###", "#..", "##.", "#..", "#.."],
}


def text(img, word, x, y, colour):
    for ch in word:
        rows = LETTERS[ch]
        for dy, r in enumerate(rows):
            for dx, c in enumerate(r):
                if c == '#':
                    img.set(x + dx, y + dy, colour)
        x += len(rows[0]) + 1


SWITCH_PLATE = [
    "ckkkkkkkkkkkkkkc",
    "kwwwwwwwwwwwwwwk",
] + ["kwllllllllllllgk"] * 28 + [
    "kggggggggggggggk",
    "ckkkkkkkkkkkkkkc",
]

SLOT = [
    "kkkkkk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kddddk",
    "kwwwwk",
]

KNOB_LIT = [
    ".kkkkkk.",
    "kLLLLLGk",
    "kLGGGGhk",
    "kLGGGGhk",
    "kGhhhhhk",
    ".kkkkkk.",
]

KNOB_DARK = [
    ".kkkkkk.",
    "kwlllllk",
    "kwllllgk",
    "kwllllgk",
    "klgggggk",
    ".kkkkkk.",
]



def switch(on):
    img = layers(16, 32, (SWITCH_PLATE, 0, 0), (SLOT, 5, 10))
    if on:
        img.blit(grid(KNOB_LIT), 4, 9)
        text(img, "ON", 4, 3, (0, 144, 0))
        text(img, "OFF", 2, 24, (150, 150, 150))
    else:
        img.blit(grid(KNOB_DARK), 4, 17)
        text(img, "ON", 4, 3, (150, 150, 150))
        text(img, "OFF", 2, 24, (0, 0, 0))
    return img


SWITCH_ON = switch(True)
SWITCH_OFF = switch(False)

# ---------------------------------------------------------------- browsers

PAGE = [
    "kkkkkk..",
    "kwwwwkk.",
    "kwkkwkwk",
    "kwwwwkkk",
    "kwkkkkwk",
    "kwwwwwwk",
    "kwkkkkwk",
    "kwwwwwwk",
    "kwkkkwwk",
    "kwwwwwwk",
    "kkkkkkkk",
]

PICTURE = [
    "kkkkkkkk",
    "kssssysk",
    "ksssyyyk",
    "kssssysk",
    "kssssssk",
    "ksnssssk",
    "knnnssnk",
    "knnnnnnk",
    "knnnnnnk",
    "knnnnnnk",
    "kkkkkkkk",
]

ARROW_DOWN = [
    ".kkkkk.",
    ".krrRk.",
    ".krrRk.",
    "kkrrRkk",
    "krrrrRk",
    ".krrRk.",
    "..kRk..",
    "...k...",
]

CLIPBOARD = [
    "...kkkkk...",
    "kkkklllkkkk",
    "ktkgggggktk",
    "ktwwwwwwwtk",
    "ktwkkkkkwtk",
    "ktwwwwwwwtk",
    "ktwkkkkwwtk",
    "ktwwwwwwwtk",
    "kTTTTTTTTTk",
    "kkkkkkkkkkk",
]

SCISSORS = [
    "k.........k",
    "kwk.....kwk",
    ".kwk...kwk.",
    ".kwk...kwk.",
    "..kwk.kwk..",
    "..klk.klk..",
    "...kwkwk...",
    "...kkdkk...",
    "..kRk.kRk..",
    ".kRk...kRk.",
    "krrrk.krrrk",
    "kr.rk.kr.rk",
    "krrrk.krrrk",
    ".kkk...kkk.",
]


def copy_glyph(document):
    return layers(16, 16, (CLIPBOARD, 5, 6), (document, 0, 0), (ARROW_DOWN, 9, 0))


def cut_glyph(document):
    return layers(16, 16, (document, 0, 0), (SCISSORS, 5, 2))


TEXT_COPY = with_disabled(copy_glyph(PAGE))
BMP_COPY = with_disabled(copy_glyph(PICTURE))
TEXT_DEL = with_disabled(cut_glyph(PAGE))
BMP_DEL = with_disabled(cut_glyph(PICTURE))

BMP_SAVE = Image(18, 16)
BMP_SAVE.blit(BAR_SAVED, 1, 0)

# ---------------------------------------------------------------- about box

CHECK = grid([
    "................",
    "................",
    "..............k.",
    ".............kGk",
    "............kGhk",
    "...........kGhk.",
    ".k........kGhk..",
    "kLk......kGhk...",
    "kLGk....kGhk....",
    ".kLGk..kGhk.....",
    "..kLGkkGhk......",
    "...kLGGhk.......",
    "....kLhk........",
    ".....kk.........",
    "................",
    "................",
])

# ------------------------------------------------- smooth pictures (logo, icon)

SQ3 = math.sqrt(3.0)


def hex_dist(px, py, cx, cy, radius):
    """Signed distance-like measure to a pointy-top hexagon (negative inside)."""
    x = abs(px - cx)
    y = py - cy
    inner = radius * SQ3 / 2
    return max(x, abs(0.5 * x + SQ3 / 2 * y), abs(0.5 * x - SQ3 / 2 * y)) - inner


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def render(width, height, scene, samples=4):
    """Supersampled rendering of scene(x, y) -> (r, g, b, a) in 0..255 floats."""
    out = []
    n = samples * samples
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = scene(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3] > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3] / n))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        out.append(row)
    return out


def shaded_hex(px, py, cx, cy, radius, top, bottom, rim, wave=None):
    """Colour of a hexagon at (px, py), or None outside it."""
    d = hex_dist(px, py, cx, cy, radius)
    if d > 0:
        return None
    t = (py - (cy - radius)) / (2 * radius) + (px - cx) / (6 * radius)
    c = mix(top, bottom, t)
    if wave is not None:
        colour, amp, width, level = wave
        for k in range(2):
            base = cy + radius * (level + 0.32 * k)
            wy = base + amp * radius * math.sin((px - cx) / radius * 4.2 + 0.6)
            if abs(py - wy) < width * radius * (1 - 0.35 * k):
                c = colour
    edge = radius * 0.07
    if d > -edge:
        c = rim
    elif d > -2.2 * edge:
        # a light bevel along the upper edges, a dark one along the lower
        c = mix(c, (255, 255, 255), 0.45) if py < cy else mix(c, rim, 0.35)
    return c


# The about box's face colour on current Windows; the picture is opaque.
LOGO_BG = (240, 240, 240)


def logo_scene(px, py):
    left = (23.0, 46.0, 25.0)
    mid = (66.5, 36.0, 34.0)
    right = (110.0, 46.0, 25.0)
    c = LOGO_BG
    for cx, cy, r, top, bottom, rim in (
            (left[0], left[1], left[2], (120, 180, 255), (20, 70, 190), (0, 20, 90)),
            (right[0], right[1], right[2], (60, 110, 220), (0, 20, 120), (0, 10, 60))):
        h = shaded_hex(px, py, cx, cy, r, top, bottom, rim,
                       wave=((235, 245, 255), 0.08, 0.07, 0.15))
        if h is not None:
            c = h
    # soft shadow of the raised middle hexagon
    d = hex_dist(px, py, mid[0] + 4.0, mid[1] + 5.0, mid[2])
    shade = 0.55 * min(1.0, max(0.0, (2.5 - d) / 5.0))
    c = mix(c, (0, 0, 40), shade)
    h = shaded_hex(px, py, mid[0], mid[1], mid[2], (255, 255, 255), (170, 205, 255),
                   (0, 40, 130), wave=((30, 90, 220), 0.08, 0.07, 0.12))
    if h is not None:
        c = h
    return (c[0], c[1], c[2], 1.0)


def to_image(pixels, background):
    img = Image(len(pixels[0]), len(pixels))
    for y, row in enumerate(pixels):
        for x, (r, g, b, a) in enumerate(row):
            c = mix(background, (r, g, b), a)
            img.px[y][x] = tuple(int(round(v)) for v in c)
    return img


def make_logo():
    img = to_image(render(133, 74, logo_scene, 4), LOGO_BG)
    # Keep the background the only exact LOGO_BG colour, so the picture can
    # also be drawn keyed on its bottom-left pixel.
    for y in range(img.height):
        for x in range(img.width):
            if img.px[y][x] == LOGO_BG and logo_scene(x + 0.5, y + 0.5)[:3] != LOGO_BG:
                img.px[y][x] = (241, 241, 241)
    return img


def icon_scene_for(size):
    cx = cy = size / 2.0
    radius = size * 0.5

    def scene(px, py):
        h = shaded_hex(px, py, cx, cy, radius, (110, 175, 255), (10, 50, 170), (0, 20, 90),
                       wave=((255, 255, 255), 0.1, 0.09 if size > 16 else 0.11, 0.05))
        if h is None:
            return (0.0, 0.0, 0.0, 0.0)
        return (h[0], h[1], h[2], 1.0)
    return scene


# ---------------------------------------------------------------- splash row

BUTTON_SIZE = 25
BUTTON_PITCH = 32        # as on the bar
SWITCH_GAP = 6           # from the last button's right edge to the switch
GLYPH_OFFSET = 4         # glyph inside a button face
FACE = (192, 192, 192)


def button_face():
    img = Image(BUTTON_SIZE, BUTTON_SIZE, FACE)
    n = BUTTON_SIZE
    for i in range(n):
        img.set(i, 0, (255, 255, 255))
        img.set(0, i, (255, 255, 255))
        img.set(i, n - 1, (0, 0, 0))
        img.set(n - 1, i, (0, 0, 0))
    for i in range(1, n - 1):
        img.set(i, 1, (224, 224, 224))
        img.set(1, i, (224, 224, 224))
        img.set(i, n - 2, (128, 128, 128))
        img.set(n - 2, i, (128, 128, 128))
    return img


def splash_row():
    glyphs = [BAR_TEXT, BAR_BOLT, BAR_SAVED, HELP_DISC]
    img = Image(163, 46, (0, 0, 0))
    span = len(glyphs) * BUTTON_PITCH - (BUTTON_PITCH - BUTTON_SIZE) + SWITCH_GAP + 16
    x0 = (img.width - span) // 2
    y0 = (img.height - 32) // 2
    for i, g in enumerate(glyphs):
        face = button_face()
        face.blit(g, GLYPH_OFFSET, GLYPH_OFFSET)
        img.blit(face, x0 + i * BUTTON_PITCH, y0, key=None)
    sx = x0 + (len(glyphs) - 1) * BUTTON_PITCH + BUTTON_SIZE + SWITCH_GAP
    img.blit(SWITCH_ON, sx, y0, key=None)
    return img


# ---------------------------------------------------------------- file formats

def bmp_bytes(img):
    """24-bit bottom-up BMP with BITMAPINFOHEADER."""
    stride = (img.width * 3 + 3) & ~3
    body = bytearray()
    for y in range(img.height - 1, -1, -1):
        row = bytearray()
        for r, g, b in img.px[y]:
            row += bytes((b, g, r))
        row += b'\0' * (stride - len(row))
        body += row
    header = struct.pack('<IiiHHIIiiII', 40, img.width, img.height, 1, 24, 0,
                         len(body), 2835, 2835, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(body), 0, 0, 14 + 40)
    return file_header + header + bytes(body)


def ico_image(size):
    pixels = render(size, size, icon_scene_for(size), 8 if size <= 16 else 4)
    xor = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row_mask = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(pixels[y]):
            alpha = int(round(a * 255))
            if alpha == 0:
                r = g = b = 0
                row_mask[x // 8] |= 0x80 >> (x % 8)
            xor += bytes((int(round(b)), int(round(g)), int(round(r)), alpha))
        mask += row_mask
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask), pixels


def ico_bytes(sizes):
    images = [ico_image(s)[0] for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def png_bytes(img):
    raw = bytearray()
    for row in img.px:
        raw.append(0)
        for c in row:
            raw += bytes(c)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', img.width, img.height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


# ---------------------------------------------------------------- outputs

def outputs():
    logo = make_logo()
    files = {
        'bar-menu.bmp': BAR_MENU,
        'bar-text.bmp': BAR_TEXT,
        'bar-bmp.bmp': BAR_BOLT,
        'bar-saved.bmp': BAR_SAVED,
        'bar-help.bmp': BAR_HELP,
        'monitor-on.bmp': SWITCH_ON,
        'monitor-off.bmp': SWITCH_OFF,
        'text-copy.bmp': TEXT_COPY,
        'text-del.bmp': TEXT_DEL,
        'bmp-copy.bmp': BMP_COPY,
        'bmp-del.bmp': BMP_DEL,
        'bmp-save.bmp': BMP_SAVE,
        'about-ok.bmp': CHECK,
        'about-logo.bmp': logo,
        'splash-buttons.bmp': splash_row(),
    }
    data = {name: bmp_bytes(img) for name, img in files.items()}
    data['tidemark.ico'] = ico_bytes([16, 32, 48])
    return files, data


def preview(files, path, scale=4, icons=True, sheet_w=1400):
    pad = 8
    grey = (160, 160, 160)
    items = list(files.values())
    if icons:
        items += [to_image(ico_image(s)[1], grey) for s in (16, 32, 48)]
    placed = []
    x = y = pad
    row_h = 0
    for img in items:
        w, h = img.width * scale, img.height * scale
        if x + w > sheet_w - pad:
            x = pad
            y += row_h + pad
            row_h = 0
        placed.append((img, x, y))
        x += w + pad
        row_h = max(row_h, h)
    sheet = Image(sheet_w, y + row_h + pad, grey)
    for img, ox, oy in placed:
        for yy in range(img.height):
            for xx in range(img.width):
                c = img.px[yy][xx]
                if c == KEY:
                    continue
                for dy in range(scale):
                    r = sheet.px[oy + yy * scale + dy]
                    for dx in range(scale):
                        r[ox + xx * scale + dx] = c
    # the same at actual size along the bottom
    strip = Image(sheet_w, 80, grey)
    x = pad
    for img in items:
        if x + img.width > sheet_w:
            break
        strip.blit(img, x, 8)
        x += img.width + pad
    full = Image(sheet_w, sheet.height + strip.height, grey)
    full.blit(sheet, 0, 0, key=None)
    full.blit(strip, 0, sheet.height, key=None)
    with open(path, 'wb') as f:
        f.write(png_bytes(full))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--check', action='store_true', help='compare with res/ instead of writing')
    ap.add_argument('--preview', metavar='PNG', help='also write a contact sheet')
    args = ap.parse_args()
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    files, data = outputs()
    stale = []
    for name, blob in data.items():
        path = os.path.join(res, name)
        if args.check:
            try:
                with open(path, 'rb') as f:
                    if f.read() != blob:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, 'wb') as f:
                f.write(blob)
    if args.preview:
        os.makedirs(os.path.dirname(os.path.abspath(args.preview)), exist_ok=True)
        preview(files, args.preview)
    if stale:
        print('stale: ' + ', '.join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
