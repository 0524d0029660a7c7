// Surfaces: creation and its failures, start-up of the named surfaces, restore, cleanup.
#include <gtest/gtest.h>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

TEST(Surface, FreshSurfacesAreWhiteWithTheWhiteKeyAndPaddedRows)
{
    TrailClear();
    LPDDS s = DXCreateSurface(nullptr, 7, 3, DDSCAPS_SYSTEMOFFSCREEN);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::tuple(s->iWidth, s->iHeight, s->iPitch, s->bHasColorKey, s->dwColorKey),
              std::tuple(7, 3, 24, 1, 0xFFFFFFu));
    for (int i = 0; i < 21; i++)
        EXPECT_EQ(DXGetPixel(s, i % 7, i / 7), 0xFFFFFFu) << i;
    s = DXCreateSurface(s, 4, 4, DDSCAPS_SYSTEMOFFSCREEN); // releases the old one in place
    ASSERT_NE(s, nullptr);
    DXReleaseSurface(s);
    // Impossible sizes are invalid parameters and still release the old surface.
    for (auto [w, h] : {std::pair{0, 5}, {MAX_SURFACE_SIDE + 1, 1}, {1, MAX_SURFACE_SIDE + 1}}) {
        LPDDS old = DXCreateSurface(nullptr, 2, 2, DDSCAPS_SYSTEMOFFSCREEN);
        EXPECT_EQ(DXCreateSurface(old, w, h, DDSCAPS_SYSTEMOFFSCREEN), nullptr);
        EXPECT_STREQ(gErrorTrail, "4\npdd->CreateSurface() !\ng_pDD->CreateSurface() failed!\n")
            << w << " x " << h;
        TrailClear();
    }
}

// Start-up beside the two start-up bitmaps, with a 17 × 5 sprite sheet all of index 3
// whose palette entry i is (i, 0, 0) and entry 0 white.
class Startup : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        BmpLayout sprite;
        sprite.width = 17, sprite.height = 5, sprite.bpp = 8;
        for (int i = 0; i < 256; i++)
            sprite.palette.push_back(i == 0 ? 0xFFFFFF : 0x010000u * i);
        sprite.pixels.assign(20 * 5, 3);
        FakeAddResource("SPRITE", MakeBmp(sprite));
        WriteFile(mDir / "merrowick7.clp", SolidBmp(40, 30, 0xFFFFFF));
        WriteFile(mDir / "logo7.clp", SolidBmp(12, 6, 0x336699));
    }
    void TearDown() override { DXCleanup(), TrailClear(); }
    TempDir mDir;
    CurrentDir mInDir{mDir.Path()};
};

TEST_F(Startup, MakesEveryNamedSurfaceAndGrowsTheScreenBuffers)
{
    gScreenWidth = gScreenHeight = 0;
    ASSERT_EQ(DXInit(), 1) << gErrorTrail;
    for (LPDDS s : {gDDSWindow, gDDSSprite, gDDSScratch, gDDSBackgnd, gDDSClp, gDDSLogo,
                    gDDSPicture, gDDSText})
        ASSERT_NE(s, nullptr);
    EXPECT_EQ(gDDSClp->bHasColorKey, 0) << "the window background is opaque";
    EXPECT_EQ(std::pair(gDDSPicture->iWidth, gDDSPicture->iHeight), std::pair(2048, 2048))
        << "room for a picture area of the largest window at full resolution";
    // The screen buffer and background grow together with the drawing area, by a quarter
    // at least, up to 1280 × 1024; a smaller area keeps them.
    const struct {
        int32_t w, h, wantW, wantH;
    } areas[] = {{700, 500, 800, 600},
                 {1000, 610, 1000, 750},
                 {1010, 740, 1250, 937},
                 {900, 900, 1250, 937},
                 {3000, 2000, 1280, 1024}};
    for (const auto &a : areas) {
        ASSERT_EQ(DXFitScreenSurfaces(a.w, a.h), 1);
        for (LPDDS s : {gDDSScratch, gDDSBackgnd})
            EXPECT_EQ(std::tuple(s->iWidth, s->iHeight, s->bHasColorKey),
                      std::tuple(a.wantW, a.wantH, 1))
                << a.w << " x " << a.h;
    }
    EXPECT_EQ(DXGetPixel(gDDSSprite, 16, 4), 0x030000u);
    EXPECT_EQ(std::pair(gScreenWidth, gScreenHeight), std::pair(800, 600));
    DXCleanup();
    EXPECT_TRUE(!gDDSWindow && !gDDSPicture);
}

TEST_F(Startup, MissingStartupBitmapsStopWithTheirLines)
{
    const std::pair<const char *, const char *> cases[] = {
        {"logo7.clp", "LoadImage() !\nDDLoadBitmap(Image)!\n"},
        {nullptr, "SPRITE: file header cut short\nLoadImage() !\nDDLoadBitmap() !\n"}}; // broken
    for (const auto &[remove, trail] : cases) {
        if (remove)
            fs::remove(remove);
        else
            FakeAddResource("SPRITE", {'B', 'M'});
        EXPECT_EQ(DXInit(), 0);
        EXPECT_STREQ(gErrorTrail, trail);
        DXCleanup();
        TrailClear();
    }
}

TEST_F(Startup, RestoringReloadsTheSpriteSheetAndAFailureIsShownAtOnce)
{
    ASSERT_EQ(DXInit(), 1);
    DXFillRect(gDDSSprite, 0, 0, 17, 5, 0x000000);
    DXRestoreAll();
    EXPECT_EQ(DXGetPixel(gDDSSprite, 3, 3), 0x030000u);
    FakeAddResource("SPRITE", {'B', 'M'}); // the sheet is unreadable
    DXRestoreAll();
    ASSERT_EQ(FakePlatform().messageBoxes.size(), 1u);
    EXPECT_EQ(FakePlatform().messageBoxes[0].text, "DDReLoadBitmap()\n");
}
