// Picking what the user sees: the frontmost piece under the pointer, a repeated click for
// the next one behind, a double click on text; the handles on the selected piece's outline
// (their sizing arithmetic and drags through the mouse).
#include "interface/interface.h"
#include "picture/handles.h"
#include "tests/support/engine_reset.h"

namespace
{

class Picking : public EngineTest
{
  protected:
    void SetUp() override
    {
        EngineReset();
        gMouseDown = gButtonReleased = gMouseShift = 0;
        gPictureRect = {190, 75, 600, 450};
        MouseMove(-10000, -10000); // no click before this test's first
        EndDrag();
    }
    void TearDown() override { EngineReset(); }

    // A piece in front of those made before it.
    static IMGOBJ *Piece(int32_t kind, int32_t x, int32_t y, int32_t w, int32_t h,
                         int32_t angle = 0)
    {
        IMGOBJ *o = RawPiece(kind, w, h, x, y, w, h);
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
};

} // namespace

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

// Sizing from a corner keeps the opposite corner, in proportion or free, on upright and
// turned pieces, within 10 and the picture's size.
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
