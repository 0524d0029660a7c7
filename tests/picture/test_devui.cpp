// The window at twice its pixels: the screen buffer doubled, from 2x artwork.
#include "tests/support/engine_reset.h"

namespace
{

// A w × h bitmap at k pixels per pattern pixel: a colour of its own for every pattern
// pixel, white (the key) now and then.
std::vector<uint8_t> PatternBmp(int w, int h, int k)
{
    return PictureBmp(w * k, h * k, [k](int x, int y) {
        return (x / k * 7 + y / k * 13) % 9 ? (x / k * 2654435761u ^ y / k * 40503u) & 0xFEFEFE
                                            : 0xFFFFFFu;
    });
}

class DoubledWindow : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        need |= DXNEED_SPRITE;
        PictureEngineTest::SetUp();
        // The sheet, background and logo, and their 2x artwork: the same, doubled.
        const struct {
            const char *name;
            int w, h;
            LPDDS *one;
        } art[] = {{"SPRITE", 1700, 684, &gDDSSprite},
                   {"merrowick7.clp", 800, 600, &gDDSClp},
                   {"logo7.clp", 30, 20, &gDDSLogo}};
        for (const auto &a : art) {
            FakeAddResource(a.name, PatternBmp(a.w, a.h, 1));
            FakeAddResource(std::string("2x/") + (a.one == &gDDSSprite ? "SPRITE.bmp" : a.name),
                            PatternBmp(a.w, a.h, 2));
            DXReleaseSurface(*a.one);
            *a.one = DDLoadBitmap(a.name, 0, 0);
            ASSERT_NE(*a.one, nullptr);
            if (a.one != &gDDSClp)
                DXSetColorKey(*a.one, 0xFFFFFF);
        }
        DEVUI_SetScale(2);
        gFramesRunning = 1;
    }
    void TearDown() override
    {
        DEVUI_SetScale(1);
        PictureEngineTest::TearDown();
    }
    // A sprite of the sheet cell (sx, sy) of w × h at (x, y), flushed where it stands.
    AO *Sprite(int x, int y, int w, int h, int sx, int sy)
    {
        AO *e = AO_Alloc(sizeof(AO));
        e->iType = AO_TYPE_CONTROL, e->iLayer = 100, e->dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
        e->x = e->rcUpdate[0] = x, e->y = e->rcUpdate[1] = y,
        e->pSheet = e; // any sheet: its pixels are gDDSSprite's
        e->iWidth = e->rcUpdate[2] = w, e->iHeight = e->rcUpdate[3] = h;
        e->xSrc = sx, e->ySrc = sy;
        AO_AddObj(e);
        return e;
    }
    // Pixels of the drawing area whose 2 × 2 block in the 2x window is not the screen
    // buffer's pixel.
    static int Differences()
    {
        const LPDDS twice = DEVUI_Window();
        if (!twice)
            return -1;
        int wrong = 0;
        for (int y = 0; y < gScreenHeight; y++)
            for (int x = 0; x < gScreenWidth; x++) {
                const uint32_t c = DXGetPixel(gDDSScratch, x, y);
                for (int d = 0; d < 4; d++)
                    wrong += DXGetPixel(twice, 2 * x + d % 2, 2 * y + d / 2) != c;
            }
        return wrong;
    }
};

TEST_F(DoubledWindow, IsTheScreenBufferDoubledThroughRebuildsMovesLooksAndRemovals)
{
    ASSERT_TRUE(BackgroundResize()) << gErrorTrail; // the start screen with its fonts
    EXPECT_EQ(Differences(), 0) << "start screen";

    AO *moving = Sprite(100, 120, 40, 30, 1622, 281);
    AO *leaving = Sprite(300, 40, 52, 44, 861, 295);
    Sprite(780, 590, 40, 30, 57, 0); // cut at the window's corner
    ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    EXPECT_EQ(Differences(), 0) << "sprites drawn";

    moving->x += 7, moving->y -= 3, moving->ySrc += 40; // moved, and another look
    AO_DelObj(leaving);
    ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    EXPECT_EQ(Differences(), 0) << "moved, changed and removed";

    // A photo: the framed picture. (In a window of another size the background art is
    // stretched, and the 2x art, having pixels of its own, no longer is the 1x one doubled.)
    ASSERT_NE(AddPhotoFile(300, 200), nullptr);
    ASSERT_TRUE(ScreenResize(nullptr)) << gErrorTrail;
    EXPECT_EQ(Differences(), 0) << "framed photo";
}

TEST_F(DoubledWindow, IsUsedFromScale1Point5OnAndNotWithArtworkOfAnotherSize)
{
    const struct {
        double scale;
        bool used;
    } rows[] = {{1, false}, {1.49, false}, {1.5, true}, {3, true}};
    for (const auto &r : rows) {
        DEVUI_SetScale(1);
        DEVUI_SetScale(r.scale);
        ASSERT_TRUE(BackgroundResize()) << gErrorTrail;
        EXPECT_EQ(DEVUI_Window() != nullptr, r.used) << r.scale;
    }
    // A 2x sheet that is not the 1x one doubled would send every cell elsewhere: the
    // window image is enlarged instead, and nothing is reported.
    DEVUI_SetScale(1);
    FakeAddResource("2x/SPRITE.bmp", PatternBmp(1700, 684, 1));
    DEVUI_SetScale(2);
    TrailClear();
    ASSERT_TRUE(BackgroundResize());
    EXPECT_EQ(DEVUI_Window(), nullptr);
    EXPECT_STREQ(gErrorTrail, "");
}

} // namespace
