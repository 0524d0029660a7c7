// Image objects: photos and pieces made, first size and place, drags and editing steps.
#include "tests/support/engine_reset.h"

namespace
{

// The bytes of a bitmap whose left half is red and right half blue.
std::string TwoColourBmp(int w, int h)
{
    const auto b = PictureBmp(w, h, [w](int x, int) { return x < w / 2 ? 0xFF0000u : 0x0000FFu; });
    return {b.begin(), b.end()};
}

class ImgObj : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineReset();
        DXStartHeadless(DXNEED_SCREEN | DXNEED_PICTURE);
        gPictureRect = {190, 75, 600, 450};
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        tmp.WriteText("clipart/wide.clp", TwoColourBmp(400, 200));
        tmp.WriteText("clipart/tall.clp", TwoColourBmp(200, 400));
    }
    void TearDown() override
    {
        EngineReset();
        DXCleanup();
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
        if (c.dragged) {
            EXPECT_EQ(obj->ptCorner[0][0], obj->ao.x - 1) << "the outline follows the drag";
        }
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
    static int told;
    told = 0;
    const PICTURE_NOTIFY notify = {nullptr, [] { ++told; }, nullptr, nullptr, nullptr};
    PICTURE_Init(&notify);
    gModified = 0;
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
                              {1000, 20, 600, 125},
                              {-100, 375, 500, 450},
                              {-1000, -1000, 10, 10},
                              {0.5f, 0.25f, 10.5f, 10.25f}};
    for (const auto &c : sizes) {
        ResizeSelected(c[0], c[1]);
        EXPECT_EQ(std::pair(obj->fWidth, obj->fHeight), std::pair(c[2], c[3]))
            << c[0] << "," << c[1];
    }
    EXPECT_EQ(std::pair(gModified, told), std::pair(1, 1)) << "told once, when it first changed";
    PICTURE_Shutdown();
}

TEST_F(ImgObj, PhotoFromALongPathBecomesTheUnselectedBackground)
{
    const fs::path photo = dir / std::string(200, 'd') / "holiday.bmp";
    tmp.WriteText(std::string(200, 'd') + "/holiday.bmp", TwoColourBmp(64, 48));
    Piece();
    gModified = 1;
    static int told;
    told = 0;
    const PICTURE_NOTIFY notify = {nullptr, nullptr, [] { ++told; }, nullptr, nullptr};
    PICTURE_Init(&notify);
    IMGOBJ *obj = IMGOBJ_AddObj(photo.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    ASSERT_NE(obj, nullptr) << gErrorTrail;
    EXPECT_STREQ(obj->pszFullPath, photo.c_str());
    EXPECT_EQ(obj->szFileName, photo.string().substr(0, 127)) << "what the layout file keeps";
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(64, 48));
    EXPECT_EQ(gModified, 0);
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(told, 1) << "the window hears of the new photo once";

    // A photo that cannot be read, or whose refit fails, changes neither the photo size
    // nor the window.
    tmp.WriteText("bad.jpg", "not");
    tmp.WriteText("other.bmp", TwoColourBmp(30, 20));
    DXReleaseSurface(gDDSScratch);
    gDDSScratch = nullptr;
    for (const fs::path &p : {dir / "bad.jpg", dir / "other.bmp"}) {
        EXPECT_EQ(IMGOBJ_AddObj(p.c_str(), IMG_SRC, 0, 0, nullptr, nullptr), nullptr) << p;
        EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(64, 48)) << p;
    }
    EXPECT_EQ(told, 1);
    PICTURE_Shutdown();
}

} // namespace
