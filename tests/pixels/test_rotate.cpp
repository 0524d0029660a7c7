// Rotation: predicted sizes, any-angle sampling against a plain per-pixel reference,
// and the exact quarter turns of the photo.
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace {

// A surface whose every pixel differs from its neighbours and is never white.
LPDDS Pattern(int32_t w, int32_t h)
{
    LPDDS s = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            DXPutPixel(s, x, y, static_cast<uint32_t>((x * 7 + 1) << 12 | (y * 13 + 2)) & 0x7FFFFF);
    return s;
}

// The plain reference of the corner sampling, written from the mapping itself.
uint32_t ReferencePixel(LPDDS src, int32_t x0, int32_t y0, int32_t w, int32_t h, int32_t angle,
                        int32_t i, int32_t j)
{
    const double rad = angle * 3.141592654 / 180.0;
    const double c = std::cos(rad), s = std::sin(rad);
    const double xs[4] = {0, -h * s, w * c - h * s, w * c};
    const double ys[4] = {0, h * c, w * s + h * c, w * s};
    double minX = 0, minY = 0;
    for (int k = 0; k < 4; k++) {
        minX = std::min(minX, xs[k]);
        minY = std::min(minY, ys[k]);
    }
    const double X = i + minX, Y = j + minY;
    const int sx = static_cast<int>(std::trunc(X * c + Y * s));
    const int sy = static_cast<int>(std::trunc(Y * c - X * s));
    if (sx < 0 || sx >= w || sy < 0 || sy >= h)
        return 0xFFFFFF;
    return DXGetPixel(src, x0 + sx, y0 + sy);
}

class Rotate : public ::testing::Test {
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
    }
};

struct SizeCase {
    int32_t angle, w, h;
};

TEST_F(Rotate, PredictedSizesMatchTheTableForA100By50Rectangle)
{
    const SizeCase cases[] = {{0, 100, 50},   {1, 101, 52},   {15, 110, 75},  {30, 112, 94},
                              {45, 107, 107}, {-45, 107, 107}, {90, 51, 101}, {270, 51, 101},
                              {-90, 51, 101}, {180, 101, 51}, {360, 101, 51}};
    for (const SizeCase &c : cases) {
        int32_t w = 0, h = 0;
        CalcRotatedSize(100, 50, c.angle, &w, &h);
        EXPECT_EQ(w, c.w) << "angle " << c.angle;
        EXPECT_EQ(h, c.h) << "angle " << c.angle;
        LPDDS src = Pattern(100, 50);
        LPDDS r = DXRotateSurface(src, 0, 0, 100, 50, c.angle);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->iWidth, c.w) << "surface at angle " << c.angle;
        EXPECT_EQ(r->iHeight, c.h) << "surface at angle " << c.angle;
        DXReleaseSurface(r);
        DXReleaseSurface(src);
    }
}

TEST_F(Rotate, AnyAngleSamplesEveryPixelLikeThePlainReference)
{
    LPDDS src = Pattern(61, 37);
    for (int32_t angle : {0, 1, 17, 30, 45, 90, 133, 180, 222, 270, 300, 359, -30, 720}) {
        // A sub-rectangle, so the source offset is exercised too.
        LPDDS r = DXRotateSurface(src, 5, 3, 50, 30, angle);
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(r->bHasColorKey);
        EXPECT_EQ(r->dwColorKey, 0xFFFFFFu);
        int mismatches = 0;
        for (int32_t j = 0; j < r->iHeight; j++)
            for (int32_t i = 0; i < r->iWidth; i++)
                mismatches += DXGetPixel(r, i, j) != ReferencePixel(src, 5, 3, 50, 30, angle, i, j);
        EXPECT_EQ(mismatches, 0) << "angle " << angle;
        DXReleaseSurface(r);
    }
    DXReleaseSurface(src);
}

TEST_F(Rotate, AngleZeroCopiesTheRectangleExactly)
{
    LPDDS src = Pattern(40, 30);
    LPDDS r = DXRotateSurface(src, 10, 5, 20, 12, 0);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->iWidth, 20);
    ASSERT_EQ(r->iHeight, 12);
    for (int32_t y = 0; y < 12; y++)
        for (int32_t x = 0; x < 20; x++)
            ASSERT_EQ(DXGetPixel(r, x, y), DXGetPixel(src, x + 10, y + 5));
    DXReleaseSurface(r);
    DXReleaseSurface(src);
}

TEST_F(Rotate, QuarterTurnOfSurfaceLeavesColumnZeroWhite)
{
    LPDDS src = Pattern(100, 50);
    LPDDS r = DXRotateSurface(src, 0, 0, 100, 50, 90);
    ASSERT_NE(r, nullptr);
    for (int32_t y = 0; y < r->iHeight; y++)
        EXPECT_EQ(DXGetPixel(r, 0, y), 0xFFFFFFu) << "row " << y;
    // The rest of the result is the turned picture: the source's bottom-left pixel lands
    // in the top row, next to the white column.
    EXPECT_EQ(DXGetPixel(r, 1, 0), DXGetPixel(src, 0, 49));
    DXReleaseSurface(r);
    DXReleaseSurface(src);
}

TEST_F(Rotate, RectangleOutsideTheSourceIsRefusedWithoutReading)
{
    LPDDS src = Pattern(20, 20);
    EXPECT_EQ(DXRotateSurface(src, 10, 10, 20, 20, 30), nullptr);
    EXPECT_STREQ(gErrorTrail, "Lock(Src)\n");
    TrailClear();
    EXPECT_EQ(DXRotatePhoto(src, 0, 0, 21, 20, 90), nullptr);
    EXPECT_STREQ(gErrorTrail, "Lock(Src)\n");
    DXReleaseSurface(src);
}

// The photo's quarter turns against the index mappings, on sizes that are not
// multiples of the walk's tiles.
uint32_t PhotoReference(LPDDS src, int32_t w, int32_t h, int32_t angle, int32_t i, int32_t j)
{
    switch (angle) {
    case 90: return DXGetPixel(src, j, h - 1 - i);
    case 180: return DXGetPixel(src, w - 1 - i, h - 1 - j);
    case 270: return DXGetPixel(src, w - 1 - j, i);
    default: return DXGetPixel(src, i, j);
    }
}

TEST_F(Rotate, PhotoQuarterTurnsFollowTheIndexMappings)
{
    for (auto [w, h] : {std::pair{4, 3}, std::pair{131, 70}, std::pair{65, 200}}) {
        LPDDS src = Pattern(w, h);
        for (int32_t angle : {0, 90, 180, 270}) {
            LPDDS r = DXRotatePhoto(src, 0, 0, w, h, angle);
            ASSERT_NE(r, nullptr);
            const bool swap = angle == 90 || angle == 270;
            ASSERT_EQ(r->iWidth, swap ? h : w);
            ASSERT_EQ(r->iHeight, swap ? w : h);
            int mismatches = 0;
            for (int32_t j = 0; j < r->iHeight; j++)
                for (int32_t i = 0; i < r->iWidth; i++)
                    mismatches += DXGetPixel(r, i, j) != PhotoReference(src, w, h, angle, i, j);
            EXPECT_EQ(mismatches, 0) << w << "x" << h << " at " << angle;
            DXReleaseSurface(r);
        }
        DXReleaseSurface(src);
    }
}

TEST_F(Rotate, FourPhotoTurnsGiveBackTheStart)
{
    LPDDS start = Pattern(77, 45);
    LPDDS cur = DXRotatePhoto(start, 0, 0, 77, 45, 90);
    for (int k = 0; k < 3; k++) {
        LPDDS next = DXRotatePhoto(cur, 0, 0, cur->iWidth, cur->iHeight, 90);
        DXReleaseSurface(cur);
        cur = next;
    }
    ASSERT_EQ(cur->iWidth, 77);
    ASSERT_EQ(cur->iHeight, 45);
    for (int32_t y = 0; y < 45; y++)
        ASSERT_EQ(std::memcmp(DXPixel(cur, 0, y), DXPixel(start, 0, y), 77 * 3), 0) << "row " << y;
    DXReleaseSurface(cur);
    DXReleaseSurface(start);
}

TEST_F(Rotate, PhotoTurnShowsProgressOncePerResultRow)
{
    LPDDS src = Pattern(300, 100);
    LPDDS r = DXRotatePhoto(src, 0, 0, 300, 100, 270);
    ASSERT_NE(r, nullptr);
    const FakePlatformLog &log = FakePlatform();
    ASSERT_FALSE(log.statusTexts[0].empty());
    EXPECT_EQ(log.statusTexts[0].back(), "Rotating photo...");
    EXPECT_EQ(log.progressLow, 0);
    EXPECT_EQ(log.progressHigh, 300);
    EXPECT_EQ(log.progressStep, 1);
    EXPECT_EQ(log.progressSteps, 300);
    DXReleaseSurface(r);
    DXReleaseSurface(src);
}

TEST_F(Rotate, PhotoTurnByOtherAnglesSamplesLikeTheSurfaceTurn)
{
    LPDDS src = Pattern(50, 30);
    LPDDS a = DXRotatePhoto(src, 0, 0, 50, 30, 33);
    LPDDS b = DXRotateSurface(src, 0, 0, 50, 30, 33);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(a->iWidth, b->iWidth);
    ASSERT_EQ(a->iHeight, b->iHeight);
    for (int32_t y = 0; y < a->iHeight; y++)
        ASSERT_EQ(std::memcmp(DXPixel(a, 0, y), DXPixel(b, 0, y), a->iWidth * 3), 0);
    DXReleaseSurface(a);
    DXReleaseSurface(b);
    DXReleaseSurface(src);
}

} // namespace
