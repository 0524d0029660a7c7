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

// Pixels of r differing from want(i, j).
template <class F> int Mismatches(LPDDS r, F want)
{
    int n = 0;
    for (int32_t j = 0; j < r->iHeight; j++)
        for (int32_t i = 0; i < r->iWidth; i++)
            n += DXGetPixel(r, i, j) != want(i, j);
    return n;
}

} // namespace

TEST(Rotate, AnyAngleSamplesEachResultPixelsCornerInABoxOfThePredictedSize)
{
    FakePlatformReset();
    TrailClear();
    const int32_t cases[][3] = {{0, 100, 50},   {1, 101, 52},    {15, 110, 75}, {30, 112, 94},
                                {45, 107, 107}, {-45, 107, 107}, {90, 51, 101}, {270, 51, 101},
                                {-90, 51, 101}, {180, 101, 51},  {360, 101, 51}};
    LPDDS src = Pattern(111, 57);
    for (const auto &[angle, w, h] : cases) {
        int32_t pw = 0, ph = 0;
        CalcRotatedSize(100, 50, angle, &pw, &ph);
        LPDDS r = DXRotateSurface(src, 5, 3, 100, 50, angle); // a rectangle inside the source
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(std::tuple(pw, ph, r->iWidth, r->iHeight), std::tuple(w, h, w, h)) << angle;
        EXPECT_EQ(r->dwColorKey, 0xFFFFFFu);
        // Result (i, j) samples the source at its corner, cut toward zero; white where
        // no source pixel is reached.
        const double rad = angle * 3.141592654 / 180.0, c = std::cos(rad), s = std::sin(rad);
        const double minX = std::min({0.0, -50 * s, 100 * c - 50 * s, 100 * c});
        const double minY = std::min({0.0, 50 * c, 100 * s + 50 * c, 100 * s});
        const auto sampled = [&](int i, int j) {
            const int sx = int(std::trunc((i + minX) * c + (j + minY) * s));
            const int sy = int(std::trunc((j + minY) * c - (i + minX) * s));
            return sx < 0 || sx >= 100 || sy < 0 || sy >= 50 ? 0xFFFFFFu
                                                             : DXGetPixel(src, 5 + sx, 3 + sy);
        };
        EXPECT_EQ(Mismatches(r, sampled), 0) << "angle " << angle;
        DXReleaseSurface(r);
    }
    // The prediction's coarser π makes this box a pixel wider than the turned pixels need.
    int32_t w = 0, h = 0;
    CalcRotatedSize(800, 600, 292, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(857, 967));
    // A rectangle that leaves the source is refused, not read.
    EXPECT_EQ(DXRotateSurface(src, 30, 10, 90, 20, 30), nullptr);
    EXPECT_EQ(DXRotatePhoto(src, 0, 0, 112, 57, 90), nullptr);
    EXPECT_STREQ(gErrorTrail, "Lock(Src)\nLock(Src)\n");
    TrailClear();
    DXReleaseSurface(src);
}

TEST(Rotate, PhotoQuarterTurnsFollowTheIndexMappingsWithProgressPerRow)
{
    // Sizes on and off the walk's 64-pixel tile edges.
    for (auto [w, h] : {std::pair{4, 3}, std::pair{131, 70}, std::pair{65, 200}}) {
        LPDDS src = Pattern(w, h);
        for (int32_t angle : {0, 90, 180, 270}) {
            FakePlatformReset();
            LPDDS r = DXRotatePhoto(src, 0, 0, w, h, angle);
            ASSERT_NE(r, nullptr);
            const bool swap = angle == 90 || angle == 270;
            ASSERT_EQ(std::pair(r->iWidth, r->iHeight), swap ? std::pair(h, w) : std::pair(w, h));
            EXPECT_EQ(Mismatches(r,
                                 [&](int i, int j) {
                                     return DXGetPixel(src,
                                                       angle == 90    ? j
                                                       : angle == 180 ? w - 1 - i
                                                       : angle == 270 ? w - 1 - j
                                                                      : i,
                                                       angle == 90    ? h - 1 - i
                                                       : angle == 180 ? h - 1 - j
                                                       : angle == 270 ? i
                                                                      : j);
                                 }),
                      0)
                << w << "x" << h << " at " << angle;
            const FakePlatformLog &log = FakePlatform();
            EXPECT_EQ(log.statusTexts[0].back(), "Rotating photo...");
            EXPECT_EQ(std::tuple(log.progressHigh, log.progressStep, log.progressSteps),
                      std::tuple(r->iHeight, 1, r->iHeight));
            DXReleaseSurface(r);
        }
        DXReleaseSurface(src);
    }
}
