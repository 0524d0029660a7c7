#!/usr/bin/python3
"""Before/after contact sheet of chosen stickers, as a user sees them: on a photo-like
portrait (a light and a dark one) at the size a user gives them (300 pixels on a
1600-pixel photo; a hat sits on the head), and at 56 x 56 in the clip-art dialog.

    compare.py --before DIR --after DIR --out FILE.png name [name ...]

DIR are clip-art folders (.clp files); a name is a file name without ".clp".
"""
import argparse
import os
import sys

import numpy as np
from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sheets  # noqa: E402
import stickers  # noqa: E402

CELL = 460          # the part of the 1600-pixel photo shown around the head
USER_SIDE = 300     # the sticker's longer side on the photo
THUMB_ZOOM = 2      # the 56 x 56 thumbnail, shown twice as large


def hats():
    return {r["file"][:-4] for r in stickers.read_manifest() if "1" in r["cats"].split(",")}


def portrait(dark):
    """A head and shoulders in front of a blurred room, the size of the shown cell."""
    bg = sheets.photo_background(CELL, CELL, dark, seed=11 if dark else 5)
    img = bg.convert("RGBA")
    layer = Image.new("RGBA", (CELL, CELL), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    skin = (120, 84, 62) if dark else (226, 184, 156)
    shirt = (40, 60, 90) if dark else (70, 110, 150)
    d.ellipse([CELL * 0.12, CELL * 0.82, CELL * 0.88, CELL * 1.4], fill=shirt + (255,))
    d.rectangle([CELL * 0.42, CELL * 0.66, CELL * 0.58, CELL * 0.86], fill=skin + (255,))
    d.ellipse([CELL * 0.26, CELL * 0.3, CELL * 0.74, CELL * 0.82], fill=skin + (255,))
    eye = (40, 30, 25, 255)
    for ex in (0.42, 0.58):
        d.ellipse([CELL * ex - 9, CELL * 0.5 - 5, CELL * ex + 9, CELL * 0.5 + 5], fill=eye)
    d.arc([CELL * 0.43, CELL * 0.6, CELL * 0.57, CELL * 0.7], 20, 160, fill=(150, 60, 60, 255), width=4)
    img.alpha_composite(layer)
    return img


def placed(base, rgb, hat):
    img = base.copy()
    if rgb is None:
        return img
    pic = sheets.keyed(rgb)
    scale = USER_SIDE / max(pic.size)
    pic = pic.resize((max(1, int(pic.width * scale)), max(1, int(pic.height * scale))),
                     Image.NEAREST)
    x = (CELL - pic.width) // 2
    y = int(CELL * 0.36) - pic.height if hat else (CELL - pic.height) // 2
    img.alpha_composite(pic, (x, max(0, y) if hat else y))
    return img


def thumb(rgb):
    side = 56 * THUMB_ZOOM
    if rgb is None:
        return Image.new("RGB", (side, side), (255, 255, 255))
    return Image.fromarray(sheets.thumbnail(rgb)).resize((side, side), Image.NEAREST)


def load(folder, name):
    path = os.path.join(folder, name + ".clp")
    return stickers.read_bmp(path) if os.path.exists(path) else None


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--before", required=True)
    ap.add_argument("--after", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("names", nargs="+")
    args = ap.parse_args()
    hat_names = hats()
    light, dark = portrait(False), portrait(True)
    label = 18
    tw = 56 * THUMB_ZOOM + 8
    row_w = 4 * CELL + 2 * tw + 24
    sheet = Image.new("RGB", (row_w, len(args.names) * (CELL + label)), (255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for i, name in enumerate(args.names):
        y = i * (CELL + label)
        hat = name in hat_names
        x = 0
        for tag, folder in (("before", args.before), ("after", args.after)):
            rgb = load(folder, name)
            draw.text((x + 4, y + 2), f"{name} {tag}", fill=(0, 0, 0))
            for base in (light, dark):
                sheet.paste(placed(base, rgb, hat).convert("RGB"), (x, y + label))
                x += CELL
            sheet.paste(thumb(rgb), (x + 4, y + label + 4))
            x += tw
            x += 12
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    sheet.save(args.out, compress_level=1)
    print(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
