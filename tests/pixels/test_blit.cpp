// Blits against a plain per-pixel reference on random rectangles, plus what the random
// cases never reach: overflowing sizes, missing surfaces, the failure trail, copies
// within one surface and the two-pixel line.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

namespace
{

// A plain picture: width × height colours, row by row.
struct Pic {
    int w, h;
    std::vector<uint32_t> px;
    uint32_t &at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
};

Pic Read(LPDDS s)
{
    Pic p{s->iWidth, s->iHeight, {}};
    for (int y = 0; y < s->iHeight; y++)
        for (int x = 0; x < s->iWidth; x++)
            p.px.push_back(DXGetPixel(s, x, y));
    return p;
}

// Random pixels, about a third of them white (the key).
void Randomise(LPDDS s, std::mt19937 &rng)
{
    for (int y = 0; y < s->iHeight; y++)
        for (int x = 0; x < s->iWidth; x++)
            DXPutPixel(s, x, y, rng() % 3 == 0 ? 0xFFFFFF : rng() & 0xFFFFFF);
}

// Whether a pixel is copied: mode 2 (and 4) skip the source key, mode 3 writes only
// onto the destination key, others copy everything.
bool Copies(int mode, uint32_t srcPixel, uint32_t destPixel)
{
    return mode == 2 || mode == 4 ? srcPixel != 0xFFFFFF : mode != 3 || destPixel == 0xFFFFFF;
}

// The unscaled blit: every target pixel inside the clip (the destination, or for mode 4
// the picture area within it) takes the source pixel at the same offset. False (dest
// untouched) when that pixel is missing.
bool RefBlt(Pic &dest, int x, int y, int w, int h, Pic &src, int sx, int sy, int mode)
{
    const XYWH &p = gPictureRect;
    const bool pic = mode == 4;
    int cl = pic ? std::max(0, p.x) : 0, ct = pic ? std::max(0, p.y) : 0;
    int cr = pic ? std::min(dest.w, p.x + p.w) : dest.w,
        cb = pic ? std::min(dest.h, p.y + p.h) : dest.h;
    Pic out = dest;
    for (int ty = std::max(y, ct); ty < std::min(y + h, cb); ty++)
        for (int tx = std::max(x, cl); tx < std::min(x + w, cr); tx++) {
            int px = sx + tx - x, py = sy + ty - y;
            if (px < 0 || py < 0 || px >= src.w || py >= src.h)
                return false;
            if (Copies(mode, src.at(px, py), dest.at(tx, ty)))
                out.at(tx, ty) = src.at(px, py);
        }
    dest = out;
    return true;
}

// The scaled blit: the source rectangle is spread over the visible part of the target,
// each target pixel taking the source pixel under its centre.
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

LPDDS Make(int w, int h)
{
    return DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
}

class Blit : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        gPictureRect = {0, 0, 0, 0};
    }
    void TearDown() override
    {
        DXReleaseSurface(mDest);
        DXReleaseSurface(mSrc);
        gPictureRect = {0, 0, 0, 0};
    }
    LPDDS mDest = Make(37, 29), mSrc = Make(23, 19);
    std::mt19937 mRng{12345};
    int Pick(int lo, int hi) { return lo + static_cast<int>(mRng() % (hi - lo + 1)); }
};

} // namespace

TEST_F(Blit, BothBlitsMatchTheReferenceOnRandomRectanglesInEveryModeWithMirroring)
{
    int refused = 0;
    for (int round = 0; round < 6000; round++) {
        Randomise(mDest, mRng);
        Randomise(mSrc, mRng);
        const bool stretch = round % 2;
        // The picture area (mode 4) also reaches past the surface.
        gPictureRect = {Pick(-10, 30), Pick(-10, 25), Pick(-5, 40), Pick(-5, 30)};
        int x = Pick(-50, 60), y = Pick(-40, 50), w = Pick(-5, 90), h = Pick(-5, 70);
        int sx = Pick(-10, 30), sy = Pick(-10, 25), sw = Pick(-1, 24), sh = Pick(-1, 20);
        int mode = Pick(0, 5);
        DDBLTFX fx = {100, static_cast<uint32_t>(Pick(0, 3) * 2)};
        Pic want = Read(mDest), srcPic = Read(mSrc);
        TrailClear();
        bool ok = stretch ? RefStretch(want, x, y, w, h, srcPic, sx, sy, sw, sh, mode, fx.dwDDFX)
                          : RefBlt(want, x, y, w, h, srcPic, sx, sy, mode);
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
}

TEST_F(Blit, NothingToDrawIsSuccessAndARefusedSourceLeavesTheFullTrail)
{
    EXPECT_EQ(DXBlt(mDest, INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, mSrc, 0, 0, 1), 1);
    EXPECT_EQ(DXStretchBlt(mDest, INT32_MAX - 1, 0, INT32_MAX, 8, mSrc, 0, 0, 4, 4, 1), 1);
    EXPECT_EQ(DXBlt(nullptr, 0, 0, 4, 4, mSrc, 0, 0, 1), 1);
    EXPECT_EQ(DXBlt(mDest, 0, 0, 4, 4, nullptr, 0, 0, 1), 1);
    EXPECT_EQ(DXStretchBlt(mDest, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, 1), 1);
    EXPECT_FALSE(TrailPending());

    EXPECT_EQ(DXBlt(mDest, -2, 1, 8, 3, mSrc, 16, 0, 1), 0);
    EXPECT_STREQ(gErrorTrail, "Surface width = 37\nSurface height= 29\n"
                              "To   rect = 0,1,6,4\nFrom rect = 18,0,24,3\n"
                              "nXDest = -2\nnYDest = 1\nnXSize = 8\nnYSize = 3\n"
                              "nXSrc = 16\nnYSrc = 0\n5\nBlt() !\n");
    EXPECT_EQ(Read(mDest).px, std::vector<uint32_t>(37 * 29, 0xFFFFFF)) << "nothing drawn";
    TrailClear();
}

TEST_F(Blit, CopyWithinOneSurfaceReadsTheSourceBeforeWriting)
{
    LPDDS s = Make(12, 1);
    for (int x = 0; x < 12; x++)
        DXPutPixel(s, x, 0, static_cast<uint32_t>(x + 1));
    ASSERT_EQ(DXBlt(s, 2, 0, 8, 1, s, 0, 0, 1), 1);
    for (int x = 2; x < 10; x++)
        EXPECT_EQ(DXGetPixel(s, x, 0), static_cast<uint32_t>(x - 1)) << x;
    ASSERT_EQ(DXStretchBlt(s, 0, 0, 12, 1, s, 0, 0, 6, 1, 1), 1);
    EXPECT_EQ(DXGetPixel(s, 11, 0), DXGetPixel(s, 10, 0));
    EXPECT_EQ(DXGetPixel(s, 2, 0), 2u); // from source column 1 before the copy
    DXReleaseSurface(s);
}

TEST(DrawLine2, DrawsATwoPixelLineClippedToTheSurface)
{
    LPDDS s = Make(10, 8);
    DXDrawLine2(s, 2, 3, 7, 3, 0x79F41E);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 10; x++)
            EXPECT_EQ(DXGetPixel(s, x, y) == 0x79F41Eu, x >= 1 && x <= 7 && (y == 2 || y == 3))
                << x << "," << y;
    ClearSurface(s);
    DXDrawLine2(s, -1000000, 4, 1000000, 4, 0x123456); // far outside, still cheap and safe
    DXDrawLine2(s, -5, -5, -20, -40, 0x654321);        // wholly outside
    DXDrawLine2(s, 0, 0, 9, 7, 0x654321);              // a diagonal reaches both corners
    for (auto [x, y, c] :
         {std::tuple{0, 3, 0x123456u}, {9, 4, 0x123456u}, {0, 0, 0x654321u}, {9, 7, 0x654321u}})
        EXPECT_EQ(DXGetPixel(s, x, y), c) << x << "," << y;
    DXReleaseSurface(s);
}
