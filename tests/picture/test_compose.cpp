// Picture composition: fitting the photo, pieces following it, and the export's geometry.
#include <algorithm>
#include <functional>

#include "tests/support/engine_reset.h"

namespace
{

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
using R = std::array<int32_t, 4>;

TEST(PictureRect, FitsThePhotoIntoTheAreaCentredAtLeastOnePixelEachWay)
{
    const struct {
        int32_t w, h, areaW, areaH;
        R want;
    } cases[] = {
        {1600, 1200, 585, 480, {190, 96, 585, 438}}, {1200, 1600, 585, 480, {302, 75, 360, 480}},
        {1000, 1000, 585, 480, {242, 75, 480, 480}}, {1, 700, 585, 480, {482, 75, 1, 480}},
        {0, 100, 585, 480, {190, 75, 0, 0}},
    };
    for (const auto &c : cases) {
        const XYWH r = PictureRectFor(c.w, c.h, c.areaW, c.areaH);
        EXPECT_EQ((R{r.x, r.y, r.w, r.h}), c.want) << c.w << "x" << c.h;
    }
}

// The picture engine with a blue sprite sheet.
class Compose : public PictureEngineTest
{
  protected:
    void SetUp() override
    {
        PictureEngineTest::SetUp();
        gDDSSprite = DXCreateSurface(nullptr, 2048, 345, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(gDDSSprite, 0, 0, 2048, 345, kBlue);
        gFramesRunning = 1;
    }
    void TearDown() override
    {
        PictureEngineTest::TearDown();
        DXReleaseSurface(gDDSSprite), gDDSSprite = nullptr;
        ReleaseJpegBuffer2(out); // with the memory it lies over
    }
    // An image object whose high-resolution image is w × h pixels of one colour,
    // placed at (x, y) in the window as pw × ph.
    static IMGOBJ *Add(int32_t kind, int32_t w, int32_t h, uint32_t colour, int32_t x = 0,
                       int32_t y = 0, int32_t pw = 0, int32_t ph = 0)
    {
        IMGOBJ *o = RawPiece(kind, w, h, x, y, pw, ph);
        o->iiRes[HI_RES_OBJ].DDSSurface = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
        o->iiRes[LO_RES_OBJ].DDSSurface =
            DXCreateSurface(nullptr, 1280, 1024, DDSCAPS_SYSTEMOFFSCREEN);
        DXFillRect(o->iiRes[HI_RES_OBJ].DDSSurface, 0, 0, w, h, colour);
        AO_AddObj(&o->ao);
        return o;
    }
    // A 1600 × 1200 grey photo, fitted: the picture rectangle is (190, 96, 585, 438).
    static void AddPhoto()
    {
        Add(IMG_SRC, 1600, 1200, 0x808080);
        ImageObjectResize(nullptr);
    }
    // Bounding box (x, y, w, h) of a colour in the export; w 0 when absent.
    R BoxOf(uint32_t colour) const
    {
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        for (int y = 0; y < out->iHeight; ++y)
            for (int x = 0; x < out->iWidth; ++x)
                if (DXGetPixel(out, x, y) == colour)
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = x > x1 ? x : x1, y1 = y;
        return x1 < 0 ? R{0, 0, 0, 0} : R{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    }
    void Export(int32_t w, int32_t h)
    {
        ReleaseJpegBuffer2(out);
        out = BuildHiResImage2(w, h, 3);
        ASSERT_NE(out, nullptr) << gErrorTrail;
    }
    // The pixel the window shows at (x, y).
    static uint32_t Shown(int32_t x, int32_t y)
    {
        const PLAT_IMAGE *win = PLAT_GetWindowImage();
        const uint8_t *p = win->pBits + y * win->iPitch + x * 3;
        return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }
    // A 10 × 10 sprite of the sheet at (20, 20), flushed where it stands.
    static AO *AddSprite()
    {
        AO *sprite = AO_Alloc(sizeof(AO));
        sprite->dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH, sprite->pSheet = sprite;
        sprite->x = sprite->rcUpdate[0] = 20, sprite->y = sprite->rcUpdate[1] = 20;
        sprite->iWidth = sprite->iHeight = sprite->rcUpdate[2] = sprite->rcUpdate[3] = 10;
        AO_AddObj(sprite);
        return sprite;
    }
    LPDDS out = nullptr;
};

// Dragging the window's edge up to its largest size in small steps and back brings
// every piece back to its pixel; the picture's corner stays the corner.
TEST_F(Compose, PiecesFollowThePictureThroughResizesWithoutDrift)
{
    AddPhoto();
    IMGOBJ *pieces[] = {Add(IMG_OBJ, 10, 10, kRed, 190, 96, 100, 80),
                        Add(IMG_TEXT, 10, 10, kRed, 150, 60, 90, 45),
                        Add(IMG_OBJ, 10, 10, kRed, 437, 301, 51, 37)};
    auto places = [&] {
        std::vector<R> p;
        for (const IMGOBJ *o : pieces)
            p.push_back(R{o->ao.x, o->ao.y, o->ao.iWidth, o->ao.iHeight});
        return p;
    };
    const std::vector<R> start = places();
    std::vector<std::pair<int32_t, int32_t>> sizes;
    // A drag of the corner: uneven steps, as a mouse gives them.
    for (int32_t w = 800, h = 600, i = 0; w < 1280; i++) {
        w = std::min(1280, w + 1 + i % 5);
        h = std::min(1024, h + 1 + i % 3);
        sizes.push_back({w, h});
    }
    for (int32_t w = 1280, h = 1024, i = 0; w > 800; i++) { // and back, other steps
        w = std::max(800, w - 2 - i % 4);
        h = std::max(600, h - 1 - i % 2);
        sizes.push_back({w, h});
    }
    sizes.push_back({800, 600});
    for (auto [w, h] : sizes) {
        gScreenWidth = w, gScreenHeight = h;
        ASSERT_TRUE(ImageObjectResize(nullptr));
        EXPECT_EQ(std::pair(pieces[0]->ao.x, pieces[0]->ao.y),
                  std::pair(gPictureRect.x, gPictureRect.y));
    }
    for (IMGOBJ *o : pieces)
        o->ao.iWidth = static_cast<int32_t>(o->fWidth + 0.5f),
        o->ao.iHeight = static_cast<int32_t>(o->fHeight + 0.5f);
    EXPECT_EQ(places(), start);
    for (int i = 0; i < 50; ++i)
        ImageObjectResize(nullptr);
    EXPECT_EQ(places(), start) << "refitting never moves a piece";
    // A piece moved sideways only follows the picture from where it was moved to.
    pieces[2]->ao.x += 7;
    for (auto [w, h] : {std::pair{1280, 1024}, {800, 600}}) {
        gScreenWidth = w, gScreenHeight = h;
        ASSERT_TRUE(ImageObjectResize(nullptr));
    }
    EXPECT_EQ(pieces[2]->ao.x, start[2][0] + 7);
}

// One as large as the picture at 45 degrees (its box is larger than the window), and
// artwork wider than the picture buffer.
TEST_F(Compose, LargeAndWideTurnedPiecesAreDrawnAndFollowTheirPiece)
{
    gScreenWidth = 1280, gScreenHeight = 1024;
    AddPhoto();
    const XYWH pic = gPictureRect;
    IMGOBJ *large = Add(IMG_OBJ, 400, 300, kRed, pic.x, pic.y, pic.w, pic.h);
    IMGOBJ *wide = Add(IMG_OBJ, 2600, 100, kGreen, pic.x + 10, pic.y + 10, 520, 20);
    large->iAngle = 45, wide->iAngle = 30;
    for (IMGOBJ *selected : {static_cast<IMGOBJ *>(nullptr), large, wide}) {
        gSelected = selected;
        large->bNeedsUpdate = wide->bNeedsUpdate = 1;
        ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
        EXPECT_GE(large->rcRotated[2], 1300);
        EXPECT_GE(large->iiRes[LO_RES_OBJ].DDSSurface->iHeight, large->rcRotated[3]);
    }
    gSelected = large, large->bSelected = 1, gDraggingPiece = 1;
    large->xAnchor = large->ao.x, large->yAnchor = large->ao.y, gDragDX = -40, gDragDY = 30;
    const int32_t boxX = large->rcRotated[0], boxY = large->rcRotated[1];
    ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
    EXPECT_EQ(std::pair(large->rcRotated[0], large->rcRotated[1]), std::pair(boxX - 40, boxY + 30));
}

// A rebuilt background reaches the window at once, and a sprite that goes leaves the
// background behind in it too.
TEST_F(Compose, TheWindowShowsRebuiltBackgroundsAndNoLeftOverSprites)
{
    AddPhoto();
    ASSERT_TRUE(BackgroundResize()) << gErrorTrail;
    EXPECT_EQ(Shown(gPictureRect.x - 5, gPictureRect.y - 5), kBlue) << "the frame";
    AO *sprite = AddSprite();
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(Shown(25, 25), kBlue);
    AO_DelObj(sprite);
    EXPECT_EQ(Shown(25, 25), DXGetPixel(gDDSBackgnd, 25, 25));
}

// A photo let go for another is gone by the second rebuild of the background, as a photo's
// open makes them (once adding it, once for the new document): none of it shows beside
// the new one, which is narrower.
TEST_F(Compose, ARebuiltBackgroundHoldsOnlyTheNewPhoto)
{
    gDDSClp = DXCreateSurface(nullptr, 80, 60, DDSCAPS_SYSTEMOFFSCREEN); // green backdrop art
    DXFillRect(gDDSClp, 0, 0, 80, 60, kGreen);
    AddPhoto();
    ASSERT_TRUE(BackgroundResize()) << gErrorTrail;
    ASSERT_EQ(DXGetPixel(gDDSBackgnd, 200, 200), 0x808080u);
    AO_KillType(AO_TYPE_IMGOBJ, 0, 0);
    Add(IMG_SRC, 1200, 1600, kRed);
    ImageObjectResize(nullptr);
    EXPECT_TRUE(BackgroundResize() && BackgroundResize()) << gErrorTrail;
    EXPECT_EQ(DXGetPixel(gDDSBackgnd, 400, 200), kRed);
    EXPECT_EQ(DXGetPixel(gDDSBackgnd, 200, 200), kGreen);
    EXPECT_EQ(Shown(200, 200), kGreen);
    DXReleaseSurface(gDDSClp), gDDSClp = nullptr;
}

// A moved piece, a rebuilt image, a selection or a sprite over the picture brings it back.
TEST_F(Compose, FramesRedrawThePictureOnlyWhenItChanged)
{
    AddPhoto();
    IMGOBJ *piece = Add(IMG_OBJ, 10, 10, kRed, 300, 200, 40, 30);
    piece->bNeedsUpdate = 0;
    gPictureExists = 1;
    auto pictureInvalidated = [] {
        for (const auto &r : FakePlatform().invalidated)
            if (r[0] < gPictureRect.x + gPictureRect.w && gPictureRect.x < r[0] + r[2] &&
                r[1] < gPictureRect.y + gPictureRect.h && gPictureRect.y < r[1] + r[3])
                return true;
        return false;
    };
    AO *sprite = AddSprite(); // moves into the picture's area in the last step
    const struct {
        const char *step;
        std::function<void()> change;
        bool redrawn;
    } steps[] = {
        {"first frame", [] {}, true},
        {"nothing", [] {}, false},
        {"moved", [piece] { piece->ao.x += 5; }, true},
        {"nothing again", [] {}, false},
        {"rebuilt", [piece] { piece->bNeedsUpdate = 1; }, true},
        {"selected", [piece] { gSelected = piece, CalcSelectionFrame(piece); }, true},
        {"outline moved", [piece] { piece->ptCorner[0][0] += 3; }, true},
        {"sprite over it",
         [sprite] { sprite->x = sprite->rcUpdate[0] = 320, sprite->y = sprite->rcUpdate[1] = 210; },
         true},
    };
    for (const auto &s : steps) {
        s.change();
        DXPutPixel(gDDSPicture, 310, 205, 0x123456); // a mark a redraw paints over
        FakePlatform().invalidated.clear();
        ASSERT_TRUE(AO_ProcessFlip()) << gErrorTrail;
        EXPECT_EQ(pictureInvalidated(), s.redrawn) << s.step;
        if (std::string(s.step) != "sprite over it") {
            EXPECT_EQ(DXGetPixel(gDDSPicture, 310, 205) != 0x123456, s.redrawn) << s.step;
        }
        // The window shows the picture, also where the sprite's copy went over it.
        EXPECT_EQ(Shown(325, 215), DXGetPixel(gDDSPicture, 325, 215)) << s.step;
    }
    // A moving piece redraws and invalidates its old and new places only.
    gSelected = nullptr;
    ASSERT_TRUE(AO_ProcessFlip());
    const XYWH before = {piece->ao.x, piece->ao.y, piece->ao.iWidth, piece->ao.iHeight};
    piece->ao.x += 7;
    const int32_t farX = gPictureRect.x + gPictureRect.w - 3, farY = gPictureRect.y + 2;
    DXPutPixel(gDDSPicture, farX, farY, 0x123456);
    FakePlatform().invalidated.clear();
    ASSERT_TRUE(AO_ProcessFlip());
    EXPECT_EQ(DXGetPixel(gDDSPicture, farX, farY), 0x123456u) << "not redrawn far away";
    ASSERT_FALSE(FakePlatform().invalidated.empty());
    for (const auto &r : FakePlatform().invalidated)
        EXPECT_TRUE(r[0] >= before.x && r[1] >= before.y &&
                    r[0] + r[2] <= before.x + before.w + 7 && r[1] + r[3] <= before.y + before.h)
            << r[0] << "," << r[1] << " " << r[2] << "x" << r[3];
}

// A text bubble half outside the picture is cut, not squeezed, at the rectangle's own
// size, doubled, and stretched unevenly; the rows' padding stays black.
TEST_F(Compose, TextBubblesKeepTheirPlaceAndSizeAtAnyExportSize)
{
    AddPhoto();
    std::strcpy(Add(IMG_TEXT, 100, 50, kGreen, 190 + 535, 96 + 20, 100, 50)->szText, "HI");
    const struct {
        int32_t w, h;
        R box;
    } cases[] = {{585, 438, {535, 20, 50, 50}},
                 {1170, 876, {1070, 40, 100, 100}},
                 {1170, 219, {1070, 10, 100, 25}}};
    for (const auto &c : cases) {
        Export(c.w, c.h);
        EXPECT_EQ(BoxOf(kGreen), c.box) << c.w << "x" << c.h;
        EXPECT_EQ(out->iPitch, 3 * W8(c.w));
        EXPECT_EQ(DXGetPixel(out, c.w + 1, 40), 0x000000u) << "the row padding stays black";
    }
}

} // namespace
