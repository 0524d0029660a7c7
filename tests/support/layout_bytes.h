// layout_bytes.h — layout files written byte by byte: a blue photo and the pieces given.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "document/layout.h"
#include "picture/imgobj.h"

// A layout of a blue w × h photo shown at (190, 75, 400, 300) with the given pieces.
inline std::vector<uint8_t> LayoutBytes(int32_t w, int32_t h,
                                        const std::vector<LAYOUTRECORD> &pieces)
{
    std::vector<uint8_t> out(4, 0);
    out[0] = 1;
    LAYOUTHEADER header = {};
    header.iCount = 1 + static_cast<int32_t>(pieces.size());
    header.iPhotoWidth = w, header.iPhotoHeight = h;
    header.iRectLeft = 190, header.iRectTop = 75, header.iRectWidth = 400, header.iRectHeight = 300;
    uint8_t block[LAYOUT_HEADER_SIZE];
    LayoutPutHeader(&header, block);
    out.insert(out.end(), block, block + LAYOUT_HEADER_SIZE);
    LAYOUTRECORD photo = {};
    LayoutPutRecord(&photo, block);
    out.insert(out.end(), block, block + LAYOUT_RECORD_SIZE);
    for (int32_t i = 0; i < w * h; i++)
        out.insert(out.end(), {0xFF, 0x00, 0x00}); // blue, green, red
    for (const LAYOUTRECORD &r : pieces) {
        LayoutPutRecord(&r, block);
        out.insert(out.end(), block, block + LAYOUT_RECORD_SIZE);
    }
    return out;
}

// A piece's record: its kind, clip-art name, place, size and text.
inline LAYOUTRECORD PieceAt(int32_t kind, const char *name, int32_t x, int32_t y, int32_t w,
                            int32_t h, const char *text = "")
{
    LAYOUTRECORD r = {};
    r.iKind = kind;
    std::snprintf(r.szFileName, sizeof r.szFileName, "%s", name);
    r.x = x, r.y = y, r.iWidth = w, r.iHeight = h;
    std::snprintf(r.szText, sizeof r.szText, "%s", text);
    return r;
}

// The 32-bit number at an offset of a file's bytes, and setting it.
inline int32_t At32(const std::vector<uint8_t> &b, size_t offset)
{
    int32_t v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}
inline void Set32(std::vector<uint8_t> &b, size_t offset, int32_t v)
{
    std::memcpy(b.data() + offset, &v, 4);
}
