// engine_reset.h — puts the engine's global state back to its start values, so that each
// test begins from the same picture-less engine whatever the one before it left behind.
// Surfaces are not touched: a test makes and releases the ones it uses.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "document/undo.h"
#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/memory.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

inline void EngineReset()
{
    FakePlatformReset();
    TrailClear();
    AO_ClearList();
    gAOListCleared = 0;
    gFramesRunning = 0;
    PICTURE_Shutdown();
    gSelected = nullptr;
    gPictureExists = 0;
    gModified = 0;
    gPhotoWidth = gPhotoHeight = gPhotoComponents = 0;
    gDraggingPiece = gDragDX = gDragDY = 0;
    gScreenWidth = 800;
    gScreenHeight = 600;
    gPictureRect = {0, 0, 0, 0};
    gMaxPhotoPixels = MAX_PHOTO_PIXELS;
    gMemoryBudget = MEMORY_BUDGET;
    gSmoothEdges = 1;
    gMainDir[0] = '\0';
}

// An empty edit history that hears of the picture's changes, as the window starts it.
inline void StartHistory()
{
    static const PICTURE_NOTIFY history = {nullptr, nullptr, nullptr, UNDO_ChangeBegin,
                                           UNDO_ChangeEnd};
    PICTURE_Init(&history);
    UNDO_Init();
}

// A text piece's description as the text dialog gives it: the style, then the words.
inline std::array<char, 208> Words(const char *words, int32_t style = 0)
{
    std::array<char, 208> d{};
    std::memcpy(d.data(), &style, 4);
    std::snprintf(d.data() + 4, 204, "%s", words);
    return d;
}

// An image object without artwork, not yet listed: a kind, its artwork's size, and its
// place and size in the window.
inline IMGOBJ *RawPiece(int32_t kind, int32_t srcW, int32_t srcH, int32_t x, int32_t y, int32_t w,
                        int32_t h)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.dwFlags = AOFLAG_IMGOBJ, o->ao.iType = AO_TYPE_IMGOBJ, o->ao.iLayer = 1000;
    o->ao.AnimateProc = IMGOBJ_AnimateProc;
    o->iKind = kind, o->iSrcWidth = srcW, o->iSrcHeight = srcH, o->iSrcComponents = 3;
    o->ao.x = x, o->ao.y = y, o->ao.iWidth = w, o->ao.iHeight = h;
    o->fWidth = static_cast<float>(w), o->fHeight = static_cast<float>(h);
    return o;
}

// Writes a 24 × 16 bitmap whose every pixel differs from its neighbours into dir and adds
// it as the photo; null (and the trail filled) when it cannot be added.
inline IMGOBJ *AddPatternPhoto(const std::string &dir)
{
    BmpLayout photo;
    photo.width = 24, photo.height = 16;
    for (int i = 0; i < 24 * 16 * 3; i++)
        photo.pixels.push_back(uint8_t(i * 7 + i / 72));
    const std::string path = dir + "/photo.bmp";
    WriteFile(path, MakeBmp(photo));
    return IMGOBJ_AddObj(path.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
}

// The listed image objects back to front, the photo among them unless left out.
inline std::vector<IMGOBJ *> ListedObjects(bool photo = true)
{
    std::vector<IMGOBJ *> out;
    for (AO *e = gAOList; e; e = e->pNext) {
        IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        if (e->iType == AO_TYPE_IMGOBJ && !e->bRemove && (photo || o->iKind != IMG_SRC))
            out.push_back(o);
    }
    return out;
}

// A piece as the tests compare it: kind, file, place, size (whole: in whole pixels, as a
// layout file keeps it), turn, mirroring, style and text.
inline std::string PieceText(const IMGOBJ *o, bool whole = false)
{
    std::ostringstream s;
    s.precision(9);
    s << o->iKind << " " << o->szFileName << " " << o->ao.x << "," << o->ao.y << " ";
    if (whole)
        s << int32_t(o->fWidth) << "x" << int32_t(o->fHeight);
    else
        s << o->fWidth << "x" << o->fHeight;
    s << " a" << o->iAngle << " f" << o->bFlipH << o->bFlipV << " s" << o->iTextStyle << " '"
      << o->szText << "'";
    return s.str();
}

// The pieces (not the photo) back to front, as PieceText gives them.
inline std::vector<std::string> PieceTexts(bool whole = false)
{
    std::vector<std::string> out;
    for (const IMGOBJ *o : ListedObjects(false))
        out.push_back(PieceText(o, whole));
    return out;
}

// A test of the engine from its start values, with a private folder `dir` that goes
// with the test.
class EngineTest : public ::testing::Test
{
  protected:
    void SetUp() override { EngineReset(); }
    TempDir tmp;
    const fs::path dir = tmp.Path();
};

// An engine with its surfaces (screen buffer, background, picture buffer, text surface;
// more when a test widens `need` before SetUp) and display list, over a private main folder whose
// clip-art folder holds a red 40 × 20 "hat.clp", a green 20 × 40 "dog.clp" and near-white bubbles
// "text4.clp" (80 × 58) and "text5.clp" (90 × 40).
class PictureEngineTest : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(DXStartHeadless(need)) << gErrorTrail;
        ASSERT_TRUE(AO_Init(nullptr));
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        fs::create_directories(dir / "clipart");
        const struct {
            const char *name;
            int w, h;
            uint32_t colour;
        } pieces[] = {{"hat.clp", 40, 20, 0xFF0000},
                      {"dog.clp", 20, 40, 0x00FF00},
                      {"text4.clp", 80, 58, 0xFEFEFE},
                      {"text5.clp", 90, 40, 0xFEFEFE}};
        for (const auto &p : pieces)
            WriteFile((dir / "clipart" / p.name).string(), SolidBmp(p.w, p.h, p.colour));
    }
    // The photo: a w × h bitmap of one colour, written as "photo.bmp" and opened.
    IMGOBJ *AddPhotoFile(int w, int h, uint32_t colour = 0x808080)
    {
        WriteFile((dir / "photo.bmp").string(), SolidBmp(w, h, colour));
        IMGOBJ *photo = IMGOBJ_AddObj((dir / "photo.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
        EXPECT_NE(photo, nullptr) << gErrorTrail;
        return photo;
    }
    // The photo as AddPhotoFile makes it, its pixels then random: every neighbour differs,
    // so any misplaced pixel shows.
    IMGOBJ *AddNoisePhoto(int w, int h, unsigned seed)
    {
        IMGOBJ *photo = AddPhotoFile(w, h);
        std::srand(seed);
        for (int32_t y = 0; photo && y < h; y++)
            for (int32_t x = 0; x < w; x++) {
                uint8_t *p = DXPixel(photo->iiRes[HI_RES_OBJ].DDSSurface, x, y);
                p[0] = uint8_t(std::rand()), p[1] = uint8_t(std::rand()), p[2] = p[0] ^ p[1];
            }
        return photo;
    }
    uint32_t need = DXNEED_SCREEN | DXNEED_PICTURE | DXNEED_TEXT;
    void TearDown() override
    {
        AO_CleanUp(nullptr);
        DXCleanup();
    }
};
