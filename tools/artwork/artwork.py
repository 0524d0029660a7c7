#!/usr/bin/python3
"""Generates the interface artwork and data files into the data folder.

  artwork.py --source REPO --data DATA_DIR --generated GEN_DIR [--stamp FILE]

Writes DATA_DIR/resources/{SPRITE,CLIPART,CLIPART_ERROR}.bmp and 101.png (embedded into
the program), DATA_DIR/{obj.edi, merrowick.lvl, merrowick7.clp, logo7.clp, blank.jpg},
DATA_DIR/icons/merrowick.{png,svg}, GEN_DIR/glyphtables.h, and the artwork of scaled
screens DATA_DIR/2x/{SPRITE.bmp, merrowick7.clp, logo7.clp}: the same drawings at twice
the size, every place and size of the 1x tables doubled.
"""

import argparse
import os
import sys

import numpy as np
from PIL import Image

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmpfile  # noqa: E402
import datafiles  # noqa: E402
import render  # noqa: E402
import sheet as S  # noqa: E402
import tables as T  # noqa: E402


def write_if_changed(path, data):
    """Leaves an identical file alone, so that what depends on it is not rebuilt."""
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def build_sheet(drawings):
    sheet = S.Sheet()
    tables = S.place_fonts(sheet)
    S.place_icons(sheet, drawings)
    S.place_frame(sheet)
    S.place_cells(sheet, drawings)
    # Button looks go right of the small fonts and the text font, around the logo cell.
    used = max(x + w for name, (x, y, w, h) in sheet.items
               if name.startswith(("small", "text")))
    frame_zone = (1622, 281, 48, 47)
    places = S.place_buttons(sheet, drawings, used + 8, [T.LOGO_CELL, frame_zone])
    check_layout(sheet, tables)
    return sheet, tables, places


def check_layout(sheet, tables):
    """Fails the build when two pieces of the sheet overlap or a telling entry moved."""
    problems = []
    for na, a, nb, b in sheet.overlaps(allowed={tuple("frame " + n for n in T.FRAME_SHARED)}):
        problems.append(f"{na} {a} overlaps {nb} {b}")
    for name, (x, y, w, h) in sheet.items:
        if x < 0 or y < 0 or x + w > T.SHEET_W or y + h > T.SHEET_H:
            problems.append(f"{name} leaves the sheet")
    for name, fixed in (("kGlyphsLarge", T.LARGE["fixed"]), ("kGlyphsText", T.TEXT["fixed"])):
        for g, cell in fixed.items():
            if tuple(tables[name][g]) != cell:
                problems.append(f"{name}[{g}] is {tables[name][g]}, must be {cell}")
    icons = [(x, w) for x, w, _ in T.ICONS]
    if tables["kGlyphsIcons"] != icons:
        problems.append("icon font moved")
    if problems:
        raise SystemExit("artwork: sheet layout check failed:\n  " + "\n  ".join(problems))


def write_resources(args, drawings, indices, palette):
    res = os.path.join(args.data, "resources")
    icons = os.path.join(args.data, "icons")
    os.makedirs(res, exist_ok=True)
    os.makedirs(icons, exist_ok=True)
    # The sheet the window draws from as it is embedded: the palette applied at build time.
    rgb = np.array(palette, np.uint8)[indices]
    bmpfile.write_bmp24(os.path.join(res, "SPRITE.bmp"), rgb, top_down=True)
    bmpfile.write_bmp24(os.path.join(res, "CLIPART.bmp"), np.full((72, 72, 3), 255, np.uint8))
    err = render.flatten(drawings.rgba("clipart_error", 56, 56), (255, 255, 255), cutoff=0.0)
    bmpfile.write_bmp24(os.path.join(res, "CLIPART_ERROR.bmp"), err)
    icon_rgba = drawings.rgba("icon", 256, 256)
    icon = Image.fromarray(np.clip(np.rint(icon_rgba * 255), 0, 255).astype(np.uint8), "RGBA")
    icon.save(os.path.join(res, "101.png"), optimize=False)
    icon.save(os.path.join(icons, "merrowick.png"), optimize=False)
    write_if_changed(os.path.join(icons, "merrowick.svg"), drawings.text("icon").encode())


def write_data_files(args, drawings, places):
    d = args.data
    write_if_changed(os.path.join(d, "obj.edi"), datafiles.graphics_map(places))
    write_if_changed(os.path.join(d, T.LEVEL_NAME), datafiles.level_file())
    for scale, folder in ((1, d), (2, os.path.join(d, "2x"))):
        write_pictures(drawings, folder, scale)
    # The blank canvas: white, an 8 x 10 inch print at 300 dpi.
    Image.new("RGB", (2400, 3000), (255, 255, 255)).save(
        os.path.join(d, "blank.jpg"), quality=90, dpi=(300, 300))


def write_pictures(drawings, folder, scale):
    """The window background and the logo at scale."""
    os.makedirs(folder, exist_ok=True)
    back = render.flatten(drawings.rgba("background", T.SCREEN_W * scale, T.SCREEN_H * scale),
                          T.WALL, 0.0)
    # Top-down, as the logo below: the program draws from the file's mapped rows as they are.
    bmpfile.write_bmp24(os.path.join(folder, "merrowick7.clp"), back, top_down=True)
    logo = render.flatten(drawings.rgba("logo", 160 * scale, 145 * scale), T.COLUMN, cutoff=0.3)
    bmpfile.write_bmp24(os.path.join(folder, "logo7.clp"), logo, top_down=True)


def write_sheet_2x(args, sheet):
    """The sheet of scaled screens: every piece drawn again at 2x at its doubled place."""
    folder = os.path.join(args.data, "2x")
    os.makedirs(folder, exist_ok=True)
    indices, palette = S.quantise(sheet.rescaled(2))
    bmpfile.write_bmp8(os.path.join(folder, "SPRITE.bmp"), indices, palette)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--source", required=True)
    ap.add_argument("--data", required=True)
    ap.add_argument("--generated", required=True)
    ap.add_argument("--stamp")
    args = ap.parse_args()
    drawings = render.Drawings(os.path.join(args.source, "resources", "artwork", "interface"))
    os.makedirs(args.data, exist_ok=True)
    os.makedirs(args.generated, exist_ok=True)

    sheet, tables, places = build_sheet(drawings)
    indices, palette = S.quantise(sheet)
    write_resources(args, drawings, indices, palette)
    write_if_changed(os.path.join(args.generated, "glyphtables.h"),
                     datafiles.glyph_header(tables))
    write_data_files(args, drawings, places)
    write_sheet_2x(args, sheet)
    if args.stamp:
        with open(args.stamp, "w") as f:
            f.write("interface artwork\n")


if __name__ == "__main__":
    main()
