"""The sprite sheet: fonts, icon pictures, frame tiles, button looks, small cells.

Everything is drawn in 24-bit colour first, tagged by kind, and then mapped to one
256-colour palette: fixed ramps for the text colours (so letters stay clean) and a
median-cut share for the pictures. White is the transparent colour, always index 255.
"""

import numpy as np
from PIL import Image, ImageDraw

import render
import tables as T

KIND_NONE, KIND_LARGE, KIND_TEXT, KIND_ART, KIND_FRAME = 0, 1, 2, 3, 7
KIND_SMALL = (4, 5, 6)

LARGE_FILL = (0x1E, 0x2A, 0x4A)
LARGE_OUTLINE = (0xFF, 0xF7, 0xE1)
TEXT_INK = (0x1C, 0x22, 0x34)
WHITE_INDEX = 255


class Sheet:
    """The sheet at a scale: the 1x sheet is laid out by the tables; a larger one draws
    every piece of it again at its places and sizes multiplied (Sheet.rescaled)."""

    def __init__(self, scale=1):
        self.scale = scale
        self.w, self.h = T.SHEET_W * scale, T.SHEET_H * scale
        self.rgb = np.full((self.h, self.w, 3), 255, np.uint8)
        self.kind = np.zeros((self.h, self.w), np.uint8)
        self.items = []   # (name, (x, y, w, h))
        self.drawn = []   # (name, x, y, kind, draw): draw(scale) gives the piece's block

    def reserve(self, name, rect):
        self.items.append((name, rect))

    def put(self, name, x, y, block, kind, draw=None):
        """Puts a piece drawn at this sheet's scale; draw(scale) draws it at another."""
        h, w, _ = block.shape
        if x < 0 or y < 0 or x + w > self.w or y + h > self.h:
            raise SystemExit(f"artwork: {name} at ({x}, {y}, {w}, {h}) leaves the sheet")
        self.rgb[y:y + h, x:x + w] = block
        self.kind[y:y + h, x:x + w] = kind
        self.items.append((name, (x, y, w, h)))
        if draw is not None:
            self.drawn.append((name, x, y, kind, draw))

    def rescaled(self, scale):
        """The sheet with every piece drawn again at scale, at its place times scale.
        Fails the build when a piece cannot be drawn again or comes out of another size."""
        out = Sheet(scale)
        drawn = {name for name, *_ in self.drawn}
        rects = dict(self.items)
        for name, (x, y, w, h) in self.items:
            if name not in drawn:
                out.reserve(name, (x * scale, y * scale, w * scale, h * scale))
        for name, x, y, kind, draw in self.drawn:
            block = draw(scale)
            _, _, w, h = rects[name]
            if block.shape[:2] != (h * scale, w * scale):
                raise SystemExit(f"artwork: {name} at {scale}x is {block.shape[1]} x "
                                 f"{block.shape[0]}, must be {w * scale} x {h * scale}")
            out.put(name, x * scale, y * scale, block, kind)
        return out

    def overlaps(self, allowed=()):
        """Pairs of named rectangles that overlap, except the allowed pairs."""
        found = []
        rects = [(n, r) for n, r in self.items if r[2] > 0 and r[3] > 0]
        for i, (na, a) in enumerate(rects):
            for nb, b in rects[i + 1:]:
                if a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and \
                   a[1] < b[1] + b[3] and b[1] < a[1] + a[3]:
                    if (na, nb) not in allowed and (nb, na) not in allowed:
                        found.append((na, a, nb, b))
        return found


# ---- Fonts ------------------------------------------------------------------------------

def _compose_outlined(fill, outline):
    """Dark letter with a light outline; outside the outline stays white."""
    a = fill[..., None]
    col = np.array(LARGE_OUTLINE) * (1 - a) + np.array(LARGE_FILL) * a
    out = np.clip(np.rint(col), 0, 255).astype(np.uint8)
    out[outline < 0.5] = 255
    return out


def _fit(mask_pair, width, scale=1):
    """Resamples (fill, outline) 4x masks, already cropped, to width at 1x (times scale)."""
    fill, outline = mask_pair
    h = fill.shape[0] // 4 * scale
    return render.downsample(fill, width * scale, h), render.downsample(outline, width * scale, h)


def _pad_to(masks, width):
    fill, outline = masks
    extra = width - fill.shape[1]
    left = extra // 2
    pad = ((0, 0), (left, extra - left))
    return np.pad(fill, pad), np.pad(outline, pad)


def _own_glyphs(count):
    """(glyph, character) of fonts 0 and 10 with a picture of their own: the first count
    entries and the glyphs from MORE_FIRST on."""
    return [(g, ch) for g, ch in enumerate(T.glyph_chars(T.MORE_COUNT))
            if ch is not None and (g < count or g >= T.MORE_FIRST)]


def large_glyphs():
    """Font 0: {glyph: draw(scale) of its HxWx3 block} for every glyph with a picture."""
    path = render.find_font("ComicNeue-Bold.otf")
    blocks = {}
    for g, ch in _own_glyphs(T.LARGE["count"]):
        if g == T.FALLBACK:
            continue
        if ch == " ":
            continue
        # The few signs the hand lacks come from a plain bold face, outlined the same.
        font = path if render.has_char(path, ch) else render.find_font("DejaVuSans-Bold.ttf")
        draw = _large_glyph(font, 90, ch, T.LARGE["fixed"].get(g))
        f, o = draw(1)
        if o[0].max() >= 0.5 or o[-1].max() >= 0.5:
            raise SystemExit(f"artwork: large glyph {ch!r} does not fit the cell height")
        blocks[g] = lambda scale, draw=draw: _compose_outlined(*draw(scale))
    return blocks


def _large_glyph(font, size, ch, forced):
    """draw(scale): (fill, outline) of one large glyph, condensed, at its forced width if
    any, from the same 4x outline at every scale."""
    baseline, stroke, condense = 90, 3.5, 0.9
    height, extra = T.LARGE["height"], 40
    fill, outline = render.glyph_masks(font, size, ch, height + extra, baseline,
                                       stroke=stroke, scale=4)
    # A tail that reaches below the cell (a cedilla, a bar, an inverted mark) is pressed
    # into the room under the baseline; the letter above it keeps its shape.
    rows = np.where(outline.max(axis=1) >= 0.02)[0]
    bottom, limit, base = rows[-1] + 1, (height - 1) * 4, baseline * 4
    if bottom > limit:
        def squash(m):
            tail = Image.fromarray(np.clip(m[base:bottom] * 255, 0, 255).astype(np.uint8))
            tail = np.asarray(tail.resize((m.shape[1], limit - base), Image.BOX), np.float64)
            return np.concatenate([m[:base], tail / 255, np.zeros((4 * height - limit, m.shape[1]))])
        fill, outline = squash(fill), squash(outline)
    fill, outline = fill[:4 * height], outline[:4 * height]
    x0, x1 = render.ink_columns(outline, 0.02)
    fill, outline = fill[:, x0:x1], outline[:, x0:x1]
    natural = max(1, int(round((x1 - x0) / 4 * condense)))
    width = natural
    if forced and forced[1] < natural:
        width = forced[1]

    def draw(scale):
        f, o = _fit((fill, outline), width, scale)
        if forced and forced[1] > width:
            f, o = _pad_to((f, o), forced[1] * scale)
        return f, o
    return draw


def _cell_mask(path, size, ch, height, baseline, scale, threshold=0.2):
    """Fill mask of one character in a cell height rows high; fails the build when the
    letter would be cut at the top or the bottom of its cell."""
    m = 4
    fill, _ = render.glyph_masks(path, size, ch, height + 2 * m, baseline + m, scale=scale)
    if fill[:m * scale].max() >= threshold or fill[(height + m) * scale:].max() >= threshold:
        raise SystemExit(f"artwork: glyph {ch!r} does not fit a cell {height} high")
    return fill[m * scale:(height + m) * scale]


def small_glyph_masks():
    """Fonts 2-7: {glyph: draw(scale) of its coverage mask} of glyphs 0-59 (17 high)."""
    path = render.find_font("ComicNeue-Bold.otf")
    chars = T.glyph_chars(T.SMALL["count"])
    masks = {}
    for g, ch in enumerate(chars):
        if ch is None or g == T.FALLBACK:
            continue
        if ch == " ":
            masks[g] = lambda scale: np.zeros((T.SMALL["height"] * scale, 5 * scale))
            continue
        fill = _cell_mask(path, 14, ch, T.SMALL["height"], 14, 4)
        x0, x1 = render.ink_columns(fill, 0.05)
        fill = fill[:, x0:x1]
        width = max(1, int(round((x1 - x0) / 4)))

        def draw(scale, fill=fill, width=width):
            m = render.downsample(fill, width * scale, T.SMALL["height"] * scale)
            return np.pad(m, ((0, 0), (0, scale)))   # one clear column after the letter
        masks[g] = draw
    return masks


def text_glyph_masks():
    """Font 10: {glyph: draw(scale) of its mask} of glyphs 0-99 (13 high): crisp hinted
    coverage at 1x, and at a larger scale the face hinted at that size, cut to the same
    columns times the scale."""
    path = render.find_font("DejaVuSansCondensed-Bold.ttf")
    masks = {}
    for g, ch in _own_glyphs(T.TEXT["count"]):
        if g == T.FALLBACK:
            continue
        if ch == " ":
            width = T.TEXT["fixed"][41][1]
            masks[g] = lambda scale, width=width: np.zeros((T.TEXT["height"] * scale,
                                                             width * scale))
            continue
        fill = _cell_mask(path, 9, ch, T.TEXT["height"], 10, 1)
        x0, x1 = render.ink_columns(fill, 0.35)
        start, width = x0, x1 - x0
        forced = T.TEXT["fixed"].get(g)
        if forced:
            if width > forced[1]:
                start += (width - forced[1]) // 2
            width = forced[1]

        def draw(scale, ch=ch, fill=fill, start=start, width=width, ink_end=x1):
            m = fill if scale == 1 else _cell_mask(path, 9, ch, T.TEXT["height"], 10, scale)
            m = np.pad(m, ((0, 0), (0, max(0, (start + width) * scale - m.shape[1]))))
            m = m[:, start * scale:(start + width) * scale].copy()
            m[:, max(0, (ink_end - start) * scale):] = 0   # a narrow glyph padded clear
            return m
        masks[g] = draw
    return masks


def _ink(mask, colour, cutoff):
    a = mask[..., None]
    col = np.array(colour) * a + 255 * (1 - a)
    out = np.clip(np.rint(col), 0, 255).astype(np.uint8)
    out[mask < cutoff] = 255
    return out


def _pack(order, widths, start, fixed, limit):
    """Places glyphs left to right from start; fixed entries keep their places and the
    packing jumps over them. Returns {glyph: (x, w)}."""
    table = {}
    x = start
    for g in order:
        if g in fixed:
            fx, fw = fixed[g]
            table[g] = (fx, fw)
            x = max(x, fx + fw)
            continue
        w = widths[g]
        table[g] = (x, w)
        x += w
    if x > limit:
        raise SystemExit(f"artwork: glyph run ends at {x}, past {limit}")
    return table


def place_fonts(sheet):
    """Draws fonts 0, 2-7 and 10; returns the glyph tables {name: [(x, w)] * count}."""
    large, large_rows = _place_large(sheet)
    text, text_rows = _place_text(sheet)
    return {
        "kGlyphsLarge": large,
        "kGlyphsSmall": _place_small(sheet),
        "kGlyphsText": text,
        "kGlyphsIcons": [(x, w) for x, w, _ in T.ICONS],
        "rows": {"kGlyphRowsLarge": large_rows, "kGlyphRowsText": text_rows},
    }


def _pack_shelves(order, widths, rows, limit):
    """Places glyphs left to right on the first row with room. {glyph: (x, row, w)}."""
    placed, i, x = {}, 0, 0
    for g in order:
        if x + widths[g] > limit:
            i, x = i + 1, 0
            if i == len(rows):
                raise SystemExit("artwork: the extra glyphs do not fit their rows")
        placed[g] = (x, rows[i], widths[g])
        x += widths[g]
    return placed


def _place_more(sheet, name, draws, blocks, rows, kind, table, row_of):
    """Glyphs from MORE_FIRST on: packed on rows of their own below the first 345.
    draws: {glyph: draw(scale)}, blocks: their 1x blocks."""
    order = [g for g in range(T.MORE_FIRST, T.MORE_COUNT) if g in blocks]
    placed = _pack_shelves(order, {g: blocks[g].shape[1] for g in order}, rows, T.SHEET_W)
    for g, (x, row, w) in placed.items():
        table[g] = (x, w)
        row_of[g] = row
        sheet.put(f"{name} {g}", x, row, blocks[g], kind, draws[g])


def _narrowed(block, w, h):
    return np.asarray(Image.fromarray(block).resize((w, h), Image.LANCZOS))


def _place_large(sheet):
    """Font 0: glyphs 0-28 on row 0, the others on row 108."""
    draws = large_glyphs()
    big = {g: d(1) for g, d in draws.items()}
    L = T.LARGE
    low = list(range(L["split"]))
    high_a = list(range(29, 41))                  # digits, "-", "." before the space
    high_b = [g for g in range(42, L["count"]) if g in big]
    widths = {g: b.shape[1] for g, b in big.items()}
    # The digits run must end where the space begins; squeeze it evenly if needed.
    room = L["fixed"][41][0]
    need = sum(widths[g] for g in high_a)
    if need > room:
        for g in high_a:
            f = big[g]
            w = max(1, widths[g] * room // need)
            big[g] = _narrowed(f, w, f.shape[0])
            draws[g] = lambda scale, d=draws[g], w=w, h=f.shape[0]: _narrowed(d(scale), w * scale,
                                                                              h * scale)
            widths[g] = w
    table = [T.FALLBACK_CELL] * T.MORE_COUNT
    rows = [L["row_low"] if g < L["split"] else L["row_high"] for g in range(T.MORE_COUNT)]
    placed = _pack(low, widths, 0, L["fixed"], T.SHEET_W - 12)
    placed.update(_pack(high_a, widths, 0, {}, room))
    placed.update(_pack(high_b, widths, room + L["fixed"][41][1], {}, T.LEAVING_CELL[0]))
    placed[41] = L["fixed"][41]
    for g, (x, w) in placed.items():
        table[g] = (x, w)
        row = L["row_low"] if g < L["split"] else L["row_high"]
        if g == 41:
            sheet.reserve("large space", (x, row, w, L["height"]))
        elif w:
            sheet.put(f"large {g}", x, row, big[g], KIND_LARGE, draws[g])
    _place_more(sheet, "large", draws, big, L["more_rows"], KIND_LARGE, table, rows)
    return table, rows


def _place_small(sheet):
    """Fonts 2-7: one table, the same glyphs in three colours on three rows."""
    draws = small_glyph_masks()
    small = {g: d(1) for g, d in draws.items()}
    order = [g for g in range(T.SMALL["count"]) if g in small]
    placed = _pack(order, {g: m.shape[1] for g, m in small.items()}, 0, {}, 700)
    table = [T.FALLBACK_CELL] * T.SMALL["count"]
    for g, (x, w) in placed.items():
        table[g] = (x, w)
        for row, colour, kind in zip(T.SMALL["rows"], T.SMALL["colours"], KIND_SMALL):
            if g == 41:
                sheet.reserve(f"small space {row}", (x, row, w, T.SMALL["height"]))
            else:
                sheet.put(f"small {g} {row}", x, row, _ink(small[g], colour, 0.2), kind,
                          lambda scale, d=draws[g], c=colour: _ink(d(scale), c, 0.2))
    return table


def _place_text(sheet):
    """Font 10: capitals to "." before the space at 260, the rest after it."""
    draws = text_glyph_masks()
    text = {g: d(1) for g, d in draws.items()}
    inked = {g: (lambda scale, d=d: _ink(d(scale), TEXT_INK, 0.2)) for g, d in draws.items()}
    F = T.TEXT
    first = [g for g in range(41) if g in text]
    rest = [g for g in range(42, F["count"]) if g in text]
    widths = {g: m.shape[1] for g, m in text.items()}
    placed = _pack(first, widths, F["fixed"][0][0], {0: F["fixed"][0]}, F["fixed"][41][0])
    placed.update(_pack(rest, widths, F["fixed"][41][0] + F["fixed"][41][1], {}, 700))
    placed[41] = F["fixed"][41]
    table = [T.FALLBACK_CELL] * T.MORE_COUNT
    rows = [F["row"]] * T.MORE_COUNT
    for g, (x, w) in placed.items():
        table[g] = (x, w)
        if g == 41:
            sheet.reserve("text space", (x, F["row"], w, F["height"]))
        else:
            sheet.put(f"text {g}", x, F["row"], _ink(text[g], TEXT_INK, 0.2), KIND_TEXT, inked[g])
    more = {g: _ink(m, TEXT_INK, 0.2) for g, m in text.items() if g >= T.MORE_FIRST}
    _place_more(sheet, "text", inked, more, [F["more_row"]], KIND_TEXT, table, rows)
    return table, rows


def place_icons(sheet, drawings):
    for x, w, name in T.ICONS:
        def draw(scale, name=name, w=w):
            return render.flatten(drawings.rgba(name, w * scale, T.ICON_HEIGHT * scale), T.COLUMN)
        sheet.put(name, x, T.ICON_ROW, draw(1), KIND_ART, draw)


# ---- Frame tiles ------------------------------------------------------------------------

def _band_colours(lit):
    """Colours of the frame band from its outer edge (0) to the picture (12)."""
    base = [(0x5B, 0x3A, 0x1E), (0xF0, 0xCF, 0x8E), (0xE2, 0xB5, 0x68)]
    wood = np.linspace((0xD6, 0xA0, 0x52), (0xB3, 0x7B, 0x35), 6)
    base += [tuple(int(round(c)) for c in w) for w in wood]
    base += [(0x94, 0x62, 0x28), (0x73, 0x4A, 0x1E), (0xF6, 0xE8, 0xC8), (0x45, 0x30, 0x1A)]
    shade = 1.0 if lit else 0.84
    return [tuple(int(round(c * shade)) for c in col) for col in base]


def _shadow(alpha):
    wall = np.array(T.WALL, np.float64)
    return tuple(int(round(c)) for c in wall * (1 - alpha))


SHADOW_ALPHA = (0.40, 0.25, 0.11)


def frame_tile(name, scale=1):
    """One tile of the picture frame as an HxWx3 block. At a larger scale each band is
    scale pixels wide and the corners' mitre is drawn at the finer pixels."""
    x0, y0, w, h = T.FRAME_TILES[name]
    lit, dark = _band_colours(True), _band_colours(False)
    B = T.FRAME_BAND - 1
    out = np.zeros((h * scale, w * scale, 3), np.uint8)
    for y in range(h * scale):
        for x in range(w * scale):
            # The band a pixel belongs to, and its centre in 1x pixels for the mitre.
            fx, fy = (x + 0.5) / scale - 0.5, (y + 0.5) / scale - 0.5
            out[y, x] = _tile_pixel(name, x // scale, y // scale, B, lit, dark, fx, fy)
    return out


def _tile_pixel(name, x, y, B, lit, dark, fx=None, fy=None):
    wall = T.WALL
    fx, fy = (x, y) if fx is None else (fx, fy)
    if name == "top":
        return lit[y]
    if name == "left":
        return lit[x]
    if name == "bottom":
        return dark[B - y] if y <= B else _shadow(SHADOW_ALPHA[y - B - 1])
    if name == "right":
        return dark[B - x] if x <= B else _shadow(SHADOW_ALPHA[x - B - 1])
    if name == "top_left":
        return lit[min(x, y)]
    if name == "top_right":
        if x <= B:
            return lit[y] if fy <= B - fx else dark[B - x]
        return wall if y < T.FRAME_SHADOW else _shadow(SHADOW_ALPHA[x - B - 1])
    if name == "bottom_left":
        if y <= B:
            return lit[x] if fx <= B - fy else dark[B - y]
        return wall if x < T.FRAME_SHADOW else _shadow(SHADOW_ALPHA[y - B - 1])
    if name == "bottom_right":
        if x <= B and y <= B:
            return dark[min(B - x, B - y)]
        d = max(x - B, y - B) - 1
        return _shadow(SHADOW_ALPHA[d])
    raise KeyError(name)


def place_frame(sheet):
    # The top-right corner and the right edge share two rows (same pixels in both).
    for name in T.FRAME_TILES:
        x, y, _, _ = T.FRAME_TILES[name]
        sheet.put("frame " + name, x, y, frame_tile(name), KIND_FRAME,
                  lambda scale, name=name: frame_tile(name, scale))


# ---- Buttons ----------------------------------------------------------------------------

FACES = {
    "disabled": ((0xE6, 0xEA, 0xEE), (0xD2, 0xD8, 0xDF), (0xB2, 0xBB, 0xC6), (0xA9, 0xB3, 0xBF)),
    "tool": ((0x62, 0xA4, 0xF0), (0x2E, 0x6B, 0xC6), (0x1F, 0x4B, 0x8E), (0xFD, 0xFD, 0xFD)),
    "add": ((0x62, 0xCE, 0x78), (0x2A, 0x96, 0x4B), (0x1B, 0x68, 0x33), (0xFD, 0xFD, 0xFD)),
    "hot": ((0xFF, 0xC8, 0x57), (0xF0, 0x85, 0x1A), (0xB0, 0x57, 0x08), (0xFD, 0xFD, 0xFD)),
}
BUTTON_BACKDROP = (0xEB, 0xF0, 0xF5)


def button_look(drawings, drawing, w1, h1, face, scale=1):
    """One look of a button: rounded face with a gradient, a lip and the icon; w1 x h1 at
    1x, drawn at scale (every length of the face times scale)."""
    top, bottom, edge, ink = FACES[face]
    w, h = w1 * scale, h1 * scale
    s = 4 * scale          # 4x supersampling of the 1x lengths
    W, H = w * 4, h * 4
    # Face coverage and lip at 4x.
    body = Image.new("L", (W, H), 0)
    ImageDraw.Draw(body).rounded_rectangle((s // 2, s // 2, W - 1 - s // 2, H - 1 - s // 2),
                                           radius=8 * s, fill=255)
    inner = Image.new("L", (W, H), 0)
    ImageDraw.Draw(inner).rounded_rectangle((2 * s, 2 * s, W - 1 - 2 * s, H - 1 - 4 * s),
                                            radius=6 * s, fill=255)
    cover = render.downsample(np.asarray(body, np.float64) / 255, w, h)
    face_in = render.downsample(np.asarray(inner, np.float64) / 255, w, h)
    t = np.linspace(0, 1, h)[:, None, None]
    grad = np.array(top) * (1 - t) + np.array(bottom) * t
    col = np.array(edge) * (1 - face_in[..., None]) + grad * face_in[..., None]
    # Gloss on the upper half.
    gloss = np.clip(0.18 - np.linspace(0, 0.36, h), 0, None)[:, None, None]
    col = col + (255 - col) * gloss * face_in[..., None]
    # Icon with a soft dark drop under it.
    size1 = min(w1, h1) - (14 if min(w1, h1) >= 40 else 12)
    size = size1 * scale
    icon = drawings.rgba(drawing, size, size)[..., 3]
    ix, iy = (w1 - size1) // 2 * scale, ((h1 - size1) // 2 - 1) * scale
    mask = np.zeros((h, w))
    mask[iy:iy + size, ix:ix + size] = icon
    drop = np.zeros((h, w))
    drop[iy + scale:iy + scale + size, ix + scale:ix + scale + size] = icon
    col = col * (1 - 0.35 * drop[..., None] * face_in[..., None])
    col = col * (1 - mask[..., None]) + np.array(ink) * mask[..., None]
    rgba = np.concatenate([col / 255, cover[..., None]], axis=2)
    return render.flatten(rgba, BUTTON_BACKDROP, cutoff=0.35)


def place_buttons(sheet, drawings, start_x, skip):
    """Stacks the three looks of every button left to right in the lower band of the
    sheet, from start_x, jumping over the rectangles in skip. Returns {number: (x, y, w, h)}."""
    places = {}
    x = start_x
    y = T.BUTTON_ZONE_Y
    for number, drawing, w, h, _, _, face in T.BUTTONS:
        for sx, sy, sw, sh in skip:
            if x < sx + sw and sx < x + w and y < sy + sh and sy < y + 3 * h:
                x = sx + sw + 2
        for i, f in enumerate(("disabled", face, "hot")):
            def draw(scale, drawing=drawing, w=w, h=h, f=f):
                return button_look(drawings, drawing, w, h, f, scale)
            sheet.put(f"button {number} look {i}", x, y + i * h, draw(1), KIND_ART, draw)
        places[number] = (x, y, w, h)
        x += w + 3
    return places


def place_cells(sheet, drawings):
    x, y, w, h = T.LOGO_CELL

    def mascot(scale, w=w, h=h):
        return render.flatten(drawings.rgba("mascot", w * scale, h * scale), (0xF0, 0xF0, 0xF0))
    sheet.put("logo cell", x, y, mascot(1), KIND_ART, mascot)
    # A leaving letter shows this cell for its last frames: a few faint sparkles.
    x, y, w, h = T.LEAVING_CELL

    def sparkles(scale, w=w, h=h):
        cell = np.full((h * scale, w * scale, 3), 255, np.uint8)
        for dx, dy in ((2, 5), (9, 2), (4, 10), (14, 7), (24, 14), (33, 4), (41, 20), (18, 24),
                       (29, 27), (47, 9), (52, 30), (8, 33), (37, 35), (56, 16)):
            cell[dy * scale:(dy + 2) * scale, dx * scale:(dx + 2) * scale] = (0xC8, 0xD2, 0xDF)
        return cell
    sheet.put("leaving cell", x, y, sparkles(1), KIND_ART, sparkles)
    sheet.reserve("blank cell", T.BLANK_CELL)


# ---- Palette ----------------------------------------------------------------------------

def _ramp(a, b, n, include_end=True):
    steps = np.linspace(0, 1, n) if include_end else np.linspace(0, 1, n + 1)[:-1]
    return [tuple(int(round(a[i] * (1 - t) + b[i] * t)) for i in range(3)) for t in steps]


def quantise(sheet):
    """(indices HxW uint8, palette of 256) for the sheet."""
    fixed = {}
    palette = [(0, 0, 0)]
    def add(kind, colours):
        start = len(palette)
        palette.extend(colours)
        fixed[kind] = list(range(start, len(palette)))
    add(KIND_LARGE, _ramp(LARGE_FILL, LARGE_OUTLINE, 20))
    for kind, colour in zip(KIND_SMALL, T.SMALL["colours"]):
        add(kind, _ramp(colour, (255, 255, 255), 9, include_end=False))
    add(KIND_TEXT, _ramp(TEXT_INK, (255, 255, 255), 12, include_end=False))
    # The frame has few colours; each keeps an entry of its own, so that tiles that
    # meet keep meeting exactly.
    frame = sheet.rgb[sheet.kind == KIND_FRAME]
    frame_colours = sorted({tuple(int(v) for v in c) for c in frame})
    if len(frame_colours) > 64:
        raise SystemExit(f"artwork: the frame uses {len(frame_colours)} colours, at most 64")
    add(KIND_FRAME, frame_colours)

    rgb = sheet.rgb.reshape(-1, 3)
    kind = sheet.kind.reshape(-1)
    white = (rgb == 255).all(axis=1)
    art = (kind == KIND_ART) & ~white
    room = 255 - len(palette)
    pix = rgb[art]
    if len(pix):
        im = Image.fromarray(pix.reshape(1, -1, 3))
        q = im.quantize(colors=room, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        pal = q.getpalette()[:3 * room]
        cols = [tuple(pal[i:i + 3]) for i in range(0, len(pal), 3)]
        cols = _refine(pix.astype(np.int32), np.array(cols, np.int32))
        cols = [c if c != (255, 255, 255) else (254, 254, 254) for c in cols]
        start = len(palette)
        palette.extend(cols)
        fixed[KIND_ART] = list(range(start, len(palette)))
    while len(palette) < 255:
        palette.append((0, 0, 0))
    palette.append((255, 255, 255))

    idx = np.full(rgb.shape[0], WHITE_INDEX, np.uint8)
    pal = np.array(palette, np.int32)
    every = list(range(255))
    for k in (KIND_LARGE, KIND_TEXT, KIND_ART, KIND_FRAME) + KIND_SMALL:
        sel = np.where((kind == k) & ~white)[0]
        if not len(sel):
            continue
        choices = np.array(fixed.get(k, every) if k != KIND_ART else every)
        idx[sel] = choices[_nearest(rgb[sel].astype(np.int32), pal[choices])]
    return idx.reshape(sheet.h, sheet.w), palette


def _refine(pixels, colours, rounds=6):
    """A few k-means rounds over the median-cut colours: each colour moves to the mean
    of the pixels it stands for. Deterministic."""
    colours = colours.astype(np.float64)
    for _ in range(rounds):
        owner = _nearest(pixels, np.rint(colours).astype(np.int32))
        for k in range(len(colours)):
            members = pixels[owner == k]
            if len(members):
                colours[k] = members.mean(axis=0)
    return [tuple(int(v) for v in np.clip(np.rint(c), 0, 255)) for c in colours]


def _nearest(pixels, colours):
    weights = np.array([3, 4, 2], np.int32)
    out = np.empty(len(pixels), np.int64)
    for i in range(0, len(pixels), 20000):
        p = pixels[i:i + 20000, None, :]
        d = (((p - colours[None, :, :]) ** 2) * weights).sum(axis=2)
        out[i:i + 20000] = d.argmin(axis=1)
    return out
