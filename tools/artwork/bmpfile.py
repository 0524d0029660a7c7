"""Windows bitmap files: 8-bit with a 256-entry colour table and 24-bit, bottom-up; 24-bit
also top-down with its rows on a 16-byte boundary, the form the engine draws from as it is."""

import os
import struct

import numpy as np


def _headers(width, height, bits, colours, image_size, offset=None):
    offset = offset or 14 + 40 + 4 * colours
    file_header = struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, colours, colours)
    return file_header + info


def write_bmp8(path, indices, palette):
    """indices: HxW uint8; palette: 256 (r, g, b) tuples."""
    assert len(palette) == 256
    height, width = indices.shape
    stride = (width + 3) & ~3
    rows = np.zeros((height, stride), np.uint8)
    rows[:, :width] = indices
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    data = rows[::-1].tobytes()
    with open(path, "wb") as f:
        f.write(_headers(width, height, 8, 256, len(data)) + table + data)


def write_bmp24(path, rgb, top_down=False):
    """rgb: HxWx3 uint8. top_down: rows stored first to last from byte 64 (a 16-byte
    boundary), so the engine can draw from the stored rows without converting them."""
    height, width, _ = rgb.shape
    stride = (width * 3 + 3) & ~3
    rows = np.zeros((height, stride), np.uint8)
    rows[:, :width * 3] = rgb[:, :, ::-1].reshape(height, width * 3)
    if top_down:
        data = rows.tobytes()
        head = _headers(width, -height, 24, 0, len(data), offset=64)
        head += bytes(64 - len(head))
    else:
        data = rows[::-1].tobytes()
        head = _headers(width, height, 24, 0, len(data))
    # Written aside and renamed over: a running program may have the old file mapped.
    with open(path + ".tmp", "wb") as f:
        f.write(head + data)
    os.replace(path + ".tmp", path)


def read_bmp(path):
    """(rgb HxWx3, bits, palette or None) of a bitmap this module wrote."""
    with open(path, "rb") as f:
        blob = f.read()
    magic, _, _, _, offset = struct.unpack_from("<2sIHHI", blob, 0)
    if magic != b"BM":
        raise ValueError(f"{path}: not a bitmap")
    size, width, height, _, bits, comp = struct.unpack_from("<IiiHHI", blob, 14)
    if size != 40 or comp != 0 or bits not in (8, 24) or width <= 0 or height == 0:
        raise ValueError(f"{path}: unexpected header")
    rows_h = abs(height)
    if bits == 8:
        count = struct.unpack_from("<I", blob, 46)[0] or 256
        table = np.frombuffer(blob, np.uint8, 4 * count, 54).reshape(count, 4)
        palette = [tuple(int(c) for c in e[2::-1]) for e in table]
        stride = (width + 3) & ~3
        px = np.frombuffer(blob, np.uint8, stride * rows_h, offset).reshape(rows_h, stride)
        idx = px[:, :width]
        rgb = np.array(palette, np.uint8)[idx]
    else:
        palette = None
        stride = (width * 3 + 3) & ~3
        px = np.frombuffer(blob, np.uint8, stride * rows_h, offset).reshape(rows_h, stride)
        rgb = px[:, :width * 3].reshape(rows_h, width, 3)[:, :, ::-1]
    if height > 0:
        rgb = rgb[::-1]
    return np.ascontiguousarray(rgb), bits, palette
