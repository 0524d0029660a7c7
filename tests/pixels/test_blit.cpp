// Blits against a plain per-pixel reference on random rectangles, plus what the random
// cases never reach: overflowing sizes, missing surfaces, the exact failure trails,
// copies within one surface and the two-pixel line.
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

bool Copies(int mode, uint32_t srcPixel, uint32_t destPixel)
{
    if (mode == 2 || mode == 4)
        return srcPixel != 0xFFFFFF;
    if (mode == 3)
        return destPixel == 0xFFFFFF;
    return true;
}

// The unscaled blit, pixel by pixel: every target pixel inside the clip takes the source
// pixel at the same offset. Returns false (and leaves dest) when that pixel is missing.
bool RefBlt(Pic &dest, int x, int y, int w, int h, Pic &src, int sx, int sy, int mode)
{
    int cl = 0, ct = 0, cr = dest.w, cb = dest.h;
    if (mode == 4) {
        cl = std::max(0, gPictureRect.x);
        ct = std::max(0, gPictureRect.y);
        cr = std::min(dest.w, gPictureRect.x + gPictureRect.w);
        cb = std::min(dest.h, gPictureRect.y + gPictureRect.h);
    }
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

// The scaled blit, pixel by pixel: the source rectangle is spread over the visible part
// of the target, each target pixel taking the source pixel under its centre.
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
            if (fx & DDBLTFX_MIRRORLEFTRIGHT)
                cx = sw - 1 - cx;
            if (fx & DDBLTFX_MIRRORUPDOWN)
                cy = sh - 1 - cy;
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
    void TearDown() override { gPictureRect = {0, 0, 0, 0}; }
};

} // namespace

TEST_F(Blit, MatchesTheReferenceOnRandomRectanglesInEveryMode)
{
    std::mt19937 rng(12345);
    LPDDS dest = Make(37, 29), src = Make(23, 19);
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    int failures = 0;
    for (int round = 0; round < 3000; round++) {
        Randomise(dest, rng);
        Randomise(src, rng);
        // The picture area (mode 4) also reaches past the surface.
        gPictureRect = {pick(-10, 30), pick(-10, 25), pick(-5, 40), pick(-5, 30)};
        int x = pick(-40, 60), y = pick(-40, 50), w = pick(-5, 50), h = pick(-5, 40);
        int sx = pick(-10, 30), sy = pick(-10, 25), mode = pick(0, 5);
        Pic want = Read(dest), srcPic = Read(src);
        bool ok = RefBlt(want, x, y, w, h, srcPic, sx, sy, mode);
        TrailClear();
        int got = DXBlt(dest, x, y, w, h, src, sx, sy, mode);
        std::string where = "round " + std::to_string(round);
        ASSERT_EQ(got, ok ? 1 : 0) << where;
        ASSERT_EQ(Read(dest).px, want.px) << where;
        ASSERT_EQ(Read(src).px, srcPic.px) << where << ": the source changed";
        if (!ok) {
            failures++;
            ASSERT_NE(std::string(gErrorTrail).find("\n5\nBlt() !\n"), std::string::npos) << where;
        } else {
            ASSERT_FALSE(TrailPending()) << where;
        }
    }
    EXPECT_GT(failures, 100); // the random cases include sources that leave the surface
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, StretchMatchesTheReferenceOnRandomRectanglesWithMirroring)
{
    std::mt19937 rng(777);
    LPDDS dest = Make(41, 33), src = Make(19, 17);
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    for (int round = 0; round < 3000; round++) {
        Randomise(dest, rng);
        Randomise(src, rng);
        int x = pick(-50, 45), y = pick(-40, 40), w = pick(-3, 90), h = pick(-3, 70);
        int sx = pick(-3, 18), sy = pick(-3, 16), sw = pick(-1, 20), sh = pick(-1, 18);
        int mode = pick(0, 4);
        DDBLTFX fx = {100, static_cast<uint32_t>(pick(0, 3) * 2)};
        Pic want = Read(dest), srcPic = Read(src);
        bool ok = RefStretch(want, x, y, w, h, srcPic, sx, sy, sw, sh, mode, fx.dwDDFX);
        TrailClear();
        int got = DXStretchBltFX(dest, x, y, w, h, src, sx, sy, sw, sh, mode, &fx);
        std::string where = "round " + std::to_string(round);
        ASSERT_EQ(got, ok ? 1 : 0) << where;
        ASSERT_EQ(Read(dest).px, want.px) << where;
        if (!ok) {
            ASSERT_NE(std::string(gErrorTrail).find("\n5\nDXStretchBltFX() !\n"), std::string::npos);
        }
    }
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, NothingToDrawIsSuccess)
{
    LPDDS dest = Make(8, 8), src = Make(4, 4);
    EXPECT_EQ(DXBlt(dest, INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, src, 0, 0, 1), 1);
    EXPECT_EQ(DXStretchBlt(dest, INT32_MAX - 1, 0, INT32_MAX, 8, src, 0, 0, 4, 4, 1), 1);
    EXPECT_EQ(DXBlt(nullptr, 0, 0, 4, 4, src, 0, 0, 1), 1);
    EXPECT_EQ(DXBlt(dest, 0, 0, 4, 4, nullptr, 0, 0, 1), 1);
    EXPECT_EQ(DXStretchBlt(dest, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, 1), 1);
    EXPECT_EQ(Read(dest).px, std::vector<uint32_t>(64, 0xFFFFFF));
    EXPECT_FALSE(TrailPending());
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, SourceLeavingItsSurfaceIsRefusedWithTheFullTrail)
{
    LPDDS dest = Make(20, 10), src = Make(5, 5);
    DXFillRect(src, 0, 0, 5, 5, 0x445566);
    EXPECT_EQ(DXBlt(dest, -2, 1, 8, 3, src, 0, 0, 1), 0);
    EXPECT_STREQ(gErrorTrail, "Surface width = 20\nSurface height= 10\n"
                              "To   rect = 0,1,6,4\nFrom rect = 2,0,8,3\n"
                              "nXDest = -2\nnYDest = 1\nnXSize = 8\nnYSize = 3\n"
                              "nXSrc = 0\nnYSrc = 0\n5\nBlt() !\n");
    EXPECT_EQ(Read(dest).px, std::vector<uint32_t>(200, 0xFFFFFF)) << "nothing drawn";
    TrailClear();
    EXPECT_EQ(DXStretchBlt(dest, 15, 0, 10, 10, src, 1, 1, 5, 2, 1), 0);
    EXPECT_STREQ(gErrorTrail, "To   rect = 15,0,20,10\nFrom rect = 1,1,6,3\n5\nDXStretchBlt() !\n");
    TrailClear();
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
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
        for (int x = 0; x < 10; x++) {
            bool on = x >= 1 && x <= 7 && (y == 2 || y == 3);
            EXPECT_EQ(DXGetPixel(s, x, y), on ? 0x79F41Eu : 0xFFFFFFu) << x << "," << y;
        }
    ClearSurface(s);
    DXDrawLine2(s, -1000000, 4, 1000000, 4, 0x123456); // far outside, still cheap and safe
    DXDrawLine2(s, -5, -5, -20, -40, 0x654321);        // wholly outside
    DXDrawLine2(s, 0, 0, 9, 7, 0x654321);              // a diagonal reaches both corners
    const std::tuple<int, int, uint32_t> points[] = {
        {0, 3, 0x123456}, {9, 4, 0x123456}, {0, 0, 0x654321}, {9, 7, 0x654321}};
    for (auto [x, y, c] : points)
        EXPECT_EQ(DXGetPixel(s, x, y), c) << x << "," << y;
    DXReleaseSurface(s);
}
