// One frame of the display list at the largest window: a 1280 × 1024 screen buffer,
// a 1065 × 904 picture with its photo, one selected clip-art piece and 20 sprites.
#include <benchmark/benchmark.h>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"

static int StillProc(AO *)
{
    return 1;
}

static IMGOBJ *AddImage(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.iType = AO_TYPE_IMGOBJ;
    o->ao.dwFlags = AOFLAG_IMGOBJ;
    o->ao.iLayer = 1000;
    o->ao.AnimateProc = StillProc;
    o->ao.x = x, o->ao.y = y, o->ao.iWidth = w, o->ao.iHeight = h;
    o->iKind = kind;
    // Image surfaces are at least 1280 × 1024, as the image objects make them.
    o->iiRes[LO_RES_OBJ].DDSSurface =
        DXCreateSurface(nullptr, w < 1280 ? 1280 : w, h < 1024 ? 1024 : h, DDSCAPS_SYSTEMOFFSCREEN);
    DXFillRect(o->iiRes[LO_RES_OBJ].DDSSurface, 0, 0, w, h, colour);
    AO_AddObj(&o->ao);
    return o;
}

static void BM_ProcessFlip(benchmark::State &state)
{
    FakePlatformReset();
    DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_SPRITE);
    DXFillRect(gDDSBackgnd, 0, 0, 1280, 1024, 0x336699);
    DXFillRect(gDDSSprite, 0, 0, 1700, 345, 0xFFFFFF);
    for (int i = 0; i < 1700; i += 20) // sprite cells with white (transparent) gaps
        DXFillRect(gDDSSprite, i, 0, 12, 345, 0x20A040 + i);
    AO_Init(nullptr);
    gFramesRunning = 1;
    gPictureExists = 1;
    gPictureRect = {200, 60, 1065, 904};

    AddImage(IMG_SRC, 200, 60, 1065, 904, 0x8090A0);
    IMGOBJ *piece = AddImage(IMG_OBJ, 400, 300, 300, 250, 0xC03020);
    const int32_t corners[4][2] = {{400, 300}, {699, 300}, {699, 549}, {400, 549}};
    for (int c = 0; c < 4; c++)
        piece->ptCorner[c][0] = corners[c][0], piece->ptCorner[c][1] = corners[c][1];
    gSelected = piece;
    for (int i = 0; i < 20; i++) {
        AO *s = AO_Alloc(sizeof(AO));
        s->iType = AO_TYPE_CONTROL;
        s->dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
        s->AnimateProc = StillProc;
        s->x = 10 + (i % 2) * 90, s->y = 20 + (i / 2) * 95, s->iWidth = 80, s->iHeight = 80;
        s->xSrc = (i * 80) % 1600, s->ySrc = 100;
        s->rcUpdate[0] = s->x, s->rcUpdate[1] = s->y, s->rcUpdate[2] = 80, s->rcUpdate[3] = 80;
        s->pSheet = gDDSSprite;
        s->iLayer = s->y + s->iHeight - 200;
        AO_AddObj(s);
    }

    for (auto _ : state) {
        if (!AO_ProcessFlip()) {
            state.SkipWithError("AO_ProcessFlip failed");
            break;
        }
        FakePlatform().invalidated.clear();
    }

    AO_CleanUp(nullptr);
    DXCleanup();
}
BENCHMARK(BM_ProcessFlip)->Unit(benchmark::kMicrosecond);
