// edit.cpp — the mouse on the picture and the selection: picking and dragging pieces,
// deleting, layering and selecting the next piece.
#include "interface/interface.h"
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

static bool Contains(const IMGOBJ *obj, int32_t x, int32_t y)
{
    const AO &a = obj->ao;
    return x >= a.x && static_cast<int64_t>(x) <= static_cast<int64_t>(a.x) + a.iWidth &&
           y >= a.y && static_cast<int64_t>(y) <= static_cast<int64_t>(a.y) + a.iHeight;
}

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

void MouseMove(int32_t x, int32_t y)
{
    gMouseX = x;
    gMouseY = y;
    if (gMouseDown) {
        gDragDX = x - gPressX;
        gDragDY = y - gPressY;
    }
}

IMGOBJ *PieceAt(int32_t x, int32_t y)
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (IMGOBJ *obj = Pickable(e); obj && Contains(obj, x, y))
            return obj;
    return nullptr;
}

void MouseDown(int32_t x, int32_t y)
{
    gMouseDown = 1;
    gPressX = x;
    gPressY = y;
    gDragDX = gDragDY = 0;
    gDraggingPiece = 0;
    if (!PointInPicture(x, y))
        return; // may press a button; the selection stays
    if (gSelected && Contains(gSelected, x, y)) {
        Anchor(gSelected); // a second press grabs the selected piece
        gDraggingPiece = 1;
        PICTURE_ChangeBegin(CHANGE_DRAG);
        return;
    }
    // The first piece from the head of the list wins: the one furthest back.
    IMGOBJ *before = gSelected;
    gSelected = nullptr;
    for (AO *e = gAOList; e; e = e->pNext) {
        IMGOBJ *obj = Pickable(e);
        if (!obj)
            continue;
        if (!gSelected && Contains(obj, x, y)) {
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
    gMouseDown = 0;
    gDraggingPiece = 0;
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
