// thumbnail.cpp — the clip-art dialog's thumbnails.
//
// The list shows a whole category at once, so the thumbnail pass must be quick. A
// sticker stored as a plain 24-bit bitmap (every catalogue file is one) is sampled
// straight from its file: only the rows the nearest-pixel stretch picks are read. Any
// other bitmap is decoded whole and stretched; both give the same pixels.
#include "clipart/thumbnail.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "clipart/lookup.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/trail.h"

void ClipArt_ThumbRect(int32_t width, int32_t height, int32_t size, XYWH *rect)
{
    int32_t w = size, h = size;
    if (width >= height)
        h = static_cast<int32_t>(size * (static_cast<float>(height) / static_cast<float>(width)));
    else
        w = static_cast<int32_t>(size * (static_cast<float>(width) / static_cast<float>(height)));
    *rect = {(size - w) / 2, (size - h) / 2, w, h};
}

// A white size × size image; 0 when out of memory.
static int WhiteImage(int32_t size, DIBIMAGE *out)
{
    const int32_t pitch = (size * 3 + 3) & ~3;
    uint8_t *bits = static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(pitch) * size));
    if (!bits)
        return Fail("Out of memory");
    std::memset(bits, 0xFF, static_cast<size_t>(pitch) * size);
    *out = {size, size, pitch, bits};
    return 1;
}

// Copies the top-left corner of a picture onto the image (unscaled, clipped).
static void CopyCorner(DIBIMAGE *image, const DIBIMAGE *picture)
{
    const int32_t w = std::min(image->iWidth, picture->iWidth);
    const int32_t h = std::min(image->iHeight, picture->iHeight);
    for (int32_t y = 0; y < h; y++)
        std::memcpy(image->pBits + static_cast<ptrdiff_t>(y) * image->iPitch,
                    picture->pBits + static_cast<ptrdiff_t>(y) * picture->iPitch,
                    static_cast<size_t>(w) * 3);
}

// A bitmap resource decoded, or 0.
static int DecodeResource(const char *name, DIBIMAGE *out)
{
    size_t size = 0;
    const uint8_t *data = PLAT_FindResource(name, &size);
    return data && DibDecode(data, size, out, nullptr);
}

// A whole bitmap file decoded, or 0.
static int DecodeFile(const char *path, DIBIMAGE *out)
{
    *out = {};
    size_t size = 0;
    bool opened;
    uint8_t *data = PLAT_FileReadWhole(path, (256 << 20) - 1, &size, &opened);
    const int ok = data && size > 0 && DibDecode(data, size, out, nullptr);
    std::free(data);
    return ok;
}

static uint32_t Get32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The nearest-pixel sample of target position t of n among count source positions, as
// the pixel layer's stretch picks it.
static int64_t Sample(int64_t t, int64_t n, int64_t count)
{
    return (2 * t + 1) * count / (2 * n);
}

enum { SAMPLED = 1, NOT_PLAIN = 0 };

// Stretches a plain 24-bit bitmap file (40-byte header, no colour table, rows right
// after the header, every row present) into rect of the canvas, reading only the rows
// it needs. NOT_PLAIN when the file is any other kind or cannot be read.
static int SampleFile(const char *path, const DIBIMAGE *canvas, int32_t size)
{
    const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NOT_PLAIN;
    uint8_t head[54];
    struct stat st;
    int result = NOT_PLAIN;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        PLAT_FileReadAt(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head)) {
        const int32_t width = static_cast<int32_t>(Get32(head + 18));
        const int32_t rawHeight = static_cast<int32_t>(Get32(head + 22));
        const int64_t height = rawHeight < 0 ? -static_cast<int64_t>(rawHeight) : rawHeight;
        const int64_t stride = (static_cast<int64_t>(width) * 3 + 3) & ~3LL;
        const bool plain =
            head[0] == 'B' && head[1] == 'M' && Get32(head + 10) == 54 && Get32(head + 14) == 40 &&
            head[28] == 24 && head[29] == 0 && Get32(head + 30) == 0 && Get32(head + 46) == 0 &&
            width > 0 && height > 0 && width <= MAX_SURFACE_SIDE && height <= MAX_SURFACE_SIDE &&
            width * height <= MAX_SURFACE_PIXELS && st.st_size >= 54 + stride * height;
        if (plain) {
            XYWH r;
            ClipArt_ThumbRect(width, static_cast<int32_t>(height), size, &r);
            std::vector<int32_t> cols(static_cast<size_t>(std::max(r.w, 0)));
            for (int32_t x = 0; x < r.w; x++)
                cols[x] = static_cast<int32_t>(Sample(x, r.w, width) * 3);
            std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
            result = SAMPLED;
            for (int32_t y = 0; y < r.h && result == SAMPLED; y++) {
                const int64_t s = Sample(y, r.h, height);
                const int64_t stored = rawHeight < 0 ? s : height - 1 - s;
                if (PLAT_FileReadAt(fd, row.data(), row.size(), 54 + stored * stride) !=
                    static_cast<ssize_t>(row.size())) {
                    result = NOT_PLAIN;
                    break;
                }
                uint8_t *d =
                    canvas->pBits + static_cast<ptrdiff_t>(r.y + y) * canvas->iPitch + r.x * 3;
                for (int32_t x = 0; x < r.w; x++, d += 3)
                    std::memcpy(d, row.data() + cols[x], 3);
            }
        }
    }
    PLAT_FileClose(fd);
    return result;
}

// Stretches a decoded sticker into its place on the canvas.
static int StretchOnto(const DIBIMAGE *canvas, const DIBIMAGE *sticker, int32_t size)
{
    XYWH r;
    ClipArt_ThumbRect(sticker->iWidth, sticker->iHeight, size, &r);
    LPDDS dest = DXCreateSurfaceOver(canvas->pBits, size, size, canvas->iPitch);
    LPDDS src =
        DXCreateSurfaceOver(sticker->pBits, sticker->iWidth, sticker->iHeight, sticker->iPitch);
    int ok = dest && src &&
             DXStretchBlt(dest, r.x, r.y, r.w, r.h, src, 0, 0, sticker->iWidth, sticker->iHeight,
                          DXBLT_OPAQUE);
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
    return ok ? 1 : Fail("StretchBlt() !)");
}

// The canvas: the top-left size × size of the white "CLIPART" bitmap.
static int Canvas(int32_t size, DIBIMAGE *out)
{
    DIBIMAGE blank = {};
    if (!DecodeResource("CLIPART", &blank))
        return Fail("Load bitmap!");
    int ok = WhiteImage(size, out);
    if (ok)
        CopyCorner(out, &blank);
    DibFreeImage(&blank);
    return ok;
}

int ClipArt_Thumbnail(const char *name, int32_t size, DIBIMAGE *out)
{
    *out = {};
    struct stat st;
    if (gMainDir[0] && (::stat(gMainDir, &st) != 0 || !S_ISDIR(st.st_mode)))
        return Fail("SetCurrentDirectory() !");
    if (!ClipArt_PlainName(name) || size <= 0)
        return 0;
    char path[sizeof(gMainDir) + 160];
    if (!ClipArt_FindFile(name, path, sizeof path)) {
        const int n =
            std::snprintf(path, sizeof path, "%sclipart%c%s", gMainDir, PLAT_PathSeparator(), name);
        if (n < 0 || static_cast<size_t>(n) >= sizeof path)
            return 0;
    }
    if (::access(path, R_OK) == 0) {
        DIBIMAGE canvas = {};
        if (!Canvas(size, &canvas))
            return 0;
        if (SampleFile(path, &canvas, size) == SAMPLED) {
            *out = canvas;
            return 1;
        }
        DIBIMAGE sticker = {};
        if (DecodeFile(path, &sticker)) {
            const int ok = StretchOnto(&canvas, &sticker, size);
            DibFreeImage(&sticker);
            if (ok)
                *out = canvas;
            else
                DibFreeImage(&canvas);
            return ok;
        }
        DibFreeImage(&canvas);
    }
    // The sticker does not load: an icon of the same name, shown unscaled.
    const size_t len = std::strlen(path);
    if (len < 3)
        return 0;
    std::memcpy(path + len - 3, "ICO", 3);
    DIBIMAGE icon = {};
    if (!DecodeFile(path, &icon))
        return 0;
    int ok = WhiteImage(size, out);
    if (ok)
        CopyCorner(out, &icon);
    DibFreeImage(&icon);
    return ok;
}

int ClipArt_Placeholder(int32_t size, DIBIMAGE *out)
{
    *out = {};
    if (size <= 0 || !WhiteImage(size, out))
        return 0;
    DIBIMAGE error = {};
    if (DecodeResource("CLIPART_ERROR", &error)) {
        CopyCorner(out, &error);
        DibFreeImage(&error);
        return 1;
    }
    LPDDS s = DXCreateSurfaceOver(out->pBits, size, size, out->iPitch);
    if (s) {
        const int32_t inset = size / 8, side = size - 2 * inset;
        DXFillRect(s, inset, inset, side, side, 0xB0B0B0);
        DXFillRect(s, inset + 2, inset + 2, side - 4, side - 4, 0xFEFEFE);
        DXReleaseSurface(s);
    }
    return 1;
}

int ClipArt_ThumbnailOrPlaceholder(const char *name, int32_t size, DIBIMAGE *out)
{
    const size_t mark = TrailMark();
    if (ClipArt_Thumbnail(name, size, out))
        return 1;
    TrailRewind(mark); // a missing thumbnail is shown as the placeholder, not as an error
    return ClipArt_Placeholder(size, out);
}
