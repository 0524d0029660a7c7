// Blits against a plain per-pixel reference, clipping and offsets, modes, mirroring,
// and the failure trail.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/appstate.h"

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

class Blit : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        FakePlatformReset();
        TrailClear();
        gPictureRect = {0, 0, 0, 0};
    }
};

LPDDS Make(int w, int h)
{
    return DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
}

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
            ASSERT_NE(std::string(gErrorTrail).find("\n5\nDXStretchBltFX() !\n"),
                      std::string::npos);
        }
    }
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, TargetCutOnTheLeftAndTopTakesTheSourceFromTheSameOffset)
{
    LPDDS dest = Make(20, 20), src = Make(10, 10);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++)
            DXPutPixel(src, x, y, static_cast<uint32_t>(y * 16 + x));
    ASSERT_EQ(DXBlt(dest, -3, -2, 10, 10, src, 0, 0, 1), 1);
    EXPECT_EQ(DXGetPixel(dest, 0, 0), 0x23u); // source column 3, row 2
    EXPECT_EQ(DXGetPixel(dest, 6, 7), 0x99u); // source (9, 9)
    EXPECT_EQ(DXGetPixel(dest, 7, 0), 0xFFFFFFu);
    EXPECT_EQ(DXGetPixel(dest, 0, 8), 0xFFFFFFu);
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, NothingToDrawIsSuccess)
{
    LPDDS dest = Make(8, 8), src = Make(4, 4);
    EXPECT_EQ(DXBlt(dest, INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, src, 0, 0, 1), 1);
    EXPECT_EQ(DXBlt(nullptr, 0, 0, 4, 4, src, 0, 0, 1), 1);
    EXPECT_EQ(DXBlt(dest, 0, 0, 4, 4, nullptr, 0, 0, 1), 1);
    DXFillRect(dest, 0, 0, 8, 8, 0x010203); // mode 2 with an all-white source
    EXPECT_EQ(DXBlt(dest, 0, 0, 4, 4, src, 0, 0, 2), 1);
    EXPECT_EQ(DXStretchBlt(dest, 0, 0, 8, 8, src, 0, 0, 4, 4, 2), 1);
    EXPECT_EQ(Read(dest).px, std::vector<uint32_t>(64, 0x010203));
    EXPECT_FALSE(TrailPending());
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, ModeFourDrawsOnlyInsideThePictureArea)
{
    LPDDS dest = Make(30, 30), src = Make(30, 30);
    DXFillRect(src, 0, 0, 30, 30, 0x00FF00);
    gPictureRect = {5, 6, 10, 8};
    ASSERT_EQ(DXBlt(dest, 0, 0, 30, 30, src, 0, 0, 4), 1);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 30; x++) {
            bool inside = x >= 5 && x < 15 && y >= 6 && y < 14;
            ASSERT_EQ(DXGetPixel(dest, x, y), inside ? 0x00FF00u : 0xFFFFFFu) << x << "," << y;
        }
    gPictureRect = {20, 20, 100, 100}; // reaching past the surface: still no stray write
    ASSERT_EQ(DXBlt(dest, 0, 0, 30, 30, src, 0, 0, 4), 1);
    EXPECT_EQ(DXGetPixel(dest, 29, 29), 0x00FF00u);
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, SourceLeavingItsSurfaceIsRefusedWithTheFullTrail)
{
    LPDDS dest = Make(20, 10), src = Make(5, 5);
    DXFillRect(src, 0, 0, 5, 5, 0x445566);
    EXPECT_EQ(DXBlt(dest, -2, 1, 8, 3, src, 0, 0, 1), 0);
    EXPECT_STREQ(gErrorTrail, "Surface width = 20\n"
                              "Surface height= 10\n"
                              "To   rect = 0,1,6,4\n"
                              "From rect = 2,0,8,3\n"
                              "nXDest = -2\n"
                              "nYDest = 1\n"
                              "nXSize = 8\n"
                              "nYSize = 3\n"
                              "nXSrc = 0\n"
                              "nYSrc = 0\n"
                              "5\n"
                              "Blt() !\n");
    EXPECT_EQ(Read(dest).px, std::vector<uint32_t>(200, 0xFFFFFF)) << "nothing drawn";
    TrailClear();
    EXPECT_EQ(DXStretchBlt(dest, 15, 0, 10, 10, src, 1, 1, 5, 2, 1), 0);
    EXPECT_STREQ(gErrorTrail, "To   rect = 15,0,20,10\nFrom rect = 1,1,6,3\n5\nDXStretchBlt() !\n");
    DXReleaseSurface(dest);
    DXReleaseSurface(src);
}

TEST_F(Blit, StretchIntoAClippedTargetScalesTheWholeSourceIntoTheVisiblePart)
{
    LPDDS dest = Make(10, 10), src = Make(4, 1);
    const uint32_t colours[4] = {0x111111, 0x222222, 0x333333, 0x444444};
    for (int x = 0; x < 4; x++)
        DXPutPixel(src, x, 0, colours[x]);
    // Target 16 wide from x = 2: only 8 columns are visible, and all 4 source columns
    // land in them, two each.
    ASSERT_EQ(DXStretchBlt(dest, 2, 0, 16, 1, src, 0, 0, 4, 1, 1), 1);
    for (int x = 2; x < 10; x++)
        EXPECT_EQ(DXGetPixel(dest, x, 0), colours[(x - 2) / 2]) << x;

    DDBLTFX fx = {100, DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN};
    ASSERT_EQ(DXStretchBltFX(dest, 0, 1, 4, 1, src, 0, 0, 4, 1, 1, &fx), 1);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(DXGetPixel(dest, x, 1), colours[3 - x]) << x;
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
    LPDDS s = DXCreateSurface(nullptr, 10, 8, DDSCAPS_SYSTEMOFFSCREEN);
    DXDrawLine2(s, 2, 3, 7, 3, gOutlinePenColor);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 10; x++) {
            bool on = x >= 1 && x <= 7 && (y == 2 || y == 3);
            EXPECT_EQ(DXGetPixel(s, x, y), on ? 0x79F41Eu : 0xFFFFFFu) << x << "," << y;
        }
    ClearSurface(s);
    DXDrawLine2(s, -1000000, 4, 1000000, 4, 0x123456); // far outside, still cheap and safe
    EXPECT_EQ(DXGetPixel(s, 0, 3), 0x123456u);
    EXPECT_EQ(DXGetPixel(s, 9, 4), 0x123456u);
    DXDrawLine2(s, -5, -5, -20, -40, 0x654321); // wholly outside
    DXDrawLine2(s, 0, 0, 9, 7, 0x654321);       // a diagonal reaches both corners
    EXPECT_EQ(DXGetPixel(s, 0, 0), 0x654321u);
    EXPECT_EQ(DXGetPixel(s, 9, 7), 0x654321u);
    DXReleaseSurface(s);
}
