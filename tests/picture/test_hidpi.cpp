// The picture at the screen's own pixels: on a scaled screen the frames keep it equal to
// the full-resolution composition of the same picture at that size, also after pieces
// move and turn.
#include <cmath>

#include "tests/support/engine_reset.h"

namespace
{

class DevicePicture : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        IMGOBJ *photo = AddNoisePhoto(1600, 1200, 7);
        photo->bNeedsUpdate = 1;
        bubble = IMGOBJ_AddObj("text4.clp", IMG_TEXT, 0, 0, Words("HI").data(), nullptr);
        ASSERT_NE(bubble, nullptr) << gErrorTrail;
        bubble->ao.x = gPictureRect.x + 20, bubble->ao.y = gPictureRect.y + 60;
        // Not the same mirrored: red and blue halves, a keyed corner.
        WriteFile((dir / "clipart/flag.clp").string(), PictureBmp(40, 20, [](int x, int y) {
                      return x < 8 && y < 8 ? 0xFFFFFFu : x < 20 ? 0xFF0000u : 0x0000FFu;
                  }));
        hat = IMGOBJ_AddObj("flag.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
        dog = IMGOBJ_AddObj("dog.clp", IMG_OBJ, 0, 0, nullptr, nullptr);
        ASSERT_TRUE(hat && dog) << gErrorTrail;
        hat->ao.x = gPictureRect.x + 40, hat->ao.y = gPictureRect.y + 30;
        dog->ao.x = gPictureRect.x + 60, dog->ao.y = gPictureRect.y + 40, dog->iAngle = 30;
        hat->bNeedsUpdate = dog->bNeedsUpdate = 1;
        DeselectAll();
        gFramesRunning = 1;
    }
    void TearDown() override
    {
        PICTURE_SetDeviceScale(1);
        PictureEngineTest::TearDown();
    }
    // Pixels where the device picture differs from the export of its size by more than
    // the rounding of a blend (2 levels).
    int Mismatches()
    {
        XYWH place;
        LPDDS shown = PICTURE_DevicePicture(&place);
        EXPECT_NE(shown, nullptr);
        if (!shown)
            return -1;
        LPDDS out = BuildHiResImage2(place.w, place.h, 3);
        EXPECT_NE(out, nullptr) << gErrorTrail;
        int bad = 0;
        for (int32_t y = 0; out && y < place.h; y++) {
            const uint8_t *a = DXPixel(shown, 0, y), *b = DXPixel(out, 0, y);
            for (int32_t k = 0; k < 3 * place.w; k += 3)
                bad += std::abs(a[k] - b[k]) > 2 || std::abs(a[k + 1] - b[k + 1]) > 2 ||
                       std::abs(a[k + 2] - b[k + 2]) > 2;
        }
        ReleaseJpegBuffer2(out);
        return bad;
    }
    IMGOBJ *hat = nullptr, *dog = nullptr, *bubble = nullptr;
};

TEST_F(DevicePicture, EqualsTheCompositionAtItsSizeAsPiecesMoveAndTurn)
{
    for (const double scale : {2.0, 1.5, 1.25}) {
        PICTURE_SetDeviceScale(scale);
        ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
        XYWH place;
        ASSERT_NE(PICTURE_DevicePicture(&place), nullptr) << scale;
        EXPECT_NEAR(place.w, gPictureRect.w * scale, 1);
        EXPECT_EQ(place.x, std::lround(gPictureRect.x * scale));
        EXPECT_EQ(Mismatches(), 0) << scale;
        // Only what moved is drawn again (a turn redraws all: its rebuild borrows the
        // picture buffer); nothing of the old places may stay behind.
        for (int step = 0; step < 4; step++) {
            hat->ao.x += 37, hat->ao.y += 11;
            if (step == 2)
                dog->iAngle += 45, dog->bNeedsUpdate = 1;
            if (step == 3)
                bubble->ao.x += 21, hat->bFlipH = 1, hat->bNeedsUpdate = 1;
            ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
            EXPECT_EQ(Mismatches(), 0) << scale << " step " << step;
        }
    }
}

} // namespace
