"""Rendering helpers: SVG drawings through rsvg-convert, glyphs through FreeType."""

import io
import os
import re
import subprocess

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT_DIRS = ["/usr/share/fonts/opentype/comic-neue", "/usr/share/fonts/truetype/comic-neue",
             "/usr/share/fonts/truetype/dejavu"]


def find_font(name):
    for d in FONT_DIRS:
        path = os.path.join(d, name)
        if os.path.exists(path):
            return path
    raise SystemExit(f"artwork: font {name} not found (install the font packages "
                     "with scripts/install-deps)")


class Drawings:
    """The SVG drawings of a folder; <image href="x.svg"/> of a sibling is inlined."""

    def __init__(self, folder):
        self.folder = folder

    def text(self, name):
        with open(os.path.join(self.folder, name + ".svg"), encoding="utf-8") as f:
            svg = f.read()
        return re.sub(r'<image\s+([^>]*?)xlink:href="([\w-]+)\.svg"\s*/>', self._inline, svg)

    def _inline(self, m):
        attrs = dict(re.findall(r'(\w+)="([^"]*)"', m.group(1)))
        inner = self.text(m.group(2))
        view = re.search(r'viewBox="([^"]*)"', inner).group(1)
        body = inner[inner.index(">", inner.index("<svg")) + 1:inner.rindex("</svg>")]
        return (f'<svg x="{attrs["x"]}" y="{attrs["y"]}" width="{attrs["width"]}" '
                f'height="{attrs["height"]}" viewBox="{view}">{body}</svg>')

    def rgba(self, name, width, height):
        """The drawing rendered to width x height, as an HxWx4 float array (0..1)."""
        svg = self.text(name).encode("utf-8")
        out = subprocess.run(["rsvg-convert", "-w", str(width), "-h", str(height)],
                             input=svg, capture_output=True, check=False)
        if out.returncode != 0:
            raise SystemExit(f"artwork: rsvg-convert failed on {name}: "
                             f"{out.stderr.decode(errors='replace')}")
        im = Image.open(io.BytesIO(out.stdout)).convert("RGBA")
        if im.size != (width, height):
            im = im.resize((width, height), Image.LANCZOS)
        a = np.asarray(im, np.float64) / 255.0
        # rsvg gives straight (not premultiplied) colour.
        return a


def flatten(rgba, backdrop, cutoff=0.3):
    """Composites over the backdrop colour; pixels below the cutoff become white
    (transparent). Opaque pixels never come out pure white."""
    rgb = rgba[..., :3] * rgba[..., 3:4] + (np.array(backdrop) / 255.0) * (1 - rgba[..., 3:4])
    out = np.clip(np.rint(rgb * 255), 0, 255).astype(np.uint8)
    keep = rgba[..., 3] >= cutoff
    out[~keep] = 255
    white = keep & (out == 255).all(axis=2)
    out[white] = 254
    return out


def has_char(font_path, ch):
    """Whether the font has a glyph of its own for ch (not the missing-glyph box)."""
    font = ImageFont.truetype(font_path, 48)
    missing = font.getmask("\ue000")
    mask = font.getmask(ch)
    return mask.size != missing.size or bytes(mask) != bytes(missing)


def glyph_masks(font_path, size, text, canvas_h, baseline, stroke=0, scale=1):
    """(fill, outline) coverage masks (float 0..1) of one character rendered at scale,
    on a canvas canvas_h*scale high whose baseline is at baseline*scale. Width is
    cropped to the outline's ink."""
    font = ImageFont.truetype(font_path, size * scale)
    ascent, _ = font.getmetrics()
    sw = int(round(stroke * scale))
    w = int(font.getlength(text)) + 2 * sw + 8 * scale
    h = canvas_h * scale
    top = baseline * scale - ascent
    org = (sw + 4 * scale, top)
    fill = Image.new("L", (w, h), 0)
    ImageDraw.Draw(fill).text(org, text, font=font, fill=255)
    outline = Image.new("L", (w, h), 0)
    ImageDraw.Draw(outline).text(org, text, font=font, fill=255, stroke_width=sw,
                                 stroke_fill=255)
    f = np.asarray(fill, np.float64) / 255.0
    o = np.asarray(outline, np.float64) / 255.0
    return f, o


def downsample(mask, width, height):
    """Box-filter resample of a mask to width x height."""
    im = Image.fromarray(np.clip(mask * 255, 0, 255).astype(np.uint8), "L")
    im = im.resize((width, height), Image.BOX if im.width >= width else Image.BILINEAR)
    return np.asarray(im, np.float64) / 255.0


def ink_columns(mask, threshold):
    cols = np.where(mask.max(axis=0) >= threshold)[0]
    if len(cols) == 0:
        return 0, 0
    return int(cols[0]), int(cols[-1]) + 1
