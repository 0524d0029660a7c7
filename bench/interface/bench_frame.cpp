// One frame of the editing screen at the largest window: a 1065 × 904 picture with its
// photo and 20 pieces (5 turned, 5 texts), one selected, with and without the 17 buttons
// of the level file and a hover label under each; with nothing moving, and with the
// selected piece moving (its old and new places redrawn), also at 300 × 300 (big); on a
// screen of scale 1, and of scale 2, where the picture is drawn at the screen's pixels and the
// window also at 2x from the data folder's 2x artwork.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

#include <unistd.h>

#include "interface/interface.h"
#include "picture/compose.h"
#include "picture/font.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "resources/strings/strings.h"

static IMGOBJ *AddImage(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.iType = AO_TYPE_IMGOBJ;
    o->ao.dwFlags = AOFLAG_IMGOBJ;
    o->ao.iLayer = 1000;
    o->ao.AnimateProc = IMGOBJ_AnimateProc;
    o->ao.x = o->xAnchor = x, o->ao.y = o->yAnchor = y, o->ao.iWidth = w, o->ao.iHeight = h;
    o->fWidth = static_cast<float>(w), o->fHeight = static_cast<float>(h);
    o->rcRotated[0] = x, o->rcRotated[1] = y, o->rcRotated[2] = w, o->rcRotated[3] = h;
    o->iKind = kind;
    o->iiRes[LO_RES_OBJ].DDSSurface =
        DXCreateSurface(nullptr, w < 1280 ? 1280 : w, h < 1024 ? 1024 : h, DDSCAPS_SYSTEMOFFSCREEN);
    LPDDS lo = o->iiRes[LO_RES_OBJ].DDSSurface;
    DXFillRect(lo, 0, 0, w, h, kind == IMG_SRC ? colour : 0xFFFFFF);
    if (kind != IMG_SRC) // artwork: an ellipse on the white key
        for (int32_t y = 0; y < h; y++) {
            const double dy = (y + 0.5 - h / 2.0) / (h / 2.0);
            const int32_t half = static_cast<int32_t>(w / 2.0 * std::sqrt(1 - dy * dy));
            DXFillRect(lo, w / 2 - half, y, 2 * half, 1, colour);
        }
    AO_AddObj(&o->ao);
    return o;
}

static void BM_EditingFrame(benchmark::State &state)
{
    const bool buttons = state.range(0) != 0, moving = state.range(1) != 0;
    const int scale = static_cast<int>(state.range(2));
    IMGOBJ *selected = nullptr;
    FakePlatformReset();
    DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_SPRITE);
    DXFillRect(gDDSBackgnd, 0, 0, 1280, 1024, 0x336699);
    DXFillRect(gDDSSprite, 0, 0, 1700, 345, 0xFFFFFF);
    for (int i = 0; i < 1700; i += 20) // sprite cells with white (transparent) gaps
        DXFillRect(gDDSSprite, i, 0, 12, 345, 0x20A040 + i);
    AO_Init(nullptr);
    gScreenWidth = 1280, gScreenHeight = 1024;
    gFramesRunning = gPictureExists = 1;
    gPictureRect = {190, 75, 1065, 904};

    AddImage(IMG_SRC, 190, 75, 1065, 904, 0x8090A0);
    for (int i = 0; i < 20; i++) {
        IMGOBJ *p = AddImage(i % 4 == 1 ? IMG_TEXT : IMG_OBJ, 220 + 45 * i, 120 + 35 * i, 220, 160,
                             0xC03020 + i);
        if (i % 4 == 2) // turned: drawn from its larger box
            p->iAngle = 30, p->rcRotated[0] -= 40, p->rcRotated[2] += 80, p->rcRotated[3] += 80;
        if (i == 7 && state.range(3)) // the moving piece 300 × 300
            p->ao.iWidth = p->ao.iHeight = 300, p->fWidth = p->fHeight = 300,
            p->rcRotated[2] = p->rcRotated[3] = 300;
        if (i == 7)
            gSelected = selected = p, p->bSelected = 1, CalcSelectionFrame(p);
    }
    char cwd[4096] = "";
    if (scale > 1) {
        // The window's 2x artwork checks itself against the 1x logo; the data folder's.
        if (!getcwd(cwd, sizeof cwd) || chdir(MW_DATA_DIR_PATH) != 0 ||
            !(gDDSLogo = DDLoadBitmap("logo7.clp", 0, 0))) {
            state.SkipWithError("the data folder's logo cannot be read");
            return;
        }
        PICTURE_SetDeviceScale(scale);
        DEVUI_SetScale(scale);
        if (!BackgroundResize() || !DEVUI_Window()) {
            state.SkipWithError("the window at 2x cannot be drawn");
            return;
        }
    }
    if (buttons) {
        std::snprintf(gMainDir, sizeof gMainDir, "%s", MW_DATA_DIR_PATH);
        if (!LoadObjects() || !LoadLevel("merrowick.lvl")) {
            state.SkipWithError("the data folder's graphics map or level cannot be read");
            return;
        }
        CONTROL_CreateGroup(0);
        for (int32_t id = 1; id <= CONTROL_COUNT; id++) {
            EnableControl(id, 1);
            int32_t texts[2];
            ControlLabelTexts(id, texts);
            FONT_AddLabel(CONTROL_LABEL_FONT, id, 100 + 10 * id, 500, FONT_ALIGN_CENTRE, 1, 12,
                          LoadText(texts[0]), 40);
        }
    }

    int32_t step = 1;
    for (auto _ : state) {
        if (moving) { // the selected piece follows the keys: the picture is drawn anew
            MoveSelected(step, 0);
            CalcSelectionFrame(selected);
            step = -step;
        }
        if (!AO_ProcessFlip()) {
            state.SkipWithError("AO_ProcessFlip failed");
            break;
        }
        FakePlatform().invalidated.clear();
    }

    PICTURE_SetDeviceScale(1);
    DEVUI_SetScale(1);
    if (*cwd && chdir(cwd) != 0)
        state.SkipWithError("the folder the benchmark started in is gone");
    AO_CleanUp(nullptr);
    FreeLevel();
    FreeObjects();
    gSelected = nullptr;
    DXCleanup();
}
BENCHMARK(BM_EditingFrame)
    ->ArgsProduct({{0, 1}, {0, 1}, {1, 2}, {0}})
    ->Args({0, 1, 1, 1})
    ->Args({1, 1, 1, 1})
    ->Args({0, 1, 2, 1})
    ->ArgNames({"buttons", "moving", "scale", "big"})
    ->Unit(benchmark::kMicrosecond);
