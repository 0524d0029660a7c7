// devui.cpp — the window at twice its pixels, for screens scaled 1.5 or more.
//
// The frames draw the window image in window pixels as always. While the 2x window is
// wanted, every drawing of the background and of the sprites is done a second time here,
// its rectangles doubled and its pixels from the artwork made for 2x (sheet, background,
// logo, drawn by the artwork tool from the same drawings as the 1x ones), into a window
// image of twice the drawing area that the shell paints scaled to the screen's pixels.
// Drawing at 2x and scaling down serves every scale from 1.5 to 2 from one artwork: the
// 2x pixels hold more than the screen shows, so the smooth reduction stays sharp, where
// the 1x artwork enlarged would not.
// Depends on: pixels/ (surfaces, blits), platform/ (trail).
#include <cmath>
#include <initializer_list>

#include "picture/compose.h"
#include "picture/picture_local.h"
#include "platform/trail.h"

static int sWanted; // the screen's scale asks for the 2x window
static int sFailed; // its artwork cannot be had: not asked for again until the scale changes
static int sReady;  // the 2x surfaces are there and the frames draw into them
static int sDrawn;  // the 2x window holds a whole drawing of the current background
static LPDDS sSheet, sClp, sLogo, sBackgnd, sWindow;

// The largest drawing area, in window pixels (pixels/surface.cpp grows to it).
constexpr int32_t kMostW = 1280, kMostH = 1024;

XYWH PICTURE_ToDevice(const XYWH &r, double scale)
{
    const int32_t left = static_cast<int32_t>(std::lround(r.x * scale));
    const int32_t top = static_cast<int32_t>(std::lround(r.y * scale));
    const int32_t right =
        static_cast<int32_t>(std::lround((r.x + static_cast<double>(r.w)) * scale));
    const int32_t bottom =
        static_cast<int32_t>(std::lround((r.y + static_cast<double>(r.h)) * scale));
    return {left, top, right - left, bottom - top};
}

void DEVUI_Release()
{
    for (LPDDS *s : {&sSheet, &sClp, &sLogo, &sBackgnd, &sWindow}) {
        DXReleaseSurface(*s);
        *s = nullptr;
    }
    sReady = sDrawn = 0;
}

int DEVUI_SetScale(double scale)
{
    const int want = scale >= DEVUI_MIN_SCALE;
    if (want == sWanted)
        return 0;
    sWanted = want;
    sFailed = 0;
    if (!want)
        DEVUI_Release();
    sDrawn = 0; // drawn whole at the next background rebuild
    return 1;
}

LPDDS DEVUI_Window()
{
    return sWanted && sReady && sDrawn ? sWindow : nullptr;
}

// Loads one 2x picture; it must be `w` × `h` (0: any size), or it is not used.
static LPDDS LoadTwice(const char *name, int32_t w, int32_t h)
{
    LPDDS s = DDLoadSheet(name);
    if (s && ((w && s->iWidth != w) || (h && s->iHeight != h))) {
        DXReleaseSurface(s);
        return nullptr;
    }
    if (s)
        DXSetColorKey(s, 0xFFFFFF);
    return s;
}

// The 2x artwork, checked against the 1x artwork doubled: a sheet of another size would
// send the doubled rectangles elsewhere.
static int LoadArtwork()
{
    if (sSheet)
        return 1;
    if (!gDDSSprite || !gDDSLogo)
        return 0;
    sSheet = LoadTwice("2x/SPRITE.bmp", DEVUI_FACTOR * gDDSSprite->iWidth,
                       DEVUI_FACTOR * gDDSSprite->iHeight);
    sClp = sSheet ? LoadTwice("2x/merrowick7.clp", 0, 0) : nullptr;
    sLogo = sClp ? LoadTwice("2x/logo7.clp", DEVUI_FACTOR * gDDSLogo->iWidth,
                             DEVUI_FACTOR * gDDSLogo->iHeight)
                 : nullptr;
    if (sClp)
        sClp->bHasColorKey = 0; // the background has no transparent colour
    return sLogo != nullptr;
}

// The 2x background and window hold the drawing area doubled, grown as the 1x ones grow.
static int FitSurfaces()
{
    const int32_t w = DEVUI_FACTOR * gScreenWidth, h = DEVUI_FACTOR * gScreenHeight;
    if (sWindow && sWindow->iWidth >= w && sWindow->iHeight >= h)
        return 1;
    const int32_t most[2] = {DEVUI_FACTOR * kMostW, DEVUI_FACTOR * kMostH};
    const int32_t gw = DXGrownSize(sWindow ? sWindow->iWidth : 0, w, most[0]);
    const int32_t gh = DXGrownSize(sWindow ? sWindow->iHeight : 0, h, most[1]);
    DXReleaseSurface(sBackgnd);
    DXReleaseSurface(sWindow);
    sBackgnd = DXCreateSurface(nullptr, gw, gh, DDSCAPS_SYSTEMOFFSCREEN);
    sWindow = sBackgnd ? DXCreateSurface(nullptr, gw, gh, DDSCAPS_SYSTEMOFFSCREEN) : nullptr;
    return sWindow != nullptr;
}

int DEVUI_Backdrop(BACKDROP *b)
{
    if (!sWanted || sFailed)
        return 0;
    const size_t mark = TrailMark();
    if (!LoadArtwork() || !FitSurfaces()) {
        // Without it the window image is enlarged as below 1.5: nothing to report.
        TrailRewind(mark);
        DEVUI_Release();
        sFailed = 1;
        return 0;
    }
    *b = BACKDROP{sBackgnd, sSheet, sClp, sLogo, DEVUI_FACTOR};
    sReady = 1;
    sDrawn = 0;
    return 1;
}

void DEVUI_BackdropDone()
{
    sDrawn = sReady;
}

void DEVUI_Restore(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (!sReady)
        return;
    const int32_t k = DEVUI_FACTOR;
    const size_t mark = TrailMark();
    if (!DXBlt(sWindow, k * x, k * y, k * w, k * h, sBackgnd, k * x, k * y, DXBLT_OPAQUE))
        TrailRewind(mark);
}

void DEVUI_Sprite(const AO *e, int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (!sReady)
        return;
    const int32_t k = DEVUI_FACTOR;
    const int32_t sx = e->xSrc + (x - e->x), sy = e->ySrc + (y - e->y);
    const size_t mark = TrailMark();
    // A sheet cell has its 2x drawing at the doubled place; a sprite from the picture
    // buffer (a piece on its way out) has no other, and is enlarged.
    const int ok =
        e->pSheet ? DXBlt(sWindow, k * x, k * y, k * w, k * h, sSheet, k * sx, k * sy, DXBLT_SRCKEY)
                  : DXStretchBlt(sWindow, k * x, k * y, k * w, k * h, gDDSPicture, sx, sy, w, h,
                                 DXBLT_SRCKEY);
    if (!ok)
        TrailRewind(mark);
}
