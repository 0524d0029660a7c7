// Editing on screen, on pieces without artwork: buttons, mouse, picking and handles.
#include <functional>

#include "interface/interface.h"
#include "picture/handles.h"
#include "tests/support/engine_reset.h"

namespace
{

class Editing : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gMouseDown = gButtonReleased = gShowButtonTexts = gMouseShift = 0;
        gPictureRect = {190, 75, 600, 450};
        MouseMove(-10000, -10000); // no click before this test's first
        EndDrag();
        gMouseX = gMouseY = -1000;
    }
    void TearDown() override { EngineReset(); }

    // A piece of a kind at a place, turned by angle, in front of those made before it.
    static IMGOBJ *Piece(int32_t kind, int32_t x, int32_t y, int32_t w = 100, int32_t h = 50,
                         int32_t angle = 0)
    {
        IMGOBJ *o = RawPiece(kind, w * 2, h * 2, x, y, w, h);
        o->xAnchor = x, o->yAnchor = y;
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

using Picking = Editing;

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

// Flips and Select next act once per press; a disabled button is grey and reacts to nothing.
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

// The frontmost piece wins; a second press grabs it; only a carried piece marks the picture.
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

// Behind and Forward swap with a neighbour (never the photo); Delete marks the picture.
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

// The wheel sizes the selected piece, with Ctrl turns clip art; elsewhere it is the window's.
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

// Three pieces stacked over one spot: clicks there step from the front to the back and
// round again; a click elsewhere, a drag or the pointer leaving the spot breaks the run.
TEST_F(Picking, ClicksOnOneSpotStepFromTheFrontToTheBack)
{
    IMGOBJ *back = Piece(IMG_OBJ, 300, 200, 100, 50), *middle = Piece(IMG_TEXT, 320, 210, 100, 50),
           *front = Piece(IMG_OBJ, 340, 215, 40, 40);
    struct {
        int32_t x, y;
        IMGOBJ *selected;
    } const clicks[] = {
        {350, 220, front}, {350, 220, middle}, {352, 219, back}, // within two pixels
        {350, 220, front}, {410, 250, middle}, {700, 500, nullptr}, {350, 220, front},
    };
    for (const auto &c : clicks) {
        Click(c.x, c.y);
        EXPECT_EQ(gSelected, c.selected) << c.x << "," << c.y;
    }
    MouseDown(350, 220); // a drag carries the selected piece and steps to none behind it
    MouseMove(360, 225);
    MouseMove(350, 220);
    EndDrag();
    Click(350, 220); // the drag was no click: this is the first one at the spot
    EXPECT_EQ(gSelected, front);
    MouseMove(500, 400);
    MouseMove(350, 220);
    Click(350, 220);
    EXPECT_EQ(gSelected, front);
    EXPECT_EQ(std::pair(back->bSelected, front->bSelected), std::pair(0, 1));
    // A turned piece is picked where it shows, not where its upright rectangle would be.
    IMGOBJ *bar = Piece(IMG_OBJ, 300, 490, 200, 20, 90); // shown 20 × 200 at x 390..410
    EXPECT_EQ(PieceAt(400, 410), bar);
    EXPECT_EQ(PieceAt(310, 500), nullptr);
}

// A double click's second press on the selected text is for the text dialog, not a step
// behind it; a plain second click steps behind; on clip art a double click opens nothing.
TEST_F(Picking, DoubleClickOnTextOpensItInsteadOfSteppingBehind)
{
    IMGOBJ *art = Piece(IMG_OBJ, 300, 200, 100, 50), *text = Piece(IMG_TEXT, 320, 210, 100, 50);
    Click(350, 220);
    MouseDown(350, 220);
    EXPECT_EQ(DoubleClickText(350, 220), text);
    EndDrag();
    EXPECT_EQ(gSelected, text);
    Click(350, 220);
    EXPECT_EQ(gSelected, art);
    MouseDown(350, 220);
    EXPECT_EQ(DoubleClickText(350, 220), nullptr);
    EndDrag();
}

// The opposite corner stays, in proportion or free, upright or turned, within 10 and the picture.
TEST_F(Picking, CornerSizingKeepsTheOppositeCorner)
{
    const PIECEBOX box = {100, 100, 200, 100};
    struct {
        int32_t angle, corner;
        double px, py;
        int free;
        PIECEBOX want;
    } const cases[] = {
        {0, HANDLE_BOTTOMRIGHT, 500, 300, 0, {100, 100, 400, 200}},
        {0, HANDLE_BOTTOMRIGHT, 500, 150, 1, {100, 100, 400, 50}},
        {0, HANDLE_TOPLEFT, 200, 150, 0, {200, 150, 100, 50}},
        {0, HANDLE_BOTTOMLEFT, 600, 0, 1, {290, 100, 10, 10}},        // past the fixed corner
        {0, HANDLE_BOTTOMRIGHT, 0, 0, 0, {100, 100, 20, 10}},         // in proportion, 10 at least
        {0, HANDLE_BOTTOMRIGHT, 5000, 5000, 0, {100, 100, 600, 300}}, // the picture at most
        // Turned a quarter: shown 100 × 200 about (200, 150), the fixed corner at (250, 50).
        {90, HANDLE_BOTTOMRIGHT, 150, 450, 1, {0, 200, 400, 100}},
    };
    for (const auto &c : cases) {
        const PIECEBOX got = SizeFromCorner(box, c.angle, c.corner, c.px, c.py, c.free, 600, 450);
        EXPECT_NEAR(got.x, c.want.x, 1e-6) << c.corner << " " << c.px;
        EXPECT_NEAR(got.y, c.want.y, 1e-6) << c.corner << " " << c.px;
        EXPECT_NEAR(got.w, c.want.w, 1e-6) << c.corner << " " << c.px;
        EXPECT_NEAR(got.h, c.want.h, 1e-6) << c.corner << " " << c.px;
    }
}

// The handles through the mouse: a corner drag, Shift for free, the turn handle; text has no turn
// handle, and one that would leave the picture goes below.
TEST_F(Picking, HandlesSizeAndTurnTheSelectedPiece)
{
    IMGOBJ *art = Piece(IMG_OBJ, 300, 200, 100, 50), *text = Piece(IMG_TEXT, 500, 80, 100, 50);
    Click(310, 210);
    ASSERT_EQ(gSelected, art);
    HANDLES h;
    HANDLES_Place(art, &h);
    EXPECT_NEAR(h.pt[4][1], 200 - HANDLE_TURN_STEM, 1);

    gModified = 0;
    MouseDown(h.pt[2][0], h.pt[2][1]); // bottom-right pulled out: the top-left stays
    EXPECT_EQ(gDraggingPiece, 0) << "a handle does not carry the piece";
    MouseMove(h.pt[2][0] + 100, h.pt[2][1] + 50);
    EndDrag();
    EXPECT_NEAR(art->fWidth, 200, 2);
    EXPECT_NEAR(art->fHeight, 100, 1);
    EXPECT_EQ(std::pair(art->ao.x, art->ao.y), std::pair(300, 200));
    EXPECT_EQ(std::pair(gModified, gHandleDrag), std::pair(1, int32_t(HANDLE_NONE)));

    HANDLES_Place(art, &h);
    gMouseShift = 1; // the top-left corner goes its own way: only the height changes
    MouseDown(h.pt[0][0], h.pt[0][1]);
    MouseMove(h.pt[0][0], h.pt[0][1] + 40);
    EndDrag();
    gMouseShift = 0;
    EXPECT_NEAR(art->fWidth, 200, 2);
    EXPECT_NEAR(art->fHeight, 60, 1);

    HANDLES_Place(art, &h); // the turn handle a quarter round the centre, clockwise
    MouseDown(h.pt[4][0], h.pt[4][1]);
    EXPECT_EQ(gHandleDrag, HANDLE_TURN);
    MouseMove(art->ao.x + int32_t(art->fWidth / 2) + 80, art->ao.y + int32_t(art->fHeight / 2));
    EndDrag();
    EXPECT_NEAR(art->iAngle, 90, 1);

    HANDLES_Place(text, &h);
    EXPECT_EQ(h.bTurn, 0);
    EXPECT_NEAR(h.pt[4][1], 130 + HANDLE_TURN_STEM, 1) << "below: above would leave the picture";
}
