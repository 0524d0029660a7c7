// One editing frame on a scaled screen against the same frame unscaled: a 12-megapixel
// photo in a 1065 × 904 picture with 20 pieces of 500 × 360 artwork (5 turned), one
// selected, still and moving (where it moves the picture is drawn anew every frame),
// at device scales 1 (the picture buffer only), 1.5 and 2.
#include <benchmark/benchmark.h>
#include <cmath>

#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"

// An image object whose artwork is an ellipse on the white key (a photo: solid).
static IMGOBJ *AddImage(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcW,
                        int32_t srcH, uint32_t colour)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.iType = AO_TYPE_IMGOBJ, o->ao.dwFlags = AOFLAG_IMGOBJ, o->ao.iLayer = 1000;
    o->ao.AnimateProc = IMGOBJ_AnimateProc;
    o->ao.x = o->xAnchor = x, o->ao.y = o->yAnchor = y, o->ao.iWidth = w, o->ao.iHeight = h;
    o->fWidth = static_cast<float>(w), o->fHeight = static_cast<float>(h);
    o->iKind = kind, o->iSrcWidth = srcW, o->iSrcHeight = srcH, o->iSrcComponents = 3;
    LPDDS hi = o->iiRes[HI_RES_OBJ].DDSSurface =
        DXCreateSurface(nullptr, srcW, srcH, DDSCAPS_SYSTEMOFFSCREEN);
    if (kind == IMG_SRC) {
        for (int32_t y = 0; y < srcH; y++) // a gradient, so the scaling has work to do
            DXFillRect(hi, 0, y, srcW, 1, colour + (y * 255 / srcH));
    } else {
        for (int32_t y = 0; y < srcH; y++) {
            const double dy = (y + 0.5 - srcH / 2.0) / (srcH / 2.0);
            const int32_t half = static_cast<int32_t>(srcW / 2.0 * std::sqrt(1 - dy * dy));
            DXFillRect(hi, srcW / 2 - half, y, 2 * half, 1, colour);
        }
    }
    o->iiRes[LO_RES_OBJ].DDSSurface = DXCreateSurface(nullptr, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    o->bNeedsUpdate = 1;
    AO_AddObj(&o->ao);
    return o;
}

static void BM_ScaledFrame(benchmark::State &state)
{
    const double scale = state.range(0) / 10.0;
    const bool moving = state.range(1) != 0;
    FakePlatformReset();
    DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE);
    AO_Init(nullptr);
    gScreenWidth = 1280, gScreenHeight = 1024;
    gFramesRunning = gPictureExists = 1;
    gPictureRect = {190, 75, 1065, 904};
    AddImage(IMG_SRC, 190, 75, 1065, 904, 4000, 3000, 0x405000);
    IMGOBJ *selected = nullptr;
    for (int i = 0; i < 20; i++) {
        IMGOBJ *p = AddImage(IMG_OBJ, 220 + 45 * i, 120 + 35 * i, 220, 160, 500, 360, 0xC03020 + i);
        if (i % 4 == 2)
            p->iAngle = 30;
        if (i == 7)
            gSelected = selected = p, p->bSelected = 1;
    }
    PICTURE_SetDeviceScale(scale);
    if (!AO_ProcessFlip()) { // the screen images and the whole picture, once
        state.SkipWithError("AO_ProcessFlip failed");
        return;
    }
    int32_t step = 1;
    for (auto _ : state) {
        if (moving) {
            MoveSelected(step, 0);
            step = -step;
        }
        if (!AO_ProcessFlip()) {
            state.SkipWithError("AO_ProcessFlip failed");
            break;
        }
        FakePlatform().invalidated.clear();
    }
    PICTURE_SetDeviceScale(1);
    AO_CleanUp(nullptr);
    gSelected = nullptr;
    DXCleanup();
}
BENCHMARK(BM_ScaledFrame)
    ->ArgsProduct({{10, 15, 20}, {0, 1}})
    ->ArgNames({"scale10", "moving"})
    ->Unit(benchmark::kMicrosecond);
