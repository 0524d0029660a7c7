// Rotation: predicted sizes, any-angle sampling and the photo's exact quarter turns.
#include <cmath>
#include <gtest/gtest.h>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"

// A surface whose every pixel differs from its neighbours and is never white.
static LPDDS Pattern(int32_t w, int32_t h)
{
    LPDDS s = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            DXPutPixel(s, x, y, static_cast<uint32_t>((x * 7 + 1) << 12 | (y * 13 + 2)) & 0x7FFFFF);
    return s;
}

template <class F> static int Mismatches(LPDDS r, F want)
{
    int n = 0;
    for (int32_t j = 0; j < r->iHeight; j++)
        for (int32_t i = 0; i < r->iWidth; i++)
            n += DXGetPixel(r, i, j) != want(i, j);
    return n;
}

TEST(Rotate, AnyAngleSamplesEachResultPixelsCornerInABoxOfThePredictedSize)
{
    const int32_t cases[][3] = {{0, 100, 50},   {1, 101, 52},   {15, 110, 75},  {30, 112, 94},
                                {45, 107, 107}, {-90, 51, 101}, {180, 101, 51}, {270, 51, 101}};
    LPDDS src = Pattern(111, 57);
    for (const auto &[angle, w, h] : cases) {
        int32_t pw = 0, ph = 0;
        CalcRotatedSize(100, 50, angle, &pw, &ph);
        LPDDS r = DXRotateSurface(src, 5, 3, 100, 50, angle); // a rectangle inside the source
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(std::tuple(pw, ph, r->iWidth, r->iHeight), std::tuple(w, h, w, h)) << angle;
        // Result (i, j) samples the source at its corner cut toward zero, or is white.
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
    DXReleaseSurface(src);
}

TEST(Rotate, PhotoQuarterTurnsFollowTheIndexMappingsWithProgressPerRow)
{
    for (auto [w, h] : {std::pair{4, 3}, {131, 70}, {65, 200}}) { // on and off 64-pixel tiles
        LPDDS src = Pattern(w, h);
        for (int32_t angle : {0, 90, 180, 270}) {
            FakePlatformReset();
            LPDDS r = DXRotatePhoto(src, 0, 0, w, h, angle);
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(std::pair(r->iWidth, r->iHeight),
                      angle % 180 ? std::pair(h, w) : std::pair(w, h));
            const auto turned = [&, q = angle / 90](int i, int j) {
                const int sx[] = {i, j, w - 1 - i, w - 1 - j}, sy[] = {j, h - 1 - i, h - 1 - j, i};
                return DXGetPixel(src, sx[q], sy[q]);
            };
            EXPECT_EQ(Mismatches(r, turned), 0) << w << "x" << h << " at " << angle;
            const FakePlatformLog &log = FakePlatform();
            EXPECT_EQ(std::tuple(log.progressHigh, log.progressStep, log.progressSteps),
                      std::tuple(r->iHeight, 1, r->iHeight));
            DXReleaseSurface(r);
        }
        DXReleaseSurface(src);
    }
}
