// dib.cpp — the decoder of Windows bitmaps held in memory, to 24-bit rows.
//
// Every count, size and offset is checked against the input before it is used, in
// 64-bit arithmetic, so a hostile file cannot make the decoder read or write outside a
// buffer or allocate more than its pixel limit allows; uncompressed rows are checked
// to be in the input before the output is allocated. The steps: read the file and
// information headers into one description (DIBDESC), locate the colour table, the
// channel masks and the pixel rows, then expand rows of the given depth and coding.
// Pixels whose colour index lies beyond the stored table are black.
#include <cstdlib>
#include <cstring>

#include "pixels/pixels.h"
#include "platform/memory.h"

enum {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
};

// Everything the expanding steps need, validated.
struct DIBDESC {
    int32_t iWidth;
    int32_t iHeight; // absolute
    int32_t bTopDown;
    int32_t iBitCount;
    uint32_t dwCompression;
    uint32_t adwMasks[3];  // red, green, blue
    const uint8_t *pTable; // colour table: entries of iEntrySize bytes, blue, green, red
    int32_t iEntrySize;
    int32_t iColors; // usable entries (never more than the depth can index)
    const uint8_t *pPixels;
    size_t cbPixels; // bytes from pPixels to the end of the input
};

static uint16_t Get16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

static uint32_t Get32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

static int Refuse(const char **why, const char *reason)
{
    if (why)
        *why = reason;
    return 0;
}

static bool ValidHeaderSize(uint32_t size)
{
    // 64: the second OS/2 form, the 40-byte fields followed by ones we do not need.
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

// Reads the information header at `hdr` (bytes left: `left`) into d; fills the masks.
static int ReadInfoHeader(const uint8_t *hdr, size_t left, DIBDESC *d, uint32_t *hdrSize,
                          uint32_t *clrUsed, const char **why)
{
    if (left < 4)
        return Refuse(why, "file too short for a bitmap header");
    *hdrSize = Get32(hdr);
    if (!ValidHeaderSize(*hdrSize))
        return Refuse(why, "unknown bitmap header size");
    if (left < *hdrSize)
        return Refuse(why, "bitmap header cut short");
    int64_t height;
    if (*hdrSize == 12) {
        d->iWidth = Get16(hdr + 4);
        height = Get16(hdr + 6);
        d->iBitCount = Get16(hdr + 10);
        d->dwCompression = BI_RGB;
        *clrUsed = 0;
    } else {
        d->iWidth = static_cast<int32_t>(Get32(hdr + 4));
        height = static_cast<int32_t>(Get32(hdr + 8));
        d->iBitCount = Get16(hdr + 14);
        d->dwCompression = Get32(hdr + 16);
        *clrUsed = Get32(hdr + 32);
        if (*hdrSize >= 52 && *hdrSize != 64)
            for (int c = 0; c < 3; c++)
                d->adwMasks[c] = Get32(hdr + 40 + 4 * c);
    }
    d->bTopDown = height < 0;
    height = height < 0 ? -height : height;
    if (d->iWidth <= 0 || height <= 0)
        return Refuse(why, "bitmap width or height is not positive");
    if (d->iWidth > MAX_SURFACE_SIDE || height > MAX_SURFACE_SIDE)
        return Refuse(why, "bitmap too large");
    d->iHeight = static_cast<int32_t>(height);
    return 1;
}

// Checks that depth and coding go together and sets the default masks.
static int CheckCoding(DIBDESC *d, uint32_t hdrSize, const char **why)
{
    int bpp = d->iBitCount;
    if (hdrSize == 64 && d->dwCompression > BI_RLE4)
        return Refuse(why, "unsupported compression"); // OS/2 codings share the numbers
    if (hdrSize == 12 && bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
        return Refuse(why, "unsupported bits per pixel");
    switch (d->dwCompression) {
    case BI_RGB:
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            return Refuse(why, "unsupported bits per pixel");
        if (bpp == 16) {
            d->adwMasks[0] = 0x7C00;
            d->adwMasks[1] = 0x03E0;
            d->adwMasks[2] = 0x001F;
        } else if (bpp == 32) {
            d->adwMasks[0] = 0xFF0000;
            d->adwMasks[1] = 0x00FF00;
            d->adwMasks[2] = 0x0000FF;
        }
        return 1;
    case BI_RLE8:
    case BI_RLE4:
        if (bpp != (d->dwCompression == BI_RLE8 ? 8 : 4))
            return Refuse(why, "RLE coding does not match the bits per pixel");
        if (d->bTopDown)
            return Refuse(why, "RLE bitmaps cannot be top-down");
        return 1;
    case BI_BITFIELDS:
        if (bpp != 16 && bpp != 32)
            return Refuse(why, "bit fields need 16 or 32 bits per pixel");
        return 1;
    default:
        return Refuse(why, "unsupported compression");
    }
}

// Parses headers, masks, colour table and the pixel offset of a bitmap in memory.
static int Describe(const uint8_t *data, size_t size, DIBDESC *d, const char **why)
{
    std::memset(d, 0, sizeof *d);
    size_t start = 0;
    uint64_t offBits = 0; // 0: the rows follow the colour table
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < 14)
            return Refuse(why, "file header cut short");
        offBits = Get32(data + 10);
        start = 14;
    }
    uint32_t hdrSize, clrUsed;
    if (!ReadInfoHeader(data + start, size - start, d, &hdrSize, &clrUsed, why))
        return 0;
    if (!CheckCoding(d, hdrSize, why))
        return 0;

    uint64_t pos = start + hdrSize;
    if (d->dwCompression == BI_BITFIELDS && hdrSize == 40) {
        if (pos + 12 > size)
            return Refuse(why, "bit field masks outside the file");
        for (int c = 0; c < 3; c++)
            d->adwMasks[c] = Get32(data + pos + 4 * c);
        pos += 12;
    }

    if (offBits != 0 && offBits < pos)
        return Refuse(why, "pixel data overlaps the headers");

    // Colour table: indexed depths need one; deeper bitmaps may carry an optional one.
    d->iEntrySize = hdrSize == 12 ? 3 : 4;
    uint64_t entries = clrUsed; // entries stored in the file
    if (d->iBitCount <= 8) {
        uint32_t full = 1u << d->iBitCount;
        if (entries > full)
            return Refuse(why, "more colours than the bits per pixel allow");
        if (hdrSize == 12 || entries == 0) {
            // The count is implied: the full table, or what fits before the pixels
            // (short tables in files with a core header are common).
            entries = full;
            if (offBits != 0 && pos + entries * d->iEntrySize > offBits)
                entries = (offBits - pos) / d->iEntrySize;
        } else if (offBits != 0 && pos + entries * d->iEntrySize > offBits) {
            return Refuse(why, "colour table runs into the pixel data");
        }
        d->iColors = static_cast<int32_t>(entries);
        if (pos + entries * d->iEntrySize > size)
            return Refuse(why, "colour table outside the file");
        d->pTable = data + pos;
    }
    uint64_t tableBytes = entries * static_cast<uint64_t>(d->iEntrySize);
    if (offBits == 0) {
        if (pos + tableBytes > size)
            return Refuse(why, "colour table outside the file");
        offBits = pos + tableBytes;
    }
    if (offBits >= size)
        return Refuse(why, "pixel data outside the file");
    d->pPixels = data + offBits;
    d->cbPixels = size - static_cast<size_t>(offBits);
    return 1;
}

// Where the lowest set bit of a mask is, and the value range above it.
struct CHANNEL {
    int iShift;
    uint32_t dwMax;
};

static CHANNEL ChannelOf(uint32_t mask)
{
    CHANNEL c = {0, 0};
    if (!mask)
        return c;
    while (!(mask & 1)) {
        mask >>= 1;
        c.iShift++;
    }
    c.dwMax = mask;
    return c;
}

static uint8_t Scale(uint32_t value, const CHANNEL &c)
{
    if (!c.dwMax)
        return 0;
    uint64_t v = (value >> c.iShift) & c.dwMax;
    return static_cast<uint8_t>((v * 255 + c.dwMax / 2) / c.dwMax);
}

static uint8_t *OutRow(DIBIMAGE *out, const DIBDESC *d, int32_t storedRow)
{
    int32_t y = d->bTopDown ? storedRow : d->iHeight - 1 - storedRow;
    return out->pBits + static_cast<size_t>(y) * out->iPitch;
}

// An index beyond the stored table gives black, as most readers show it.
static void SetFromTable(uint8_t *px, const DIBDESC *d, uint32_t index)
{
    if (index >= static_cast<uint32_t>(d->iColors)) {
        px[0] = px[1] = px[2] = 0;
        return;
    }
    const uint8_t *e = d->pTable + static_cast<size_t>(index) * d->iEntrySize;
    px[0] = e[0];
    px[1] = e[1];
    px[2] = e[2];
}

static uint64_t StoredRowBytes(const DIBDESC *d)
{
    return ((static_cast<uint64_t>(d->iWidth) * d->iBitCount + 31) / 32) * 4;
}

// Whether the input can hold the pixels, checked before the output is allocated.
static int CheckPixelBytes(const DIBDESC *d, const char **why)
{
    if (d->dwCompression == BI_RLE8 || d->dwCompression == BI_RLE4) {
        // RLE can be very compact (one end-of-bitmap code), so only the smallest code
        // is required; the pixel limit bounds the output.
        if (d->cbPixels < 2)
            return Refuse(why, "RLE data ends early");
        return 1;
    }
    // The last row needs no padding: some writers leave it off.
    uint64_t lastRow = (static_cast<uint64_t>(d->iWidth) * d->iBitCount + 7) / 8;
    if (StoredRowBytes(d) * (d->iHeight - 1) + lastRow > d->cbPixels)
        return Refuse(why, "pixel rows outside the file");
    return 1;
}

// Uncompressed rows of any depth; CheckPixelBytes has passed.
static void ExpandRows(const DIBDESC *d, DIBIMAGE *out)
{
    int bpp = d->iBitCount;
    uint64_t rowBytes = StoredRowBytes(d);
    CHANNEL ch[3] = {ChannelOf(d->adwMasks[0]), ChannelOf(d->adwMasks[1]),
                     ChannelOf(d->adwMasks[2])};
    // Every index's colour, looked up once: indices beyond the stored table stay black.
    uint8_t table[256][4] = {};
    if (bpp <= 8)
        for (uint32_t i = 0; i < 256; i++)
            SetFromTable(table[i], d, i);
    for (int32_t r = 0; r < d->iHeight; r++) {
        const uint8_t *src = d->pPixels + rowBytes * r;
        uint8_t *dst = OutRow(out, d, r);
        int32_t w = d->iWidth;
        if (bpp == 24) {
            std::memcpy(dst, src, static_cast<size_t>(w) * 3);
        } else if (bpp == 8) {
            // Each pixel is written as 4 bytes, the fourth overwritten by the next pixel;
            // the last, whose fourth byte may lie past the row, alone.
            for (int32_t x = 0; x < w - 1; x++)
                std::memcpy(dst + 3 * x, table[src[x]], 4);
            std::memcpy(dst + 3 * (w - 1), table[src[w - 1]], 3);
        } else if (bpp < 8) {
            int perByte = 8 / bpp;
            uint32_t mask = (1u << bpp) - 1;
            for (int32_t x = 0; x < w; x++) {
                int shift = 8 - bpp * (x % perByte + 1);
                std::memcpy(dst + 3 * x, table[(src[x / perByte] >> shift) & mask], 3);
            }
        } else if (bpp == 32 && d->dwCompression == BI_RGB) {
            for (int32_t x = 0; x < w; x++) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
        } else {
            int bytes = bpp / 8;
            for (int32_t x = 0; x < w; x++) {
                uint32_t v = bytes == 2 ? Get16(src + 2 * x) : Get32(src + 4 * x);
                dst[3 * x] = Scale(v, ch[2]);
                dst[3 * x + 1] = Scale(v, ch[1]);
                dst[3 * x + 2] = Scale(v, ch[0]);
            }
        }
    }
}

// Pixels the RLE codes skip take colour 0. The codes only move forward (stored rows
// bottom-up, left to right), so the skipped pixels are painted as decoding reaches
// them: a refused file leaves the rest of the output untouched, and as the output
// starts zeroed a black colour 0 needs no painting at all.
struct SKIPFILL {
    uint8_t colour[3];
    bool bPaint;
    int64_t x, y; // the first pixel neither painted nor written by a run
};

// Paints the skipped pixels before (x, y).
static void PaintSkipped(const DIBDESC *d, DIBIMAGE *out, SKIPFILL &f, int64_t x, int64_t y)
{
    if (!f.bPaint)
        return;
    if (x > d->iWidth)
        x = d->iWidth;
    while (f.y < y || (f.y == y && f.x < x)) {
        int64_t end = f.y < y ? d->iWidth : x;
        uint8_t *row = OutRow(out, d, static_cast<int32_t>(f.y));
        for (int64_t i = f.x; i < end; i++)
            std::memcpy(row + 3 * i, f.colour, 3);
        if (f.y < y) {
            f.y++;
            f.x = 0;
        } else {
            f.x = end;
        }
    }
}

// Writes `count` pixels of an RLE run or absolute stretch at (x, y); index(i) gives the
// colour index of the i-th pixel. Some writers encode a row's padding too, so a run may
// reach into the padding of the stored row, whose pixels are dropped; anything further
// leaves the image.
template <typename INDEX>
static int PutRun(const DIBDESC *d, DIBIMAGE *out, SKIPFILL &f, int64_t &x, int64_t y, int count,
                  INDEX index, const char **why)
{
    int64_t padded = d->dwCompression == BI_RLE4 ? (d->iWidth + 7) & ~7LL : (d->iWidth + 3) & ~3LL;
    if (y >= d->iHeight || x + count > padded)
        return Refuse(why, "RLE run leaves the image");
    PaintSkipped(d, out, f, x, y);
    int64_t inside = d->iWidth - x < count ? d->iWidth - x : count;
    uint8_t *row = OutRow(out, d, static_cast<int32_t>(y));
    for (int64_t i = 0; i < inside; i++)
        SetFromTable(row + 3 * (x + i), d, index(static_cast<int>(i)));
    x += count;
    f.x = x < d->iWidth ? x : d->iWidth;
    return 1;
}

// RLE8 and RLE4 rows, bottom-up.
static int ExpandRle(const DIBDESC *d, DIBIMAGE *out, const char **why)
{
    SKIPFILL f = {{0, 0, 0}, false, 0, 0};
    SetFromTable(f.colour, d, 0);
    f.bPaint = f.colour[0] || f.colour[1] || f.colour[2];
    auto finish = [&] {
        PaintSkipped(d, out, f, 0, d->iHeight);
        return 1;
    };
    bool rle4 = d->dwCompression == BI_RLE4;
    const uint8_t *p = d->pPixels;
    size_t n = d->cbPixels, i = 0;
    int64_t x = 0, y = 0;
    while (true) {
        if (i + 2 > n)
            return y >= d->iHeight ? finish() : Refuse(why, "RLE data ends early");
        uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            auto index = [&](int k) -> uint32_t {
                return rle4 ? (k & 1 ? value & 15 : value >> 4) : value;
            };
            if (!PutRun(d, out, f, x, y, count, index, why))
                return 0;
        } else if (value == 0) { // end of line
            x = 0;
            y++;
        } else if (value == 1) { // end of bitmap
            return finish();
        } else if (value == 2) { // delta
            if (i + 2 > n)
                return Refuse(why, "RLE data ends early");
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (x > d->iWidth || y >= d->iHeight)
                return Refuse(why, "RLE delta leaves the image");
        } else { // absolute stretch of `value` pixels, padded to a 16-bit boundary
            size_t bytes = rle4 ? (value + 1) / 2 : value;
            if (i + bytes > n)
                return Refuse(why, "RLE data ends early");
            const uint8_t *abs = p + i;
            auto index = [&](int k) -> uint32_t {
                return rle4 ? (k & 1 ? abs[k / 2] & 15 : abs[k / 2] >> 4) : abs[k];
            };
            if (!PutRun(d, out, f, x, y, value, index, why))
                return 0;
            i += (bytes + 1) & ~static_cast<size_t>(1);
        }
    }
}

int DibDecodeLimit(const uint8_t *data, size_t size, DIBIMAGE *out, const char **why,
                   int64_t maxPixels)
{
    if (why)
        *why = "";
    if (!out)
        return Refuse(why, "no output");
    std::memset(out, 0, sizeof *out);
    if (!data)
        return Refuse(why, "no data");
    DIBDESC d;
    if (!Describe(data, size, &d, why))
        return 0;
    int64_t pixels = static_cast<int64_t>(d.iWidth) * d.iHeight;
    if (pixels > maxPixels || pixels > MAX_SURFACE_PIXELS)
        return Refuse(why, "bitmap too large");
    if (!CheckPixelBytes(&d, why))
        return 0;
    int64_t pitch = (static_cast<int64_t>(d.iWidth) * 3 + 3) & ~3LL;
    // Zeroed, so row padding bytes are zero (the rows compare and hash alike).
    uint8_t *bits =
        static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(d.iHeight) * pitch));
    if (!bits)
        return Refuse(why, "out of memory");
    out->iWidth = d.iWidth;
    out->iHeight = d.iHeight;
    out->iPitch = static_cast<int32_t>(pitch);
    out->pBits = bits;
    if (d.dwCompression == BI_RLE8 || d.dwCompression == BI_RLE4) {
        if (!ExpandRle(&d, out, why)) {
            DibFreeImage(out);
            return 0;
        }
    } else {
        ExpandRows(&d, out);
    }
    return 1;
}

const uint8_t *DibRowsInPlace(const uint8_t *data, size_t size, int32_t *width, int32_t *height)
{
    DIBDESC d;
    if (!data || !Describe(data, size, &d, nullptr) || d.iBitCount != 24 ||
        d.dwCompression != BI_RGB || !d.bTopDown ||
        static_cast<int64_t>(d.iWidth) * d.iHeight > MAX_SURFACE_PIXELS ||
        StoredRowBytes(&d) * d.iHeight > d.cbPixels)
        return nullptr;
    *width = d.iWidth;
    *height = d.iHeight;
    return d.pPixels;
}

int DibDecode(const uint8_t *data, size_t size, DIBIMAGE *out, const char **why)
{
    return DibDecodeLimit(data, size, out, why, MAX_SURFACE_PIXELS);
}

void DibFreeImage(DIBIMAGE *image)
{
    if (!image)
        return;
    PLAT_PixelsFree(image->pBits);
    PLAT_PixelsFree(image->pBgra);
    image->pBits = image->pBgra = nullptr;
    image->iWidth = image->iHeight = image->iPitch = 0;
}
