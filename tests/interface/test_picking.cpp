// Picking what the user sees: the frontmost piece under the pointer, a repeated click for
// the next one behind, a double click on text.
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "interface/interface.h"
#include "picture/imgobj.h"
#include "tests/support/engine_reset.h"

namespace
{

class Picking : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gMouseDown = gButtonReleased = 0;
        gPictureRect = {190, 75, 600, 450};
        MouseMove(-10000, -10000); // no click before this test's first
        EndDrag();
    }
    void TearDown() override { EngineReset(); }

    // A piece in front of those made before it.
    static IMGOBJ *Piece(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t angle = 0)
    {
        IMGOBJ *o = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
        o->ao.iType = AO_TYPE_IMGOBJ;
        o->ao.dwFlags = AOFLAG_IMGOBJ;
        o->ao.AnimateProc = IMGOBJ_AnimateProc;
        o->ao.iLayer = 1000;
        o->iKind = kind;
        o->ao.x = o->xAnchor = x, o->ao.y = o->yAnchor = y;
        o->ao.iWidth = w, o->ao.iHeight = h;
        o->fWidth = static_cast<float>(w), o->fHeight = static_cast<float>(h);
        o->iAngle = angle;
        CalcSelectionFrame(o);
        AO_AddObj(&o->ao);
        return o;
    }
    static void Click(int32_t x, int32_t y)
    {
        MouseDown(x, y);
        EndDrag();
    }
};

} // namespace

// Three pieces stacked back to front over one spot: clicks there step from the front to
// the back and round again; a click elsewhere or a drag breaks the run.
TEST_F(Picking, ClicksOnOneSpotStepFromTheFrontToTheBack)
{
    IMGOBJ *back = Piece(IMG_OBJ, 300, 200, 100, 50), *middle = Piece(IMG_TEXT, 320, 210, 100, 50),
           *front = Piece(IMG_OBJ, 340, 215, 40, 40);
    struct {
        const char *what;
        int32_t x, y;
        IMGOBJ *selected;
    } const clicks[] = {
        {"the frontmost piece under the pointer", 350, 220, front},
        {"again on the spot: the one behind", 350, 220, middle},
        {"again, within two pixels", 352, 219, back},
        {"round to the front", 350, 220, front},
        {"where only the middle one lies", 410, 250, middle},
        {"empty picture", 700, 500, nullptr},
        {"a first click after that picks the front", 350, 220, front},
    };
    for (const auto &c : clicks) {
        Click(c.x, c.y);
        EXPECT_EQ(gSelected, c.selected) << c.what;
    }
    // A press that drags carries the selected piece and steps to nothing behind it.
    MouseDown(350, 220);
    MouseMove(360, 225);
    MouseMove(350, 220);
    EndDrag();
    EXPECT_EQ(gSelected, front);
    Click(350, 220); // the drag was no click: this is the first one at the spot
    EXPECT_EQ(gSelected, front);
    // The pointer leaving the spot between two clicks breaks the run too.
    MouseMove(500, 400);
    MouseMove(350, 220);
    Click(350, 220);
    EXPECT_EQ(gSelected, front);
    EXPECT_EQ(std::pair(back->bSelected, front->bSelected), std::pair(0, 1));
}

// A turned piece is picked where it shows, not where its upright rectangle would be.
TEST_F(Picking, TurnedClipArtIsPickedWhereItShows)
{
    IMGOBJ *bar = Piece(IMG_OBJ, 300, 290, 200, 20, 90); // shown as a 20 × 200 bar at 390..410
    EXPECT_EQ(PieceAt(400, 210), bar);
    EXPECT_EQ(PieceAt(310, 300), nullptr) << "the upright rectangle's end is empty picture";
    EXPECT_EQ(PieceBehind(bar, 400, 390), bar) << "alone at the spot: round to itself";
}

// A double click on the selected text piece is for the text dialog: its second press
// does not step to the piece behind. A plain second click does; on clip art a double
// click opens nothing.
TEST_F(Picking, DoubleClickOnTextOpensItInsteadOfSteppingBehind)
{
    IMGOBJ *art = Piece(IMG_OBJ, 300, 200, 100, 50), *text = Piece(IMG_TEXT, 320, 210, 100, 50);
    Click(350, 220);
    ASSERT_EQ(gSelected, text);
    MouseDown(350, 220);
    EXPECT_EQ(DoubleClickText(350, 220), text);
    EndDrag();
    EXPECT_EQ(gSelected, text);
    EXPECT_EQ(DoubleClickText(350, 220), nullptr) << "no press under way";
    Click(350, 220);
    EXPECT_EQ(gSelected, art);
    MouseDown(350, 220);
    EXPECT_EQ(DoubleClickText(350, 220), nullptr);
    EndDrag();
}
