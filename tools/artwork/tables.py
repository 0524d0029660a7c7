"""Layout tables of the interface artwork: glyph map, fonts, sheet places, buttons.

Everything the program reads by position (glyph cells, frame tiles, button looks,
window places of the buttons) is fixed here, so the generator and its checks agree.
"""

SHEET_W, SHEET_H = 1700, 684
WHITE = (255, 255, 255)

# ---- Glyph index of a character (8-bit Latin-1 code page) ---------------------------


def glyph_index(code):
    """Glyph index of an 8-bit character code; 47 for characters without a glyph."""
    ch = chr(code)
    if "A" <= ch <= "Z":
        return code - ord("A")
    if "a" <= ch <= "z":
        return 65 + code - ord("a")
    if "0" <= ch <= "9":
        return 29 + code - ord("0")
    table = {
        "[": 26, "\xc5": 26, "\\": 27, "\xc4": 27, "]": 28, "\xd6": 28,
        "-": 39, ".": 40, " ": 41, "!": 42, ",": 43, "'": 44, "%": 45, ":": 46,
        ">": 48, "\xae": 48, "?": 49, "&": 50, "(": 51, ")": 52,
        "\xc9": 54, "\xd9": 55, "\xc8": 56, "\xca": 57, "\xc0": 58, "\xdc": 59,
        '"': 60, "#": 61, "\xa4": 62, "/": 63, "+": 64,
        "\xe5": 91, "\xe4": 92, "\xf6": 93,
    }
    if ch in table:
        return table[ch]
    if code == 0xA0:
        return 41      # no-break space: the space
    if code == 0xAD:
        return 39      # soft hyphen: the hyphen
    if code in MORE_CODES:
        return MORE_FIRST + MORE_CODES.index(code)
    return 47


# Glyphs 100 and up: every other printable character of code page 1252 the text dialog
# writes (its capitals, signs, quotes and dashes), in the fonts 0 and 10. A byte's glyph
# is MORE_FIRST + its place in this list.
MORE_FIRST = 100
MORE_CODES = [ord(c) for c in "$*;<=@^_`{|}~"] + \
    [0x80] + list(range(0x82, 0x8D)) + [0x8E] + list(range(0x91, 0x9A)) + [0x9B, 0x9F] + \
    [c for c in range(0xA1, 0xE0) if c not in (0xA4, 0xAD, 0xAE, 0xC0, 0xC4, 0xC5, 0xC8,
                                              0xC9, 0xCA, 0xD6, 0xD9, 0xDC)] + [0xF7]
MORE_COUNT = MORE_FIRST + len(MORE_CODES)


def code_char(code):
    """The Unicode character of a code page 1252 byte."""
    return bytes([code]).decode("cp1252")


def glyph_chars(count):
    """The character drawn for each glyph index below count (None: no glyph)."""
    chars = [None] * count
    # Prefer the letter over the bracket for the shared indices 26-28, and ">" over "®".
    for code in list(range(32, 127)) + [0xC5, 0xC4, 0xD6, 0xC9, 0xD9, 0xC8, 0xCA, 0xC0,
                                        0xDC, 0xA4, 0xE5, 0xE4, 0xF6] + MORE_CODES:
        g = glyph_index(code)
        if g == 47 or g >= count:
            continue
        if chars[g] is None or code in (0xC5, 0xC4, 0xD6):
            chars[g] = code_char(code)
    chars[41] = " " if count > 41 else None
    return chars


FALLBACK = 47          # glyph drawn for characters without their own
FALLBACK_CELL = (951, 0)

# ---- Fonts on the sheet ---------------------------------------------------------------

LARGE = dict(count=65, height=106, row_low=0, row_high=108, split=29,
             fixed={0: (0, 57), 1: (57, 48), 41: (509, 27), 47: FALLBACK_CELL},
             more_rows=(346, 454, 562))
SMALL = dict(count=60, height=17, rows=(216, 238, 260),
             colours=((0x1F, 0x4E, 0x9A), (0xD2, 0x41, 0x2F), (0x2E, 0x8B, 0x47)))
TEXT = dict(count=100, height=13, row=281,
            fixed={0: (1, 6), 41: (260, 4), 47: FALLBACK_CELL}, more_row=670)
# Fonts 0 and 10 also hold glyphs MORE_FIRST to MORE_COUNT - 1, below the first 345 rows
# (font 0: entries 65-99 stay the empty fallback); their places are free of the fixed ones.

# Font 11: ten pictures 30 high on row 296 at fixed places. The start screen shows
# "A" (welcome), "B", "G" and "C" (tips).
ICON_ROW, ICON_HEIGHT = 296, 30
ICONS = [  # (x, width, drawing)
    (0, 36, "pic_camera"), (36, 38, "pic_hat"), (74, 20, "pic_bulb"),
    (94, 23, "pic_heart"), (117, 23, "pic_star"), (140, 27, "pic_floppy"),
    (167, 21, "pic_bubble"), (188, 49, "pic_envelope"), (237, 22, "pic_mouse"),
    (259, 41, "pic_printer"),
]

# The small logo of the About box and the cell a leaving letter shows.
LOGO_CELL = (861, 295, 52, 44)
LEAVING_CELL = (1500, 110, 60, 40)
BLANK_CELL = (1690, 0, 8, 8)  # graphics id 2330: the stand-in for unknown ids

# ---- Picture frame tiles: name -> (x, y, w, h) ------------------------------------------

FRAME_BAND = 13     # frame width on every side
FRAME_SHADOW = 3    # drop shadow beyond the bottom and right bands
FRAME_TILES = {
    "top": (1636, 281, 16, 13), "bottom": (1636, 312, 16, 16),
    "left": (1622, 295, 13, 16), "right": (1653, 295, 16, 16),
    "top_left": (1622, 281, 13, 13), "top_right": (1653, 281, 16, 16),
    "bottom_left": (1622, 312, 13, 16), "bottom_right": (1653, 312, 16, 16),
}
# The top-right corner's two lowest rows are the right edge's two top rows.
FRAME_SHARED = ("top_right", "right")

# ---- Window ---------------------------------------------------------------------------

SCREEN_W, SCREEN_H = 800, 600
PICTURE_X, PICTURE_Y = 190, 75
WALL = (0xD6, 0xDE, 0xE7)        # background around the picture
COLUMN = (0xEE, 0xF2, 0xF7)      # left column panel
BAND = (0xE9, 0xEE, 0xF4)        # top band panel
LOGO_POS = (15, 10)
FEEDER_BOX = (15, 175, 165, 275)

# ---- Interface buttons ----------------------------------------------------------------
# (number, drawing, look width, look height, window x, window y, face)
# Faces: "tool" for editing buttons, "add" for the two that add pieces.
BUTTONS = [
    (1, "btn_bigger", 40, 40, 244, 11, "tool"),
    (2, "btn_smaller", 40, 40, 288, 11, "tool"),
    (3, "btn_wider", 40, 40, 342, 11, "tool"),
    (4, "btn_narrower", 40, 40, 386, 11, "tool"),
    (5, "btn_higher", 40, 40, 440, 11, "tool"),
    (6, "btn_lower", 40, 40, 484, 11, "tool"),
    (7, "btn_fliph", 40, 40, 538, 11, "tool"),
    (8, "btn_flipv", 40, 40, 582, 11, "tool"),
    (9, "btn_rotleft", 40, 40, 636, 11, "tool"),
    (10, "btn_rotright", 40, 40, 680, 11, "tool"),
    (11, "btn_left", 32, 32, 42, 364, "tool"),
    (12, "btn_right", 32, 32, 114, 364, "tool"),
    (13, "btn_up", 32, 32, 78, 330, "tool"),
    (14, "btn_down", 32, 32, 78, 398, "tool"),
    (15, "btn_select", 40, 40, 78, 262, "tool"),
    (16, "btn_text", 52, 40, 104, 190, "add"),
    (17, "btn_clipart", 52, 40, 40, 190, "add"),
]
BUTTON_ID_BASE = 1000   # graphics id of button n is 1000 + n
LOGO_CELL_ID = 2001
BLANK_ID = 2330

# Control records of the level file.
CONTROL_GROUP = 0
CONTROL_CLASS = 10001
LEVEL_NAME = "merrowick.lvl"

# Zone of the sheet that holds the button looks (three looks stacked per button).
BUTTON_ZONE_Y = 219
