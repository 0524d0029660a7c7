// Thumbnails: where a sticker lies in the square, the same pixels whether a file is
// sampled row by row or decoded whole, the icon fallback and the placeholder.
#include <cerrno>
#include <gtest/gtest.h>

#include "clipart/thumbnail.h"
#include "platform/fake/fake_platform.h"
#include "platform/file.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/data_files.h"

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

// The rectangle a sticker fills, and a sticker of one colour there on white.
TEST_F(Thumbnail, TheLongerSideFillsTheSquareAndTheOtherIsCentredOnWhite)
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
        Put("solid.clp", SolidBmp(c.w, c.h, 0xC02030));
        DIBIMAGE t;
        ASSERT_TRUE(ClipArt_Thumbnail("solid.clp", 56, &t)) << gErrorTrail;
        int wrong = 0;
        for (int y = 0; y < 56; y++)
            for (int x = 0; x < 56; x++) {
                const bool in = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
                wrong += DibPixel(t, x, y) != (in ? 0xC02030u : 0xFFFFFFu);
            }
        EXPECT_EQ(std::tuple(t.iWidth, t.iHeight, wrong), std::tuple(56, 56, 0))
            << c.w << " x " << c.h;
        DibFreeImage(&t);
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
