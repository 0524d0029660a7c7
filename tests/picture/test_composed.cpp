// The composed picture at the screen's own pixels, and written while it is composed.
#include <cmath>

#include "clipart/ownstickers.h"
#include "picture/caption.h"
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

class SaveComposed : public PictureEngineTest
{
  protected:
    ScopedEnv mDataHome{"XDG_DATA_HOME", dir / "data"};

    void SetUp() override
    {
        PictureEngineTest::SetUp();
        photo = AddNoisePhoto(1600, 1200, 11); // a piece drawn out of turn shows
        const XYWH r = gPictureRect;
        // Listed bottom first, so the top-down order differs from the list's; each
        // overlaps the one before it, so their stacking must hold.
        IMGOBJ *dog = Piece("dog.clp", IMG_OBJ, nullptr, r.x + 300, r.y + 400);
        dog->iAngle = 30, dog->fWidth = dog->fHeight = 160;
        Piece("hat.clp", IMG_OBJ, nullptr, r.x + 330, r.y + 380)->bFlipH = 1;
        struct {
            int32_t style = 0;
            char text[16] = "HELLO";
        } text;
        Piece("text4.clp", IMG_TEXT, &text, r.x + 20, r.y + 5);
        const std::string words = "Over the top";
        const CAPTIONDESC caption = {
            {0, 0xFF0000, 0x000000, 0, 0, 1}, words.data(), words.size(), 0};
        IMGOBJ *c = Piece("caption", IMG_CAPTION, &caption, r.x + 280, r.y + 360);
        c->iAngle = 20;
        // An own sticker, its alpha blended.
        std::vector<uint8_t> bgra;
        for (int k = 0; k < 50 * 40; k++)
            bgra.insert(bgra.end(), {40, 200, 90, uint8_t(k % 50 * 5)});
        DIBIMAGE s;
        ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 50, 40, 200, &s));
        std::string sticker;
        ASSERT_TRUE(ClipArt_SaveSticker(&s, "/pics/soft.png", &sticker)) << gErrorTrail;
        DibFreeImage(&s);
        Piece(sticker.c_str(), IMG_OBJ, nullptr, r.x + 10, r.y + 30)->fWidth = 300;
        DeselectAll();
    }
    IMGOBJ *Piece(const char *name, int32_t kind, const void *desc, int32_t x, int32_t y)
    {
        IMGOBJ *o = IMGOBJ_AddObj(name, kind, 0, 0, desc, nullptr);
        EXPECT_NE(o, nullptr) << gErrorTrail;
        o->ao.x = x, o->ao.y = y, o->bNeedsUpdate = 1;
        return o;
    }
    // What the plain composition and a save of it write.
    std::vector<uint8_t> Expected(const char *name, int32_t w, int32_t h)
    {
        LPDDS out = BuildHiResImage2(w, h, 3);
        EXPECT_NE(out, nullptr) << gErrorTrail;
        const fs::path path = dir / name;
        EXPECT_TRUE(PictureSaveRows(out->pBits, size_t(out->iPitch), path.c_str(), w, h, 90));
        ReleaseJpegBuffer2(out);
        return ReadBytes(path);
    }
    IMGOBJ *photo = nullptr;
};

TEST_F(SaveComposed, WritesWhatThePlainCompositionWritesAtEverySizeAndType)
{
    const struct {
        const char *ext;
        int32_t w, h;
        bool onto; // onto the photo's own image
    } cases[] = {{".jpg", 1600, 1200, false},
                 {".jpg", 1000, 750, false},
                 {".png", 1000, 750, false},
                 {".jpg", 1600, 1200, true},
                 {".png", 1600, 1200, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.w) + (c.onto ? " onto" : ""));
        const std::string ref = std::string("ref") + c.ext, got = std::string("got") + c.ext;
        const std::vector<uint8_t> expected = Expected(ref.c_str(), c.w, c.h);
        ASSERT_GT(expected.size(), 1000u);
        ASSERT_EQ(PICTURE_SaveComposed((dir / got).c_str(), c.w, c.h, 90, c.onto ? photo : nullptr),
                  1)
            << gErrorTrail;
        EXPECT_TRUE(ReadBytes(dir / got) == expected);
    }
}

TEST_F(SaveComposed, AFileThatCannotBeWrittenIsReportedAndAnEarlierOneStays)
{
    EXPECT_EQ(PICTURE_SaveComposed((dir / "none/out.jpg").c_str(), 800, 600, 90, nullptr),
              PICTURE_SAVE_FAILED);
    EXPECT_NE(std::string(gErrorTrail).find("Can't open file"), std::string::npos) << gErrorTrail;
    EXPECT_FALSE(fs::exists(dir / "none"));
    // A picture that cannot be composed leaves the file as it was.
    WriteFile((dir / "old.jpg").string(), {'o', 'l', 'd'});
    gPictureRect.w = 0;
    EXPECT_EQ(PICTURE_SaveComposed((dir / "old.jpg").c_str(), 800, 600, 90, nullptr), 0);
    EXPECT_EQ(ReadText(dir / "old.jpg"), "old");
}

} // namespace
