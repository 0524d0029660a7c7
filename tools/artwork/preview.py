#!/usr/bin/python3
"""Contact sheets of the generated artwork, at 1x and 3x, for a person to look at.

  preview.py --data DATA_DIR --generated GEN_DIR --out OUT_DIR

It reads back only what the generator wrote (sheet, glyph header, graphics map, level
file, bitmaps) and draws the window the way the program composes it.
"""

import argparse
import os
import re
import struct
import sys

import numpy as np
from PIL import Image

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmpfile  # noqa: E402
import tables as T  # noqa: E402


class Data:
    def __init__(self, data, generated):
        self.dir = data
        self.sheet, _, _ = bmpfile.read_bmp(os.path.join(data, "resources", "SPRITE.bmp"))
        with open(os.path.join(generated, "glyphtables.h")) as f:
            text = f.read()
        self.glyphs = {}
        for name, body in re.findall(r"GLYPHENTRY (\w+)\[\d+\] = \{(.*?)\};", text, re.S):
            self.glyphs[name] = [(int(a), int(b)) for a, b in re.findall(r"\{(-?\d+), (-?\d+)\}", body)]
        with open(os.path.join(data, "obj.edi"), "rb") as f:
            edi = f.read().decode("ascii")
        self.sprites = {int(g): tuple(map(int, v.split(",")))
                        for g, v in re.findall(r"G:(\d{4}) ([\d,]+)", edi)}
        with open(os.path.join(data, T.LEVEL_NAME), "rb") as f:
            lvl = f.read()
        counts = struct.unpack_from("<4i", lvl, 0)
        off = 112 + counts[0] * 12 + counts[1] * 16 + counts[2] * 20
        self.actions = [struct.unpack_from("<3i8iH", lvl, off + 48 * i) for i in range(counts[3])]

    def bitmap(self, name):
        return bmpfile.read_bmp(os.path.join(self.dir, name))[0]


def blit(dst, src, x, y, sx, sy, w, h, key=True):
    """Clipped copy of (sx, sy, w, h) of src to (x, y) of dst; white keyed out."""
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, dst.shape[1]), min(y + h, dst.shape[0])
    if x1 <= x0 or y1 <= y0:
        return
    part = src[sy + y0 - y: sy + y1 - y, sx + x0 - x: sx + x1 - x]
    if key:
        m = ~(part == 255).all(axis=2)
        dst[y0:y1, x0:x1][m] = part[m]
    else:
        dst[y0:y1, x0:x1] = part


def stretch(src, w, h):
    return np.asarray(Image.fromarray(src).resize((w, h), Image.NEAREST))


def text_width(d, table, spacing, text):
    ws = [table[glyph(c, len(table))][1] for c in text]
    return sum(ws) + spacing * (len(ws) - 1) if ws else 0


def glyph(c, count):
    g = T.glyph_index(ord(c))
    return g if g < count else T.FALLBACK


def draw_text(dst, d, font, x, y, text, align=0):
    table = {0: "kGlyphsLarge", 10: "kGlyphsText", 11: "kGlyphsIcons"}[font]
    table = d.glyphs[table]
    spacing = {0: 12, 10: 1, 11: 1}[font]
    height = {0: 106, 10: 13, 11: 30}[font]
    lw = text_width(d, table, spacing, text)
    left = x - (lw if align == 1 else lw // 2 if align == 2 else 0)
    for c in text:
        g = glyph(c, len(table))
        sx, w = table[g]
        row = {0: 0 if g < 29 else 108, 10: 281, 11: 296}[font]
        blit(dst, d.sheet, left, y, sx, row, w, height)
        left += w + spacing
    return lw


def fake_photo(w, h):
    """A photo-like picture: sky, sun, hills."""
    yy, xx = np.mgrid[0:h, 0:w] / max(w, h)
    sky = np.stack([90 + 80 * yy, 150 + 60 * yy, 230 - 20 * yy], axis=2)
    hill = yy > 0.45 + 0.08 * np.sin(xx * 9)
    img = np.where(hill[..., None], np.stack([60 + 40 * xx, 140 - 30 * yy, 60 + 0 * xx], 2), sky)
    sun = (xx - 0.75) ** 2 + (yy - 0.18) ** 2 < 0.006
    img[sun] = (255, 220, 90)
    return np.clip(img, 0, 254).astype(np.uint8)


def fit_picture(sw, sh, pw, ph):
    mw, mh = sw - 215, sh - 120
    if pw > ph:
        w, h = mw, int(mw * (ph / pw))
        if h > mh:
            h, w = mh, int(mh * (pw / ph))
    else:
        h, w = mh, int(mh * (pw / ph))
        if w > mw:
            w, h = mw, int(mw * (ph / pw))
    x = 190 + (mw - w) // 2 if w < mw else 190
    y = 75 + (mh - h) // 2 if h < mh else 75
    return x, y, w, h


def draw_frame(dst, d, px, py, pw, ph):
    t = T.FRAME_TILES
    for i in range(pw // 16 + 1):
        blit(dst, d.sheet, px + 16 * i, py - 13, *t["top"][:2], 16, 13, key=False)
        blit(dst, d.sheet, px + 16 * i, py + ph, *t["bottom"][:2], 16, 16, key=False)
    for i in range(ph // 16 + 1):
        blit(dst, d.sheet, px - 13, py + 16 * i, *t["left"][:2], 13, 16, key=False)
        blit(dst, d.sheet, px + pw, py + 16 * i, *t["right"][:2], 16, 16, key=False)
    blit(dst, d.sheet, px - 13, py - 13, *t["top_left"][:2], 13, 13, key=False)
    blit(dst, d.sheet, px + pw, py - 13, *t["top_right"][:2], 16, 16)
    blit(dst, d.sheet, px - 13, py + ph, *t["bottom_left"][:2], 13, 16)
    blit(dst, d.sheet, px + pw, py + ph, *t["bottom_right"][:2], 16, 16, key=False)


def window(d, sw, sh, photo_size, start_screen=False):
    """The window as the program composes it: background, logo, framed picture,
    buttons (one highlighted, one disabled, one with its label), a text bubble."""
    img = stretch(d.bitmap("merrowick7.clp"), sw, sh).copy()
    logo = d.bitmap("logo7.clp")
    blit(img, logo, 15, 10, 0, 0, logo.shape[1], logo.shape[0])
    if start_screen:
        bx, by, bw, bh = T.FEEDER_BOX
        y = by + 20
        draw_text(img, d, 11, bx + bw // 2, y, "A", 2)
        for line in ("Welcome to Merrowick!", "Open a photo or start", "with a blank page.",
                     "Then add hats, beards", "and speech bubbles.", "Tips: \xe5\xe4\xf6 \xc5\xc4\xd6 0-9"):
            y += 16
            draw_text(img, d, 10, bx + bw // 2, y + 20, line, 2)
        draw_text(img, d, 11, bx + bw // 2, by + bh - 40, "BGC", 2)
        return img
    px, py, pw, ph = fit_picture(sw, sh, *photo_size)
    img[py:py + ph, px:px + pw] = fake_photo(pw, ph)
    draw_frame(img, d, px, py, pw, ph)
    # A transparent-style text piece straight on the photo, scaled down as on screen.
    bubble = np.full((111 * 2, 1200, 3), 255, np.uint8)
    w1 = draw_text(bubble, d, 0, 600, 0, "HELLO \xc5\xc4\xd6!", 2)
    w2 = draw_text(bubble, d, 0, 600, 111, "0123 ?&%", 2)
    bw = max(w1, w2)
    block = bubble[:, 600 - bw // 2: 600 - bw // 2 + bw]
    small = stretch(block, pw // 2, ph // 4)
    blit(img, small, px + pw // 4, py + ph // 8, 0, 0, small.shape[1], small.shape[0])
    for gid, x, y, *p in d.actions:
        number = p[2]
        sx, sy, w, h = d.sprites[gid]
        look = 1
        if number in (6, 14):
            look = 2
        if number == 8:
            look = 0
        blit(img, d.sheet, x, y, sx, sy + look * h, w, h)
        if number == 6:
            draw_text(img, d, 10, max(x + w // 2, 30), y + h - 4, "Lower", 2)
        if number == 14:
            draw_text(img, d, 10, max(x + w // 2, 30), y + h - 5, "Move Down", 2)
        if number == 11:
            draw_text(img, d, 10, x - 3, y - 13 + h // 2, "Move", 1)
            draw_text(img, d, 10, x - 3, y + h // 2, "Left", 1)
        if number == 12:
            draw_text(img, d, 10, x + w + 2, y - 13 + h // 2, "Move", 0)
            draw_text(img, d, 10, x + w + 2, y + h // 2, "Right", 0)
    return img


def checker_sheet(sheet):
    """The sheet with its transparent white shown as a grey checkerboard."""
    yy, xx = np.mgrid[0:sheet.shape[0], 0:sheet.shape[1]]
    board = np.where(((yy // 8 + xx // 8) % 2 == 0)[..., None], 205, 180).astype(np.uint8)
    board = np.repeat(board, 3, axis=2)
    m = ~(sheet == 255).all(axis=2)
    board[m] = sheet[m]
    return board


BACKDROP = (190, 198, 208)


def _on_backdrop(rgba):
    ground = Image.new("RGBA", rgba.size, BACKDROP + (255,))
    return np.asarray(Image.alpha_composite(ground, rgba).convert("RGB"))


def resources_sheet(d):
    items = [d.bitmap("logo7.clp"), d.bitmap("resources/CLIPART_ERROR.bmp"),
             d.bitmap("resources/CLIPART.bmp"),
             _on_backdrop(Image.open(os.path.join(d.dir, "resources", "101.png"))
                          .convert("RGBA").resize((64, 64), Image.LANCZOS)),
             d.sheet[T.LOGO_CELL[1]:T.LOGO_CELL[1] + 44, T.LOGO_CELL[0]:T.LOGO_CELL[0] + 52]]
    w = sum(i.shape[1] for i in items) + 20 * (len(items) + 1)
    h = max(i.shape[0] for i in items) + 40
    out = np.full((h, w, 3), BACKDROP, np.uint8)
    x = 20
    for i in items:
        out[20:20 + i.shape[0], x:x + i.shape[1]] = i
        x += i.shape[1] + 20
    return out


def save(out, name, img):
    Image.fromarray(img).save(os.path.join(out, name + ".png"))
    big = np.repeat(np.repeat(img, 3, axis=0), 3, axis=1)
    Image.fromarray(big).save(os.path.join(out, name + "@3x.png"))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--data", required=True)
    ap.add_argument("--generated", required=True)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    d = Data(args.data, args.generated)
    save(args.out, "sprite-sheet", checker_sheet(d.sheet))
    save(args.out, "window-start", window(d, 800, 600, (4, 3), start_screen=True))
    save(args.out, "window-landscape", window(d, 800, 600, (1600, 1200)))
    save(args.out, "window-portrait", window(d, 800, 600, (1200, 1600)))
    save(args.out, "window-stretched", window(d, 1280, 1024, (1600, 1200)))
    save(args.out, "window-1024", window(d, 1024, 768, (1600, 1200)))
    save(args.out, "window-stretched-portrait", window(d, 1280, 1024, (1200, 1600)))
    save(args.out, "window-start-stretched", window(d, 1280, 1024, (4, 3), start_screen=True))
    save(args.out, "resources", resources_sheet(d))
    print(f"artwork preview: {args.out}")


if __name__ == "__main__":
    main()
