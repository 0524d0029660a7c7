// Both blits against a per-pixel reference, the two-pixel line, and rotation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace
{

struct Pic {
    int w, h;
    std::vector<uint32_t> px;
    uint32_t &at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
};

// The pixels of a surface, first made random (about a third white, the key) when asked.
Pic Read(LPDDS s, std::mt19937 *rng = nullptr)
{
    Pic p{s->iWidth, s->iHeight, {}};
    for (int y = 0; y < s->iHeight; y++)
        for (int x = 0; x < s->iWidth; x++) {
            if (rng) { // the key, colours that differ from it in one byte, any colour
                const uint32_t kind = (*rng)() % 3, byte = ((*rng)() & 0xFF)
                                                           << (8 * ((*rng)() % 3));
                DXPutPixel(s, x, y,
                           kind == 0   ? 0xFFFFFF
                           : kind == 1 ? 0xFFFFFF ^ byte
                                       : (*rng)() & 0xFFFFFF);
            }
            p.px.push_back(DXGetPixel(s, x, y));
        }
    return p;
}

// Mode 2 (and 4) skip the source key, mode 3 writes only onto the destination key.
bool Copies(int mode, uint32_t srcPixel, uint32_t destPixel)
{
    return mode == 2 || mode == 4 ? srcPixel != 0xFFFFFF : mode != 3 || destPixel == 0xFFFFFF;
}

// The unscaled blit: target pixels in the destination (mode 4: in its clip too) take the
// source pixel at the same offset; false (dest untouched) when that pixel is missing.
bool RefBlt(Pic &dest, int x, int y, int w, int h, Pic &src, int sx, int sy, int mode, XYWH clip)
{
    const XYWH c = mode == 4 ? clip : XYWH{0, 0, dest.w, dest.h};
    Pic out = dest;
    for (int ty = std::max({y, c.y, 0}); ty < std::min({y + h, c.y + c.h, dest.h}); ty++)
        for (int tx = std::max({x, c.x, 0}); tx < std::min({x + w, c.x + c.w, dest.w}); tx++) {
            int px = sx + tx - x, py = sy + ty - y;
            if (px < 0 || py < 0 || px >= src.w || py >= src.h)
                return false;
            if (Copies(mode, src.at(px, py), dest.at(tx, ty)))
                out.at(tx, ty) = src.at(px, py);
        }
    dest = out;
    return true;
}

// The scaled blit: each visible target pixel takes the source pixel under its centre.
bool RefStretch(Pic &dest, int x, int y, int w, int h, Pic &src, int sx, int sy, int sw, int sh,
                int mode, uint32_t fx)
{
    int l = std::max(x, 0), t = std::max(y, 0);
    int r = std::min(x + w, dest.w), b = std::min(y + h, dest.h);
    if (r <= l || b <= t)
        return true;
    if (sw <= 0 || sh <= 0 || sx < 0 || sy < 0 || sx + sw > src.w || sy + sh > src.h)
        return false;
    if (mode < 1 || mode > 3)
        fx = 0;
    for (int ty = t; ty < b; ty++)
        for (int tx = l; tx < r; tx++) {
            int cx = static_cast<int>(std::floor((tx - l + 0.5) * sw / (r - l)));
            int cy = static_cast<int>(std::floor((ty - t + 0.5) * sh / (b - t)));
            cx = fx & DDBLTFX_MIRRORLEFTRIGHT ? sw - 1 - cx : cx;
            cy = fx & DDBLTFX_MIRRORUPDOWN ? sh - 1 - cy : cy;
            uint32_t s = src.at(sx + cx, sy + cy);
            if (Copies(mode == 4 ? 1 : mode, s, dest.at(tx, ty)))
                dest.at(tx, ty) = s;
        }
    return true;
}

class Blit : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
    }
    void TearDown() override { DXReleaseSurface(mDest), DXReleaseSurface(mSrc); }
    LPDDS mDest = DXCreateSurface(nullptr, 37, 29, DDSCAPS_SYSTEMOFFSCREEN),
          mSrc = DXCreateSurface(nullptr, 53, 19, DDSCAPS_SYSTEMOFFSCREEN);
    std::mt19937 mRng{12345};
    int Pick(int lo, int hi) { return lo + static_cast<int>(mRng() % (hi - lo + 1)); }
};

} // namespace

TEST_F(Blit, BothBlitsMatchTheReferenceOnRandomRectanglesInEveryModeWithMirroring)
{
    const int64_t kSplitPixels = gStretchSplitPixels;
    int refused = 0;
    for (int round = 0; round < 6000; round++) {
        const bool stretch = round % 2;
        gKeyedSimd = round / 2 % 2; // the vector copy against the word-wise one too
        gStretchSplitPixels = round / 4 % 2 ? 1 : kSplitPixels; // rows on two threads
        mDest->rcClip = {Pick(-10, 30), Pick(-10, 25), Pick(-5, 40), Pick(-5, 30)};
        int x = Pick(-50, 60), y = Pick(-40, 50), w = Pick(-5, 90), h = Pick(-5, 70);
        int sx = Pick(-10, 30), sy = Pick(-10, 25), sw = Pick(-1, 54), sh = Pick(-1, 20);
        int mode = Pick(0, 5);
        DDBLTFX fx = {100, static_cast<uint32_t>(Pick(0, 3) * 2)};
        Pic want = Read(mDest, &mRng), srcPic = Read(mSrc, &mRng);
        TrailClear();
        bool ok = stretch ? RefStretch(want, x, y, w, h, srcPic, sx, sy, sw, sh, mode, fx.dwDDFX)
                          : RefBlt(want, x, y, w, h, srcPic, sx, sy, mode, mDest->rcClip);
        int got = stretch ? DXStretchBltFX(mDest, x, y, w, h, mSrc, sx, sy, sw, sh, mode, &fx)
                          : DXBlt(mDest, x, y, w, h, mSrc, sx, sy, mode);
        const std::string where = "round " + std::to_string(round);
        ASSERT_EQ(got, ok ? 1 : 0) << where;
        ASSERT_EQ(Read(mDest).px, want.px) << where;
        ASSERT_EQ(Read(mSrc).px, srcPic.px) << where << ": the source changed";
        const char *last = stretch ? "\n5\nDXStretchBltFX() !\n" : "\n5\nBlt() !\n";
        ASSERT_EQ(std::string(gErrorTrail).find(last) != std::string::npos, !ok) << where;
        refused += !ok;
    }
    EXPECT_GT(refused, 200); // the random cases include sources that leave the surface
    gKeyedSimd = 1;
    gStretchSplitPixels = kSplitPixels;
}

TEST_F(Blit, CopyWithinOneSurfaceReadsTheSourceBeforeWriting)
{
    for (int x = 0; x < 12; x++)
        DXPutPixel(mDest, x, 0, static_cast<uint32_t>(x + 1));
    ASSERT_EQ(DXBlt(mDest, 2, 0, 8, 1, mDest, 0, 0, 1), 1);
    for (int x = 2; x < 10; x++)
        EXPECT_EQ(DXGetPixel(mDest, x, 0), static_cast<uint32_t>(x - 1)) << x;
}

TEST_F(Blit, DrawLine2DrawsATwoPixelLineClippedToTheSurface)
{
    DXDrawLine2(mDest, 2, 3, 7, 3, 0x79F41E);
    for (int y = 0; y < 29; y++)
        for (int x = 0; x < 37; x++)
            EXPECT_EQ(DXGetPixel(mDest, x, y) == 0x79F41Eu, x >= 1 && x <= 7 && (y == 2 || y == 3))
                << x << "," << y;
    DXDrawLine2(mDest, -1000000, 28, 1000000, 28, 0x123456); // far outside, cheap and safe
    EXPECT_EQ(DXGetPixel(mDest, 0, 27) + DXGetPixel(mDest, 36, 28), 2 * 0x123456u); // last row
}

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
