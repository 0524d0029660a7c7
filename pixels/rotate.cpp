// rotate.cpp — turning pixels by an angle.
//
// CalcRotatedSize predicts the box of a turned rectangle; DXRotateSurface turns any
// rectangle by any whole angle with nearest-pixel sampling at each result pixel's
// corner; DXRotatePhoto turns the photo, exactly for quarter turns. A result pixel
// (i, j) samples the source at (X·c + Y·s, Y·c − X·s), X = i + minX, Y = j + minY,
// cut toward zero; result pixels no source pixel reaches stay white (transparent).
#include <cmath>
#include <cstring>

#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/trail.h"

// π as the size prediction uses it, and as the pixel routines use it. The two differ on
// purpose: the size prediction's coarser π decides the boxes the callers lay out with.
static constexpr double kPiSize = 3.1416;
static constexpr double kPiPixels = 3.141592654;

// The rotated box of a w × h rectangle: its top-left offset and its whole size.
struct RotBox {
    double minX, minY;
    int32_t width, height;
};

static RotBox RotatedBox(double w, double h, double c, double s)
{
    // Corners (0, 0), (−h·s, h·c), (w·c − h·s, w·s + h·c), (w·c, w·s).
    const double xs[4] = {0.0, -h * s, w * c - h * s, w * c};
    const double ys[4] = {0.0, h * c, w * s + h * c, w * s};
    double minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int k = 1; k < 4; k++) {
        minX = std::fmin(minX, xs[k]);
        maxX = std::fmax(maxX, xs[k]);
        minY = std::fmin(minY, ys[k]);
        maxY = std::fmax(maxY, ys[k]);
    }
    RotBox box;
    box.minX = minX;
    box.minY = minY;
    box.width = static_cast<int32_t>(std::ceil(maxX - minX));
    box.height = static_cast<int32_t>(std::ceil(maxY - minY));
    return box;
}

void CalcRotatedSize(int32_t width, int32_t height, int32_t angle, int32_t *outWidth,
                     int32_t *outHeight)
{
    const double rad = angle * kPiSize / 180.0;
    RotBox box = RotatedBox(width, height, std::cos(rad), std::sin(rad));
    if (outWidth)
        *outWidth = box.width;
    if (outHeight)
        *outHeight = box.height;
}

// One result row of the general rotation: samples the source rectangle `src` (rows
// `pitch` apart, w × h) for result row j.
static void SampleRow(uint8_t *dst, const uint8_t *src, int32_t pitch, int32_t w, int32_t h,
                      const RotBox &box, double c, double s, int32_t j)
{
    const double Y = j + box.minY;
    for (int32_t i = 0; i < box.width; i++) {
        const double X = i + box.minX;
        // Conversion to int cuts toward zero, so −0.7 samples column 0.
        const int32_t sx = static_cast<int32_t>(X * c + Y * s);
        const int32_t sy = static_cast<int32_t>(Y * c - X * s);
        if (static_cast<uint32_t>(sx) < static_cast<uint32_t>(w) &&
            static_cast<uint32_t>(sy) < static_cast<uint32_t>(h)) {
            const uint8_t *p = src + static_cast<ptrdiff_t>(sy) * pitch + sx * 3;
            uint8_t *q = dst + i * 3;
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
        }
    }
}

// The result surface: W' × H' with the white key, cleared to white unless the caller
// writes every pixel. Large results ask for huge pages before the memory is first
// touched, which saves most of the page faults of a whole photo. Null after
// "CreateSurface()".
static LPDDS MakeResult(int32_t width, int32_t height, int clear)
{
    int32_t result = DD_OK;
    LPDDS dest = DXCreateSurfaceRaw(width, height, &result);
    if (!dest) {
        DXCreateSurfaceError(result);
        Fail("CreateSurface()");
        return nullptr;
    }
    DXSetColorKey(dest, 0xFFFFFF);
    if (clear)
        ClearSurface(dest);
    return dest;
}

// Whether (x, y, w, h) lies inside the surface: what a lock of that rectangle needs.
static int RectInside(LPDDS s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return s && s->pBits && x >= 0 && y >= 0 && w >= 0 && h >= 0 &&
           static_cast<int64_t>(x) + w <= s->iWidth && static_cast<int64_t>(y) + h <= s->iHeight;
}

LPDDS DXRotateSurface(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t angle)
{
    const double rad = angle * kPiPixels / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    if (!RectInside(src, x, y, width, height)) {
        Fail("Lock(Src)");
        return nullptr;
    }
    const RotBox box = RotatedBox(width, height, c, s);
    LPDDS dest = MakeResult(box.width, box.height, 1);
    if (!dest)
        return nullptr;
    const uint8_t *origin = DXPixel(src, x, y);
    for (int32_t j = 0; j < box.height; j++)
        SampleRow(DXPixel(dest, 0, j), origin, src->iPitch, width, height, box, c, s, j);
    return dest;
}

// Quarter turns: result pixel (i, j) takes the source pixel at origin + i·di + j·dj.
// The walk goes through square tiles so that both the rows written and the columns
// read stay in cache; within a tile each result row is written left to right.
static void QuarterTurn(LPDDS dest, const uint8_t *origin, ptrdiff_t di, ptrdiff_t dj)
{
    constexpr int32_t kTile = 64;
    const int32_t W = dest->iWidth, H = dest->iHeight;
    for (int32_t j0 = 0; j0 < H; j0 += kTile) {
        const int32_t j1 = j0 + kTile < H ? j0 + kTile : H;
        for (int32_t j = j0; j < j1; j++)
            PLAT_ProgressStepIt(); // one step for each result row of the band
        for (int32_t i0 = 0; i0 < W; i0 += kTile) {
            const int32_t i1 = i0 + kTile < W ? i0 + kTile : W;
            for (int32_t j = j0; j < j1; j++) {
                uint8_t *q = DXPixel(dest, i0, j);
                const uint8_t *p = origin + i0 * di + j * dj;
                for (int32_t i = i0; i < i1; i++, q += 3, p += di) {
                    q[0] = p[0];
                    q[1] = p[1];
                    q[2] = p[2];
                }
            }
        }
    }
}

LPDDS DXRotatePhoto(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t angle)
{
    // The photo is addressed from the surface's corner: x and y act as 0.
    (void)x;
    (void)y;
    double c, s;
    switch (angle) {
    case 0:
        c = 1.0, s = 0.0;
        break;
    case 90:
        c = 0.0, s = 1.0;
        break;
    case 180:
        c = -1.0, s = 0.0;
        break;
    case 270:
        c = 0.0, s = -1.0;
        break;
    default: {
        const double rad = angle * kPiPixels / 180.0;
        c = std::cos(rad);
        s = std::sin(rad);
    }
    }
    if (!RectInside(src, 0, 0, width, height)) {
        Fail("Lock(Src)");
        return nullptr;
    }
    const RotBox box = RotatedBox(width, height, c, s);
    // A quarter turn writes every result pixel: no clearing needed.
    const int quarter = angle == 0 || angle == 90 || angle == 180 || angle == 270;
    LPDDS dest = MakeResult(box.width, box.height, !quarter);
    if (!dest)
        return nullptr;

    PLAT_SetStatusText(0, "Rotating photo...");
    PLAT_ProgressSetPos(0);
    PLAT_ProgressSetRange(0, box.height);
    PLAT_ProgressSetStep(1);

    const uint8_t *bits = src->pBits;
    const ptrdiff_t pitch = src->iPitch;
    const int32_t w = width, h = height;
    switch (angle) {
    case 0:
        for (int32_t j = 0; j < h; j++) {
            PLAT_ProgressStepIt();
            std::memcpy(DXPixel(dest, 0, j), bits + j * pitch, static_cast<size_t>(w) * 3);
        }
        break;
    case 90: // (i, j) ← (j, h − 1 − i)
        QuarterTurn(dest, bits + (h - 1) * pitch, -pitch, 3);
        break;
    case 180: // (i, j) ← (w − 1 − i, h − 1 − j)
        QuarterTurn(dest, bits + (h - 1) * pitch + (w - 1) * 3, -3, -pitch);
        break;
    case 270: // (i, j) ← (w − 1 − j, i)
        QuarterTurn(dest, bits + (w - 1) * 3, pitch, -3);
        break;
    default:
        for (int32_t j = 0; j < box.height; j++) {
            PLAT_ProgressStepIt();
            SampleRow(DXPixel(dest, 0, j), bits, src->iPitch, w, h, box, c, s, j);
        }
    }
    return dest;
}
