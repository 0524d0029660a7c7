// Image objects: creation of photos and pieces, first size and place, the frame
// procedure's drag rules, the two rebuild paths, the outline and the editing steps.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"
#include "shell/appstate.h"

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
        for (int x = 0; x < w; x++) {
            uint8_t *p = &b[54 + static_cast<size_t>(y) * stride + x * 3];
            if (x < w / 2)
                p[2] = 255; // red
            else
                p[0] = 255; // blue
        }
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
        FakePlatformReset();
        TrailClear();
        AO_ClearList();
        gAOListCleared = 0;
        gSelected = nullptr;
        gDraggingPiece = 0;
        gModified = 0;
        gPictureRect = {190, 75, 600, 450};
        gDDSPicture = DXCreateSurface(gDDSPicture, 2048, 2048, DDSCAPS_SYSTEMOFFSCREEN);
        dir = fs::temp_directory_path() / ("mw-imgobj-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "clipart");
        std::snprintf(gMainDir, sizeof gMainDir, "%s/", dir.c_str());
        WriteFile(dir / "clipart" / "wide.clp", TwoColourBmp(400, 200));
        WriteFile(dir / "clipart" / "tall.clp", TwoColourBmp(200, 400));
    }
    void TearDown() override
    {
        AO_ClearList();
        gAOListCleared = 0;
        fs::remove_all(dir);
    }

    static IMGOBJ *Piece(const char *name = "wide.clp")
    {
        IMGOBJ *obj =
            IMGOBJ_AddObj(name, IMG_OBJ, gPictureRect.x, gPictureRect.y, nullptr, nullptr);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        return obj;
    }
    static int ListLength()
    {
        int n = 0;
        for (AO *e = gAOList; e; e = e->pNext)
            n++;
        return n;
    }
};

TEST_F(ImgObj, NewClipArtGetsItsFirstSizeAPlaceAndTheSelection)
{
    IMGOBJ *first = Piece();
    for (int k = 0; k < 20; k++) {
        IMGOBJ *obj = Piece();
        EXPECT_EQ(obj->fWidth, 210.0f);
        EXPECT_EQ(obj->fHeight, 105.0f);
        EXPECT_EQ(obj->ao.iWidth, 210);
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
    EXPECT_EQ(tall->bSelected, 1);
    EXPECT_EQ(first->bSelected, 0);
    EXPECT_EQ(first->bNeedsUpdate, 1) << "the piece that lost the selection is rebuilt";
    EXPECT_EQ(gModified, 1);
    LPDDS hi = first->iiRes[HI_RES_OBJ].DDSSurface;
    EXPECT_EQ(hi->iWidth, 1280);
    EXPECT_EQ(hi->iHeight, 1024);
    EXPECT_EQ(DXGetPixel(hi, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(hi, 399, 199), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(hi, 400, 0), 0xFFFFFFu);

    // The program's own resource of that name when the folder has no such file.
    FakeAddResource("inside.clp", TwoColourBmp(40, 40));
    EXPECT_EQ(Piece("inside.clp")->iSrcWidth, 40);
    const int listed = ListLength();
    TrailClear();
    EXPECT_EQ(IMGOBJ_AddObj("nowhere.clp", IMG_OBJ, 0, 0, nullptr, nullptr), nullptr);
    EXPECT_STREQ(gErrorTrail, "LoadImage() !\nBitmapLoad() IMG_OBJ failed!\n");
    EXPECT_EQ(ListLength(), listed);
}

TEST_F(ImgObj, DraggedPieceKeeps25PixelsInsideThePicture)
{
    IMGOBJ *obj = Piece();
    obj->xAnchor = obj->ao.x;
    obj->yAnchor = obj->ao.y;
    gDraggingPiece = 1;
    gDragDX = -5000;
    gDragDY = -5000;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(obj->ao.x, 190 - 210 + 25);
    EXPECT_EQ(obj->ao.y, 75 - 105 + 25);
    EXPECT_EQ(obj->ptCorner[0][0], obj->ao.x - 1) << "the outline follows the drag";

    gDragDX = gDragDY = 5000;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(obj->ao.x, 190 + 600 - 25);
    EXPECT_EQ(obj->ao.y, 75 + 450 - 25);

    // A piece moved off by the keys is pulled back on the next frame as well.
    gDraggingPiece = 0;
    MoveSelected(-2000, 0);
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(obj->ao.x, 190 - 210 + 25);

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
    IMGOBJ *obj = Piece();
    ResizeSelected(1000.0f, 20.0f);
    EXPECT_EQ(obj->fWidth, 600.0f);
    EXPECT_EQ(obj->fHeight, 125.0f) << "the height goes on changing";
    ResizeSelected(-1000.0f, -1000.0f);
    EXPECT_EQ(obj->fWidth, 10.0f);
    EXPECT_EQ(obj->fHeight, 10.0f);
    ResizeSelected(0.5f, 0.25f);
    EXPECT_EQ(obj->fWidth, 10.5f);
    EXPECT_EQ(obj->fHeight, 10.25f);
}

TEST_F(ImgObj, PictureBufferGrowsToThe45DegreeBoxAndNeverShrinks)
{
    ASSERT_TRUE(CheckPictureBuffer(1600, 1200));
    EXPECT_EQ(gDDSPicture->iWidth, 2048);
    EXPECT_EQ(gDDSPicture->iHeight, 2048);

    int32_t bw, bh;
    CalcRotatedSize(3000, 2000, 45, &bw, &bh);
    ASSERT_TRUE(CheckPictureBuffer(3000, 2000));
    EXPECT_EQ(gDDSPicture->iWidth, bw);
    EXPECT_EQ(gDDSPicture->iHeight, bh);

    ASSERT_TRUE(CheckPictureBuffer(2000, 1500));
    EXPECT_EQ(gDDSPicture->iWidth, bw);
    EXPECT_EQ(gDDSPicture->iHeight, bh);

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

    // Selected: scaled to the screen and turned there; the picture buffer is not used.
    ASSERT_TRUE(UpdateImgObj(obj));
    EXPECT_EQ(DXGetPixel(gDDSPicture, 10, 10), 0x000000u);
    int32_t tw, th;
    CalcRotatedSize(210, 105, 180, &tw, &th);
    EXPECT_EQ(obj->rcRotated[2], tw);
    EXPECT_EQ(obj->rcRotated[3], th);
    EXPECT_EQ(obj->rcRotated[0], obj->ao.x + (210 - tw) / 2);
    LPDDS lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    // Turned half way: the red half is now on the right.
    EXPECT_EQ(DXGetPixel(lo, 20, 50), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(lo, 190, 50), 0xFF0000u);

    // Let go: rebuilt on the next frame through the high-resolution intermediate.
    DeselectAll();
    EXPECT_EQ(obj->bNeedsUpdate, 1);
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(obj->bNeedsUpdate, 0);
    EXPECT_EQ(DXGetPixel(gDDSPicture, 10, 10), 0xFF0000u) << "high-resolution copy in the buffer";
    EXPECT_EQ(obj->rcRotated[2], tw);
    EXPECT_EQ(DXGetPixel(lo, 20, 50), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(lo, 190, 50), 0xFF0000u);

    // Mirrored as well as turned half way: back to red on the left.
    obj->bFlipH = 1;
    ASSERT_TRUE(UpdateImgObj(obj));
    EXPECT_EQ(DXGetPixel(lo, 20, 50), 0xFF0000u);
}

TEST_F(ImgObj, OutlineCornersAtZeroAnd45Degrees)
{
    IMGOBJ obj = {};
    obj.ao.x = 100;
    obj.ao.y = 50;
    obj.fWidth = 100.0f;
    obj.fHeight = 50.0f;
    CalcSelectionFrame(&obj);
    const int32_t flat[4][2] = {{99, 50}, {200, 50}, {200, 99}, {99, 99}};
    EXPECT_EQ(std::memcmp(obj.ptCorner, flat, sizeof flat), 0);
    obj.iAngle = 45;
    CalcSelectionFrame(&obj);
    const int32_t turned[4][2] = {{131, 22}, {202, 93}, {168, 127}, {97, 56}};
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(obj.ptCorner[k][0], turned[k][0]) << "corner " << k + 1;
        EXPECT_EQ(obj.ptCorner[k][1], turned[k][1]) << "corner " << k + 1;
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
    TrailClear();
    IMGOBJ tmpl = {};
    tmpl.ao.x = 300;
    tmpl.ao.y = 200;
    tmpl.fWidth = 123.5f;
    tmpl.fHeight = 60.0f;
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
    ASSERT_GT(photo.string().size(), 200u);
    Piece();
    gModified = 1;
    static int told;
    told = 0;
    const PICTURE_NOTIFY notify = {nullptr, nullptr, [] { ++told; }};
    PICTURE_Init(&notify);
    gDDSBackgnd = DXCreateSurface(gDDSBackgnd, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    gDDSScratch = DXCreateSurface(gDDSScratch, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
    IMGOBJ *obj = IMGOBJ_AddObj(photo.c_str(), IMG_SRC, 0, 0, nullptr, nullptr);
    PICTURE_Shutdown();
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
    EXPECT_EQ(obj->bSelected, 0);

    // Its frame stretches the photo into the screen image and marks the picture shown.
    obj->ao.iWidth = 32;
    obj->ao.iHeight = 24;
    gPictureExists = 0;
    ASSERT_TRUE(obj->ao.AnimateProc(&obj->ao));
    EXPECT_EQ(gPictureExists, 1);
    EXPECT_EQ(DXGetPixel(obj->iiRes[LO_RES_OBJ].DDSSurface, 0, 0), 0xFF0000u);
    EXPECT_EQ(DXGetPixel(obj->iiRes[LO_RES_OBJ].DDSSurface, 31, 23), 0x0000FFu);
    EXPECT_EQ(DXGetPixel(obj->iiRes[LO_RES_OBJ].DDSSurface, 32, 0), 0xFFFFFFu);

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
