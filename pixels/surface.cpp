// surface.cpp — surfaces in ordinary memory, the named global surfaces, fills and lines.
//
// A surface is one block of 24-bit rows; the pitch of the surfaces made here is the
// row's byte count rounded up to 4. Nothing is ever lost or busy, so restoring is only
// reloading the sprite sheet. Creation failures are reported with the numbered codes
// of the create-failure table.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/trail.h"

LPDDS gDDSWindow;
LPDDS gDDSSprite;
LPDDS gDDSScratch;
LPDDS gDDSBackgnd;
LPDDS gDDSClp;
LPDDS gDDSLogo;
LPDDS gDDSPicture;
LPDDS gDDSText;
int32_t gDirectDrawReady;
uint32_t gOutlinePenColor = 0x79F41E;
int32_t gScreenWidth = 800;
int32_t gScreenHeight = 600;
XYWH gPictureRect;

// Number of a platform result in the create-failure table.
static int32_t CreateFailureCode(int32_t result)
{
    switch (result) {
    case DDERR_INVALIDPARAMS:
        return 4;
    case DDERR_OUTOFMEMORY:
        return 14;
    default:
        return 0;
    }
}

void DXCreateSurfaceError(int32_t result)
{
    int32_t code = CreateFailureCode(result);
    if (code == 14)
        Fail("Out of memory");
    Failf("%d", code);
    Fail("pdd->CreateSurface() !");
}

LPDDS DXCreateSurfaceRaw(int32_t width, int32_t height, int32_t *result)
{
    // A size no surface can have is an invalid parameter, not a shortage of memory.
    *result = DDERR_INVALIDPARAMS;
    if (width <= 0 || height <= 0 || width > MAX_SURFACE_SIDE || height > MAX_SURFACE_SIDE ||
        static_cast<int64_t>(width) * height > MAX_SURFACE_PIXELS)
        return nullptr;
    *result = DDERR_OUTOFMEMORY;
    int64_t pitch = (static_cast<int64_t>(width) * 3 + 3) & ~3LL;
    LPDDS s = new (std::nothrow) DDSURFACE();
    if (!s)
        return nullptr;
    s->pBits = static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(pitch) * height));
    if (!s->pBits) {
        delete s;
        return nullptr;
    }
    s->iWidth = width;
    s->iHeight = height;
    s->iPitch = static_cast<int32_t>(pitch);
    s->bOwnsBits = 1;
    *result = DD_OK;
    return s;
}

LPDDS DXCreateSurface(LPDDS old, int32_t width, int32_t height, uint32_t caps)
{
    DXReleaseSurface(old);
    int32_t result;
    LPDDS s = DXCreateSurfaceRaw(width, height, &result);
    if (!s) {
        DXCreateSurfaceError(result);
        Fail("g_pDD->CreateSurface() failed!");
        return nullptr;
    }
    DXSetColorKey(s, 0xFFFFFF);
    ClearSurface(s);
    return s;
}

LPDDS DXCreateSurfaceOver(uint8_t *bits, int32_t width, int32_t height, int32_t pitch)
{
    if (!bits || width <= 0 || height <= 0 || width > MAX_SURFACE_SIDE ||
        height > MAX_SURFACE_SIDE || static_cast<int64_t>(width) * height > MAX_SURFACE_PIXELS ||
        pitch < static_cast<int64_t>(width) * 3) {
        DXCreateSurfaceError(DDERR_INVALIDPARAMS);
        return nullptr;
    }
    LPDDS s = new (std::nothrow) DDSURFACE();
    if (!s) {
        DXCreateSurfaceError(DDERR_OUTOFMEMORY);
        return nullptr;
    }
    s->iWidth = width;
    s->iHeight = height;
    s->iPitch = pitch;
    s->pBits = bits;
    s->bOwnsBits = 0;
    s->bHasColorKey = 1;
    s->dwColorKey = 0xFFFFFF;
    return s;
}

namespace
{
struct HOLD {
    LPDDS surface;
    bool released;
};
std::mutex sHoldLock;
std::vector<HOLD> sHolds;       // under sHoldLock
std::atomic<int> sHoldCount{0}; // sHolds' size: most releases find none and skip the lock

// Marks a held surface released: true when it is held (the hold frees it), else false.
bool MarkReleased(LPDDS surface)
{
    if (sHoldCount.load(std::memory_order_acquire) == 0)
        return false;
    std::lock_guard<std::mutex> lock(sHoldLock);
    for (HOLD &h : sHolds)
        if (h.surface == surface)
            return h.released = true;
    return false;
}
} // namespace

void DXHoldSurface(LPDDS surface)
{
    std::lock_guard<std::mutex> lock(sHoldLock);
    sHolds.push_back({surface, false});
    sHoldCount.store(static_cast<int>(sHolds.size()), std::memory_order_release);
}

int DXSurfaceReleased(LPDDS surface)
{
    std::lock_guard<std::mutex> lock(sHoldLock);
    for (const HOLD &h : sHolds)
        if (h.surface == surface)
            return h.released;
    return 1;
}

void DXLetGoSurface(LPDDS surface)
{
    bool released = false;
    {
        std::lock_guard<std::mutex> lock(sHoldLock);
        const auto at = std::find_if(sHolds.begin(), sHolds.end(),
                                     [surface](const HOLD &h) { return h.surface == surface; });
        if (at == sHolds.end())
            return;
        released = at->released;
        sHolds.erase(at);
        sHoldCount.store(static_cast<int>(sHolds.size()), std::memory_order_release);
    }
    if (released)
        DXReleaseSurface(surface);
}

void DXReleaseSurface(LPDDS surface)
{
    if (!surface || MarkReleased(surface))
        return;
    if (surface->bOwnsBits)
        PLAT_PixelsFree(surface->pBits);
    if (surface->pMapping)
        PLAT_FileUnmap(surface->pMapping, surface->cbMapping);
    delete surface;
}

// Fills the rectangle, already inside the surface, with a colour.
static void FillClipped(LPDDS s, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        uint32_t colour)
{
    if (right <= left || bottom <= top)
        return;
    uint8_t b = colour & 0xFF, g = (colour >> 8) & 0xFF, r = (colour >> 16) & 0xFF;
    size_t rowBytes = static_cast<size_t>(right - left) * 3;
    uint8_t *first = DXPixel(s, left, top);
    if (b == g && g == r) {
        for (int32_t y = top; y < bottom; y++)
            std::memset(first + static_cast<ptrdiff_t>(y - top) * s->iPitch, b, rowBytes);
        return;
    }
    for (int32_t x = 0; x < right - left; x++) {
        first[3 * x] = b;
        first[3 * x + 1] = g;
        first[3 * x + 2] = r;
    }
    for (int32_t y = top + 1; y < bottom; y++)
        std::memcpy(first + static_cast<ptrdiff_t>(y - top) * s->iPitch, first, rowBytes);
}

void ClearSurface(LPDDS surface)
{
    if (!surface || !surface->pBits) {
        Fail("ClearSurface()");
        ShowErrorTrail(1);
        return;
    }
    FillClipped(surface, 0, 0, surface->iWidth, surface->iHeight, 0xFFFFFF);
}

void DXFillRect(LPDDS surface, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour)
{
    if (!surface || width <= 0 || height <= 0)
        return;
    int64_t left = x, top = y, right = left + width, bottom = top + height;
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right > surface->iWidth ? surface->iWidth : right;
    bottom = bottom > surface->iHeight ? surface->iHeight : bottom;
    if (right > left && bottom > top)
        FillClipped(surface, static_cast<int32_t>(left), static_cast<int32_t>(top),
                    static_cast<int32_t>(right), static_cast<int32_t>(bottom), colour);
}

uint32_t DXMatchColor(LPDDS surface, uint32_t colour)
{
    if (!surface || surface->iWidth <= 0 || surface->iHeight <= 0)
        return 0;
    // Every surface holds 24-bit pixels, so a colour encodes as itself. The surface is not
    // touched: a fresh one's memory stays unfaulted, and the sprite sheet may be read-only.
    if (colour != 0xFFFFFFFF)
        return colour & 0xFFFFFF;
    return DXGetPixel(surface, 0, 0) & 0xFFFFFF;
}

void DXSetColorKey(LPDDS surface, uint32_t colour)
{
    if (!surface)
        return;
    surface->dwColorKey = DXMatchColor(surface, colour);
    surface->bHasColorKey = 1;
}

uint32_t DXGetPixel(LPDDS s, int32_t x, int32_t y)
{
    if (!s || x < 0 || y < 0 || x >= s->iWidth || y >= s->iHeight)
        return 0xFFFFFF;
    const uint8_t *p = DXPixel(s, x, y);
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

void DXPutPixel(LPDDS s, int32_t x, int32_t y, uint32_t colour)
{
    if (!s || x < 0 || y < 0 || x >= s->iWidth || y >= s->iHeight)
        return;
    uint8_t *p = DXPixel(s, x, y);
    p[0] = colour & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = (colour >> 16) & 0xFF;
}

// Cuts the segment to the box [lo, hi] in both axes (Liang–Barsky); false when it
// misses the box.
static bool ClipSegment(double &x0, double &y0, double &x1, double &y1, double loX, double loY,
                        double hiX, double hiY)
{
    double t0 = 0, t1 = 1, dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = t > t0 ? t : t0;
        else
            t1 = t < t1 ? t : t1;
    }
    if (t0 > t1)
        return false;
    double ox = x0, oy = y0;
    x0 = ox + t0 * dx;
    y0 = oy + t0 * dy;
    x1 = ox + t1 * dx;
    y1 = oy + t1 * dy;
    return true;
}

void DXDrawLine2(LPDDS surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour)
{
    if (!surface)
        return;
    // The pen covers the point and its neighbours above and to the left; cutting the
    // segment to the surface grown by that margin keeps the walk short.
    double ax = x0, ay = y0, bx = x1, by = y1;
    if (!ClipSegment(ax, ay, bx, by, -1, -1, surface->iWidth, surface->iHeight))
        return;
    int64_t px = std::lround(ax), py = std::lround(ay);
    int64_t qx = std::lround(bx), qy = std::lround(by);
    int64_t dx = std::llabs(qx - px), dy = -std::llabs(qy - py);
    int64_t sx = px < qx ? 1 : -1, sy = py < qy ? 1 : -1, err = dx + dy;
    while (true) {
        DXFillRect(surface, static_cast<int32_t>(px - 1), static_cast<int32_t>(py - 1), 2, 2,
                   colour);
        if (px == qx && py == qy)
            break;
        int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

// Makes one named surface of the given size with the white key. It is not
// cleared: each is painted before it is read, and start-up time is mostly first touches
// of memory, so a surface's memory is touched only where it is used.
static LPDDS CreateNamed(int32_t width, int32_t height, const char *failLine)
{
    int32_t result;
    LPDDS s = DXCreateSurfaceRaw(width, height, &result);
    if (!s) {
        DXCreateSurfaceError(result);
        Fail(failLine);
        return nullptr;
    }
    DXSetColorKey(s, 0xFFFFFF);
    return s;
}

// The screen surfaces' first size (the window's first drawing area) and their largest.
constexpr int32_t kFirstScreenW = 800, kFirstScreenH = 600;
constexpr int32_t kMostScreenW = 1280, kMostScreenH = 1024;

int32_t DXGrownSize(int32_t had, int32_t need, int32_t most)
{
    const int64_t more = static_cast<int64_t>(had) + had / 4;
    const int64_t size = need > more ? need : more;
    return static_cast<int32_t>(size < most ? size : most);
}

int DXFitScreenSurfaces(int32_t width, int32_t height)
{
    width = width < 1 ? 1 : width > kMostScreenW ? kMostScreenW : width;
    height = height < 1 ? 1 : height > kMostScreenH ? kMostScreenH : height;
    if (!gDDSScratch || !gDDSBackgnd ||
        (gDDSScratch->iWidth >= width && gDDSScratch->iHeight >= height))
        return 1;
    const int32_t w = DXGrownSize(gDDSScratch->iWidth, width, kMostScreenW);
    const int32_t h = DXGrownSize(gDDSScratch->iHeight, height, kMostScreenH);
    LPDDS scratch = CreateNamed(w, h, "Scratch");
    LPDDS backgnd = scratch ? CreateNamed(w, h, "Backgnd") : nullptr;
    if (!backgnd) {
        DXReleaseSurface(scratch);
        return 0;
    }
    DXReleaseSurface(gDDSScratch);
    DXReleaseSurface(gDDSBackgnd);
    gDDSScratch = scratch;
    gDDSBackgnd = backgnd;
    return 1;
}

int DXInit()
{
    gDirectDrawReady = 1;

    gDDSWindow = CreateNamed(800, 600, "CreateSurface() - gDDSWindow !");
    if (!gDDSWindow)
        return 0;

    // The window only reads the sheet: drawn from the embedded rows where they can serve.
    gDDSSprite = DDLoadSheet("SPRITE");
    if (!gDDSSprite)
        return Fail("DDLoadBitmap() !");
    DXSetColorKey(gDDSSprite, 0xFFFFFF);

    // The screen buffer and the background are painted whole before they are shown, the
    // picture buffer is drawn before any of it is, and a text block clears its rows first.
    // The first two start at the first drawing area's size and grow with the window.
    if (!(gDDSScratch = CreateNamed(kFirstScreenW, kFirstScreenH, "Scratch")))
        return 0;
    if (!(gDDSBackgnd = CreateNamed(kFirstScreenW, kFirstScreenH, "Backgnd")))
        return 0;

    gDDSClp = DDLoadSheet("merrowick7.clp");
    if (!gDDSClp)
        return Fail("DDLoadBitmap(Image) !");
    gDDSLogo = DDLoadSheet("logo7.clp");
    if (!gDDSLogo)
        return Fail("DDLoadBitmap(Image)!");
    DXSetColorKey(gDDSLogo, 0xFFFFFF);

    if (!(gDDSPicture = CreateNamed(2048, 2048, "DXCreateSurface() failed!")))
        return 0;
    if (!(gDDSText = CreateNamed(1200, 600, "Text")))
        return 0;

    gScreenWidth = 800;
    gScreenHeight = 600;
    gOutlinePenColor = 0x79F41E;
    return 1;
}

// A named surface of DXStartHeadless: made, white, and in `surface`; 0 when it cannot be.
static int StartNamed(LPDDS &surface, int32_t width, int32_t height, const char *failLine)
{
    if (!(surface = CreateNamed(width, height, failLine)))
        return 0;
    ClearSurface(surface);
    return 1;
}

int DXStartHeadless(uint32_t need)
{
    DXCleanup();
    gScreenWidth = kFirstScreenW;
    gScreenHeight = kFirstScreenH;
    gPictureRect = {0, 0, 0, 0};
    if ((need & DXNEED_SCREEN) &&
        (!StartNamed(gDDSScratch, kMostScreenW, kMostScreenH, "Scratch") ||
         !StartNamed(gDDSBackgnd, kMostScreenW, kMostScreenH, "Backgnd")))
        return 0;
    if ((need & DXNEED_PICTURE) &&
        !StartNamed(gDDSPicture, 2048, 2048, "DXCreateSurface() failed!"))
        return 0;
    if ((need & DXNEED_TEXT) && !StartNamed(gDDSText, 1200, 600, "Text"))
        return 0;
    if (need & DXNEED_SPRITE) {
        if (!(gDDSSprite = DDLoadBitmap("SPRITE", 0, 0)))
            return Fail("DDLoadBitmap() !");
        DXSetColorKey(gDDSSprite, 0xFFFFFF);
    }
    return 1;
}

static void ReleaseNamed(LPDDS &surface)
{
    DXReleaseSurface(surface);
    surface = nullptr;
}

void DXCleanup()
{
    ReleaseNamed(gDDSWindow);
    ReleaseNamed(gDDSSprite);
    ReleaseNamed(gDDSScratch);
    ReleaseNamed(gDDSBackgnd);
    ReleaseNamed(gDDSClp);
    ReleaseNamed(gDDSLogo);
    ReleaseNamed(gDDSPicture);
    ReleaseNamed(gDDSText);
}

void DXRestoreAll()
{
    if (DDReLoadBitmap(gDDSSprite, "SPRITE") != DD_OK) {
        Fail("DDReLoadBitmap()");
        ShowErrorTrail();
    }
}
