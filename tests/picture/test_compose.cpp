// Picture composition: fitting the photo, pieces following the picture, the framed
// background, and full-resolution export geometry (golden images on tiny pictures).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
using R = std::array<int32_t, 4>;

R A(const XYWH &r)
{
    return {r.x, r.y, r.w, r.h};
}

TEST(PictureRect, FitsLandscapePortraitAndSquarePhotosIntoTheArea)
{
    const struct {
        int32_t w, h, areaW, areaH;
        R want;
    } cases[] = {
        {1600, 1200, 585, 480, {190, 96, 585, 438}}, {1200, 1600, 585, 480, {302, 75, 360, 480}},
        {1000, 1000, 585, 480, {242, 75, 480, 480}}, {3000, 1000, 585, 480, {190, 217, 585, 195}},
        {1000, 3000, 700, 300, {490, 75, 100, 300}}, {1, 700, 585, 480, {482, 75, 1, 480}},
        {0, 100, 585, 480, {190, 75, 0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(A(PictureRectFor(c.w, c.h, c.areaW, c.areaH)), c.want) << c.w << "x" << c.h;
}

class Compose : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        for (LPDDS *s : {&gDDSScratch, &gDDSBackgnd})
            *s = DXCreateSurface(nullptr, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSPicture = DXCreateSurface(nullptr, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSText = DXCreateSurface(nullptr, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, kBlue);
        ASSERT_TRUE(AO_Init(nullptr));
        gFramesRunning = 1;
    }
    void TearDown() override
    {
        AO_CleanUp(nullptr);
        for (LPDDS *s : {&gDDSScratch, &gDDSBackgnd, &gDDSPicture, &gDDSText, &gDDSSprite})
            DXReleaseSurface(*s), *s = nullptr;
        ReleaseJpegBuffer2(out);
        out = nullptr;
    }
    // An image object of a kind whose high-resolution image is w × h pixels of pixel(x, y).
    static IMGOBJ *Add(int32_t kind, int32_t w, int32_t h,
                       const std::function<uint32_t(int, int)> &pixel)
    {
        IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
        o->ao.dwFlags = AOFLAG_IMGOBJ, o->ao.iType = AO_TYPE_IMGOBJ, o->ao.iLayer = 1000;
        o->ao.AnimateProc = IMGOBJ_AnimateProc;
        o->iKind = kind, o->iSrcWidth = w, o->iSrcHeight = h, o->iSrcComponents = 3;
        o->iiRes[HI_RES_OBJ].DDSSurface = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
        o->iiRes[LO_RES_OBJ].DDSSurface =
            DXCreateSurface(nullptr, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                DXPutPixel(o->iiRes[HI_RES_OBJ].DDSSurface, x, y, pixel(x, y));
        AO_AddObj(&o->ao);
        return o;
    }
    static IMGOBJ *AddPhoto()
    {
        IMGOBJ *photo = Add(IMG_SRC, 1600, 1200, Solid(0x808080));
        ImageObjectResize(nullptr); // (190, 96, 585, 438)
        return photo;
    }
    static std::function<uint32_t(int, int)> Solid(uint32_t c)
    {
        return [c](int, int) { return c; };
    }
    static void Place(IMGOBJ *o, int32_t x, int32_t y, int32_t w, int32_t h)
    {
        o->ao.x = x, o->ao.y = y, o->ao.iWidth = w, o->ao.iHeight = h;
        o->fWidth = static_cast<float>(w), o->fHeight = static_cast<float>(h);
    }
    // The export as rows of letters, one a pixel, through a colour legend.
    std::string Picture(const std::string &legend, const uint32_t *colours) const
    {
        std::string rows;
        for (int y = 0; y < out->iHeight; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t c = DXGetPixel(out, x, y);
                char ch = '?';
                for (size_t i = 0; i < legend.size(); ++i)
                    if (colours[i] == c)
                        ch = legend[i];
                rows += ch;
            }
            rows += '\n';
        }
        return rows;
    }
    // Bounding box (x, y, w, h) of a colour in the export; w 0 when absent.
    R BoxOf(uint32_t colour) const
    {
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        for (int y = 0; y < out->iHeight; ++y)
            for (int x = 0; x < out->iWidth; ++x)
                if (DXGetPixel(out, x, y) == colour) {
                    x0 = std::min(x0, x), y0 = std::min(y0, y);
                    x1 = std::max(x1, x), y1 = std::max(y1, y);
                }
        return x1 < 0 ? R{0, 0, 0, 0} : R{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    }
    void Export(int32_t w, int32_t h)
    {
        ReleaseJpegBuffer2(out);
        width = w;
        out = BuildHiResImage2(w, h, 3);
        ASSERT_NE(out, nullptr) << gErrorTrail;
    }
    LPDDS out = nullptr;
    int32_t width = 0;
};

TEST_F(Compose, PhotoFillsTheAreaAndPiecesFollowTheirCornerThroughResizes)
{
    AddPhoto();
    EXPECT_EQ(A(gPictureRect), (R{190, 96, 585, 438}));
    IMGOBJ *corner = Add(IMG_OBJ, 10, 10, Solid(kRed));
    Place(corner, 190, 96, 100, 80);
    IMGOBJ *outside = Add(IMG_TEXT, 10, 10, Solid(kRed));
    Place(outside, 150, 60, 90, 45);

    for (auto [w, h] : {std::pair{1385, 1200}, {1280, 1024}, {811, 617}, {800, 600}}) {
        gScreenWidth = w, gScreenHeight = h;
        ASSERT_TRUE(ImageObjectResize(nullptr));
        EXPECT_EQ(corner->ao.x, gPictureRect.x);
        EXPECT_EQ(corner->ao.y, gPictureRect.y);
        EXPECT_TRUE(corner->bNeedsUpdate);
        if (w == 1385) { // area 1170 × 1080: the rectangle doubles in width
            EXPECT_FLOAT_EQ(corner->fScaleX, 2.0f);
            EXPECT_NEAR(corner->fWidth, 200.0f, 0.01f);
        }
    }
    // Back at the first size: sizes exact again, positions within a pixel, no drift.
    EXPECT_NEAR(corner->fWidth, 100.0f, 0.01f);
    EXPECT_NEAR(corner->fHeight, 80.0f, 0.01f);
    EXPECT_NEAR(outside->ao.x, 150, 1);
    EXPECT_NEAR(outside->ao.y, 60, 1);
    const int32_t x = outside->ao.x, y = outside->ao.y;
    for (int i = 0; i < 50; ++i)
        ImageObjectResize(nullptr);
    EXPECT_EQ(outside->ao.x, x) << "refitting to the same size never moves a piece";
    EXPECT_EQ(outside->ao.y, y);
}

TEST_F(Compose, PictureWithoutPiecesExportsAsTheStretchedPhoto)
{
    const uint32_t colours[] = {kRed, kGreen, kBlue, 0x000000};
    Add(IMG_SRC, 2, 2, [&](int x, int y) { return colours[y * 2 + x]; });
    gPictureRect = {190, 75, 200, 200};
    Export(6, 4);
    EXPECT_EQ(Picture("RGBK", colours), "RRRGGG\n"
                                        "RRRGGG\n"
                                        "BBBKKK\n"
                                        "BBBKKK\n");
    EXPECT_EQ(out->iPitch, 3 * 8) << "rows are 3 × W8 bytes apart";
    EXPECT_EQ(DXGetPixel(out, 6, 0), 0x000000u) << "the padding stays black";
}

// A 4 × 2 photo of grey shades, a 2 × 2 clip art (red, green / blue, white) and a
// picture rectangle of 160 × 80: a 16 × 8 export is a tenth of the window's scale.
TEST_F(Compose, GoldenExportsOfAPiece)
{
    const struct {
        const char *what;
        int32_t x, y, exportW, exportH;
        int flip;
        const char *want;
    } cases[] = {
        {"scaled and keyed", 40, 20, 16, 8, 0,
         "................\n"
         "................\n"
         "....RRGG........\n"
         "....RRGG........\n"
         "....BB..::::::::\n"
         "....BB..::::::::\n"
         "........::::::::\n"
         "........::::::::\n"},
        {"mirrored both ways", 40, 20, 16, 8, 1,
         "................\n"
         "................\n"
         "......BB........\n"
         "......BB........\n"
         "....GGRR::::::::\n"
         "....GGRR::::::::\n"
         "........::::::::\n"
         "........::::::::\n"},
        {"over the edge: cut, not squeezed", 140, -10, 16, 8, 0,
         "..............RR\n"
         "..............BB\n"
         "..............BB\n"
         "................\n"
         "........::::::::\n"
         "........::::::::\n"
         "........::::::::\n"
         "........::::::::\n"},
    };
    static const uint32_t colours[] = {0x404040, 0x202020, kRed, kGreen, kBlue};
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        Add(IMG_SRC, 4, 2, [](int x, int y) { return y * 4 + x < 6 ? 0x404040u : 0x202020u; });
        IMGOBJ *piece = Add(IMG_OBJ, 2, 2, [](int x, int y) {
            return y == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite);
        });
        gPictureRect = {190, 75, 160, 80};
        Place(piece, 190 + c.x, 75 + c.y, 40, 40);
        piece->bFlipH = piece->bFlipV = c.flip;
        Export(c.exportW, c.exportH);
        EXPECT_EQ(Picture(".:RGB", colours), c.want) << c.what;
    }
}

TEST_F(Compose, PieceKeepsItsPlaceAndSizeAtAnyExportSize)
{
    AddPhoto();
    IMGOBJ *piece = Add(IMG_OBJ, 50, 30, Solid(kRed));
    Place(piece, 190 + 100, 96 + 50, 117, 61);
    const std::pair<std::pair<int32_t, int32_t>, R> cases[] = {
        {{585, 438}, {100, 50, 117, 61}},  // the rectangle's own size: as on the screen
        {{1170, 876}, {200, 100, 234, 122}},
        {{1170, 219}, {200, 25, 234, 30}}, // stretched one way, squeezed the other
    };
    for (const auto &[size, box] : cases) {
        Export(size.first, size.second);
        EXPECT_EQ(BoxOf(kRed), box) << size.first << "x" << size.second;
    }
}

TEST_F(Compose, TurnedClipArtIsCentredOnItsPlace)
{
    AddPhoto();
    IMGOBJ *piece = Add(IMG_OBJ, 80, 40, Solid(kRed));
    Place(piece, 190 + 100, 96 + 100, 80, 40);
    piece->iAngle = 90;
    Export(585, 438);
    const R b = BoxOf(kRed);
    EXPECT_NEAR(b[2], 40, 1);
    EXPECT_NEAR(b[3], 80, 1);
    EXPECT_NEAR(b[0] + b[2] / 2, 100 + 40, 1);
    EXPECT_NEAR(b[1] + b[3] / 2, 100 + 20, 1);
}

TEST_F(Compose, TextPieceHalfOutsideIsCutAtTheEdge)
{
    AddPhoto();
    IMGOBJ *bubble = Add(IMG_TEXT, 100, 50, Solid(kGreen));
    std::strcpy(bubble->szText, "HI");
    Place(bubble, 190 + 585 - 50, 96 + 20, 100, 50);
    Export(585, 438);
    EXPECT_EQ(BoxOf(kGreen), (R{535, 20, 50, 50}));
    EXPECT_EQ(DXGetPixel(out, 586, 40), 0x000000u) << "nothing spilled into the row padding";
}

TEST_F(Compose, BackgroundHasArtLogoPhotoAndFrame)
{
    gDDSClp = DXCreateSurface(nullptr, 40, 30, DDSCAPS_SYSTEMOFFSCREEN);
    DXFillRect(gDDSClp, 0, 0, 40, 30, 0x112233);
    gDDSLogo = DXCreateSurface(nullptr, 20, 10, DDSCAPS_SYSTEMOFFSCREEN);
    DXFillRect(gDDSLogo, 0, 0, 10, 10, 0x445566); // right half white: keyed
    // Frame tiles of the sheet (x, y, w, h), one colour each.
    const int32_t tiles[7][4] = {{1622, 281, 13, 13}, {1636, 281, 16, 13}, {1653, 281, 16, 14},
                                 {1622, 295, 13, 16}, {1653, 295, 16, 16}, {1636, 312, 16, 16},
                                 {1653, 312, 16, 16}};
    for (int i = 0; i < 7; ++i)
        DXFillRect(gDDSSprite, tiles[i][0], tiles[i][1], tiles[i][2], tiles[i][3],
                   0x010101u * (i + 1));
    Add(IMG_SRC, 1600, 1200, Solid(0x808080));
    ASSERT_TRUE(ScreenResize(nullptr)) << gErrorTrail;
    EXPECT_TRUE(gPictureExists);
    const XYWH r = gPictureRect;
    const int32_t right = r.x + r.w, bottom = r.y + r.h, midX = r.x + r.w / 2,
                  midY = r.y + r.h / 2;
    const struct {
        int32_t x, y;
        uint32_t colour;
    } expected[] = {
        {5, 5, 0x112233},          {799, 599, 0x112233},           {16, 11, 0x445566},
        {30, 11, 0x112233},        {r.x + 10, r.y + 10, 0x808080}, {r.x - 13, r.y - 13, 0x010101},
        {midX, r.y - 1, 0x020202}, {right + 2, r.y - 13, 0x030303}, {r.x - 1, midY, 0x040404},
        {right + 15, midY, 0x050505}, {midX, bottom + 15, 0x060606},
        {right + 15, bottom + 15, 0x070707}, {right + 20, midY, 0x112233},
    };
    for (const auto &e : expected)
        EXPECT_EQ(DXGetPixel(gDDSScratch, e.x, e.y), e.colour) << e.x << "," << e.y;
    DXReleaseSurface(gDDSClp), gDDSClp = nullptr;
    DXReleaseSurface(gDDSLogo), gDDSLogo = nullptr;
}

} // namespace
