// Image objects: creation of photos and pieces, first size and place, the frame
// procedure's drag rules, the two rebuild paths, the outline and the editing steps.
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "picture/imgobj.h"
#include "support/bmp_builder.h"
#include "tests/support/engine_reset.h"

namespace fs = std::filesystem;

namespace
{

// A bottom-up 24-bit Windows bitmap whose left half is red and right half blue.
std::vector<uint8_t> TwoColourBmp(int w, int h)
{
    BmpSpec s;
    s.width = w, s.height = h;
    std::vector<uint8_t> row(w * 3);
    for (int x = 0; x < w; x++)
        row[x * 3 + (x < w / 2 ? 2 : 0)] = 255;
    PadRow(row);
    for (int y = 0; y < h; y++)
        s.pixels.insert(s.pixels.end(), row.begin(), row.end());
    return MakeBmp(s);
}

void WriteInto(const fs::path &p, const std::vector<uint8_t> &bytes)
{
    fs::create_directories(p.parent_path());
    WriteFile(p.string(), bytes);
}

class ImgObj : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gPictureRect = {190, 75, 600, 450};
        gDDSPicture = DXCreateSurface(gDDSPicture, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        dir = fs::temp_directory_path() / ("mw-imgobj-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        WriteInto(dir / "clipart" / "wide.clp", TwoColourBmp(400, 200));
        WriteInto(dir / "clipart" / "tall.clp", TwoColourBmp(200, 400));
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
    fs::path dir;
};

TEST_F(ImgObj, NewClipArtGetsItsFirstSizeAPlaceAndTheSelection)
{
    IMGOBJ *first = Piece();
    for (int k = 0; k < 10; k++) {
        IMGOBJ *obj = Piece();
        EXPECT_EQ(std::pair(obj->fWidth, obj->fHeight), std::pair(210.0f, 105.0f));
        // Centred (385, 248) shifted by at most half the size either way.
        EXPECT_NEAR(obj->ao.x, 190 + 300 - 105, 105);
        EXPECT_NEAR(obj->ao.y, 75 + 225 - 52, 52);
    }
    IMGOBJ *tall = Piece("tall.clp");
    EXPECT_EQ(std::pair(tall->ao.iWidth, tall->ao.iHeight), std::pair(78, 157));
    EXPECT_EQ(gSelected, tall);
    EXPECT_EQ(std::pair(first->bSelected, first->bNeedsUpdate), std::pair(0, 1))
        << "the piece that lost the selection is rebuilt";
    EXPECT_EQ(gModified, 1);
    LPDDS hi = first->iiRes[HI_RES_OBJ].DDSSurface;
    EXPECT_EQ(DXGetPixel(hi, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(hi, 399, 199), 0x0000FFu);

    // The program's own resource of that name when the folder has no such file.
    FakeAddResource("inside.clp", TwoColourBmp(40, 40));
    EXPECT_EQ(Piece("inside.clp")->iSrcWidth, 40);
    AO *head = gAOList;
    TrailClear();
    EXPECT_EQ(IMGOBJ_AddObj("nowhere.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\nBitmapLoad() IMG_OBJ failed!\n");
    EXPECT_EQ(gAOList, head);
}

// The piece is 210 × 105 in the picture (190, 75, 600, 450): 25 pixels stay inside.
TEST_F(ImgObj, MovedPieceKeeps25PixelsInsideThePicture)
{
    IMGOBJ *other = Piece(), *obj = Piece();
    other->ao.x = 400, other->ao.y = 300;
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
        EXPECT_EQ(std::pair(obj->ao.x, obj->ao.y), std::pair(c.x, c.y)) << c.dx << "," << c.dy;
        if (c.dragged)
            EXPECT_EQ(obj->ptCorner[0][0], obj->ao.x - 1) << "the outline follows the drag";
        ASSERT_TRUE(other->ao.AnimateProc(&other->ao));
        EXPECT_EQ(std::pair(other->ao.x, other->ao.y), std::pair(400, 300)) << "not selected";
    }
    // A removal request deletes the piece in its own frame.
    obj->ao.bRemove = 1;
    EXPECT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(gAOList, &other->ao);
    EXPECT_EQ(gSelected, nullptr);
}

// Turns stay within 0 to 360 (360 itself is kept); sizes are capped by the picture's
// width and height each on its own, and never below 10.
TEST_F(ImgObj, TurnsAndResizesStayWithinTheirLimits)
{
    IMGOBJ *obj = Piece(); // 210 × 105 in a 600 × 450 picture
    const int turns[][3] = {// (start angle, turn, result)
                            {0, -10, 350}, {355, 10, 5},    {350, 10, 360}, {0, -360, 360},
                            {0, 720, 0},   {10, -370, 360}, {360, 10, 10}};
    for (const auto &c : turns) {
        obj->iAngle = c[0];
        RotateSelected(c[1]);
        EXPECT_EQ(obj->iAngle, c[2]) << c[0] << " + " << c[1];
    }
    obj->iKind = IMG_TEXT; // text is never turned
    RotateSelected(30);
    EXPECT_EQ(obj->iAngle, 10);
    const float sizes[][4] = {// (change, result)
                              {1000, 20, 600, 125},   {-100, 375, 500, 450},
                              {-1000, -1000, 10, 10}, {0.5f, 0.25f, 10.5f, 10.25f}};
    for (const auto &c : sizes) {
        ResizeSelected(c[0], c[1]);
        EXPECT_EQ(std::pair(obj->fWidth, obj->fHeight), std::pair(c[2], c[3])) << c[0] << "," << c[1];
    }
}

TEST_F(ImgObj, PictureBufferGrowsToThe45DegreeBoxAndNeverShrinks)
{
    int32_t bw, bh;
    CalcRotatedSize(3000, 2000, 45, &bw, &bh);
    const int32_t cases[][4] = {{1600, 1200, 2048, 2048}, {3000, 2000, bw, bh}, {2000, 1500, bw, bh}};
    for (const auto &c : cases) {
        ASSERT_TRUE(CheckPictureBuffer(c[0], c[1]));
        EXPECT_EQ(std::pair(gDDSPicture->iWidth, gDDSPicture->iHeight), std::pair(c[2], c[3]));
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
        if (!selected)
            DeselectAll();
        ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
        EXPECT_EQ(obj->bNeedsUpdate, 0);
        EXPECT_EQ(DXGetPixel(gDDSPicture, 10, 10), selected ? 0x000000u : 0xFF0000u);
        EXPECT_EQ((std::vector<int32_t>(obj->rcRotated + 0, obj->rcRotated + 4)),
                  (std::vector<int32_t>{obj->ao.x + (210 - tw) / 2, obj->ao.y + (105 - th) / 2, tw, th}));
        // Turned half way: the red half is now on the right.
        EXPECT_EQ(DXGetPixel(lo, 20, 50), 0x0000FFu);
        EXPECT_EQ(DXGetPixel(lo, 190, 50), 0xFF0000u);
    }
    // Mirrored as well as turned half way: back to red on the left.
    obj->bFlipH = obj->bNeedsUpdate = 1;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(DXGetPixel(lo, 20, 50), 0xFF0000u);
}

TEST_F(ImgObj, OutlineCornersAtZeroAnd45Degrees)
{
    IMGOBJ obj = {};
    obj.ao.x = 100, obj.ao.y = 50, obj.fWidth = 100.0f, obj.fHeight = 50.0f;
    const int32_t want[2][4][2] = {{{99, 50}, {200, 50}, {200, 99}, {99, 99}},
                                   {{131, 22}, {202, 93}, {168, 127}, {97, 56}}};
    for (int turned : {0, 1}) {
        obj.iAngle = turned * 45;
        CalcSelectionFrame(&obj);
        EXPECT_EQ(0, std::memcmp(obj.ptCorner, want[turned], sizeof want[turned])) << obj.iAngle;
    }
}

TEST_F(ImgObj, TextPiecesTakeTheirBubbleTextAndTemplate)
{
    const char desc[208] = {3, 0, 0, 0, 'H', 'I'};
    EXPECT_EQ(IMGOBJ_AddObj("missing.clp", IMG_TEXT, 0, 0, desc, nullptr), nullptr);

    gDDSText = DXCreateSurface(gDDSText, 1200, 600, DDSCAPS_SYSTEMOFFSCREEN);
    gDDSSprite = DXCreateSurface(gDDSSprite, 1700, 345, DDSCAPS_SYSTEMOFFSCREEN);
    IMGOBJ tmpl = {};
    tmpl.ao.x = 300, tmpl.ao.y = 200, tmpl.fWidth = 123.5f, tmpl.fHeight = 60.0f;
    IMGOBJ *obj = IMGOBJ_AddObj("wide.clp", IMG_TEXT, 0, 0, desc, &tmpl);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_EQ(obj->iTextStyle, 3);
    EXPECT_STREQ(obj->szText, "HI");
    EXPECT_EQ(std::pair(obj->ao.x, obj->ao.iWidth), std::pair(300, 123));
    EXPECT_EQ(gSelected, obj);
}

TEST_F(ImgObj, PhotoFromALongPathBecomesTheUnselectedBackground)
{
    const fs::path photo = dir / std::string(200, 'd') / "holiday.bmp";
    WriteInto(photo, TwoColourBmp(64, 48));
    Piece();
    gModified = 1;
    static int told;
    told = 0;
    const PICTURE_NOTIFY notify = {nullptr, nullptr, [] { ++told; }};
    PICTURE_Init(&notify);
    for (LPDDS *s : {&gDDSBackgnd, &gDDSScratch})
        *s = DXCreateSurface(*s, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    IMGOBJ *obj = IMGOBJ_AddObj(photo.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_EQ(told, 1) << "the window hears of the new photo once";
    EXPECT_STREQ(obj->pszFullPath, photo.c_str());
    EXPECT_EQ(obj->szFileName, photo.string().substr(0, 127)) << "what the layout file keeps";
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(64, 48));
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gSelected, nullptr);

    // Its frame stretches the photo into the screen image and marks the picture shown.
    obj->ao.iWidth = 32, obj->ao.iHeight = 24;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(gPictureExists, 1);
    LPDDS lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    EXPECT_EQ(DXGetPixel(lo, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(lo, 31, 23), 0x0000FFu);

    // A photo larger than the window keeps a screen surface of window size only.
    gPictureExists = 0; // no window image here for the picture pass to copy into
    WriteInto(dir / "large.bmp", TwoColourBmp(1500, 1100));
    IMGOBJ *large = IMGOBJ_AddObj((dir / "large.bmp").c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    ASSERT_NE(large, nullptr) << gErrorTrail;
    EXPECT_EQ(large->iiRes[HI_RES_OBJ].DDSSurface->iWidth, 1504);
    EXPECT_EQ(large->iiRes[LO_RES_OBJ].DDSSurface->iWidth, 1280);

    // The empty photo a layout file fills.
    IMGOBJ *buf = IMGOBJ_AddObjSrcBuf(900, 700, 3);
    ASSERT_NE(buf, nullptr);
    EXPECT_STREQ(buf->szFileName, "Tempname.jpg");
    EXPECT_EQ(std::pair(buf->ao.iWidth, gPhotoHeight), std::pair(900, 700));
}

} // namespace
