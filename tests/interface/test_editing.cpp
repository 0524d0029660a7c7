// Editing on screen: the buttons' frame procedure (presses, acceleration, looks)
// and the mouse and selection operations, on pieces without artwork.
#include <functional>

#include "interface/interface.h"
#include "tests/support/engine_reset.h"

namespace
{

class Editing : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gMouseDown = gButtonReleased = gShowButtonTexts = 0;
        gMouseX = gMouseY = -1000;
        gPictureRect = {190, 75, 600, 450};
    }
    void TearDown() override { EngineReset(); }

    // A piece of a kind at a place, listed behind those made before it is not: in front.
    static IMGOBJ *Piece(int32_t kind, int32_t x, int32_t y, int32_t w = 100, int32_t h = 50)
    {
        IMGOBJ *o = RawPiece(kind, w * 2, h * 2, x, y, w, h);
        o->xAnchor = x, o->yAnchor = y;
        AO_AddObj(&o->ao);
        return o;
    }
    // An enabled button at (10, 20).
    static CONTROL *Button(int32_t id)
    {
        EXPECT_TRUE(CONTROL_AddObj(10, 20, id, 300, 219, 40, 40, 0, 0, 0, 0));
        EnableControl(id, 1);
        for (AO *e = gAOList; e; e = e->pNext)
            if (e->iType == AO_TYPE_CONTROL && reinterpret_cast<CONTROL *>(e)->iId == id)
                return reinterpret_cast<CONTROL *>(e);
        return nullptr;
    }
    static void Select(IMGOBJ *o)
    {
        gSelected = o;
        o->bSelected = 1;
        o->bNeedsUpdate = 0;
    }
};

} // namespace

// One command is one step of 1; a held key (refilled before every frame) or a held
// mouse button steps 1, 2, 3 … up to 10; the button shows pressed, then highlighted.
TEST_F(Editing, PressesActOnceAndHeldButtonsAccelerateToTen)
{
    IMGOBJ *piece = Piece(IMG_OBJ, 300, 200);
    Select(piece);
    CONTROL *left = Button(CTRL_MOVELEFT);

    PressControl(CTRL_MOVELEFT);
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&left->ao);
    EXPECT_EQ(piece->ao.x, 299);
    EXPECT_EQ(left->ao.ySrc, 219 + 40 * 1) << "idle again: the normal look";
    EXPECT_EQ(gModified, 1);

    std::vector<int32_t> steps;
    for (int frame = 0; frame < 12; frame++) {
        const int32_t before = piece->ao.x;
        PressControl(CTRL_MOVELEFT);
        CONTROL_Proc(&left->ao);
        steps.push_back(before - piece->ao.x);
        EXPECT_EQ(std::pair(left->ao.x, left->ao.iWidth), std::pair(11, 38)) << "pressed look";
    }
    EXPECT_EQ(steps, std::vector<int32_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));

    // A held mouse button on Bigger: the same steps, the piece keeping its proportions.
    CONTROL *bigger = Button(CTRL_BIGGER);
    gMouseX = 20, gMouseY = 30, gMouseDown = 1;
    PressControl(CTRL_BIGGER); // the mouse has the buttons: keys and menus are ignored
    EXPECT_EQ(bigger->iPressCount, 0);
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&bigger->ao);
    EXPECT_FLOAT_EQ(piece->fWidth, 106);
    EXPECT_FLOAT_EQ(piece->fHeight, 53);
    EXPECT_EQ(piece->bNeedsUpdate, 1);
}

// Flips and Select next act once per press however long the button is held; a
// disabled button shows its grey look and reacts to nothing.
TEST_F(Editing, SingleActionsActOnceAndDisabledButtonsNever)
{
    IMGOBJ *a = Piece(IMG_OBJ, 300, 200), *b = Piece(IMG_TEXT, 500, 300);
    Select(a);
    CONTROL *flip = Button(CTRL_FLIPH), *next = Button(CTRL_SELECTNEXT);
    gMouseX = 20, gMouseY = 30, gMouseDown = 1;
    for (int frame = 0; frame < 5; frame++)
        CONTROL_Proc(&flip->ao);
    EXPECT_EQ(a->bFlipH, 1);
    EXPECT_EQ(gMouseDown, 0);

    PressControl(CTRL_SELECTNEXT);
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&next->ao);
    EXPECT_EQ(gSelected, b);

    EnableControl(CTRL_FLIPH, 0);
    PressControl(CTRL_FLIPH);
    gMouseDown = 1;
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&flip->ao);
    EXPECT_EQ(a->bFlipH, 1);
    EXPECT_EQ(b->bFlipH, 0);
    EXPECT_EQ(flip->ao.ySrc, 219) << "the disabled look";

    // Left, then Delete before the next frame: the press waiting on the button greyed by
    // the delete is dropped, and does not move the piece selected later.
    gMouseDown = 0;
    CONTROL *left = Button(CTRL_MOVELEFT);
    PressControl(CTRL_MOVELEFT);
    EnableControl(CTRL_MOVELEFT, 0);
    CONTROL_Proc(&left->ao);
    EnableControl(CTRL_MOVELEFT, 1);
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&left->ao);
    EXPECT_EQ(std::pair(b->ao.x, CONTROL_PressPending()), std::pair(500, 0));
    // Delete, Left, Select next before a frame: the press on the greyed button is not kept.
    EnableControl(CTRL_MOVELEFT, 0);
    PressControl(CTRL_MOVELEFT);
    EnableControl(CTRL_MOVELEFT, 1);
    for (int frame = 0; frame < 3; frame++)
        CONTROL_Proc(&left->ao);
    EXPECT_EQ(b->ao.x, 500);
}

// When actions come more than 100 ms apart at a step above 1, only the outline follows
// the held button; the image is rebuilt when the press ends, however it ends.
TEST_F(Editing, FramesFallingBehindRebuildThePieceWhenThePressEnds)
{
    const struct {
        const char *how;
        bool mouse;                   // held with the mouse, else by a held key
        std::function<void()> ending; // what ends the press
    } cases[] = {
        {"a key let go, the mouse resting on the button", false,
         [] { gMouseX = 20, gMouseY = 30; }},
        {"the mouse released on the button", true, [] { gMouseDown = 0; }},
        {"the pointer slid off the held button", true, [] { gMouseX = 300; }},
        {"the button greyed", true, [] { EnableControl(CTRL_MOVERIGHT, 0); }},
    };
    for (const auto &c : cases) {
        EngineReset();
        gPictureRect = {190, 75, 600, 450};
        gMouseX = c.mouse ? 20 : -1000, gMouseY = 30, gMouseDown = c.mouse;
        IMGOBJ *piece = Piece(IMG_OBJ, 300, 200);
        Select(piece);
        CONTROL *right = Button(CTRL_MOVERIGHT);
        for (int frame = 0; frame < 4; frame++) {
            FakeAdvanceClock(250);
            PressControl(CTRL_MOVERIGHT);
            piece->bNeedsUpdate = 0;
            CONTROL_Proc(&right->ao);
        }
        EXPECT_EQ(right->bQuickUpdate, 1) << c.how;
        EXPECT_EQ(piece->bNeedsUpdate, 0) << c.how << ": only the outline moved";
        EXPECT_EQ(piece->ptCorner[0][0], piece->ao.x - 1) << c.how;
        c.ending();
        CONTROL_Proc(&right->ao);
        CONTROL_Proc(&right->ao);
        EXPECT_EQ(std::pair(piece->bNeedsUpdate, right->bQuickUpdate), std::pair(1, 0)) << c.how;
    }
}

// The frontmost piece wins where pieces overlap; a second press grabs it; a press
// outside the picture leaves the selection; only a carried piece marks the picture.
TEST_F(Editing, PickingDraggingAndTheModifiedMark)
{
    IMGOBJ *back = Piece(IMG_OBJ, 300, 200), *front = Piece(IMG_TEXT, 350, 220);
    MouseDown(360, 230);
    EXPECT_EQ(gSelected, front);
    EXPECT_EQ(std::pair(back->bSelected, front->bSelected), std::pair(0, 1));
    EndDrag();
    MouseDown(310, 210); // only the back piece holds this point
    EXPECT_EQ(gSelected, back);
    EXPECT_EQ(PieceAt(300, 200), back) << "its edge is the piece's";
    EXPECT_EQ(front->bNeedsUpdate, 1) << "let go: rebuilt at full quality";
    EndDrag();
    MouseDown(445, 260);
    EndDrag();
    MouseDown(360, 240); // on the selected piece: grabbed, not the one behind
    EXPECT_EQ(gSelected, front);
    EXPECT_EQ(gDraggingPiece, 1);
    MouseMove(-5000, 230); // far outside, even beyond the window
    front->ao.AnimateProc(&front->ao);
    EXPECT_EQ(front->ao.x, 190 - 100 + 25);
    EndDrag();
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(std::pair(front->xAnchor, gDragDX), std::pair(front->ao.x, 0));

    gModified = 0;
    MouseDown(50, 50); // a button press that slides: no selection change, no mark
    MouseMove(80, 90);
    EndDrag();
    EXPECT_EQ(std::pair(gSelected, gModified), std::pair(front, 0));
    MouseDown(700, 500); // empty picture: deselects
    EndDrag();
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(gModified, 0);
}

// Behind and Forward swap with the neighbouring piece (never the photo); at the ends
// nothing changes. Delete removes the selection and marks the picture.
TEST_F(Editing, LayeringSelectNextAndDelete)
{
    IMGOBJ *photo = Piece(IMG_SRC, 190, 75, 600, 450);
    IMGOBJ *a = Piece(IMG_OBJ, 300, 200), *b = Piece(IMG_TEXT, 320, 200),
           *c = Piece(IMG_OBJ, 340, 200);
    auto order = [] {
        std::vector<AO *> o;
        for (AO *e = gAOList; e; e = e->pNext)
            o.push_back(e);
        return o;
    };
    Select(a);
    LayerSelected(0); // already at the back
    EXPECT_EQ(order(), std::vector<AO *>({&photo->ao, &a->ao, &b->ao, &c->ao}));
    EXPECT_EQ(gModified, 0);
    LayerSelected(1);
    EXPECT_EQ(order(), std::vector<AO *>({&photo->ao, &b->ao, &a->ao, &c->ao}));
    EXPECT_EQ(gModified, 1);
    Select(c);
    LayerSelected(1); // already in front
    EXPECT_EQ(order(), std::vector<AO *>({&photo->ao, &b->ao, &a->ao, &c->ao}));

    std::vector<IMGOBJ *> visited;
    for (int i = 0; i < 4; i++) {
        SelectNext();
        visited.push_back(gSelected);
    }
    EXPECT_EQ(visited, std::vector<IMGOBJ *>({b, a, c, b}));

    gModified = 0;
    DeleteSelected();
    EXPECT_EQ(gSelected, nullptr);
    EXPECT_EQ(b->ao.bRemove, 1);
    EXPECT_EQ(gModified, 1);
    EXPECT_EQ(PieceAt(325, 210), a) << "a piece on its way out is not picked";
}

// The wheel over the selected piece sizes it as Bigger and Smaller do, with Ctrl it turns
// clip art (never text); elsewhere it is left to the window.
TEST_F(Editing, TheWheelSizesAndTurnsTheSelectedPiece)
{
    IMGOBJ *art = Piece(IMG_OBJ, 300, 200), *text = Piece(IMG_TEXT, 500, 300);
    Select(art);
    EXPECT_EQ(WheelOnPiece(600, 400, 1, 0), 0);
    EXPECT_EQ(WheelOnPiece(350, 220, 2, 0), 1);
    EXPECT_FLOAT_EQ(art->fWidth, 110);
    EXPECT_FLOAT_EQ(art->fHeight, 55);
    EXPECT_EQ(WheelOnPiece(350, 220, -1, 1), 1);
    EXPECT_EQ(art->iAngle, 355);
    Select(text);
    EXPECT_EQ(WheelOnPiece(550, 320, 3, 1), 1);
    EXPECT_EQ(text->iAngle, 0);
}
