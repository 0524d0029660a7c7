// Thumbnails of stickers, and own stickers made from pictures with transparency.
#include <cerrno>
#include <gtest/gtest.h>

#include "clipart/catalogue.h"
#include "clipart/ownstickers.h"
#include "clipart/thumbnail.h"
#include "platform/fake/fake_platform.h"
#include "platform/file.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/data_files.h"
#include "support/engine_reset.h"

namespace
{

// A picture whose every pixel differs from its neighbours, the same whatever the storage.
std::vector<uint8_t> PatternBmp(int w, int h, uint32_t hdrSize, bool topDown, uint16_t bpp)
{
    return PictureBmp(
        w, h,
        [](int x, int y) {
            return uint32_t(x ^ y) << 16 | uint32_t(y * 5 & 255) << 8 | (x * 7 & 255);
        },
        topDown, hdrSize, bpp);
}

std::vector<uint8_t> Pixels(const DIBIMAGE &image)
{
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < image.iHeight; y++)
        out.insert(out.end(), image.pBits + y * image.iPitch,
                   image.pBits + y * image.iPitch + image.iWidth * 3);
    return out;
}

class Thumbnail : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", mMain.Path().c_str());
        fs::create_directories(mMain / "clipart");
    }
    void TearDown() override { gMainDir[0] = '\0'; }
    void Put(const std::string &name, const std::vector<uint8_t> &bytes)
    {
        WriteFile(mMain / ("clipart/" + name), bytes);
    }
    TempDir mMain, mData;
    ScopedEnv mDataHome{"XDG_DATA_HOME", mData.Path()};
};

// The rectangle a sticker fills in its square.
TEST_F(Thumbnail, TheLongerSideFillsTheSquareAndTheOtherIsCentred)
{
    struct Case {
        int32_t w, h;
        XYWH want;
    } cases[] = {
        {100, 200, {14, 0, 28, 56}}, {200, 100, {0, 14, 56, 28}}, {500, 500, {0, 0, 56, 56}},
        {1000, 999, {0, 0, 56, 55}}, {300, 7, {0, 27, 56, 1}},    {3, 1000, {28, 0, 0, 56}},
        {7, 10, {8, 0, 39, 56}}, // 56 × 0.7 is 39.2 in single precision, truncated
    };
    for (const Case &c : cases) {
        XYWH r;
        ClipArt_ThumbRect(c.w, c.h, 56, &r);
        EXPECT_EQ(std::tuple(r.x, r.y, r.w, r.h),
                  std::tuple(c.want.x, c.want.y, c.want.w, c.want.h))
            << c.w << " x " << c.h;
    }
}

TEST_F(Thumbnail, SampledFilesGiveThePixelsOfTheWholeDecodedPicture)
{
    for (auto [w, h] : {std::pair(301, 157), std::pair(40, 500), std::pair(9, 5)}) {
        Put("plain.clp", PatternBmp(w, h, 40, false, 24));
        Put("topdown.clp", PatternBmp(w, h, 40, true, 24));
        Put("v4.clp", PatternBmp(w, h, 108, false, 24));  // decoded whole
        Put("deep.clp", PatternBmp(w, h, 40, false, 32)); // decoded whole
        std::vector<std::vector<uint8_t>> got;
        for (const char *name : {"plain.clp", "topdown.clp", "v4.clp", "deep.clp"}) {
            DIBIMAGE t;
            ASSERT_TRUE(ClipArt_Thumbnail(name, 56, &t)) << name;
            got.push_back(Pixels(t));
            DibFreeImage(&t);
        }
        for (size_t k = 1; k < got.size(); k++)
            EXPECT_EQ(got[k], got[0]) << w << " x " << h << ", file " << k;
    }
}

TEST_F(Thumbnail, AnUnreadableStickerFallsBackToItsIconThenToThePlaceholder)
{
    Put("broken.clp", std::vector<uint8_t>(300, 'x'));
    Put("broken.ICO", SolidBmp(10, 70, 0x2040E0));
    DIBIMAGE t;
    ASSERT_TRUE(ClipArt_Thumbnail("broken.clp", 56, &t));
    EXPECT_EQ(DibPixel(t, 9, 55), 0x2040E0u) << "unscaled, from the top-left corner";
    EXPECT_EQ(DibPixel(t, 10, 0), 0xFFFFFFu);
    DibFreeImage(&t);

    EXPECT_FALSE(ClipArt_Thumbnail("missing.clp", 56, &t));
    EXPECT_FALSE(TrailPending());
    ASSERT_TRUE(ClipArt_ThumbnailOrPlaceholder("missing.clp", 56, &t));
    const DecodedBitmap error(ReadData("resources/CLIPART_ERROR.bmp"));
    ASSERT_EQ(error.w(), 56);
    EXPECT_EQ(Pixels(t), Pixels(error.dib));
    DibFreeImage(&t);

    std::snprintf(gMainDir, sizeof gMainDir, "%s/", (mMain / "nowhere").c_str());
    EXPECT_FALSE(ClipArt_Thumbnail("broken.clp", 56, &t));
    EXPECT_STREQ(gErrorTrail, "SetCurrentDirectory() !\n");
    TrailClear();
    ASSERT_TRUE(ClipArt_ThumbnailOrPlaceholder("broken.clp", 56, &t));
    EXPECT_FALSE(TrailPending()) << "a missing thumbnail is no error";
    DibFreeImage(&t);
}

// A read failing at any step of a sampled sticker gives the whole thumbnail (decoded
// after all) or none, never one with rows the failed read did not fill.
TEST_F(Thumbnail, AReadFailingAtAnyStepGivesTheWholeThumbnailOrNone)
{
    Put("plain.clp", PatternBmp(301, 157, 40, false, 24));
    DIBIMAGE t;
    PLAT_FileFaultsReset();
    ASSERT_TRUE(ClipArt_Thumbnail("plain.clp", 56, &t));
    const std::vector<uint8_t> whole = Pixels(t);
    DibFreeImage(&t);
    const int64_t reads = PLAT_FileOps().iCount[FILEOP_READ];
    ASSERT_GT(reads, 2);
    for (int64_t n = 1; n <= reads; n++) {
        PLAT_FileFaultsReset();
        PLAT_FileFailAt(FILEOP_READ, n, EIO);
        if (ClipArt_Thumbnail("plain.clp", 56, &t)) {
            EXPECT_EQ(Pixels(t), whole) << "read " << n << " failed";
            DibFreeImage(&t);
        }
        EXPECT_FALSE(TrailPending());
    }
    PLAT_FileFaultsReset();
}

} // namespace

namespace
{

void Paint(std::vector<uint8_t> &bgra, int w, int x, int y, uint32_t argb)
{
    uint8_t *p = &bgra[(y * w + x) * 4];
    p[0] = uint8_t(argb), p[1] = uint8_t(argb >> 8), p[2] = uint8_t(argb >> 16);
    p[3] = uint8_t(argb >> 24);
}

class OwnStickers : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        fs::create_directories(dir / "clipart");
    }
    void TearDown() override { EngineReset(); }
    ScopedEnv mDataHome{"XDG_DATA_HOME", dir / "data"};
    const fs::path stickers = dir / "data/merrowick/stickers";
};

TEST_F(OwnStickers, HalfOpaquePixelsKeepTheirColourAndWhiteStaysVisible)
{
    // One row of pixels; a transparent border that is cut off.
    const uint32_t pixels[] = {0xFFFF0000, 0x80123456, 0x7F123456, 0xFFFFFFFF,
                               0xFFFEFEFE, 0x00FF0000, 0xFF000000};
    const uint32_t want[] = {0xFF0000, 0x123456, 0xFFFFFF, 0xFEFEFE, 0xFEFEFE, 0xFFFFFF, 0x000000};
    std::vector<uint8_t> bgra = BgraPixels(9, 3, 0);
    for (int x = 0; x < 7; x++)
        Paint(bgra, 9, x + 1, 1, pixels[x]);
    DIBIMAGE s;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 9, 3, 36, &s));
    ASSERT_EQ(std::tuple(s.iWidth, s.iHeight), std::tuple(7, 1));
    for (int x = 0; x < 7; x++)
        EXPECT_EQ(DibPixel(s, x, 0), want[x]) << x;
    DibFreeImage(&s);
}

TEST_F(OwnStickers, LargePicturesShrinkToFiveHundredWeighingCoverage)
{
    // Left half opaque red, right half transparent green; the green never shows.
    std::vector<uint8_t> bgra = BgraPixels(1000, 250, 0x0000FF00);
    for (int y = 0; y < 250; y++)
        for (int x = 0; x < 500; x++)
            Paint(bgra, 1000, x, y, 0xFFE00000);
    Paint(bgra, 1000, 999, 249, 0x01000000); // keeps the whole width visible
    DIBIMAGE s;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 1000, 250, 4000, &s));
    EXPECT_EQ(std::tuple(s.iWidth, s.iHeight), std::tuple(500, 125));
    EXPECT_EQ(DibPixel(s, 249, 60), 0xE00000u);
    EXPECT_EQ(DibPixel(s, 250, 60), 0xFFFFFFu);
    DibFreeImage(&s);

    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 300, 250, 4000, &s));
    EXPECT_EQ(std::tuple(s.iWidth, s.iHeight), std::tuple(300, 250))
        << "small ones keep their size";
    DibFreeImage(&s);

    TrailClear();
    EXPECT_FALSE(ClipArt_MakeSticker(bgra.data() + 2000, 20, 20, 4000, &s));
    EXPECT_STREQ(gErrorTrail, "The picture is wholly transparent.\n");
    EXPECT_FALSE(ClipArt_MakeSticker(bgra.data(), 20000, 1, 80000, &s));
    EXPECT_EQ(s.pBits, nullptr);
}

TEST_F(OwnStickers, StoredUnderANewNameNeverReplacingAFileAndListed)
{
    const std::vector<uint8_t> bgra = BgraPixels(3, 2, 0xFF336699);
    DIBIMAGE s;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 3, 2, 12, &s));
    WriteFile((dir / "clipart/text1.clp").string(), {'x'});
    struct Case {
        const char *source;
        const char *name;
    } cases[] = {
        {"/pics/My Photo!.PNG", "my_photo.clp"},    {"/pics/my photo.jpg", "my_photo-2.clp"},
        {"/pics/PoliceHat.bmp", "policehat-2.clp"}, {"/pics/text1.png", "text1-2.clp"},
        {"/pics/%%%.png", "sticker.clp"},
    };
    for (const Case &c : cases) {
        std::string name;
        ASSERT_TRUE(ClipArt_SaveSticker(&s, c.source, &name)) << gErrorTrail;
        EXPECT_EQ(name, c.name);
        const DecodedBitmap back(ReadBytes(stickers / name));
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(std::tuple(back.w(), back.h(), back.At(2, 1)), std::tuple(3, 2, 0x336699u));
    }
    DibFreeImage(&s);

    WriteFile((stickers / "zebra.clp").string(), {'x'});
    WriteFile((stickers / ".hidden.clp").string(), {'x'});
    WriteFile((stickers / "notes.txt").string(), {'x'});
    WriteFile((stickers / (std::string(124, 'l') + ".clp")).string(), {'x'});
    WriteFile((stickers / "text1.clp").string(), {'x'}); // a bubble of the clip-art folder
    std::vector<std::string> names;
    ClipArt_OwnStickers(&names);
    EXPECT_EQ(names, (std::vector<std::string>{"my_photo-2.clp", "my_photo.clp", "policehat-2.clp",
                                               "sticker.clp", "text1-2.clp", "zebra.clp"}));
    std::vector<CLIPARTITEM> items;
    ClipArt_GroupItems(CLIPART_OWN_GROUP, &items);
    EXPECT_EQ(std::tuple(items[5].sName, items[5].iIndex), std::tuple("zebra", -1));
}

TEST_F(OwnStickers, AFolderThatCannotBeMadeLeavesNothingBehind)
{
    WriteFile((dir / "data").string(), {'x'}); // a file where the folder would go
    const std::vector<uint8_t> bgra = BgraPixels(2, 2, 0xFF000000);
    DIBIMAGE s;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 2, 2, 8, &s));
    std::string name;
    EXPECT_FALSE(ClipArt_SaveSticker(&s, "a.png", &name));
    EXPECT_NE(std::string(gErrorTrail).find("The sticker folder couldn't be made.\n"),
              std::string::npos);
    EXPECT_TRUE(name.empty());
    DibFreeImage(&s);
}

TEST_F(OwnStickers, APictureLoadsAnOwnStickerByItsPlainNameOnly)
{
    DXStartHeadless(DXNEED_PICTURE);
    gPictureRect = {190, 75, 600, 450};
    fs::create_directories(stickers);
    WriteFile((stickers / "mine.clp").string(), SolidBmp(40, 20, 0xFEFEFE));
    for (const fs::path &outside : {dir / "outside.clp", dir / "data/merrowick/outside.clp"})
        WriteFile(outside.string(), SolidBmp(40, 20, 0x000000));
    IMGOBJ *obj = IMGOBJ_AddObj("mine.clp", IMG_OBJ, 190, 75, nullptr, nullptr);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_EQ(std::tuple(obj->iSrcWidth, obj->iSrcHeight), std::tuple(40, 20));
    EXPECT_EQ(DXGetPixel(obj->iiRes[HI_RES_OBJ].DDSSurface, 5, 5), 0xFEFEFEu);
    TrailClear();
    EXPECT_EQ(IMGOBJ_AddObj("../outside.clp", IMG_OBJ, 190, 75, nullptr, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\nBitmapLoad() IMG_OBJ failed!\n");
    DXCleanup();
}

} // namespace
