// Rotation: predicted sizes, any-angle sampling against a plain per-pixel reference,
// and the exact quarter turns of the photo.
#include <cmath>
#include <gtest/gtest.h>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace
{

// A surface whose every pixel differs from its neighbours and is never white.
LPDDS Pattern(int32_t w, int32_t h)
{
    LPDDS s = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            DXPutPixel(s, x, y, static_cast<uint32_t>((x * 7 + 1) << 12 | (y * 13 + 2)) & 0x7FFFFF);
    return s;
}

// The corner sampling written out plainly: result (i, j) of turning (x0, y0, w, h).
uint32_t Reference(LPDDS src, int32_t x0, int32_t y0, int32_t w, int32_t h, int32_t angle,
                   int32_t i, int32_t j)
{
    const double rad = angle * 3.141592654 / 180.0, c = std::cos(rad), s = std::sin(rad);
    const double minX = std::min({0.0, -h * s, w * c - h * s, w * c});
    const double minY = std::min({0.0, h * c, w * s + h * c, w * s});
    const double X = i + minX, Y = j + minY;
    const int sx = static_cast<int>(std::trunc(X * c + Y * s));
    const int sy = static_cast<int>(std::trunc(Y * c - X * s));
    return sx < 0 || sx >= w || sy < 0 || sy >= h ? 0xFFFFFF : DXGetPixel(src, x0 + sx, y0 + sy);
}

class Rotate : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
    }
    void TearDown() override { TrailClear(); }
};

TEST_F(Rotate, PredictedAndRealSizesMatchTheTableForA100By50Rectangle)
{
    const int32_t cases[][3] = {{0, 100, 50},   {1, 101, 52},    {15, 110, 75}, {30, 112, 94},
                                {45, 107, 107}, {-45, 107, 107}, {90, 51, 101}, {270, 51, 101},
                                {-90, 51, 101}, {180, 101, 51},  {360, 101, 51}};
    LPDDS src = Pattern(100, 50);
    for (const auto &c : cases) {
        int32_t w = 0, h = 0;
        CalcRotatedSize(100, 50, c[0], &w, &h);
        EXPECT_EQ(w, c[1]) << "angle " << c[0];
        EXPECT_EQ(h, c[2]) << "angle " << c[0];
        LPDDS r = DXRotateSurface(src, 0, 0, 100, 50, c[0]);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->iWidth, c[1]) << "surface at " << c[0];
        EXPECT_EQ(r->iHeight, c[2]) << "surface at " << c[0];
        DXReleaseSurface(r);
    }
    DXReleaseSurface(src);
    // The prediction's coarser π makes this box a pixel wider than the turned pixels need.
    int32_t w = 0, h = 0;
    CalcRotatedSize(800, 600, 292, &w, &h);
    EXPECT_EQ(w, 857);
    EXPECT_EQ(h, 967);
}

TEST_F(Rotate, AnyAngleSamplesEveryPixelLikeThePlainReference)
{
    LPDDS src = Pattern(61, 37);
    for (int32_t angle : {0, 1, 17, 45, 90, 133, 180, 222, 270, 359, -30, 720}) {
        LPDDS r = DXRotateSurface(src, 5, 3, 50, 30, angle); // a rectangle inside the source
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->dwColorKey, 0xFFFFFFu);
        int mismatches = 0;
        for (int32_t j = 0; j < r->iHeight; j++)
            for (int32_t i = 0; i < r->iWidth; i++)
                mismatches += DXGetPixel(r, i, j) != Reference(src, 5, 3, 50, 30, angle, i, j);
        EXPECT_EQ(mismatches, 0) << "angle " << angle;
        DXReleaseSurface(r);
    }
    // A rectangle that leaves the source is refused, not read.
    EXPECT_EQ(DXRotateSurface(src, 30, 10, 40, 20, 30), nullptr);
    EXPECT_EQ(DXRotatePhoto(src, 0, 0, 62, 37, 90), nullptr);
    EXPECT_STREQ(gErrorTrail, "Lock(Src)\nLock(Src)\n");
    DXReleaseSurface(src);
}

TEST_F(Rotate, PhotoQuarterTurnsFollowTheIndexMappingsWithProgressPerRow)
{
    // Sizes on and off the walk's 64-pixel tile edges.
    for (auto [w, h] : {std::pair{4, 3}, std::pair{131, 70}, std::pair{65, 200}}) {
        LPDDS src = Pattern(w, h);
        for (int32_t angle : {0, 90, 180, 270}) {
            FakePlatformReset();
            LPDDS r = DXRotatePhoto(src, 0, 0, w, h, angle);
            ASSERT_NE(r, nullptr);
            const bool swap = angle == 90 || angle == 270;
            ASSERT_EQ(r->iWidth, swap ? h : w);
            ASSERT_EQ(r->iHeight, swap ? w : h);
            int mismatches = 0;
            for (int32_t j = 0; j < r->iHeight; j++)
                for (int32_t i = 0; i < r->iWidth; i++) {
                    const uint32_t want = angle == 90    ? DXGetPixel(src, j, h - 1 - i)
                                          : angle == 180 ? DXGetPixel(src, w - 1 - i, h - 1 - j)
                                          : angle == 270 ? DXGetPixel(src, w - 1 - j, i)
                                                         : DXGetPixel(src, i, j);
                    mismatches += DXGetPixel(r, i, j) != want;
                }
            EXPECT_EQ(mismatches, 0) << w << "x" << h << " at " << angle;
            const FakePlatformLog &log = FakePlatform();
            EXPECT_EQ(log.statusTexts[0].back(), "Rotating photo...");
            EXPECT_EQ(log.progressHigh, r->iHeight);
            EXPECT_EQ(log.progressStep, 1);
            EXPECT_EQ(log.progressSteps, r->iHeight);
            DXReleaseSurface(r);
        }
        DXReleaseSurface(src);
    }
}

} // namespace
