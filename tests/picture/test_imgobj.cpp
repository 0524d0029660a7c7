// Image objects: creation of photos and pieces, first size and place, the frame
// procedure's drag rules, the two rebuild paths, the outline and the editing steps.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "picture/imgobj.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

// A bottom-up 24-bit Windows bitmap whose left half is red and right half blue.
std::vector<uint8_t> TwoColourBmp(int w, int h)
{
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b(54 + static_cast<size_t>(stride) * h, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int k = 0; k < n; k++)
            b[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    b[0] = 'B', b[1] = 'M';
    put(2, static_cast<uint32_t>(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            b[54 + static_cast<size_t>(y) * stride + x * 3 + (x < w / 2 ? 2 : 0)] = 255;
    return b;
}

void WriteFile(const fs::path &p, const std::vector<uint8_t> &bytes)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

class ImgObj : public ::testing::Test
{
  protected:
    fs::path dir;

    void SetUp() override
    {
        EngineReset();
        gPictureRect = {190, 75, 600, 450};
        gDDSPicture = DXCreateSurface(gDDSPicture, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        dir = fs::temp_directory_path() / ("mw-imgobj-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        WriteFile(dir / "clipart" / "wide.clp", TwoColourBmp(400, 200));
        WriteFile(dir / "clipart" / "tall.clp", TwoColourBmp(200, 400));
    }
    void TearDown() override
    {
        EngineReset();
        fs::remove_all(dir);
    }

    static IMGOBJ *Piece(const char *name = "wide.clp")
    {
        IMGOBJ *obj =
            IMGOBJ_AddObj(name, IMG_OBJ, gPictureRect.x, gPictureRect.y, nullptr, nullptr);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
};

TEST_F(ImgObj, NewClipArtGetsItsFirstSizeAPlaceAndTheSelection)
{
    IMGOBJ *first = Piece();
    for (int k = 0; k < 20; k++) {
        IMGOBJ *obj = Piece();
        EXPECT_EQ(obj->fWidth, 210.0f);
        EXPECT_EQ(obj->fHeight, 105.0f);
        // Centred (385, 248) shifted by at most half the size either way.
        EXPECT_GE(obj->ao.x, 190 + 300 - 105 - 104);
        EXPECT_LE(obj->ao.x, 190 + 300 - 105 + 105);
        EXPECT_GE(obj->ao.y, 75 + 225 - 52 - 52);
        EXPECT_LE(obj->ao.y, 75 + 225 - 52 + 52);
    }
    IMGOBJ *tall = Piece("tall.clp");
    EXPECT_EQ(tall->ao.iHeight, 157);
    EXPECT_EQ(tall->ao.iWidth, 78);
    EXPECT_EQ(gSelected, tall);
    EXPECT_EQ(first->bSelected, 0);
    EXPECT_EQ(first->bNeedsUpdate, 1) << "the piece that lost the selection is rebuilt";
    EXPECT_EQ(gModified, 1);
    LPDDS hi = first->iiRes[HI_RES_OBJ].DDSSurface;
    EXPECT_EQ(hi->iWidth, 1280);
    EXPECT_EQ(DXGetPixel(hi, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(hi, 399, 199), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(hi, 400, 0), 0xFFFFFFu);

    // The program's own resource of that name when the folder has no such file.
    FakeAddResource("inside.clp", TwoColourBmp(40, 40));
    EXPECT_EQ(Piece("inside.clp")->iSrcWidth, 40);
    AO *head = gAOList;
    TrailClear();
    EXPECT_EQ(IMGOBJ_AddObj("nowhere.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\nBitmapLoad() IMG_OBJ failed!\n");
    EXPECT_EQ(AO_CountType(AO_TYPE_IMGOBJ), 23);
    EXPECT_EQ(gAOList, head);
}

// The piece is 210 × 105 in the picture (190, 75, 600, 450): 25 pixels stay inside.
TEST_F(ImgObj, MovedPieceKeeps25PixelsInsideThePicture)
{
    IMGOBJ *obj = Piece();
    const struct {
        bool dragged;
        int32_t dx, dy, x, y;
    } cases[] = {
        {true, -5000, -4000, 190 - 210 + 25, 75 - 105 + 25},
        {true, 5000, 4000, 190 + 600 - 25, 75 + 450 - 25},
        {false, -2000, 3000, 190 - 210 + 25, 75 + 450 - 25}, // moved by the keys
        {false, 3000, -2000, 190 + 600 - 25, 75 - 105 + 25},
    };
    for (const auto &c : cases) {
        obj->ao.x = obj->xAnchor = 300, obj->ao.y = obj->yAnchor = 200;
        gDraggingPiece = c.dragged, gDragDX = c.dx, gDragDY = c.dy;
        if (!c.dragged)
            MoveSelected(c.dx, c.dy);
        ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
        EXPECT_EQ(obj->ao.x, c.x) << c.dx;
        EXPECT_EQ(obj->ao.y, c.y) << c.dy;
        if (c.dragged) {
            EXPECT_EQ(obj->ptCorner[0][0], obj->ao.x - 1) << "the outline follows the drag";
        }
    }
    // A removal request deletes the piece in its own frame.
    obj->ao.bRemove = 1;
    EXPECT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(gAOList, nullptr);
    EXPECT_EQ(gSelected, nullptr);
}

TEST_F(ImgObj, TurnsStayWithinZeroTo360AndOnlyClipArtTurns)
{
    IMGOBJ *obj = Piece();
    // (start angle, turn, result)
    const int cases[][3] = {{0, -10, 350}, {355, 10, 5},    {350, 10, 360}, {0, -360, 360},
                            {0, 720, 0},   {10, -370, 360}, {360, 10, 10}};
    for (const auto &c : cases) {
        obj->iAngle = c[0];
        RotateSelected(c[1]);
        EXPECT_EQ(obj->iAngle, c[2]) << c[0] << " + " << c[1];
    }
    obj->iKind = IMG_TEXT; // text is never turned
    RotateSelected(30);
    EXPECT_EQ(obj->iAngle, 10);
    obj->iKind = IMG_OBJ;
    DeselectAll();
    RotateSelected(30);
    EXPECT_EQ(obj->iAngle, 10);
}

TEST_F(ImgObj, ResizeIsLimitedOnEachAxisOnItsOwn)
{
    IMGOBJ *obj = Piece(); // 210 × 105 in a 600 × 450 picture
    const float cases[][4] = {// (change, result)
                              {1000, 20, 600, 125},   {-100, 375, 500, 450},
                              {-1000, -1000, 10, 10}, {0.5f, 0.25f, 10.5f, 10.25f}};
    for (const auto &c : cases) {
        ResizeSelected(c[0], c[1]);
        EXPECT_EQ(obj->fWidth, c[2]) << c[0] << ", " << c[1];
        EXPECT_EQ(obj->fHeight, c[3]) << c[0] << ", " << c[1];
    }
}

TEST_F(ImgObj, PictureBufferGrowsToThe45DegreeBoxAndNeverShrinks)
{
    int32_t bw, bh;
    CalcRotatedSize(3000, 2000, 45, &bw, &bh);
    const int32_t cases[][4] = {{1600, 1200, 2048, 2048}, {3000, 2000, bw, bh}, {2000, 1500, bw, bh}};
    for (const auto &c : cases) {
        ASSERT_TRUE(CheckPictureBuffer(c[0], c[1]));
        EXPECT_EQ(gDDSPicture->iWidth, c[2]) << c[0];
        EXPECT_EQ(gDDSPicture->iHeight, c[3]) << c[0];
    }
    // A box beyond what a surface can be: refused, the old buffer stays usable.
    LPDDS before = gDDSPicture;
    EXPECT_FALSE(CheckPictureBuffer(60000, 60000));
    EXPECT_EQ(gDDSPicture, before);
}

TEST_F(ImgObj, SelectedPieceIsTurnedFastAndOthersAtHighResolution)
{
    IMGOBJ *obj = Piece();
    obj->iAngle = 180;
    DXFillRect(gDDSPicture, 0, 0, 500, 500, 0x000000);
    LPDDS lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    int32_t tw, th;
    CalcRotatedSize(210, 105, 180, &tw, &th);

    // Selected: scaled to the screen and turned there; the picture buffer is not used.
    // Let go: rebuilt on the next frame through the high-resolution intermediate.
    for (bool selected : {true, false}) {
        if (selected) {
            ASSERT_TRUE(UpdateImgObj(obj));
        } else {
            DeselectAll();
            EXPECT_EQ(obj->bNeedsUpdate, 1);
            ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
            EXPECT_EQ(obj->bNeedsUpdate, 0);
        }
        EXPECT_EQ(DXGetPixel(gDDSPicture, 10, 10), selected ? 0x000000u : 0xFF0000u);
        EXPECT_EQ(obj->rcRotated[0], obj->ao.x + (210 - tw) / 2);
        EXPECT_EQ(obj->rcRotated[2], tw);
        EXPECT_EQ(obj->rcRotated[3], th);
        // Turned half way: the red half is now on the right.
        EXPECT_EQ(DXGetPixel(lo, 20, 50), 0x0000FFu);
        EXPECT_EQ(DXGetPixel(lo, 190, 50), 0xFF0000u);
    }
    // Mirrored as well as turned half way: back to red on the left.
    obj->bFlipH = 1;
    ASSERT_TRUE(UpdateImgObj(obj));
    EXPECT_EQ(DXGetPixel(lo, 20, 50), 0xFF0000u);
}

TEST_F(ImgObj, OutlineCornersAtZeroAnd45Degrees)
{
    IMGOBJ obj = {};
    obj.ao.x = 100, obj.ao.y = 50;
    obj.fWidth = 100.0f, obj.fHeight = 50.0f;
    const int32_t want[2][4][2] = {{{99, 50}, {200, 50}, {200, 99}, {99, 99}},
                                   {{131, 22}, {202, 93}, {168, 127}, {97, 56}}};
    for (int turned : {0, 1}) {
        obj.iAngle = turned * 45;
        CalcSelectionFrame(&obj);
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(obj.ptCorner[k][0], want[turned][k][0]) << obj.iAngle << " corner " << k;
            EXPECT_EQ(obj.ptCorner[k][1], want[turned][k][1]) << obj.iAngle << " corner " << k;
        }
    }
}

TEST_F(ImgObj, TextPiecesTakeTheirBubbleTextAndTemplate)
{
    const char desc[208] = {3, 0, 0, 0, 'H', 'I'};
    EXPECT_EQ(IMGOBJ_AddObj("missing.clp", IMG_TEXT, 0, 0, desc, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\nJpegLoad() IMG_TEXT failed!\n");
    EXPECT_EQ(gAOList, nullptr);

    gDDSText = DXCreateSurface(gDDSText, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
    gDDSSprite = DXCreateSurface(gDDSSprite, 1700, 345, DDSCAPS_SYSTEMOFFSCREEN);
    IMGOBJ tmpl = {};
    tmpl.ao.x = 300, tmpl.ao.y = 200;
    tmpl.fWidth = 123.5f, tmpl.fHeight = 60.0f;
    IMGOBJ *obj = IMGOBJ_AddObj("wide.clp", IMG_TEXT, 0, 0, desc, &tmpl);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_EQ(obj->iTextStyle, 3);
    EXPECT_STREQ(obj->szText, "HI");
    EXPECT_EQ(obj->ao.x, 300);
    EXPECT_EQ(obj->ao.iWidth, 123);
    EXPECT_EQ(gSelected, obj);
}

TEST_F(ImgObj, PhotoFromALongPathBecomesTheUnselectedBackground)
{
    fs::path deep = dir;
    for (int k = 0; k < 6; k++)
        deep /= "a-rather-long-folder-name-for-photos";
    const fs::path photo = deep / "holiday.bmp";
    WriteFile(photo, TwoColourBmp(64, 48));
    Piece();
    gModified = 1;
    static int told;
    told = 0;
    const PICTURE_NOTIFY notify = {nullptr, nullptr, [] { ++told; }};
    PICTURE_Init(&notify);
    gDDSBackgnd = DXCreateSurface(gDDSBackgnd, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    gDDSScratch = DXCreateSurface(gDDSScratch, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    IMGOBJ *obj = IMGOBJ_AddObj(photo.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_EQ(told, 1) << "the window hears of the new photo once";
    EXPECT_STREQ(obj->pszFullPath, photo.c_str());
    EXPECT_EQ(std::strlen(obj->szFileName), 127u);
    EXPECT_EQ(std::strncmp(obj->szFileName, photo.c_str(), 127), 0);
    EXPECT_EQ(obj->iFileType, 2);
    EXPECT_EQ(gPhotoWidth, 64);
    EXPECT_EQ(gPhotoHeight, 48);
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gSelected, nullptr);

    // Its frame stretches the photo into the screen image and marks the picture shown.
    obj->ao.iWidth = 32, obj->ao.iHeight = 24;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(gPictureExists, 1);
    LPDDS lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    EXPECT_EQ(DXGetPixel(lo, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(lo, 31, 23), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(lo, 32, 0), 0xFFFFFFu);

    // A photo larger than the window keeps a screen surface of window size only.
    gPictureExists = 0; // no window image here for the picture pass to copy into
    WriteFile(dir / "large.bmp", TwoColourBmp(1500, 1100));
    IMGOBJ *large = IMGOBJ_AddObj((dir / "large.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    ASSERT_NE(large, nullptr) << gErrorTrail;
    EXPECT_EQ(large->iiRes[HI_RES_OBJ].DDSSurface->iWidth, 1504);
    EXPECT_EQ(large->iiRes[LO_RES_OBJ].DDSSurface->iWidth, 1280);
    EXPECT_EQ(large->iiRes[LO_RES_OBJ].DDSSurface->iHeight, 1024);

    // The empty photo a layout file fills.
    IMGOBJ *buf = IMGOBJ_AddObjSrcBuf(900, 700, 3);
    ASSERT_NE(buf, nullptr);
    EXPECT_STREQ(buf->szFileName, "Tempname.jpg");
    EXPECT_EQ(buf->ao.iWidth, 900);
    EXPECT_EQ(gPhotoHeight, 700);
    EXPECT_EQ(buf->iiRes[HI_RES_OBJ].DDSSurface->iHeight, 1024);
}

} // namespace
