// Dragging a piece among others: every frame of the drag, with the other pieces changed,
// restacked and moved in between, shows what a full redraw of the picture shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "clipart/ownstickers.h"
#include "picture/caption.h"
#include "tests/support/engine_reset.h"

namespace
{

class DragFrames : public PictureEngineTest
{
  protected:
    ScopedEnv mDataHome{"XDG_DATA_HOME", dir / "data"};
    // Bottom to top over the photo: a soft own sticker, a caption, a turned hat, a mirrored
    // dog, a text bubble, a hat.
    enum { STICKER, CAPTION, TURNED, DOG, TEXT, HAT, COUNT };
    IMGOBJ *p[COUNT] = {};

    // The picture as it starts, with `moving` selected and dragged.
    void Start(int moving, const std::string &sticker)
    {
        AO_ClearList();
        ASSERT_NE(AddPatternPhoto(dir.string()), nullptr) << gErrorTrail;
        ImageObjectResize(nullptr);
        const CAPTIONDESC caption = {{0, 0xFF0000, 0, 0, 0, 1}, "Hej!", 4, 0};
        const auto words = Words("HI THERE");
        const char *names[] = {sticker.c_str(), "caption",   "hat.clp",
                               "dog.clp",       "text4.clp", "hat.clp"};
        const int32_t kinds[] = {IMG_OBJ, IMG_CAPTION, IMG_OBJ, IMG_OBJ, IMG_TEXT, IMG_OBJ};
        const void *desc[] = {nullptr, &caption, nullptr, nullptr, words.data(), nullptr};
        const int32_t at[][2] = {{60, 50}, {80, 60}, {90, 40}, {110, 70}, {100, 90}, {70, 100}};
        for (int i = 0; i < COUNT; i++) {
            IMGOBJ *o = p[i] = IMGOBJ_AddObj(names[i], kinds[i], 0, 0, desc[i], nullptr);
            ASSERT_NE(o, nullptr) << names[i] << ": " << gErrorTrail;
            o->ao.x = o->xAnchor = gPictureRect.x + at[i][0];
            o->ao.y = o->yAnchor = gPictureRect.y + at[i][1];
            o->bSelected = 0, o->bNeedsUpdate = 1;
        }
        p[TURNED]->iAngle = 35, p[TURNED]->fWidth = 90, p[DOG]->bFlipH = 1, p[DOG]->fHeight = 90;
        gSelected = p[moving], gSelected->bSelected = 1;
        gDraggingPiece = 1, gDragDX = gDragDY = 0;
        gFramesRunning = gPictureExists = 1;
    }
};

TEST_F(DragFrames, EveryFrameOfADragShowsWhatAFullRedrawShows)
{
    std::vector<uint8_t> bgra(60 * 60 * 4, 90);
    for (int i = 0, x, y; i < 3600; i++) // a disc whose edge fades out
        x = i % 60 - 30, y = i / 60 - 30, bgra[4 * i + 3] = std::clamp(900 - x * x - y * y, 0, 255);
    DIBIMAGE s;
    std::string sticker;
    ASSERT_TRUE(ClipArt_MakeSticker(bgra.data(), 60, 60, 240, &s));
    ASSERT_TRUE(ClipArt_SaveSticker(&s, "/pics/soft.png", &sticker)) << gErrorTrail;
    DibFreeImage(&s);
    for (const int moving : {DOG, STICKER, CAPTION, TURNED}) {
        const int a = moving == CAPTION ? STICKER : CAPTION; // two others that swap places
        const std::pair<const char *, std::function<void()>> steps[] = {
            {"first frame", [] {}},
            {"drag", [] { gDragDX = 4; }},
            {"jump across the others", [] { gDragDX = -60, gDragDY = 45; }},
            {"the hat mirrored", [&] { p[HAT]->bFlipH = 1, p[HAT]->bNeedsUpdate = 1; }},
            {"drag after it", [] { gDragDX = -50, gDragDY = 40; }},
            {"two others swap places", [&] { AO_SwapObj(&p[a]->ao, &p[TEXT]->ao); }},
            {"drag after that", [] { gDragDX = -45, gDragDY = 38; }},
            {"another piece moves", [&] { p[HAT]->ao.x += 7; }},
            {"another piece selected", [&] { gSelected = p[HAT], CalcSelectionFrame(p[HAT]); }},
            {"out over the picture's edge", [] { gDragDX = -400, gDragDY = -300; }},
            {"back in", [] { gDragDX = 2, gDragDY = 1; }},
        };
        std::vector<uint8_t> frames[2][std::size(steps)]; // drawn as they come, and whole
        for (int whole = 0; whole < 2; whole++) {
            Start(moving, sticker);
            ASSERT_NE(p[STICKER]->pArtBgra, nullptr) << "the sticker blends";
            for (size_t k = 0; k < std::size(steps); k++) {
                steps[k].second();
                if (whole)
                    AO_PictureChanged();
                ASSERT_TRUE(AO_ProcessFlip()) << steps[k].first << ": " << gErrorTrail;
                for (int32_t y = gPictureRect.y; y < gPictureRect.y + gPictureRect.h; y++)
                    frames[whole][k].insert(
                        frames[whole][k].end(), DXPixel(gDDSPicture, gPictureRect.x, y),
                        DXPixel(gDDSPicture, gPictureRect.x + gPictureRect.w, y));
            }
        }
        for (size_t k = 0; k < std::size(steps); k++)
            EXPECT_TRUE(frames[0][k] == frames[1][k])
                << "piece " << moving << ": " << steps[k].first;
    }
}

} // namespace
