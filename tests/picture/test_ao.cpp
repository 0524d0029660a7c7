// Display list: order and links, entries that delete themselves, and what a frame draws.
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGrey = 0x808080, kWhite = 0xFFFFFF;
int sCalls;

// The picture engine with a red sprite sheet.
class DisplayList : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        gDDSSprite = DXCreateSurface(nullptr, 200, 100, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 200, 100, kRed);
        gFramesRunning = 1;
        sCalls = 0;
    }
    void TearDown() override
    {
        PictureEngineTest::TearDown();
        DXReleaseSurface(gDDSSprite), gDDSSprite = nullptr;
    }
};

AO *Add(
    int32_t layer, uint32_t flags = 0, AOPROC proc = [](AO *) { return ++sCalls; })
{
    AO *e = AO_Alloc(sizeof(AO));
    e->iLayer = layer, e->dwFlags = flags, e->AnimateProc = proc, e->iType = AO_TYPE_CONTROL;
    AO_AddObj(e);
    return e;
}

// A 10 × 10 sprite of the sheet at (x, y), flushed where it stands.
AO *AddSprite(int32_t x, int32_t y)
{
    AO *e = Add(100, AOFLAG_SPRITE | AOFLAG_FLUSH);
    e->x = e->rcUpdate[0] = x, e->y = e->rcUpdate[1] = y, e->pSheet = &gDDSSprite;
    e->iWidth = e->iHeight = e->rcUpdate[2] = e->rcUpdate[3] = 10;
    return e;
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

TEST_F(DisplayList, LayersOrderTheListNewestLastAmongEqualsAndSwapsRelink)
{
    AO *a = Add(1000), *b = Add(500), *c = Add(1000), *d = Add(2000);
    EXPECT_EQ(Walk(), (std::vector<AO *>{b, a, c, d}));
    AO_DelLast();
    AO *head = AO_Alloc(sizeof(AO)), *tail = AO_Alloc(sizeof(AO));
    AO_InsertBefore(b, head);
    AO_InsertBefore(nullptr, tail);
    AO_SwapObj(head, b); // adjacent, at the head
    AO_SwapObj(tail, c); // adjacent, the other way round
    EXPECT_EQ(Walk(), (std::vector<AO *>{b, head, a, tail, c}));
    AO_SwapObj(b, c); // far apart
    EXPECT_EQ(Walk(), (std::vector<AO *>{c, head, a, tail, b}));
}

TEST_F(DisplayList, EntriesMayDeleteThemselvesOrClearTheListDuringAFrame)
{
    Add(1, 0, AO_DelObj);
    AO *next = Add(2);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(sCalls, 1);
    EXPECT_EQ(Walk(), (std::vector<AO *>{next}));

    // A clear ends the frame, successfully, without drawing what followed.
    Add(0, 0, [](AO *) { return AO_ClearList(); });
    AddSprite(50, 50);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(gAOList, nullptr);
    EXPECT_EQ(DXGetPixel(gDDSScratch, 55, 55), kWhite);
    AO_ClearList(); // a clear between frames does not cut the next frame short
    AddSprite(50, 50);
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(DXGetPixel(gDDSScratch, 55, 55), kRed);
    Add(1, 0, [](AO *) { return 0; }); // a failing entry fails the frame
    EXPECT_FALSE(AO_ProcessFlip());
    EXPECT_TRUE(std::string(gErrorTrail).ends_with("AO:AnimateProc failed !\n")) << gErrorTrail;
}

// Scratch grey, picture blue: a frame copies the flushed rectangles (clipped to the
// window) from the one and the picture rectangle from the other.
TEST_F(DisplayList, FrameCopiesExactlyTheFlushedRectanglesAndThePicture)
{
    const int32_t rects[][4] = {{10, 10, 20, 5}, {-5, 1000, 30, 50}, {1275, -3, 20, 10}};
    for (const auto &r : rects)
        std::memcpy(Add(1, AOFLAG_FLUSH)->rcUpdate, r, sizeof r);
    Add(4)->rcUpdate[2] = 100; // not flushed
    gPictureExists = 1, gPictureRect = {400, 300, 100, 50};
    DXFillRect(gDDSPicture, 400, 300, 100, 50, kBlue);
    DXFillRect(gDDSScratch, 0, 0, 1280, 1024, kGrey);
    ASSERT_TRUE(AO_ProcessFlip());
    PLAT_IMAGE *w = PLAT_GetWindowImage();
    int wrong = 0;
    for (int y = 0; y < 1024; y++)
        for (int x = 0; x < 1280; x++) {
            const bool flushed = (x >= 10 && x < 30 && y >= 10 && y < 15) ||
                                 (x < 25 && y >= 1000) || (x >= 1275 && y < 7);
            const bool picture = x >= 400 && x < 500 && y >= 300 && y < 350;
            const uint8_t *p = w->pBits + y * w->iPitch + x * 3;
            wrong += uint32_t(p[0] | p[1] << 8 | p[2] << 16) != (picture   ? kBlue
                                                                 : flushed ? kGrey
                                                                           : 0u);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(FakePlatform().invalidated,
              (std::vector<std::vector<int32_t>>{
                  {10, 10, 20, 5}, {0, 1000, 25, 24}, {1275, 0, 5, 7}, {400, 300, 100, 50}}));
    // Nothing changed: the next frame copies and invalidates nothing.
    FakePlatform().invalidated.clear();
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_TRUE(FakePlatform().invalidated.empty());
}

} // namespace
