// Cropping the photo: the pixels cut, the pieces kept on their spot of the photo, one step
// of the history that gives back the cut-away parts, bad rectangles refused, the bound on
// the photos the history keeps.
#include "picture/crop.h"
#include "support/engine_reset.h"

namespace
{

class Crop : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        original = Pixels(24, 16);
        StartHistory();
        gFramesRunning = 1;
        Frames();
    }
    void TearDown() override
    {
        UNDO_Shutdown();
        PictureEngineTest::TearDown();
    }
    // The photo's full-resolution pixels, w × h from its corner.
    static std::vector<uint8_t> Pixels(int32_t w, int32_t h)
    {
        std::vector<uint8_t> out;
        LPDDS s = ListedObjects()[0]->iiRes[HI_RES_OBJ].DDSSurface;
        for (int32_t row = 0; row < h; row++)
            out.insert(out.end(), DXPixel(s, 0, row), DXPixel(s, 0, row) + 3 * w);
        return out;
    }
    static void Frames()
    {
        for (int i = 0; i < 2; i++)
            ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    }
    // Where a piece's corner lies on the photo, in photo pixels.
    static std::pair<double, double> OnPhoto(const IMGOBJ *piece)
    {
        return {(piece->ao.x - gPictureRect.x) * double(gPhotoWidth) / gPictureRect.w,
                (piece->ao.y - gPictureRect.y) * double(gPhotoHeight) / gPictureRect.h};
    }
    std::vector<uint8_t> original;
};

} // namespace

// The cut gives the photo the rectangle's pixels, the hat stays on its spot of the photo
// and grows with the photo's scale; undo gives back every pixel and the hat's place; redo
// cuts again.
TEST_F(Crop, CutUndoAndRedoKeepThePixelsAndThePiecesPlaces)
{
    IMGOBJ *hat = IMGOBJ_AddObj("hat.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
    ASSERT_NE(hat, nullptr) << gErrorTrail;
    // The hat's corner on photo pixel (8, 6).
    hat->ao.x = gPictureRect.x + 8 * gPictureRect.w / 24;
    hat->ao.y = gPictureRect.y + 6 * gPictureRect.h / 16;
    Frames();
    const auto spot = OnPhoto(hat);
    const XYWH rectBefore = gPictureRect;
    const int32_t hatX = hat->ao.x, hatY = hat->ao.y;
    const float hatW = hat->fWidth;
    gModified = 0;

    ASSERT_TRUE(UNDO_PhotoCrop(6, 4, 12, 8)) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(12, 8));
    std::vector<uint8_t> cut;
    for (int row = 4; row < 12; row++)
        cut.insert(cut.end(), original.begin() + (row * 24 + 6) * 3,
                   original.begin() + (row * 24 + 18) * 3);
    EXPECT_EQ(Pixels(12, 8), cut);
    const auto after = OnPhoto(hat);
    EXPECT_NEAR(after.first, spot.first - 6, 0.1);
    EXPECT_NEAR(after.second, spot.second - 4, 0.1);
    EXPECT_NEAR(hat->fWidth / gPictureRect.w * 12, hatW / rectBefore.w * 24, 0.02)
        << "the same part of the photo wide";
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(gErrorTrail[0], '\0');

    ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(24, 16));
    EXPECT_EQ(Pixels(24, 16), original) << "the cut-away parts are back";
    EXPECT_EQ(std::pair(gPictureRect.w, gPictureRect.h), std::pair(rectBefore.w, rectBefore.h));
    EXPECT_EQ(std::pair(hat->ao.x, hat->ao.y), std::pair(hatX, hatY));
    EXPECT_EQ(gModified, 0) << "back at the state on disk";

    ASSERT_TRUE(UNDO_Redo()) << gErrorTrail;
    Frames();
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(12, 8));
    EXPECT_EQ(Pixels(12, 8), cut);
    EXPECT_NEAR(OnPhoto(hat).first, spot.first - 6, 0.1);
}

// A rectangle that is not inside the photo changes nothing and leaves no step.
TEST_F(Crop, RectanglesOutsideThePhotoAreRefused)
{
    const struct {
        int32_t x, y, w, h;
    } bad[] = {{-1, 0, 10, 10}, {0, -1, 10, 10}, {0, 0, 0, 10}, {0, 0, 10, 0},
               {20, 0, 5, 10},  {0, 10, 10, 7},  {0, 0, 25, 16}};
    for (const auto &r : bad) {
        TrailClear();
        EXPECT_FALSE(UNDO_PhotoCrop(r.x, r.y, r.w, r.h)) << r.x << "," << r.y << " " << r.w;
        EXPECT_NE(gErrorTrail[0], '\0');
    }
    EXPECT_EQ(std::pair(gPhotoWidth, gPhotoHeight), std::pair(24, 16));
    EXPECT_EQ(Pixels(24, 16), original);
    EXPECT_EQ(UNDO_CanUndo(), 0);
    EXPECT_EQ(gModified, 0);
    TrailClear();
    EXPECT_TRUE(UNDO_PhotoCrop(0, 0, 24, 16)) << "the whole photo is a rectangle inside it";
}

// The history keeps the whole photo of at most UNDO_MAX_KEPT_PHOTOS cuts: the steps before
// them go, and the bytes are counted.
TEST_F(Crop, TheHistoryKeepsABoundedNumberOfPhotos)
{
    const size_t empty = UNDO_Bytes();
    for (int i = 0; i < UNDO_MAX_KEPT_PHOTOS + 2; i++)
        ASSERT_TRUE(UNDO_PhotoCrop(1, 0, gPhotoWidth - 1, gPhotoHeight)) << gErrorTrail;
    EXPECT_EQ(gPhotoWidth, 24 - UNDO_MAX_KEPT_PHOTOS - 2);
    EXPECT_EQ(UNDO_StepCount(), UNDO_MAX_KEPT_PHOTOS);
    EXPECT_GT(UNDO_Bytes(), empty + UNDO_MAX_KEPT_PHOTOS * 16 * 3 * 16);
    while (UNDO_CanUndo())
        ASSERT_TRUE(UNDO_Undo()) << gErrorTrail;
    EXPECT_EQ(gPhotoWidth, 24 - 2) << "the two oldest cuts can no longer be undone";
}
