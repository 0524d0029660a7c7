"""Contact sheets of the generated stickers: one per category, each sticker keyed on
white over a light and a dark photo-like background, at the clip-art dialog's
56 x 56 thumbnail size and at full size."""
import os

import numpy as np
from PIL import Image, ImageDraw

CATEGORY_NAMES = {
    1: "hats", 2: "head", 3: "face", 4: "body", 5: "baby", 6: "party", 7: "pets",
    8: "beach", 9: "love", 10: "horror", 11: "celebration", 12: "winter", 13: "easter",
}


def photo_background(w, h, dark, seed=7):
    """A soft gradient with blotches and grain, standing in for a photo."""
    rng = np.random.default_rng(seed)
    sw, sh = max(8, w // 8), max(8, h // 8)
    y, x = np.mgrid[0:sh, 0:sw].astype(np.float32)
    if dark:
        top, bottom = np.array([38, 44, 62]), np.array([70, 52, 40])
    else:
        top, bottom = np.array([222, 232, 240]), np.array([238, 218, 190])
    t = (y / max(sh - 1, 1))[:, :, None]
    img = top * (1 - t) + bottom * t
    for _ in range(12):
        cx, cy, r = rng.uniform(0, sw), rng.uniform(0, sh), rng.uniform(5, 20)
        blob = np.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * r * r))[:, :, None]
        img += blob * rng.uniform(-30, 30, 3)
    small = Image.fromarray(np.clip(img, 0, 255).astype(np.uint8))
    big = np.asarray(small.resize((w, h), Image.BILINEAR)).astype(np.int16)
    big = big + rng.integers(-4, 5, (h, w, 1), dtype=np.int16)
    return Image.fromarray(np.clip(big, 0, 255).astype(np.uint8))


def keyed(rgb):
    """The sticker as RGBA with white keyed out, as the program draws it."""
    alpha = np.where(np.all(rgb == 255, axis=2), 0, 255).astype(np.uint8)
    return Image.fromarray(np.dstack([rgb, alpha]))


def thumbnail(rgb, side=56):
    """Fits the sticker into side x side, aspect kept, nearest-pixel like the dialog."""
    h, w, _ = rgb.shape
    if w >= h:
        tw, th = side, max(1, int(side * (h / w)))
    else:
        tw, th = max(1, int(side * (w / h))), side
    img = Image.fromarray(rgb).resize((tw, th), Image.NEAREST)
    out = Image.new("RGB", (side, side), (255, 255, 255))
    out.paste(img, ((side - tw) // 2, (side - th) // 2))
    return np.asarray(out)


def sheet(items, cell, label_h, cols, dark):
    rows = (len(items) + cols - 1) // cols
    w, h = cols * cell, rows * (cell + label_h)
    img = photo_background(w, h, dark)
    draw = ImageDraw.Draw(img)
    ink = (240, 240, 240) if dark else (20, 20, 20)
    for i, (name, rgb) in enumerate(items):
        x, y = (i % cols) * cell, (i // cols) * (cell + label_h)
        pic = keyed(rgb)
        scale = min(1.0, (cell - 8) / max(pic.size))
        if scale < 1.0:
            pic = pic.resize((int(pic.width * scale), int(pic.height * scale)), Image.NEAREST)
        img.paste(pic, (x + (cell - pic.width) // 2, y + (cell - pic.height) // 2), pic)
        if label_h:
            draw.text((x + 2, y + cell), name[:-4], fill=ink)
    return img


def write_sheets(args, manifest, read_bmp):
    out = args.out
    os.makedirs(out, exist_ok=True)
    clip = os.path.join(args.data, "clipart")
    by_cat = {n: [] for n in CATEGORY_NAMES}
    for row in manifest:
        path = os.path.join(clip, row["file"])
        if not os.path.exists(path):
            continue
        rgb = read_bmp(path)
        for c in row["cats"].split(","):
            by_cat[int(c)].append((row["file"], rgb))
    written = []
    for n, items in by_cat.items():
        name = f"{n:02d}-{CATEGORY_NAMES[n]}"
        thumbs = [(f, thumbnail(rgb)) for f, rgb in items]
        for dark in (False, True):
            tone = "dark" if dark else "light"
            sheet(thumbs, 80, 14, 8, dark).save(os.path.join(out, f"{name}-56-{tone}.png"),
                                                compress_level=1)
            big = sheet(items, 520, 16, 5, dark)
            big.save(os.path.join(out, f"{name}-full-{tone}.png"), compress_level=1)
            big.resize((big.width // 3, big.height // 3), Image.LANCZOS).save(
                os.path.join(out, f"{name}-third-{tone}.png"), compress_level=1)
            written.append(name)
    styles = []
    for f in ("text4.clp", "text2.clp", "text1.clp", "text3.clp", "text6.clp", "text5.clp",
              "banner1.clp", "banner2.clp", "xmas7.clp", "xmas8.clp", "transp.clp"):
        path = os.path.join(clip, f)
        if os.path.exists(path):
            styles.append((f, read_bmp(path)))
    for dark in (False, True) if styles else ():
        img = sheet(styles, 820, 16, 4, dark)
        img.resize((img.width // 2, img.height // 2), Image.LANCZOS).save(
            os.path.join(out, f"styles-{'dark' if dark else 'light'}.png"), compress_level=1)
    res = os.path.join(args.data, "resources")
    small = [(f, read_bmp(os.path.join(res, f))) for f in sorted(os.listdir(res))
             if f.startswith(("CAT_", "TEXT")) and f.endswith(".bmp")]
    if small:
        img = Image.new("RGB", (len(small) * 80, 70), (200, 200, 200))
        for i, (f, rgb) in enumerate(small):
            img.paste(Image.fromarray(rgb), (i * 80 + 4, 4))
        img = img.resize((img.width * 2, img.height * 2), Image.NEAREST)
        img.save(os.path.join(out, "resources-x2.png"), compress_level=1)
    print(f"stickers: contact sheets in {out}")
    return 0
