// Dragging a piece among others: every frame of the drag, with the other pieces changed,
// restacked and moved in between, shows what a full redraw of the picture shows, pixel for
// pixel, in the picture buffer and in the window.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clipart/ownstickers.h"
#include "picture/caption.h"
#include "tests/support/engine_reset.h"

namespace
{

class DragFrames : public PictureEngineTest
{
  protected:
    ScopedEnv mDataHome{"XDG_DATA_HOME", dir / "data"};
    std::string sticker;
    // Bottom to top over the photo: a soft own sticker, a caption, a turned hat, a mirrored
    // dog, a text bubble, a hat.
    enum { STICKER, CAPTION, TURNED, DOG, TEXT, HAT, COUNT };
    IMGOBJ *p[COUNT] = {};

    void SetUp() override
    {
        PictureEngineTest::SetUp();
        std::vector<uint8_t> bgra(60 * 60 * 4);
        for (int i = 0; i < 60 * 60; i++) { // a disc whose edge fades out
            const int x = i % 60 - 30, y = i / 60 - 30, d = 30 * 30 - (x * x + y * y);
            bgra[4 * i] = 200, bgra[4 * i + 1] = 40, bgra[4 * i + 2] = 90;
            bgra[4 * i + 3] = static_cast<uint8_t>(d <= 0 ? 0 : d > 255 ? 255 : d);
        }
        DIBIMAGE s;
        ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 60, 60, 240, &s));
        ASSERT_TRUE(ClipArt_SaveSticker(&s, "/pics/soft.png", &sticker)) << gErrorTrail;
        DibFreeImage(&s);
    }
    IMGOBJ *Piece(const char *name, int32_t kind, int32_t x, int32_t y, const void *desc)
    {
        IMGOBJ *o = IMGOBJ_AddObj(name, kind, 0, 0, desc, nullptr);
        EXPECT_NE(o, nullptr) << name << ": " << gErrorTrail;
        o->ao.x = o->xAnchor = gPictureRect.x + x, o->ao.y = o->yAnchor = gPictureRect.y + y;
        o->bSelected = 0, o->bNeedsUpdate = 1;
        return o;
    }
    // The picture as it starts, with `moving` selected and dragged.
    void Start(int moving)
    {
        AO_ClearList();
        gSelected = nullptr;
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        ImageObjectResize(nullptr);
        const std::string text = "Hej!";
        const CAPTIONDESC caption = {{0, 0xFF0000, 0x000000, 0, 0, 1}, text.data(), text.size(), 0};
        const auto words = Words("HI THERE");
        p[STICKER] = Piece(sticker.c_str(), IMG_OBJ, 60, 50, nullptr);
        p[CAPTION] = Piece("caption", IMG_CAPTION, 80, 60, &caption);
        p[TURNED] = Piece("hat.clp", IMG_OBJ, 90, 40, nullptr);
        p[TURNED]->iAngle = 35, p[TURNED]->fWidth = 90, p[TURNED]->fHeight = 50;
        p[DOG] = Piece("dog.clp", IMG_OBJ, 110, 70, nullptr);
        p[DOG]->bFlipH = 1, p[DOG]->fWidth = 40, p[DOG]->fHeight = 90;
        p[TEXT] = Piece("text4.clp", IMG_TEXT, 100, 90, words.data());
        p[HAT] = Piece("hat.clp", IMG_OBJ, 70, 100, nullptr);
        ASSERT_NE(p[STICKER]->pArtBgra, nullptr) << "the sticker blends";
        gSelected = p[moving], gSelected->bSelected = 1;
        gDraggingPiece = 1, gDragDX = gDragDY = 0;
        gFramesRunning = gPictureExists = 1;
    }
    // The picture buffer's picture and the window's, after each step.
    static std::vector<uint8_t> Shown()
    {
        std::vector<uint8_t> out;
        const PLAT_IMAGE *win = PLAT_GetWindowImage();
        const XYWH &r = gPictureRect;
        for (int32_t y = r.y; y < r.y + r.h; y++) {
            out.insert(out.end(), DXPixel(gDDSPicture, r.x, y), DXPixel(gDDSPicture, r.x + r.w, y));
            const uint8_t *w = win->pBits + y * win->iPitch + r.x * win->iBytesPerPixel;
            out.insert(out.end(), w, w + r.w * win->iBytesPerPixel);
        }
        return out;
    }
};

TEST_F(DragFrames, EveryFrameOfADragShowsWhatAFullRedrawShows)
{
    const int movers[] = {DOG, STICKER, CAPTION, TURNED};
    for (const int moving : movers) {
        const int a = moving == CAPTION ? STICKER : CAPTION; // two others that swap places
        const struct {
            const char *step;
            std::function<void()> change;
        } steps[] = {
            {"first frame", [] {}},
            {"drag", [] { gDragDX = 4; }},
            {"drag on", [] { gDragDX = 9, gDragDY = 3; }},
            {"jump across the others", [] { gDragDX = -60, gDragDY = 45; }},
            {"the hat mirrored", [&] { p[HAT]->bFlipH = 1, p[HAT]->bNeedsUpdate = 1; }},
            {"drag after it", [] { gDragDX = -50, gDragDY = 40; }},
            {"two others swap places", [&] { AO_SwapObj(&p[a]->ao, &p[TEXT]->ao); }},
            {"drag after that", [] { gDragDX = -45, gDragDY = 38; }},
            {"another piece moves", [&] { p[HAT]->ao.x += 7; }},
            {"drag once more", [] { gDragDX = -40, gDragDY = 30; }},
            {"another piece selected", [&] { gSelected = p[HAT], CalcSelectionFrame(p[HAT]); }},
            {"out over the picture's edge", [] { gDragDX = -400, gDragDY = -300; }},
            {"back in", [] { gDragDX = 2, gDragDY = 1; }},
        };
        std::vector<std::vector<uint8_t>> frames[2]; // each frame drawn as it comes, and whole
        for (int whole = 0; whole < 2; whole++) {
            Start(moving);
            for (const auto &s : steps) {
                s.change();
                if (whole)
                    AO_PictureChanged();
                ASSERT_TRUE(AO_ProcessFlip()) << s.step << ": " << gErrorTrail;
                frames[whole].push_back(Shown());
            }
        }
        for (size_t i = 0; i < frames[0].size(); i++)
            EXPECT_TRUE(frames[0][i] == frames[1][i])
                << "piece " << moving << ": " << steps[i].step;
    }
}

} // namespace
