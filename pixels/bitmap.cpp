// bitmap.cpp — bitmaps into surfaces, packed DIBs and palettes.
//
// A bitmap name is looked up among the embedded resources (whole ".bmp" files) and as a
// file relative to the current directory. The surface loaders take the resource first,
// DibLoad the file first. Pixels are turned into 24 bits by DibDecode; packed DIBs keep
// the stored pixel rows behind a 40-byte header.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

// Largest bitmap file read whole: the biggest image the program holds at 32 bits a
// pixel, plus headers and a full colour table.
static const int64_t MAX_BITMAP_FILE = MAX_SURFACE_PIXELS * 4 + 65536;

static uint32_t Get32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

static uint16_t Get16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// The whole file `name` in a new block (free with std::free); null when it does not
// open, cannot be read or is too large. *opened tells whether it opened at all.
static uint8_t *ReadWholeFile(const char *name, size_t *size, bool *opened)
{
    return PLAT_FileReadWhole(name, MAX_BITMAP_FILE, size, opened);
}

// ---- Packed DIBs ------------------------------------------------------------------------

// The information header of a bitmap in memory, widened to the 40-byte form, and where
// its parts lie. False when the headers are cut short or describe nothing we can hold.
struct DIBPARTS {
    BITMAPINFOHEADER bih;
    uint64_t qwMasks;   // offset of three bit-field masks, 0: none
    uint64_t qwTable;   // offset of the colour table
    int32_t iEntrySize; // 3 (core header) or 4
    uint64_t qwPixels;  // offset of the pixel rows
};

static bool ReadParts(const uint8_t *data, size_t size, DIBPARTS *p)
{
    std::memset(p, 0, sizeof *p);
    uint64_t start = 0, offBits = 0;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < 14)
            return false;
        offBits = Get32(data + 10);
        start = 14;
    }
    if (start + 4 > size)
        return false;
    uint32_t hdrSize = Get32(data + start);
    BITMAPINFOHEADER &h = p->bih;
    if (hdrSize == 12) {
        if (start + 12 > size)
            return false;
        h.biWidth = Get16(data + start + 4);
        h.biHeight = Get16(data + start + 6);
        h.biPlanes = Get16(data + start + 8);
        h.biBitCount = Get16(data + start + 10);
        p->iEntrySize = 3;
    } else {
        if (hdrSize < 40 || start + hdrSize > size)
            return false;
        std::memcpy(&h, data + start, 40);
        p->iEntrySize = 4;
    }
    h.biSize = 40;
    int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    int bpp = h.biBitCount;
    if (h.biWidth <= 0 || height <= 0 || h.biWidth > MAX_SURFACE_SIDE ||
        height > MAX_SURFACE_SIDE || static_cast<int64_t>(h.biWidth) * height > MAX_SURFACE_PIXELS)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    // Image size and colour count are filled in when stored as 0.
    if (h.biSizeImage == 0)
        h.biSizeImage = static_cast<uint32_t>(
            ((static_cast<int64_t>(h.biWidth) * bpp + 31) & ~31LL) / 8 * height);
    if (h.biClrUsed == 0)
        h.biClrUsed = bpp <= 8 ? 1u << bpp : 0;
    if (bpp <= 8 && h.biClrUsed > 256)
        return false;
    uint64_t pos = start + hdrSize;
    if (h.biCompression == 3) { // bit fields: masks after a 40-byte header, else inside it
        p->qwMasks = hdrSize == 40 ? pos : start + 40;
        if (hdrSize == 40)
            pos += 12;
        if (p->qwMasks + 12 > size)
            return false;
    }
    p->qwTable = pos;
    pos += static_cast<uint64_t>(h.biClrUsed) * p->iEntrySize;
    if (pos > size)
        return false;
    p->qwPixels = offBits ? offBits : pos;
    return p->qwPixels <= size;
}

BITMAPINFOHEADER *DibPack(const uint8_t *data, size_t size)
{
    DIBPARTS p;
    if (!data || !ReadParts(data, size, &p))
        return nullptr;
    BITMAPINFOHEADER h = p.bih;
    bool compressed = h.biCompression == 1 || h.biCompression == 2;
    int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    uint64_t rowBytes = ((static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    uint64_t need = compressed ? 0 : rowBytes * height;
    uint64_t available = size - p.qwPixels;
    // Rows must be in the file (the last row's padding may be missing); RLE data is
    // kept as far as it goes, and a stored image size beyond the file is cut to it.
    uint64_t lastRowBytes = (static_cast<uint64_t>(h.biWidth) * h.biBitCount + 7) / 8;
    if (need && need - rowBytes + lastRowBytes > available)
        return nullptr;
    uint64_t held = h.biSizeImage < available ? h.biSizeImage : available;
    if (held < need)
        held = need;
    if (h.biSizeImage > held)
        h.biSizeImage = static_cast<uint32_t>(held);

    size_t masks = p.qwMasks ? 12 : 0;
    size_t table = static_cast<size_t>(h.biClrUsed) * 4;
    size_t total = 40 + masks + table + static_cast<size_t>(held);
    uint8_t *block = static_cast<uint8_t *>(std::calloc(total, 1));
    if (!block)
        return nullptr;
    std::memcpy(block, &h, 40);
    if (masks)
        std::memcpy(block + 40, data + p.qwMasks, 12);
    uint8_t *entries = block + 40 + masks;
    for (uint32_t i = 0; i < h.biClrUsed; i++) // core entries widen to 4 bytes
        std::memcpy(entries + 4 * i, data + p.qwTable + i * p.iEntrySize, 3);
    if (p.iEntrySize == 4)
        std::memcpy(entries, data + p.qwTable, table);
    uint64_t copy = held < available ? held : available;
    std::memcpy(entries + table, data + p.qwPixels, static_cast<size_t>(copy));
    return reinterpret_cast<BITMAPINFOHEADER *>(block);
}

BITMAPINFOHEADER *DibLoad(const char *name)
{
    if (!name)
        return nullptr;
    size_t size = 0;
    bool opened;
    uint8_t *bytes = ReadWholeFile(name, &size, &opened);
    if (opened) {
        BITMAPINFOHEADER *dib = bytes ? DibPack(bytes, size) : nullptr;
        std::free(bytes);
        return dib;
    }
    const uint8_t *res = PLAT_FindResource(name, &size);
    return res ? DibPack(res, size) : nullptr;
}

void DibFree(BITMAPINFOHEADER *dib)
{
    std::free(dib);
}

// ---- Bitmaps into surfaces --------------------------------------------------------------

// Decodes the bitmap `name`: the resource first, then the file. 0 when neither gives
// a bitmap; *why then tells a bad bitmap from a missing one (empty).
static int LookUpBitmap(const char *name, DIBIMAGE *image, const char **why)
{
    *why = "";
    size_t size = 0;
    if (const uint8_t *res = PLAT_FindResource(name, &size))
        return DibDecode(res, size, image, why);
    // Decoded once into a surface, the file is mapped rather than copied into memory.
    bool opened;
    const uint8_t *bytes = PLAT_FileMapWhole(name, MAX_BITMAP_FILE, &size, &opened);
    if (!bytes) {
        if (opened)
            *why = "the file cannot be read";
        return 0;
    }
    int ok = DibDecode(bytes, size, image, why);
    PLAT_FileUnmap(bytes, size);
    return ok;
}

int32_t DDCopyBitmap(LPDDS surface, const DIBIMAGE *bitmap, int32_t x, int32_t y, int32_t width,
                     int32_t height)
{
    if (!surface || !bitmap || !bitmap->pBits)
        return DDERR_GENERIC;
    if (width == 0)
        width = bitmap->iWidth;
    if (height == 0)
        height = bitmap->iHeight;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 ||
        static_cast<int64_t>(x) + width > bitmap->iWidth ||
        static_cast<int64_t>(y) + height > bitmap->iHeight)
        return DDERR_INVALIDRECT;
    // The bitmap is only read: a surface over its rows serves as the blit's source.
    LPDDS from =
        DXCreateSurfaceOver(bitmap->pBits, bitmap->iWidth, bitmap->iHeight, bitmap->iPitch);
    if (!from)
        return DDERR_GENERIC;
    from->bHasColorKey = 0;
    int ok = DXStretchBlt(surface, 0, 0, surface->iWidth, surface->iHeight, from, x, y, width,
                          height, 1);
    DXReleaseSurface(from);
    return ok ? DD_OK : DDERR_GENERIC;
}

LPDDS DDLoadBitmap(void *directDraw, const char *name, int32_t width, int32_t height)
{
    DIBIMAGE image;
    const char *why;
    if (!name || !LookUpBitmap(name, &image, &why)) {
        if (why && *why)
            Failf("%s: %s", name, why);
        Fail("LoadImage() !");
        return nullptr;
    }
    if ((width == 0 || width == image.iWidth) && (height == 0 || height == image.iHeight)) {
        // At its own size the decoded rows, laid out as a surface's, become the surface:
        // no second copy of the sprite sheet or the background is made and touched.
        LPDDS s = DXCreateSurfaceOver(image.pBits, image.iWidth, image.iHeight, image.iPitch);
        if (!s) {
            DibFreeImage(&image);
            Fail("pdd->CreateSurface() !");
            return nullptr;
        }
        s->bOwnsBits = 1;
        s->bHasColorKey = 0;
        return s;
    }
    int32_t result;
    LPDDS s =
        DXCreateSurfaceRaw(width ? width : image.iWidth, height ? height : image.iHeight, &result);
    if (!s) {
        DibFreeImage(&image);
        Failf("%d", result == DDERR_OUTOFMEMORY ? 14 : result == DDERR_INVALIDPARAMS ? 4 : 0);
        Fail("pdd->CreateSurface() !");
        return nullptr;
    }
    DDCopyBitmap(s, &image, 0, 0, 0, 0);
    DibFreeImage(&image);
    return s;
}

int32_t DDReLoadBitmap(LPDDS surface, const char *name)
{
    DIBIMAGE image;
    const char *why;
    if (!name || !LookUpBitmap(name, &image, &why)) {
        PLAT_DebugOutput("handle is null\n");
        return DDERR_GENERIC;
    }
    int32_t result = DDCopyBitmap(surface, &image, 0, 0, 0, 0);
    if (result != DD_OK)
        PLAT_DebugOutput("ddcopybitmap failed\n");
    DibFreeImage(&image);
    return result;
}

// ---- Palettes ---------------------------------------------------------------------------

// Copies the colour table of an indexed bitmap with a header of 40 bytes or more over
// the first entries; other bitmaps leave the palette alone.
static void ApplyColourTable(DDPALETTE *pal, const uint8_t *data, size_t size)
{
    uint64_t start = size >= 14 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
    if (start + 40 > size)
        return;
    uint32_t hdrSize = Get32(data + start);
    int bpp = Get16(data + start + 14);
    if (hdrSize < 40 || bpp > 8 || bpp == 0)
        return;
    uint64_t count = Get32(data + start + 32);
    if (count == 0)
        count = 1u << bpp;
    if (count > 256)
        count = 256;
    uint64_t table = start + hdrSize;
    if (table > size)
        return;
    uint64_t fits = (size - table) / 4;
    if (count > fits)
        count = fits;
    for (uint64_t i = 0; i < count; i++) {
        const uint8_t *e = data + table + 4 * i;
        pal->aEntries[i][0] = e[2];
        pal->aEntries[i][1] = e[1];
        pal->aEntries[i][2] = e[0];
        pal->aEntries[i][3] = 0;
    }
}

DDPALETTE *DDLoadPalette(void *directDraw, const char *name)
{
    DDPALETTE *pal = new (std::nothrow) DDPALETTE;
    if (!pal)
        return nullptr;
    for (int i = 0; i < 256; i++) {
        pal->aEntries[i][0] = static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7);
        pal->aEntries[i][1] = static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7);
        pal->aEntries[i][2] = static_cast<uint8_t>((i & 3) * 255 / 3);
        pal->aEntries[i][3] = 0;
    }
    if (!name)
        return pal;
    size_t size = 0;
    if (const uint8_t *res = PLAT_FindResource(name, &size)) {
        ApplyColourTable(pal, res, size);
        return pal;
    }
    bool opened;
    if (uint8_t *bytes = ReadWholeFile(name, &size, &opened)) {
        ApplyColourTable(pal, bytes, size);
        std::free(bytes);
    }
    return pal;
}

void DDReleasePalette(DDPALETTE *palette)
{
    delete palette;
}
