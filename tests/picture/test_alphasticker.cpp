// Own stickers with soft edges: blended by their alpha file, keyed without it.
#include "clipart/ownstickers.h"
#include "tests/support/engine_reset.h"

namespace
{

class AlphaStickers : public PictureEngineTest
{
  protected:
    ScopedEnv mDataHome{"XDG_DATA_HOME", dir / "data"};
    const fs::path stickers = dir / "data/merrowick/stickers";

    // A sticker made and stored from a picture of one colour; its file name.
    std::string Store(int w, int h, uint32_t argb, bool wantAlpha)
    {
        const std::vector<uint8_t> bgra = BgraPixels(w, h, argb);
        DIBIMAGE s;
        EXPECT_TRUE(ClipArt_MakeSticker(bgra.data(), w, h, 4 * w, &s));
        EXPECT_EQ(s.pBgra != nullptr, wantAlpha) << std::hex << argb;
        std::string name;
        EXPECT_TRUE(ClipArt_SaveSticker(&s, "/pics/soft.png", &name)) << gErrorTrail;
        DibFreeImage(&s);
        return name;
    }
    // The piece `name` over the grey photo, at a known place inside the picture.
    IMGOBJ *Place(const std::string &name)
    {
        IMGOBJ *obj = IMGOBJ_AddObj(name.c_str(), IMG_OBJ, 0, 0, nullptr, nullptr);
        EXPECT_NE(obj, nullptr) << gErrorTrail;
        obj->ao.x = gPictureRect.x + 100, obj->ao.y = gPictureRect.y + 80;
        obj->bNeedsUpdate = 1;
        return obj;
    }
};

// Red at alpha 128 over grey 0x808080: 128·255/255 + 128·127/255 and 128·127/255.
constexpr uint32_t kBlended = 0xC04040;

TEST_F(AlphaStickers, AHalfTransparentStickerBlendsInTheExportAndOnScreen)
{
    AddPhotoFile(1200, 900);
    ImageObjectResize(nullptr);
    const std::string name = Store(40, 40, 0x80FF0000, true);
    EXPECT_TRUE(fs::exists(stickers / "soft.alpha.png"));
    IMGOBJ *obj = Place(name);
    ASSERT_NE(obj->pArtBgra, nullptr);
    DeselectAll();
    gFramesRunning = 1, gPictureExists = 1;
    ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    const int32_t cx = obj->ao.x + obj->ao.iWidth / 2, cy = obj->ao.y + obj->ao.iHeight / 2;
    EXPECT_PRED3(NearColour, DXGetPixel(gDDSPicture, cx, cy), kBlended, 2);

    const XYWH pic = gPictureRect;
    LPDDS out = BuildHiResImage2(1200, 900, 3);
    ASSERT_NE(out, nullptr) << gErrorTrail;
    const int32_t ex = (cx - pic.x) * 1200 / pic.w, ey = (cy - pic.y) * 900 / pic.h;
    EXPECT_PRED3(NearColour, DXGetPixel(out, ex, ey), kBlended, 2);
    EXPECT_EQ(DXGetPixel(out, 5, 5), 0x808080u) << "the photo away from the piece";
    ReleaseJpegBuffer2(out);
}

// Without its own alpha file (none written, removed, or of another size) a sticker is
// keyed as before: alpha 128 is at least half opaque, so solid red.
TEST_F(AlphaStickers, WithoutItsAlphaFileAStickerKeepsTheKey)
{
    AddPhotoFile(1200, 900);
    ImageObjectResize(nullptr);
    Store(40, 40, 0x80FF0000, true);
    fs::remove(stickers / "soft.clp"); // its alpha file stays behind
    const std::string opaque = Store(40, 40, 0xFFFF0000, false);
    EXPECT_FALSE(fs::exists(stickers / "soft.alpha.png")) << "not the new sticker's";
    const std::string soft = Store(40, 40, 0x80FF0000, true); // "soft-2.clp"
    const fs::path alpha = stickers / "soft-2.alpha.png";
    ASSERT_TRUE(fs::exists(alpha));
    const std::string other = Store(30, 40, 0x80FF0000, true); // "soft-3.clp", 30 wide
    fs::rename(stickers / "soft-3.alpha.png", alpha);          // a picture of another size
    const std::string removed = Store(40, 40, 0x80FF0000, true);
    fs::remove(stickers / "soft-4.alpha.png");
    for (const std::string &name : {opaque, soft, removed}) {
        IMGOBJ *obj = Place(name);
        EXPECT_EQ(obj->pArtBgra, nullptr) << name;
        LPDDS out = BuildHiResImage2(gPictureRect.w, gPictureRect.h, 3);
        ASSERT_NE(out, nullptr) << gErrorTrail;
        EXPECT_EQ(DXGetPixel(out, 100 + obj->ao.iWidth / 2, 80 + obj->ao.iHeight / 2), 0xFF0000u)
            << name;
        ReleaseJpegBuffer2(out);
        AO_DelObj(&obj->ao);
    }
    EXPECT_TRUE(fs::exists(stickers / other));
}

// The alpha file keeps faint pixels' colours; a stale one of the same name is not taken over.
TEST_F(AlphaStickers, TheAlphaFileKeepsFaintPixelsAndIsTheStickersOwn)
{
    std::vector<uint8_t> bgra = BgraPixels(2, 1, 0xFF00FF00);
    bgra[4] = 0x10, bgra[5] = 0x20, bgra[6] = 0x30, bgra[7] = 0x40; // faint, below half
    DIBIMAGE s;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 2, 1, 8, &s));
    std::string name;
    fs::create_directories(stickers);
    WriteFile((stickers / "faint.alpha.png").string(), {'x'}); // stale
    ASSERT_TRUE(ClipArt_SaveSticker(&s, "faint.png", &name));
    DibFreeImage(&s);
    uint8_t *back = nullptr;
    ASSERT_TRUE(ClipArt_LoadAlpha((stickers / name).c_str(), 2, 1, &back));
    EXPECT_EQ(std::vector<uint8_t>(back, back + 8), bgra);
    PLAT_PixelsFree(back);
    EXPECT_FALSE(ClipArt_LoadAlpha((stickers / name).c_str(), 1, 2, &back));
    EXPECT_EQ(back, nullptr);
}

} // namespace
