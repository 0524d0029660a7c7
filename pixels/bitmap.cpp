// bitmap.cpp — bitmaps into surfaces.
//
// A bitmap name is looked up among the embedded resources (whole ".bmp" files) first and
// then as a file relative to the current directory. Pixels are turned into 24 bits by
// DibDecode.
#include <cstdio>

#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

// Largest bitmap file mapped: the biggest image the program holds at 32 bits a
// pixel, plus headers and a full colour table.
static const int64_t MAX_BITMAP_FILE = MAX_SURFACE_PIXELS * 4 + 65536;

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
                          height, DXBLT_OPAQUE);
    DXReleaseSurface(from);
    return ok ? DD_OK : DDERR_GENERIC;
}

LPDDS DDLoadBitmap(const char *name, int32_t width, int32_t height)
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

// The rows of the embedded bitmap `name` when a surface can use them as they are.
static const uint8_t *EmbeddedRows(const char *name, int32_t *width, int32_t *height)
{
    size_t size = 0;
    const uint8_t *res = name ? PLAT_FindResource(name, &size) : nullptr;
    return res ? DibRowsInPlace(res, size, width, height) : nullptr;
}

// A read-only surface over the rows of the bitmap in `bytes` when they can serve as they
// are (DibRowsInPlace); null otherwise.
static LPDDS SurfaceInPlace(const uint8_t *bytes, size_t size)
{
    int32_t width, height;
    const uint8_t *rows = DibRowsInPlace(bytes, size, &width, &height);
    LPDDS s =
        rows ? DXCreateSurfaceOver(const_cast<uint8_t *>(rows), width, height, (width * 3 + 3) & ~3)
             : nullptr;
    if (s)
        s->bHasColorKey = 0;
    return s;
}

LPDDS DDLoadSheet(const char *name)
{
    if (!name)
        return DDLoadBitmap(name, 0, 0);
    // The program's own bytes, or the file's mapped rows: faulted in from the file as they
    // are drawn, neither decoded nor copied, and no fresh memory touched.
    size_t size = 0;
    if (const uint8_t *res = PLAT_FindResource(name, &size)) {
        LPDDS s = SurfaceInPlace(res, size);
        return s ? s : DDLoadBitmap(name, 0, 0);
    }
    bool opened;
    const uint8_t *bytes = PLAT_FileMapWhole(name, MAX_BITMAP_FILE, &size, &opened);
    if (LPDDS s = bytes ? SurfaceInPlace(bytes, size) : nullptr) {
        s->pMapping = bytes;
        s->cbMapping = size;
        return s;
    }
    if (bytes)
        PLAT_FileUnmap(bytes, size);
    return DDLoadBitmap(name, 0, 0); // decoded, or the reason it cannot be
}

int32_t DDReLoadBitmap(LPDDS surface, const char *name)
{
    int32_t width, height;
    if (surface && surface->pBits && surface->pBits == EmbeddedRows(name, &width, &height))
        return DD_OK; // the surface is the bitmap's own rows
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
