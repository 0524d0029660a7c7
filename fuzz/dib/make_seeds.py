#!/usr/bin/python3
"""Writes small Windows bitmaps of every depth and coding the decoder reads, as the
seed corpus of fuzz_dib. Usage: make_seeds.py <output folder>."""
import os
import struct
import sys

W, H = 7, 5


def colour(x, y):
    return ((x * 37) & 255, (y * 53) & 255, ((x + y) * 29) & 255)  # b, g, r


def pad4(row):
    return row + b"\0" * (-len(row) % 4)


def palette(n):
    return b"".join(struct.pack("<BBBB", (i * 7) & 255, (i * 13) & 255, (i * 29) & 255, 0)
                    for i in range(n))


def index_rows(bpp, top_down=False, colours=0):
    rows = []
    for y in range(H):
        bits = [((x + y) % (colours or 1 << bpp)) for x in range(W)]
        per = 8 // bpp
        out = bytearray()
        for i in range(0, W, per):
            b = 0
            for k in range(per):
                v = bits[i + k] if i + k < W else 0
                b |= v << (8 - bpp * (k + 1))
            out.append(b)
        rows.append(pad4(bytes(out)))
    return rows if top_down else rows[::-1]


def direct_rows(bpp, pack, top_down=False):
    rows = [pad4(b"".join(pack(*colour(x, y)) for x in range(W))) for y in range(H)]
    return rows if top_down else rows[::-1]


def info_header(size, bpp, comp=0, height=H, clr_used=0, image_size=0, masks=None):
    h = struct.pack("<IiiHHIIiiII", size, W, height, 1, bpp, comp, image_size, 2835, 2835,
                    clr_used, 0)
    if size > 40:
        m = masks or (0, 0, 0)
        extra = struct.pack("<III", *m) + struct.pack("<I", 0)  # red, green, blue, alpha
        h += (extra + b"\0" * size)[: size - 40]
    return h


def bmp(header, table, pixels, file_header=True):
    off = 14 + len(header) + len(table)
    body = header + table + pixels
    if not file_header:
        return body
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, off) + body


def rle8(top_rows):
    out = bytearray()
    for row in reversed(top_rows):
        x = 0
        while x < len(row):
            n = 1
            while x + n < len(row) and row[x + n] == row[x] and n < 255:
                n += 1
            out += bytes([n, row[x]])
            x += n
        out += b"\0\0"
    return bytes(out + b"\0\1")


def seeds():
    s = {}
    for bpp in (1, 4, 8):
        n = 1 << bpp
        s[f"rgb{bpp}.bmp"] = bmp(info_header(40, bpp), palette(n), b"".join(index_rows(bpp)))
    s["rgb8_short_table.bmp"] = bmp(info_header(40, 8, clr_used=12), palette(12),
                                    b"".join(index_rows(8, colours=12)))
    s["rgb8_topdown.bmp"] = bmp(info_header(40, 8, height=-H), palette(256),
                                b"".join(index_rows(8, True)))
    s["rgb24.bmp"] = bmp(info_header(40, 24), b"", b"".join(direct_rows(24, lambda b, g, r: bytes([b, g, r]))))
    s["rgb24_noheader.dib"] = bmp(info_header(40, 24), b"",
                                  b"".join(direct_rows(24, lambda b, g, r: bytes([b, g, r]))), False)
    s["rgb32.bmp"] = bmp(info_header(40, 32), b"", b"".join(direct_rows(32, lambda b, g, r: bytes([b, g, r, 0]))))
    s["rgb16_555.bmp"] = bmp(info_header(40, 16), b"", b"".join(
        direct_rows(16, lambda b, g, r: struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)))))
    p565 = lambda b, g, r: struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
    s["bitfields16_565.bmp"] = bmp(info_header(40, 16, 3), struct.pack("<III", 0xF800, 0x7E0, 0x1F),
                                   b"".join(direct_rows(16, p565)))
    s["bitfields32_v5.bmp"] = bmp(info_header(124, 32, 3, masks=(0xFF00, 0xFF0000, 0xFF000000)), b"",
                                  b"".join(direct_rows(32, lambda b, g, r: bytes([0, r, g, b]))))
    s["rgb24_v4.bmp"] = bmp(info_header(108, 24), b"", b"".join(direct_rows(24, lambda b, g, r: bytes([b, g, r]))))
    core = struct.pack("<IHHHH", 12, W, H, 1, 8)
    core_table = b"".join(struct.pack("<BBB", i, 255 - i, i // 2) for i in range(256))
    s["core8.bmp"] = bmp(core, core_table, b"".join(index_rows(8)))
    top = [[(x + y) % 5 for x in range(W)] for y in range(H)]
    s["rle8.bmp"] = bmp(info_header(40, 8, 1), palette(256), rle8(top))
    # RLE4: a run, an absolute stretch, a delta and the end of the bitmap.
    rle4 = bytes([4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 1, 3, 0x67, 0, 1])
    s["rle4.bmp"] = bmp(info_header(40, 4, 2), palette(16), rle4)
    return s


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "corpus", "fuzz_dib")
    os.makedirs(out, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
