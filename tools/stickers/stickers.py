#!/usr/bin/python3
"""Builds the clip-art stickers, the text-bubble bitmaps, their previews and the
clip-art category pictures from SVG sources.

Every picture is a 24-bit Windows bitmap in which white (0xFFFFFF) is transparent.
Sources are our own drawings (resources/artwork/stickers/) or icons from installed
packages (npm icon sets, Debian's public-domain clip art), as manifest.tsv says.

    stickers.py build   --icons DIR --data DIR [--jobs N]
    stickers.py preview --icons DIR --data DIR --out DIR
"""
import argparse
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
from concurrent.futures import ProcessPoolExecutor

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
OWN_DIR = os.path.join(ROOT, "resources", "artwork", "stickers")
OPENCLIPART_DIR = "/usr/share/openclipart/svg"
ICON_SETS = {"fluent": "fluent-emoji-flat", "noto": "noto", "twemoji": "twemoji"}

STICKER_SIDE = 500          # longer side of a catalogue sticker
HOLE_FILL_LIMIT = 400       # enclosed gaps up to this many pixels are seams, filled
NEAR_WHITE = (254, 254, 254)
RIM_COLOUR = (195, 199, 207)  # the edge line of a white piece, as on the drawn white hats
RIM_WIDTH = 12              # pixels of a 500-pixel sticker: still a line at 56 x 56

# Text styles: file, reference size, text rectangle, preview name.
TEXT_STYLES = [
    ("text4.clp", (800, 577), (128, 115, 554, 297), "TEXT4"),
    ("text2.clp", (800, 600), (127, 141, 572, 274), "TEXT2"),
    ("text1.clp", (800, 530), (172, 120, 485, 263), "TEXT1"),
    ("text3.clp", (800, 547), (176, 158, 470, 260), "TEXT3"),
    ("text6.clp", (700, 402), (54, 45, 589, 299), "TEXT6"),
    ("text5.clp", (775, 622), (73, 72, 626, 352), "TEXT5"),
    ("banner1.clp", (750, 239), (103, 75, 548, 116), "TEXT7"),
    ("banner2.clp", (800, 236), (129, 75, 547, 119), "TEXT8"),
    ("xmas7.clp", (700, 288), (125, 103, 422, 101), "TEXT11"),
    ("xmas8.clp", (686, 310), (129, 103, 455, 83), "TEXT10"),
    ("transp.clp", (700, 402), (54, 45, 589, 299), "TEXT9"),
]
PREVIEW_SIZE = (72, 48)

# Category pictures (32 x 32): resource name, source, crop-free.
CATEGORIES = [
    ("CAT_HATS", "Hats", 0x0001, "fluent:top-hat"),
    ("CAT_HAIR", "Head", 0x0002, "own:cat_hair"),
    ("CAT_FACE", "Face", 0x0004, "fluent:disguised-face"),
    ("CAT_BODY", "Body", 0x0008, "fluent:necktie"),
    ("CAT_BABY", "Baby", 0x0010, "fluent:baby-bottle"),
    ("CAT_PARTY", "Party", 0x0020, "fluent:party-popper"),
    ("CAT_PETS", "Pets", 0x0040, "fluent:dog-face"),
    ("CAT_BEACH", "Beach", 0x0080, "fluent:beach-with-umbrella"),
    ("CAT_VALENTINE", "Love", 0x0100, "fluent:red-heart"),
    ("CAT_HALLOWEEN", "Horror", 0x0200, "fluent:jack-o-lantern"),
    ("CAT_PARENTS", "Celebration", 0x0400, "fluent:wrapped-gift"),
    ("CAT_CHRISTMAS", "Winter season", 0x0800, "fluent:christmas-tree"),
    ("CAT_EASTER", "Easter", 0x2000, "fluent:hatching-chick"),
]


class StickerError(Exception):
    pass


# ---------------------------------------------------------------- manifest

def read_manifest(path=os.path.join(HERE, "manifest.tsv")):
    """Rows of (file, source, ops, categories, licence, changes); # lines are comments."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            cols = line.split("\t")
            if len(cols) != 6:
                raise StickerError(f"manifest.tsv:{n}: expected 6 columns, got {len(cols)}")
            rows.append(dict(zip(("file", "source", "ops", "cats", "licence", "changes"), cols)))
    names = [r["file"] for r in rows]
    dup = {x for x in names if names.count(x) > 1}
    if dup:
        raise StickerError(f"manifest.tsv names a file twice: {sorted(dup)}")
    return rows


def parse_ops(text):
    ops = {}
    for tok in text.split():
        if tok == "-":
            continue
        key, _, val = tok.partition("=")
        ops.setdefault(key, []).append(val)
    return ops


# ---------------------------------------------------------------- SVG sources

_icon_cache = {}


def icon_set(icons_dir, name):
    if name not in _icon_cache:
        with open(os.path.join(icons_dir, ICON_SETS[name], "icons.json"), encoding="utf-8") as f:
            _icon_cache[name] = json.load(f)
    return _icon_cache[name]


def icon_svg(icons_dir, set_name, icon):
    data = icon_set(icons_dir, set_name)
    hflip = False
    seen = 0
    while icon not in data["icons"]:
        alias = data.get("aliases", {}).get(icon)
        if alias is None or seen > 5:
            raise StickerError(f"{set_name} has no icon '{icon}'")
        hflip ^= bool(alias.get("hFlip"))
        icon = alias["parent"]
        seen += 1
    entry = data["icons"][icon]
    w = entry.get("width", data.get("width", 16))
    h = entry.get("height", data.get("height", 16))
    body = entry["body"]
    if hflip:
        body = f'<g transform="translate({w} 0) scale(-1 1)">{body}</g>'
    return (f'<svg xmlns="http://www.w3.org/2000/svg" '
            f'xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 {w} {h}" '
            f'width="{w}" height="{h}">{body}</svg>')


def shape_elements(body):
    """Splits an icon body into its drawable top-level elements (inside one <g> wrapper
    when the whole body is a single group), keeping <defs> aside."""
    inner = body
    m = re.fullmatch(r'\s*<g([^>]*)>(.*)</g>\s*', body, re.S)
    wrap = ("", "")
    if m and "<g" not in m.group(2)[:3]:
        wrap = (f"<g{m.group(1)}>", "</g>")
        inner = m.group(2)
    parts, defs, depth, start = [], [], 0, None
    for t in re.finditer(r'<(/?)([a-zA-Z]+)[^>]*?(/?)>', inner):
        closing, tag, selfclose = t.group(1), t.group(2), t.group(3)
        if depth == 0 and not closing:
            start = t.start()
        if closing:
            depth -= 1
        elif not selfclose:
            depth += 1
        if depth == 0:
            piece = inner[start:t.end()]
            (defs if tag in ("defs", "linearGradient", "radialGradient", "clipPath", "mask")
             else parts).append(piece)
    return wrap, defs, parts


def select_elements(svg, keep=None, drop=None):
    m = re.match(r'(<svg[^>]*>)(.*)</svg>\s*$', svg, re.S)
    head, body = m.group(1), m.group(2)
    wrap, defs, parts = shape_elements(body)
    idx = range(len(parts))
    if keep is not None:
        bad = [i for i in keep if i >= len(parts)]
        if bad:
            raise StickerError(f"element index {bad} beyond the icon's {len(parts)} elements")
        idx = keep
    if drop is not None:
        idx = [i for i in idx if i not in drop]
    chosen = "".join(parts[i] for i in idx)
    return head + wrap[0] + "".join(defs) + chosen + wrap[1] + "</svg>"


def index_list(values):
    out = []
    for v in values:
        for part in v.split(","):
            a, _, b = part.partition("-")
            out.extend(range(int(a), int(b or a) + 1))
    return out


WHITE_PAINT = re.compile(
    r'((?:fill|stroke|stop-color|flood-color|color)\s*(?:=\s*["\']|:\s*))\s*'
    r'(#fff(?:fff)?|white|rgb\(\s*255\s*,\s*255\s*,\s*255\s*\))(?=[\s"\';)])', re.I)


def remap_white(svg):
    """White paint turns near-white so that it stays opaque under the white key."""
    return WHITE_PAINT.sub(lambda m: m.group(1) + "#fefefe", svg)


def recolour(svg, pairs):
    for pair in pairs:
        a, _, b = pair.partition(">")
        svg = re.sub(re.escape(a) + r'(?![0-9a-fA-F])', b, svg, flags=re.I)
    return svg


def source_svg(source, icons_dir):
    kind, _, name = source.partition(":")
    if kind == "own":
        with open(os.path.join(OWN_DIR, name + ".svg"), encoding="utf-8") as f:
            return f.read()
    if kind == "openclipart":
        with open(os.path.join(OPENCLIPART_DIR, name), encoding="utf-8") as f:
            return f.read()
    if kind in ICON_SETS:
        return icon_svg(icons_dir, kind, name)
    raise StickerError(f"unknown source kind '{kind}'")


def prepared_svg(source, ops, icons_dir):
    svg = source_svg(source, icons_dir)
    if "keep" in ops or "drop" in ops:
        svg = select_elements(svg,
                              index_list(ops["keep"]) if "keep" in ops else None,
                              index_list(ops["drop"]) if "drop" in ops else None)
    if "viewbox" in ops:
        vb = ops["viewbox"][0].replace(",", " ")
        svg = re.sub(r'viewBox="[^"]*"', f'viewBox="{vb}"', svg, count=1)
        w, h = vb.split()[2:4]
        svg = re.sub(r'(<svg[^>]*?)\swidth="[^"]*"', rf'\1 width="{w}"', svg, count=1)
        svg = re.sub(r'(<svg[^>]*?)\sheight="[^"]*"', rf'\1 height="{h}"', svg, count=1)
    if "recolour" in ops:
        svg = recolour(svg, ops["recolour"])
    if "white" in ops:
        svg = recolour(svg, [c + ">#fefefe" for v in ops["white"] for c in v.split(",")])
    return remap_white(svg)


# ---------------------------------------------------------------- rendering

def rsvg(svg, width=None, height=None, zoom=None):
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.svg"), os.path.join(tmp, "out.png")
        with open(src, "w", encoding="utf-8") as f:
            f.write(svg)
        cmd = ["rsvg-convert", "-o", dst]
        if zoom is not None:
            cmd += ["-z", f"{zoom:.5f}"]
        if width is not None:
            cmd += ["-w", str(width)]
        if height is not None:
            cmd += ["-h", str(height)]
        run = subprocess.run(cmd + [src], capture_output=True, text=True)
        if run.returncode != 0:
            raise StickerError("rsvg-convert: " + run.stderr.strip())
        img = Image.open(dst).convert("RGBA")
        img.load()
        return img


def alpha_bbox(img):
    a = np.asarray(img)[:, :, 3]
    ys, xs = np.nonzero(a > 8)
    if len(xs) == 0:
        raise StickerError("the drawing is empty")
    return xs.min(), ys.min(), xs.max() + 1, ys.max() + 1


def render_trimmed(svg, work_side=800):
    """Renders so that the drawn part (not the page) is about work_side pixels long."""
    probe = rsvg(svg, zoom=1.0)
    pw, ph = probe.size
    x0, y0, x1, y1 = alpha_bbox(probe)
    zoom = work_side / max(x1 - x0, y1 - y0)
    zoom = min(zoom, 8000 / max(pw, ph))
    img = rsvg(svg, zoom=zoom)
    return img.crop(alpha_bbox(img))


def resize_premultiplied(img, size):
    arr = np.asarray(img).astype(np.float32) / 255.0
    a = arr[:, :, 3:4]
    pre = np.concatenate([arr[:, :, :3] * a, a], axis=2)
    chans = [Image.fromarray(pre[:, :, i]).resize(size, Image.LANCZOS) for i in range(4)]
    return np.clip(np.stack([np.asarray(c) for c in chans], axis=2), 0.0, 1.0)


def harden(pre, threshold=0.5):
    """Premultiplied RGBA floats -> RGB bytes and an opacity mask, with no partial edge:
    a pixel is either its own un-blended colour or transparent white."""
    a = pre[:, :, 3]
    mask = a >= threshold
    rgb = np.where(mask[:, :, None], pre[:, :, :3] / np.maximum(a, 1e-6)[:, :, None], 1.0)
    rgb = np.clip(np.round(rgb * 255.0), 0, 255).astype(np.uint8)
    return rgb, mask


def enclosed_regions(mask):
    """Connected transparent regions (4-neighbour) that do not touch the border."""
    h, w = mask.shape
    outside = Image.fromarray(np.pad(~mask, 1, constant_values=True).astype(np.uint8) * 255).copy()
    ImageDraw.floodfill(outside, (0, 0), 128)
    holes = np.asarray(outside)[1:-1, 1:-1] == 255
    regions = []
    if not holes.any():
        return regions
    seen = np.zeros_like(holes)
    for y, x in zip(*np.nonzero(holes)):
        if seen[y, x]:
            continue
        stack, pix = [(y, x)], []
        seen[y, x] = True
        while stack:
            cy, cx = stack.pop()
            pix.append((cy, cx))
            for ny, nx in ((cy - 1, cx), (cy + 1, cx), (cy, cx - 1), (cy, cx + 1)):
                if 0 <= ny < h and 0 <= nx < w and holes[ny, nx] and not seen[ny, nx]:
                    seen[ny, nx] = True
                    stack.append((ny, nx))
        regions.append(pix)
    return regions


def close_seams(rgb, mask, see_through, name):
    """Fills tiny enclosed gaps with the colour around them; refuses larger holes unless
    the piece is meant to be seen through (a ring, a frame)."""
    for region in enclosed_regions(mask):
        if len(region) <= HOLE_FILL_LIMIT:
            ys, xs = zip(*region)
            y0, y1 = max(min(ys) - 1, 0), min(max(ys) + 2, mask.shape[0])
            x0, x1 = max(min(xs) - 1, 0), min(max(xs) + 2, mask.shape[1])
            win = mask[y0:y1, x0:x1]
            colour = rgb[y0:y1, x0:x1][win].mean(axis=0) if win.any() else NEAR_WHITE
            for y, x in region:
                rgb[y, x] = colour
                mask[y, x] = True
        elif not see_through:
            raise StickerError(f"{name}: a transparent hole of {len(region)} pixels is "
                               f"enclosed by the picture")


def white_rim(rgb, mask, width=RIM_WIDTH):
    """Near-white paint along the outline turns a light grey line that fades inwards,
    so a white piece keeps its shape on white (the dialog) and on light photos."""
    inside = Image.fromarray(mask.astype(np.uint8) * 255)
    depth = np.zeros(mask.shape, np.float32)
    for _ in range(width):
        inside = inside.filter(ImageFilter.MinFilter(3))
        depth += np.asarray(inside) > 0
    near_white = mask & np.all(rgb >= 240, axis=2)
    solid = width // 3      # a crisp line, then a soft fade into the white
    t = np.clip((depth - solid) / (width - solid), 0.0, 1.0)[:, :, None]
    rim = np.asarray(RIM_COLOUR, np.float32) * (1 - t) + rgb.astype(np.float32) * t
    rgb[near_white] = np.round(rim[near_white]).astype(np.uint8)
    return rgb


def finish(rgb, mask):
    """Transparent pixels pure white, opaque ones never pure white."""
    white = np.all(rgb == 255, axis=2)
    rgb[mask & white] = NEAR_WHITE
    rgb[~mask] = 255
    return rgb


# ---------------------------------------------------------------- bitmap files

def write_bmp(path, rgb):
    """24-bit Windows bitmap: BITMAPFILEHEADER, 40-byte BITMAPINFOHEADER, bottom-up rows."""
    h, w, _ = rgb.shape
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    pad = b"\0" * (stride - w * 3)
    for row in rgb[::-1]:
        pixels += row[:, ::-1].tobytes() + pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(header + info + pixels)
    os.replace(tmp, path)


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    off = struct.unpack_from("<I", data, 10)[0]
    w, h, _, bpp = struct.unpack_from("<iiHH", data, 18)
    if bpp != 24:
        raise StickerError(f"{path}: not 24-bit")
    stride = (w * 3 + 3) & ~3
    rows = [np.frombuffer(data, np.uint8, w * 3, off + y * stride).reshape(w, 3)[:, ::-1]
            for y in range(abs(h))]
    arr = np.stack(rows)
    return arr[::-1].copy() if h > 0 else arr


# ---------------------------------------------------------------- the pictures

def make_sticker(row, icons_dir, out_dir):
    ops = parse_ops(row["ops"])
    svg = prepared_svg(row["source"], ops, icons_dir)
    img = render_trimmed(svg)
    if "flip" in ops:
        img = img.transpose(Image.FLIP_LEFT_RIGHT)
    if "rotate" in ops:
        img = img.rotate(float(ops["rotate"][0]), Image.BICUBIC, expand=True)
        img = img.crop(alpha_bbox(img))
    w, h = img.size
    side = int(ops["side"][0]) if "side" in ops else STICKER_SIDE
    scale = side / max(w, h)
    size = (max(1, round(w * scale)), max(1, round(h * scale)))
    pre = np.pad(resize_premultiplied(img, size), ((2, 2), (2, 2), (0, 0)))
    rgb, mask = harden(pre)
    close_seams(rgb, mask, "see-through" in ops, row["file"])
    if "white" in ops:
        rgb = white_rim(rgb, mask)
    write_bmp(os.path.join(out_dir, row["file"]), finish(rgb, mask))
    return row["file"]


def style_svg(file):
    with open(os.path.join(OWN_DIR, "styles", file.replace(".clp", ".svg")), encoding="utf-8") as f:
        return remap_white(f.read())


def make_text_style(style, out_dir):
    file, (rw, rh), (tx, ty, tw, th), _ = style
    img = rsvg(style_svg(file), width=rw, height=rh)
    if img.size != (rw, rh):
        raise StickerError(f"{file}: drawn at {img.size}, wanted {rw} x {rh}")
    arr = np.asarray(img).astype(np.float32) / 255.0
    pre = np.concatenate([arr[:, :, :3] * arr[:, :, 3:4], arr[:, :, 3:4]], axis=2)
    rgb, mask = harden(pre)
    if file != "transp.clp":
        close_seams(rgb, mask, True, file)
        inner = mask[ty - 6:ty + th + 6, tx - 6:tx + tw + 6]
        if not inner.all():
            raise StickerError(f"{file}: the text rectangle is not wholly inside the bubble")
    write_bmp(os.path.join(out_dir, file), finish(rgb, mask))
    return file


def make_preview(style, res_dir):
    file, (rw, rh), (tx, ty, tw, th), name = style
    pw, ph = PREVIEW_SIZE
    img = rsvg(style_svg(file), width=rw, height=rh)
    canvas = Image.new("RGBA", (rw, rh), (255, 255, 255, 255))
    canvas.alpha_composite(img)
    if file == "transp.clp":
        canvas = Image.new("RGBA", (rw, rh), (236, 240, 244, 255))
    draw = ImageDraw.Draw(canvas)
    # Three lines of "letters" show where the text goes.
    lines = 3 if th > 150 else 2
    lh = th / (lines * 2 + 1)
    for i in range(lines):
        y = ty + lh * (1 + 2 * i)
        inset = tw * (0.08 if i % 2 == 0 else 0.18)
        draw.rectangle([tx + inset, y, tx + tw - inset, y + lh], fill=(40, 44, 52, 255))
    bg = canvas.convert("RGB")
    scale = min(pw / rw, ph / rh)
    small = bg.resize((max(1, round(rw * scale)), max(1, round(rh * scale))), Image.LANCZOS)
    out = Image.new("RGB", (pw, ph), (255, 255, 255))
    out.paste(small, ((pw - small.width) // 2, (ph - small.height) // 2))
    write_bmp(os.path.join(res_dir, name + ".bmp"), np.asarray(out).copy())
    return name


def make_category(cat, icons_dir, res_dir):
    name, _, _, source = cat
    svg = prepared_svg(source, {}, icons_dir)
    img = render_trimmed(svg, 256)
    w, h = img.size
    scale = 30 / max(w, h)
    small = img.resize((max(1, round(w * scale)), max(1, round(h * scale))), Image.LANCZOS)
    out = Image.new("RGBA", (32, 32), (255, 255, 255, 255))
    out.alpha_composite(small, ((32 - small.width) // 2, (32 - small.height) // 2))
    out = out.convert("RGB").filter(ImageFilter.UnsharpMask(1, 40, 2))
    write_bmp(os.path.join(res_dir, name + ".bmp"), np.asarray(out).copy())
    return name


def _job(kind, item, icons_dir, clip_dir, res_dir):
    try:
        if kind == "sticker":
            return make_sticker(item, icons_dir, clip_dir)
        if kind == "style":
            return make_text_style(item, clip_dir)
        if kind == "preview":
            return make_preview(item, res_dir)
        return make_category(item, icons_dir, res_dir)
    except StickerError as e:
        return "ERROR " + str(e)
    except (OSError, subprocess.SubprocessError, ValueError, KeyError) as e:
        name = item["file"] if isinstance(item, dict) else item[0]
        return f"ERROR {name}: {e}"


def build(args):
    rows = read_manifest()
    style_files = {s[0] for s in TEXT_STYLES}
    clip_dir = os.path.join(args.data, "clipart")
    res_dir = os.path.join(args.data, "resources")
    os.makedirs(clip_dir, exist_ok=True)
    os.makedirs(res_dir, exist_ok=True)
    jobs = [("style", s) for s in TEXT_STYLES] + [("preview", s) for s in TEXT_STYLES]
    jobs += [("category", c) for c in CATEGORIES]
    only = set(args.only.split(",")) if args.only else None
    jobs += [("sticker", r) for r in rows if r["file"] not in style_files]
    if only:
        jobs = [j for j in jobs if (j[1]["file"] if isinstance(j[1], dict) else j[1][0]) in only]
    errors = []
    with ProcessPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(_job, k, item, args.icons, clip_dir, res_dir) for k, item in jobs]
        for fut in futures:
            result = fut.result()
            if result.startswith("ERROR "):
                errors.append(result[6:])
    for e in errors:
        print("stickers: " + e, file=sys.stderr)
    if errors:
        return 1
    print(f"stickers: {len(jobs)} pictures written")
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("command", choices=["build", "preview"])
    ap.add_argument("--icons", required=True, help="node_modules/@iconify-json folder")
    ap.add_argument("--data", required=True, help="data folder")
    ap.add_argument("--out", help="contact sheet folder (preview)")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--only", help="comma-separated file names to rebuild")
    ap.add_argument("--stamp", help="file to touch after a successful build")
    args = ap.parse_args()
    try:
        if args.command == "build":
            rc = build(args)
            if rc == 0 and args.stamp:
                with open(args.stamp, "w") as f:
                    f.write("ok\n")
            return rc
        import sheets
        return sheets.write_sheets(args, read_manifest(), read_bmp)
    except StickerError as e:
        print("stickers: " + str(e), file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
