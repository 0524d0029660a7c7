// Full-resolution composition at 4000 × 3000: the photo alone against the photo with
// 20 pieces (10 turned clip art, 5 plain clip art, 5 text bubbles); and ScreenResize
// with the same 20 pieces at the largest window.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "platform/fake/fake_platform.h"

static IMGOBJ *AddObject(int32_t kind, int32_t srcW, int32_t srcH)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.iType = AO_TYPE_IMGOBJ;
    o->ao.dwFlags = AOFLAG_IMGOBJ;
    o->ao.iLayer = 1000;
    o->ao.AnimateProc = IMGOBJ_AnimateProc;
    o->iKind = kind;
    o->iSrcWidth = srcW, o->iSrcHeight = srcH, o->iSrcComponents = 3;
    o->bNeedsUpdate = 1;
    CreateImgObjSurface(o, HI_RES_OBJ);
    CreateImgObjSurface(o, LO_RES_OBJ);
    AO_AddObj(&o->ao);
    return o;
}

// A disc of colour on white, like a sticker.
static void PaintDisc(LPDDS s, int32_t w, int32_t h, uint32_t colour)
{
    for (int32_t y = 0; y < h; ++y) {
        int32_t dy = 2 * y - h, half = 0;
        while (half < w / 2 && (2 * half) * (2 * half) * h * h + dy * dy * w * w < w * w * h * h)
            ++half;
        if (half > 0)
            DXFillRect(s, w / 2 - half, y, 2 * half, 1, colour);
    }
}

static void StartPicture(int pieces)
{
    FakePlatformReset();
    AO_ClearList();
    gAOListCleared = 0;
    if (!gDDSScratch) {
        DXStartHeadless(DXNEED_SCREEN | DXNEED_TEXT | DXNEED_SPRITE);
        // A picture buffer larger than the start's, and the window background.
        gDDSPicture = DXCreateSurface(nullptr, 5000, 5000, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 1700, 345, 0x202060);
        gDDSClp = DXCreateSurface(nullptr, 800, 600, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSClp, 0, 0, 800, 600, 0x336699);
        AO_Init(nullptr);
    }
    gScreenWidth = 1280, gScreenHeight = 1024;
    gPictureRect = {0, 0, 0, 0};
    gSelected = nullptr;
    gFramesRunning = 1;
    IMGOBJ *photo = AddObject(IMG_SRC, 4000, 3000);
    for (int32_t y = 0; y < 3000; y += 100)
        DXFillRect(photo->iiRes[HI_RES_OBJ].DDSSurface, 0, y, 4000, 50, 0x808080 + y);
    gPhotoWidth = 4000, gPhotoHeight = 3000;
    ImageObjectResize(nullptr);
    const XYWH r = gPictureRect;
    for (int i = 0; i < pieces; ++i) {
        bool text = i % 4 == 3;
        IMGOBJ *o = text ? AddObject(IMG_TEXT, 800, 577) : AddObject(IMG_OBJ, 400, 400);
        LPDDS hi = o->iiRes[HI_RES_OBJ].DDSSurface;
        if (text) {
            DXFillRect(hi, 20, 20, 760, 537, 0xFEFEFE);
            o->iTextStyle = i % TEXT_STYLE_COUNT;
            std::strcpy(o->szText, "HELLO THERE\r\nHOW ARE YOU TODAY?");
        } else {
            PaintDisc(hi, 400, 400, 0xC04020 + i);
            o->iAngle = i % 4 == 1 || i % 4 == 2 ? (15 + 33 * i) % 360 : 0;
            o->bFlipH = i & 1;
        }
        o->fWidth = text ? 180.0f : 120.0f;
        o->fHeight = text ? 130.0f : 120.0f;
        o->ao.iWidth = static_cast<int32_t>(o->fWidth);
        o->ao.iHeight = static_cast<int32_t>(o->fHeight);
        o->ao.x = r.x + (i * 97) % (r.w - 100);
        o->ao.y = r.y + (i * 61) % (r.h - 100);
    }
}

static void ExportAt4000(benchmark::State &state, int pieces)
{
    StartPicture(pieces);
    for (auto _ : state) {
        LPDDS out = BuildHiResImage2(4000, 3000, 3);
        if (!out) {
            state.SkipWithError("BuildHiResImage2 failed");
            break;
        }
        ReleaseJpegBuffer2(out);
    }
    AO_ClearList();
}

static void BM_BuildHiResImage2_PhotoAlone(benchmark::State &state)
{
    ExportAt4000(state, 0);
}
BENCHMARK(BM_BuildHiResImage2_PhotoAlone)->Unit(benchmark::kMillisecond);

// 10 turned clip art, 5 plain clip art, 5 text bubbles.
static void BM_BuildHiResImage2_TwentyPieces(benchmark::State &state)
{
    ExportAt4000(state, 20);
}
BENCHMARK(BM_BuildHiResImage2_TwentyPieces)->Unit(benchmark::kMillisecond);

static void BM_ScreenResize_TwentyPieces(benchmark::State &state)
{
    StartPicture(20);
    int flip = 0;
    for (auto _ : state) {
        gScreenWidth = flip ? 1280 : 1000;
        gScreenHeight = flip ? 1024 : 800;
        flip ^= 1;
        if (!ScreenResize(nullptr)) {
            state.SkipWithError("ScreenResize failed");
            break;
        }
    }
    AO_ClearList();
}
BENCHMARK(BM_ScreenResize_TwentyPieces)->Unit(benchmark::kMillisecond);

// The export at the photo's own size as a JPEG (quality 90) to a file: composed and then
// encoded, against encoded while it is composed (a second thread), against the encoding
// of the photo alone, which is the least the overlapped export can take.
static void SaveAt4000(benchmark::State &state, int how)
{
    StartPicture(how == 2 ? 0 : 20);
    IMGOBJ *photo = reinterpret_cast<IMGOBJ *>(gAOList);
    LPDDS hi = photo->iiRes[HI_RES_OBJ].DDSSurface;
    char path[] = "/tmp/mw-bench-save-XXXXXX.jpg";
    close(mkstemps(path, 4));
    for (auto _ : state) {
        int ok;
        if (how == 0) // the pieces onto the photo, then its rows encoded
            ok = ComposePieces(hi, 4000, 3000) &&
                 JpegSaveRows(hi->pBits, static_cast<size_t>(hi->iPitch), path, 4000, 3000, 90);
        else
            ok = PICTURE_SaveComposed(path, 4000, 3000, 90, photo) == 1;
        if (!ok) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    unlink(path);
    AO_ClearList();
}
static void BM_SaveJpeg_TwentyPieces_ComposeThenEncode(benchmark::State &state)
{
    SaveAt4000(state, 0);
}
BENCHMARK(BM_SaveJpeg_TwentyPieces_ComposeThenEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
static void BM_SaveJpeg_TwentyPieces_Overlapped(benchmark::State &state)
{
    SaveAt4000(state, 1);
}
BENCHMARK(BM_SaveJpeg_TwentyPieces_Overlapped)->Unit(benchmark::kMillisecond)->UseRealTime();
static void BM_SaveJpeg_PhotoAlone(benchmark::State &state)
{
    SaveAt4000(state, 2);
}
BENCHMARK(BM_SaveJpeg_PhotoAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
