// edit.cpp — the mouse on the picture and the selection: picking and dragging pieces,
// deleting, layering and selecting the next piece.
//
// A press picks the frontmost piece under the pointer. A click that moved nothing, on
// the selected piece at the spot of the click before it, selects the next piece behind
// there when the button comes up (round to the front again), so a piece covered by
// others stays reachable, while a press that drags carries the selected piece as before.
#include <cmath>
#include <cstdlib>

#include "interface/interface.h"
#include "picture/handles.h"
#include "picture/imgobj.h"

int32_t gMouseDown;
int32_t gPressX;
int32_t gPressY;
int32_t gMouseX;
int32_t gMouseY;
int32_t gButtonReleased;
int32_t gShowButtonTexts;

// A piece the user can pick: clip art, text, caption or metafile, and not on its way out.
static IMGOBJ *Pickable(AO *e)
{
    if (e->iType != AO_TYPE_IMGOBJ || e->bRemove || e->AnimateProc != IMGOBJ_AnimateProc)
        return nullptr;
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
    return obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT || obj->iKind == IMG_CAPTION ||
                   obj->iKind == IMG_EMF
               ? obj
               : nullptr;
}

// Clip art and text: the pieces that layering and "select next" step through.
static IMGOBJ *Layered(AO *e)
{
    IMGOBJ *obj = Pickable(e);
    return obj && obj->iKind != IMG_EMF ? obj : nullptr;
}

// Whether a point lies on a piece as it is shown: its rectangle, edges included, turned
// about its centre for turned clip art.
static bool Contains(const IMGOBJ *obj, int32_t x, int32_t y)
{
    const AO &a = obj->ao;
    if (obj->iKind != IMG_OBJ || obj->iAngle % 360 == 0)
        return x >= a.x && static_cast<int64_t>(x) <= static_cast<int64_t>(a.x) + a.iWidth &&
               y >= a.y && static_cast<int64_t>(y) <= static_cast<int64_t>(a.y) + a.iHeight;
    const double t = obj->iAngle * 3.14159265358979 / 180, w = a.iWidth / 2.0, h = a.iHeight / 2.0;
    const double dx = x - (a.x + w), dy = y - (a.y + h);
    const double lx = dx * std::cos(t) + dy * std::sin(t),
                 ly = -dx * std::sin(t) + dy * std::cos(t);
    return std::fabs(lx) <= w + 0.5 && std::fabs(ly) <= h + 0.5;
}

// The click before this press, for the next one at its spot: where it was, and whether it
// was a click on the picture that moved nothing and the pointer stayed there since.
static int32_t sClickX, sClickY;
static int sClickKept;
static int sPressLive;           // a press of the picture is under way (MouseDown until EndDrag)
static int sPressMoved;          //   the mouse moved while it was held
static int sCycleOnRelease;      //   it repeats the click before: the next piece behind follows
constexpr int32_t kSameSpot = 2; // pixels either way that still count as the same spot

static void Anchor(IMGOBJ *obj)
{
    obj->xAnchor = obj->ao.x;
    obj->yAnchor = obj->ao.y;
}

int PointInPicture(int32_t x, int32_t y)
{
    const XYWH &r = gPictureRect;
    return x >= r.x && static_cast<int64_t>(x) <= static_cast<int64_t>(r.x) + r.w && y >= r.y &&
           static_cast<int64_t>(y) <= static_cast<int64_t>(r.y) + r.h;
}

int OverSelectedPiece(int32_t x, int32_t y)
{
    return gSelected && PointInPicture(x, y) && Contains(gSelected, x, y);
}

static bool NearClick(int32_t x, int32_t y)
{
    return std::abs(x - sClickX) <= kSameSpot && std::abs(y - sClickY) <= kSameSpot;
}

void MouseMove(int32_t x, int32_t y)
{
    gMouseX = x;
    gMouseY = y;
    if (sClickKept && !NearClick(x, y))
        sClickKept = 0;
    if (gMouseDown) {
        gDragDX = x - gPressX;
        gDragDY = y - gPressY;
        sPressMoved |= gDragDX || gDragDY;
        if (gHandleDrag != HANDLE_NONE)
            HandleDragTo(x, y);
    }
}

IMGOBJ *PieceAt(int32_t x, int32_t y)
{
    IMGOBJ *front = nullptr;
    for (AO *e = gAOList; e; e = e->pNext)
        if (IMGOBJ *obj = Pickable(e); obj && Contains(obj, x, y))
            front = obj;
    return front;
}

IMGOBJ *PieceBehind(const IMGOBJ *piece, int32_t x, int32_t y)
{
    if (piece)
        for (AO *e = piece->ao.pPrev; e; e = e->pPrev)
            if (IMGOBJ *obj = Pickable(e); obj && Contains(obj, x, y))
                return obj;
    return PieceAt(x, y); // round to the front
}

void MouseDown(int32_t x, int32_t y)
{
    gMouseDown = 1;
    gPressX = x;
    gPressY = y;
    gDragDX = gDragDY = 0;
    gDraggingPiece = 0;
    sPressLive = sPressMoved = sCycleOnRelease = 0;
    if (!PointInPicture(x, y))
        return; // may press a button; the selection stays
    sPressLive = 1;
    if (HandlePress(x, y)) {
        PICTURE_ChangeBegin(CHANGE_DRAG);
        return;
    }
    if (gSelected && Contains(gSelected, x, y)) {
        Anchor(gSelected); // a second press grabs the selected piece
        gDraggingPiece = 1;
        sCycleOnRelease = sClickKept && NearClick(x, y);
        PICTURE_ChangeBegin(CHANGE_DRAG);
        return;
    }
    // The frontmost piece under the pointer wins.
    IMGOBJ *before = gSelected, *picked = PieceAt(x, y);
    gSelected = nullptr;
    for (AO *e = gAOList; e; e = e->pNext) {
        IMGOBJ *obj = Pickable(e);
        if (!obj)
            continue;
        if (obj == picked) {
            obj->bSelected = 1;
            Anchor(obj);
            gSelected = obj;
            gDraggingPiece = 1;
            continue;
        }
        if (obj == before)
            obj->bNeedsUpdate = 1;
        obj->bSelected = 0;
    }
    if (gDraggingPiece)
        PICTURE_ChangeBegin(CHANGE_DRAG);
    UpdateSelectionState();
}

void EndDrag()
{
    const int32_t dragged = gDraggingPiece;
    const int click = sPressLive && !sPressMoved, cycle = click && sCycleOnRelease;
    gMouseDown = 0;
    gDraggingPiece = 0;
    gHandleDrag = HANDLE_NONE;
    sPressLive = sCycleOnRelease = 0;
    sClickKept = click;
    sClickX = gPressX, sClickY = gPressY;
    // Only a piece that was carried is modified; a press elsewhere that moved the mouse
    // (on a button, on empty picture) changes nothing.
    if (gSelected && dragged && (gDragDX || gDragDY)) {
        SetModified();
        gSelected->bNeedsUpdate = 1;
    }
    if (gSelected)
        Anchor(gSelected);
    gDragDX = gDragDY = 0;
    PICTURE_ChangeEnd(CHANGE_DRAG); // a drag that moved nothing leaves no step
    if (cycle && gSelected)
        SelectPiece(PieceBehind(gSelected, gPressX, gPressY));
}

IMGOBJ *DoubleClickText(int32_t x, int32_t y)
{
    if (!gMouseDown || !OverSelectedPiece(x, y) || gSelected->iKind != IMG_TEXT)
        return nullptr;
    sCycleOnRelease = 0; // the double click opens the text; it does not step behind it
    return gSelected;
}

void SelectPiece(IMGOBJ *piece)
{
    if (piece == gSelected)
        return;
    if (gSelected) {
        gSelected->bSelected = 0;
        gSelected->bNeedsUpdate = 1;
    }
    gSelected = piece;
    if (piece) {
        piece->bSelected = 1;
        piece->bNeedsUpdate = 1;
        Anchor(piece);
    }
    UpdateSelectionState();
}

void DeleteSelected()
{
    PICTURE_ChangeBegin(CHANGE_DELETE);
    if (gSelected) {
        gSelected->ao.bRemove = 1;
        gSelected->bSelected = 0;
        gSelected = nullptr;
        SetModified();
    }
    EndDrag();
    PICTURE_ChangeEnd(CHANGE_DELETE);
    UpdateSelectionState();
}

void LayerSelected(int32_t direction)
{
    if (!gSelected)
        return;
    IMGOBJ *partner = nullptr;
    bool passed = false;
    for (AO *e = gAOList; e; e = e->pNext) {
        IMGOBJ *obj = Layered(e);
        if (!obj)
            continue;
        if (obj == gSelected) {
            passed = true;
            if (direction == 0)
                break;
            continue;
        }
        if (direction == 0)
            partner = obj; // the last one before the selection
        else if (passed) {
            partner = obj; // the first one after it
            break;
        }
    }
    if (!partner || !passed)
        return;
    PICTURE_ChangeBegin(CHANGE_LAYER);
    AO_SwapObj(&gSelected->ao, &partner->ao);
    SetModified();
    PICTURE_ChangeEnd(CHANGE_LAYER);
}

void SelectNext()
{
    IMGOBJ *first = nullptr, *next = nullptr;
    bool passed = false;
    for (AO *e = gAOList; e; e = e->pNext) {
        IMGOBJ *obj = Layered(e);
        if (!obj)
            continue;
        if (!first)
            first = obj;
        if (passed && !next)
            next = obj;
        if (obj == gSelected)
            passed = true;
    }
    IMGOBJ *candidate = next ? next : first;
    if (candidate == gSelected)
        UpdateSelectionState(); // SelectPiece tells of a change only
    else
        SelectPiece(candidate);
}

int WheelOnPiece(int32_t x, int32_t y, int32_t notches, int32_t turn)
{
    if (!OverSelectedPiece(x, y) || gMouseDown)
        return 0;
    IMGOBJ *piece = gSelected;
    if (turn && piece->iKind != IMG_OBJ && piece->iKind != IMG_CAPTION)
        return 1;
    // Notch after notch of one turn of the wheel make one step of the history.
    PICTURE_ChangeBegin(CHANGE_WHEEL);
    if (turn)
        RotateSelected(5 * notches);
    else
        ResizeSelectedProportional(5.0f * static_cast<float>(notches));
    piece->bNeedsUpdate = 1;
    PICTURE_ChangeEnd(CHANGE_WHEEL);
    return 1;
}
