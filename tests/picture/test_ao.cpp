// Display list: order and links, entries that delete themselves or the list during a
// frame, dying entries, and what one frame draws, flushes and reports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGrey = 0x808080, kWhite = 0xFFFFFF;
using Rects = std::vector<std::vector<int32_t>>;
int sCalls;

class DisplayList : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        for (LPDDS *s : {&gDDSScratch, &gDDSBackgnd, &gDDSPicture})
            *s = DXCreateSurface(nullptr, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSSprite = DXCreateSurface(nullptr, 200, 100, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 200, 100, kRed);
        ASSERT_TRUE(AO_Init(nullptr));
        gFramesRunning = 1;
        sCalls = 0;
    }
    void TearDown() override
    {
        AO_CleanUp(nullptr);
        for (LPDDS *s : {&gDDSScratch, &gDDSBackgnd, &gDDSPicture, &gDDSSprite})
            DXReleaseSurface(*s), *s = nullptr;
    }
};

AO *Make(
    int32_t layer, uint32_t flags = 0, AOPROC proc = [](AO *) { return ++sCalls; })
{
    AO *e = AO_Alloc(sizeof(AO));
    e->iLayer = layer, e->dwFlags = flags, e->AnimateProc = proc, e->iType = AO_TYPE_CONTROL;
    return e;
}
AO *Add(
    int32_t layer, uint32_t flags = 0, AOPROC proc = [](AO *) { return ++sCalls; })
{
    AO *e = Make(layer, flags, proc);
    AO_AddObj(e);
    return e;
}

// A 10-pixel-high sprite of the sheet at (x, y), flushed where it stands.
AO *AddSprite(int32_t x, int32_t y, int32_t width = 10)
{
    AO *e = Make(100, AOFLAG_SPRITE | AOFLAG_FLUSH);
    e->x = x, e->y = y, e->iWidth = width, e->iHeight = 10, e->pSheet = &gDDSSprite;
    e->rcUpdate[0] = x, e->rcUpdate[1] = y, e->rcUpdate[2] = width, e->rcUpdate[3] = 10;
    AO_AddObj(e);
    return e;
}

IMGOBJ *AddImage(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour)
{
    IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    o->ao.iType = AO_TYPE_IMGOBJ, o->ao.dwFlags = AOFLAG_IMGOBJ, o->ao.iLayer = 1000;
    o->ao.x = x, o->ao.y = y, o->ao.iWidth = w, o->ao.iHeight = h, o->iKind = kind;
    o->ao.AnimateProc = [](AO *) { return 1; };
    for (IMGRES &r : o->iiRes)
        r.DDSSurface = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    DXFillRect(o->iiRes[LO_RES_OBJ].DDSSurface, 0, 0, w, h, colour);
    AO_AddObj(&o->ao);
    return o;
}

// The list from the head, checking every back link on the way.
std::vector<AO *> Walk()
{
    std::vector<AO *> out;
    for (AO *e = gAOList, *prev = nullptr; e; prev = e, e = e->pNext) {
        EXPECT_EQ(e->pPrev, prev);
        out.push_back(e);
    }
    return out;
}

uint32_t WindowPixel(int32_t x, int32_t y)
{
    PLAT_IMAGE *w = PLAT_GetWindowImage();
    const uint8_t *p = w->pBits + y * w->iPitch + x * 3;
    return p[0] | p[1] << 8 | p[2] << 16;
}

TEST_F(DisplayList, InsertKeepsLayerOrderNewestLastAmongEqualsAndSwapsRelink)
{
    AO *a = Add(1000), *b = Add(500), *c = Add(1000), *d = Add(2000);
    EXPECT_EQ(Walk(), (std::vector<AO *>{b, a, c, d}));
    AO *e = AO_Alloc(sizeof(AO));
    e->iWidth = -5, e->iHeight = -1, e->bRemove = 1;
    AO_AddObj(e);
    EXPECT_EQ(gAOList, e);
    EXPECT_EQ(e->iWidth + e->iHeight + e->bRemove, 0);

    AO_DelLast();
    AO *head = AO_Alloc(sizeof(AO)), *tail = AO_Alloc(sizeof(AO));
    AO_InsertBefore(e, head);
    AO_InsertBefore(nullptr, tail);
    EXPECT_EQ(Walk(), (std::vector<AO *>{head, e, b, a, c, tail}));

    // Swaps: adjacent either way round, at the ends, and far apart.
    AO_SwapObj(head, e);
    AO_SwapObj(tail, c);
    EXPECT_EQ(Walk(), (std::vector<AO *>{e, head, b, a, tail, c}));
    AO_SwapObj(e, c);
    EXPECT_EQ(Walk(), (std::vector<AO *>{c, head, b, a, tail, e}));
    EXPECT_EQ(a->iLayer, 1000) << "a swap moves entries, not their layers";
}

TEST_F(DisplayList, EntryDeletingItselfLeavesTheRestOfThePassIntact)
{
    Add(1, 0, AO_DelObj);
    AO *next = Add(2);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(sCalls, 1);
    EXPECT_EQ(Walk(), (std::vector<AO *>{next}));
}

TEST_F(DisplayList, ClearingTheListInsideAProcEndsTheFrameWithoutDrawing)
{
    Add(1, 0, [](AO *) { return AO_ClearList(); });
    AddSprite(50, 50);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(gAOList, nullptr);
    EXPECT_EQ(sCalls, 0);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 55, 55), kWhite);
    EXPECT_TRUE(FakePlatform().invalidated.empty());

    AO_ClearList(); // a clear between frames does not cut the next frame short
    AddSprite(50, 50);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(DXGetPixel(gDDSScratch, 55, 55), kRed);
}

TEST_F(DisplayList, KilledEntriesDrawOnceMoreThenLeave)
{
    gPictureRect = {0, 0, 400, 300};
    gSelected = AddImage(IMG_OBJ, 20, 30, 40, 50, kBlue);
    Add(0)->iType = AO_TYPE_TEXTFEED;
    AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(DXGetPixel(gDDSPicture, 20, 30), kBlue);
    EXPECT_EQ(AO_CountType(AO_TYPE_IMGOBJ), 1);

    ClearSurface(gDDSPicture);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(AO_CountType(AO_TYPE_IMGOBJ), 0);
    EXPECT_EQ(DXGetPixel(gDDSPicture, 20, 30), kWhite);
    EXPECT_EQ(gSelected, nullptr); // the outline must not read the freed piece
    EXPECT_EQ(Walk().size(), 1u);

    AO *e = gAOList;
    AO_KillObj(e, 1500, 110);
    EXPECT_EQ(e->dwFlags, AOFLAG_SPRITE | AOFLAG_FLUSH);
    EXPECT_EQ(e->pSheet, gSpriteBitmap);
    EXPECT_EQ(e->iState, 2);
    e->bRemove = 1;
    EXPECT_EQ(AO_CountType(AO_TYPE_TEXTFEED), 0);
}

TEST_F(DisplayList, EmptyListStillCopiesThePictureRectangle)
{
    gPictureExists = 1, gPictureRect = {10, 20, 30, 40};
    DXFillRect(gDDSPicture, 0, 0, 1280, 1024, kGrey);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(WindowPixel(10, 20), kGrey);
    EXPECT_EQ(WindowPixel(39, 59), kGrey);
    EXPECT_EQ(WindowPixel(40, 59) | WindowPixel(39, 60) | WindowPixel(9, 20), 0u);
    EXPECT_EQ(FakePlatform().invalidated, (Rects{{10, 20, 30, 40}}));
}

TEST_F(DisplayList, FlushCopiesExactlyTheUpdateRectanglesClippedToTheWindow)
{
    AO *a = Add(1, AOFLAG_FLUSH), *b = Add(2, AOFLAG_FLUSH);
    a->rcUpdate[0] = 10, a->rcUpdate[1] = 10, a->rcUpdate[2] = 20, a->rcUpdate[3] = 5;
    b->rcUpdate[0] = -5, b->rcUpdate[1] = 1000, b->rcUpdate[2] = 30, b->rcUpdate[3] = 50;
    AO *c = Add(3, AOFLAG_FLUSH);
    c->rcUpdate[0] = 1275, c->rcUpdate[1] = -3, c->rcUpdate[2] = 20, c->rcUpdate[3] = 10;
    Add(4)->rcUpdate[2] = 100; // not flushed
    DXFillRect(gDDSScratch, 0, 0, 1280, 1024, kGrey);
    ASSERT_TRUE(AO_ProcessFlip());
    int wrong = 0;
    for (int y = 0; y < 1024; y++)
        for (int x = 0; x < 1280; x++) {
            bool in = (x >= 10 && x < 30 && y >= 10 && y < 15) || (x < 25 && y >= 1000) ||
                      (x >= 1275 && y < 7);
            wrong += WindowPixel(x, y) != (in ? kGrey : 0u);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(FakePlatform().invalidated,
              (Rects{{10, 10, 20, 5}, {0, 1000, 25, 24}, {1275, 0, 5, 7}}));
}

TEST_F(DisplayList, SelectionOutlineRunsThroughTheFourCorners)
{
    gPictureExists = 1, gPictureRect = {0, 0, 400, 300};
    AddImage(IMG_SRC, 0, 0, 400, 300, kGrey);
    IMGOBJ *piece = AddImage(IMG_OBJ, 100, 100, 100, 50, kBlue);
    const int32_t corners[4][2] = {{100, 100}, {199, 100}, {199, 149}, {100, 149}};
    std::memcpy(piece->ptCorner, corners, sizeof corners);
    gSelected = piece;
    ASSERT_TRUE(AO_ProcessFlip());
    for (const auto &c : corners)
        EXPECT_EQ(DXGetPixel(gDDSPicture, c[0], c[1]), gOutlinePenColor) << c[0] << "," << c[1];
    EXPECT_EQ(DXGetPixel(gDDSPicture, 100, 125), gOutlinePenColor);
    EXPECT_EQ(DXGetPixel(gDDSPicture, 150, 125), kBlue);
    EXPECT_EQ(DXGetPixel(gDDSPicture, 300, 250), kGrey);
    EXPECT_EQ(WindowPixel(150, 100), gOutlinePenColor);
}

TEST_F(DisplayList, FailingFramesEndWithTheLineOfTheirStep)
{
    const std::pair<const char *, void (*)()> cases[] = {
        {"AO 2\n", [] { AddSprite(10, 10)->xSrc = 195; }}, // leaves the 200-wide sheet
        {"AO 3\n", [] { AddSprite(10, 10)->pSheet = nullptr, gAOList->ySrc = 1020; }},
        {"AO 1\n82\n",
         [] {
             DXReleaseSurface(gDDSBackgnd);
             gDDSBackgnd = DXCreateSurface(nullptr, 100, 100, DDSCAPS_SYSTEMOFFSCREEN);
             AddSprite(150, 10);
         }},
        {"AO:AnimateProc failed !\n", [] { Add(1, 0, [](AO *) { return 0; }); }},
        {"AO 3 - IMG_SRC - AOFLAG_IMGOBJ\n",
         [] { AddImage(IMG_SRC, 0, 0, 8, 8, 0)->ao.iWidth = 9; }},
        {"AO 3 - IMG_OBJ - AOFLAG_IMGOBJ\n",
         [] {
             gPictureRect = {0, 0, 100, 100};
             IMGOBJ *o = AddImage(IMG_OBJ, 0, 0, 8, 8, 0);
             o->iAngle = 30, o->rcRotated[2] = o->rcRotated[3] = 12;
         }},
        {"No DC!\n", [] { DXReleaseSurface(gDDSScratch), gDDSScratch = nullptr; }},
        {"AO 4b - BitBlt!\n", [] { AddSprite(1, 1), gWindowDC = nullptr; }},
        {"AO - Extra!\n", [] { gPictureExists = 1, gWindowDC = nullptr; }},
    };
    for (const auto &[tail, arrange] : cases) {
        TearDown();
        SetUp();
        arrange();
        EXPECT_FALSE(AO_ProcessFlip()) << tail;
        std::string trail = gErrorTrail;
        EXPECT_TRUE(trail.ends_with(tail)) << trail;
    }
    TearDown();
    FakeSetWindowExists(0);
    TrailClear();
    EXPECT_FALSE(AO_Init(nullptr));
    EXPECT_STREQ(gErrorTrail, "Couldn\xB4t get window DC\n");
    SetUp();
}

} // namespace
