// Surfaces: creation and its failures, start-up of the named surfaces, restore, cleanup.
#include <gtest/gtest.h>

#include <string>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace
{

bool AllWhite(LPDDS s)
{
    for (int y = 0; y < s->iHeight; y++)
        for (int x = 0; x < s->iWidth; x++)
            if (DXGetPixel(s, x, y) != 0xFFFFFF)
                return false;
    return true;
}

} // namespace

TEST(Surface, FreshSurfacesAreWhiteWithTheWhiteKeyAndPaddedRows)
{
    TrailClear();
    LPDDS s = DXCreateSurface(nullptr, 7, 3, DDSCAPS_SYSTEMOFFSCREEN);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::tuple(s->iWidth, s->iHeight, s->iPitch), std::tuple(7, 3, 24));
    EXPECT_TRUE(AllWhite(s));
    EXPECT_EQ(std::pair(s->bHasColorKey, s->dwColorKey), std::pair(1, 0xFFFFFFu));
    DXPutPixel(s, 0, 0, 0x102030);
    EXPECT_EQ(DXMatchColor(s, 0xABCDEF), 0xABCDEFu);
    EXPECT_EQ(DXGetPixel(s, 0, 0), 0x102030u) << "matching a colour restores pixel (0, 0)";
    s = DXCreateSurface(s, 4, 4, DDSCAPS_SYSTEMOFFSCREEN); // releases the old one in place
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(AllWhite(s));
    DXReleaseSurface(s);
    EXPECT_FALSE(TrailPending());

    // Impossible sizes are invalid parameters and still release the old surface.
    for (auto [w, h] : {std::pair{0, 5},
                        {5, -1},
                        {MAX_SURFACE_SIDE + 1, 1},
                        {1, MAX_SURFACE_SIDE + 1},
                        {MAX_SURFACE_SIDE, MAX_SURFACE_SIDE}}) {
        LPDDS old = DXCreateSurface(nullptr, 2, 2, DDSCAPS_SYSTEMOFFSCREEN);
        EXPECT_EQ(DXCreateSurface(old, w, h, DDSCAPS_SYSTEMOFFSCREEN), nullptr);
        EXPECT_STREQ(gErrorTrail, "4\npdd->CreateSurface() !\ng_pDD->CreateSurface() failed!\n")
            << w << " x " << h;
        TrailClear();
    }
}

TEST(Surface, SurfaceOverCallerMemoryKeepsItsPixelsAndLeavesTheMemory)
{
    std::vector<uint8_t> bits(3 * 8 * 2, 0x7F);
    LPDDS s = DXCreateSurfaceOver(bits.data(), 5, 2, 24);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(DXGetPixel(s, 4, 1), 0x7F7F7Fu);
    DXReleaseSurface(s); // the leak and double-free checkers watch the memory
    EXPECT_EQ(DXCreateSurfaceOver(bits.data(), 9, 2, 24), nullptr); // rows would overlap
    TrailClear();
}

// Start-up in a folder holding the two start-up bitmaps, with a 17 × 5 sprite sheet of
// index 3 whose palette entry i is (i, 0, 0) and entry 0 white.
class Startup : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        BmpSpec sprite;
        sprite.width = 17, sprite.height = 5, sprite.bpp = 8;
        for (int i = 0; i < 256; i++)
            sprite.palette.push_back(i == 0 ? 0xFFFFFF : 0x010000u * i);
        sprite.pixels.assign(20 * 5, 3);
        FakeAddResource("SPRITE", MakeBmp(sprite));
        WriteFile(mDir / "merrowick7.clp", SolidBmp(40, 30, 0xFFFFFF));
        WriteFile(mDir / "logo7.clp", SolidBmp(12, 6, 0x336699));
    }
    void TearDown() override
    {
        DXCleanup();
        TrailClear();
    }
    TempDir mDir;
    CurrentDir mInDir{mDir.Path()};
};

TEST_F(Startup, MakesEveryNamedSurfaceInItsSizeWithKeysAndPalette)
{
    gScreenWidth = gScreenHeight = 0;
    ASSERT_EQ(DXInit(nullptr), 1) << gErrorTrail;
    const struct {
        LPDDS s;
        int w, h, key;
    } want[] = {{gDDSWindow, 800, 600, 1},    {gDDSSprite, 17, 5, 1},  {gDDSScratch, 1280, 1024, 1},
                {gDDSBackgnd, 1280, 1024, 1}, {gDDSClp, 40, 30, 0},    {gDDSLogo, 12, 6, 1},
                {gDDSPicture, 2048, 2048, 1}, {gDDSText, 1200, 600, 1}};
    for (const auto &w : want) {
        ASSERT_NE(w.s, nullptr);
        EXPECT_EQ(std::tuple(w.s->iWidth, w.s->iHeight, w.s->bHasColorKey),
                  std::tuple(w.w, w.h, w.key));
    }
    ASSERT_NE(gDDPalette, nullptr);
    EXPECT_EQ(gDDPalette->aEntries[5][0], 5) << "the palette comes from the sprite sheet";
    EXPECT_TRUE(gDDSSprite->pPalette == gDDPalette && gDDSText->pPalette == gDDPalette);
    EXPECT_EQ(DXGetPixel(gDDSSprite, 16, 4), 0x030000u);
    EXPECT_EQ(DXGetPixel(gDDSLogo, 0, 0), 0x336699u);
    EXPECT_TRUE(AllWhite(gDDSScratch));
    EXPECT_EQ(std::pair(gScreenWidth, gScreenHeight), std::pair(800, 600));
    EXPECT_FALSE(TrailPending());

    DXCleanup();
    EXPECT_TRUE(!gDDSWindow && !gDDSPicture && !gDDPalette);
}

TEST_F(Startup, MissingStartupBitmapsStopWithTheirLines)
{
    const std::pair<const char *, const char *> cases[] = {
        {"logo7.clp", "LoadImage() !\nDDLoadBitmap(Image)!\n"},
        {"merrowick7.clp", "LoadImage() !\nDDLoadBitmap(Image) !\n"},
        {nullptr, "SPRITE: file header cut short\nLoadImage() !\nDDLoadBitmap() !\n"}}; // broken
    for (const auto &[remove, trail] : cases) {
        if (remove)
            fs::remove(remove);
        else
            FakeAddResource("SPRITE", {'B', 'M'});
        EXPECT_EQ(DXInit(nullptr), 0);
        EXPECT_STREQ(gErrorTrail, trail);
        DXCleanup();
        TrailClear();
    }
}

TEST_F(Startup, RestoringReloadsTheSpriteSheetAndAFailureIsShownAtOnce)
{
    ASSERT_EQ(DXInit(nullptr), 1);
    DXFillRect(gDDSSprite, 0, 0, 17, 5, 0x000000);
    DXRestoreAll();
    EXPECT_EQ(DXGetPixel(gDDSSprite, 3, 3), 0x030000u);
    DXRestoreIfLost();
    EXPECT_EQ(FakePlatform().waitCursorDepth, 0);
    EXPECT_TRUE(FakePlatform().messageBoxes.empty());

    FakeAddResource("SPRITE", {'B', 'M'}); // the sheet is unreadable
    DXRestoreAll();
    ASSERT_EQ(FakePlatform().messageBoxes.size(), 1u);
    EXPECT_EQ(FakePlatform().messageBoxes[0].text, "DDReLoadBitmap()\n");
    EXPECT_FALSE(TrailPending());
}
