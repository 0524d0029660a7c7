// redraw.cpp — the picture buffer's part of a frame: image objects redrawn where they
// changed, the selection outline over them, and what changed copied to the window.
//
// The picture buffer keeps the last picture drawn. A frame redraws it where an image
// object's rectangle, screen image or place in the stacking changed, where one went
// away and where the selection outline moved; all of it after a rebuild or a scratch
// use of the buffer (AO_PictureChanged). What it redraws, and what a sprite's copy from
// the screen buffer covered, is copied to the window.
// Depends on: pixels/ (blits, lines), picture/imgobj.h (the pieces, the selection).
#include <cstring>

#include "picture/caption.h"
#include "picture/handles.h"
#include "picture/picture_local.h"
#include "platform/trail.h"

static DIRTY sPiecesGone;     // places of image objects removed since the last frame
static int sPictureValid;     // the buffer holds the picture the objects' drawn state says
static HANDLES sOutlineDrawn; // the outline's corners and handles in the buffer
static XYWH sOutlineBox;      // and the box around them (w 0: no outline)
static int sBufferStale;      // the picture went to the screen's pixels instead

void AO_PictureChanged()
{
    sPictureValid = 0;
    DRAG_Drop(); // what it keeps was drawn from the old content
}

XYWH REDRAW_DrawnRect(const IMGOBJ *obj)
{
    const AO &ao = obj->ao;
    if (obj->iKind == IMG_SRC || obj->iAngle == 0)
        return {ao.x, ao.y, ao.iWidth, ao.iHeight};
    return {obj->rcRotated[0], obj->rcRotated[1], obj->rcRotated[2], obj->rcRotated[3]};
}

// A piece whose artwork has alpha, blended from its artwork into the part `part` (window
// pixels) of `to`, whose (0, 0) is the window's (ox, oy): its screen image would cut the
// soft parts at the key. Small enough (an own sticker is at most 500 pixels a side) to
// compose again in any frame.
static int DrawBlended(LPDDS to, int32_t ox, int32_t oy, const IMGOBJ *obj, const XYWH &part)
{
    LPDDS view =
        DXCreateSurfaceOver(DXPixel(to, part.x - ox, part.y - oy), part.w, part.h, to->iPitch);
    if (!view)
        return Fail("AO 3 - IMG_OBJ - AOFLAG_IMGOBJ");
    const AO &ao = obj->ao;
    const int ok =
        COMPOSE_ClipArtSmooth(view, obj, XYWH{ao.x - part.x, ao.y - part.y, ao.iWidth, ao.iHeight});
    DXReleaseSurface(view);
    return ok;
}

int REDRAW_DrawPiece(LPDDS to, int32_t ox, int32_t oy, IMGOBJ *obj, const XYWH &clip)
{
    const XYWH r = REDRAW_DrawnRect(obj);
    int32_t x = r.x, y = r.y, w = r.w, h = r.h;
    if (!AO_Clip(clip, &x, &y, &w, &h))
        return 1;
    if (obj->pArtBgra && obj->iKind == IMG_OBJ)
        return DrawBlended(to, ox, oy, obj, XYWH{x, y, w, h});
    if (obj->iKind == IMG_CAPTION) {
        CAPTION_DrawScreen(to, obj, XYWH{r.x - ox, r.y - oy, r.w, r.h}, XYWH{x - ox, y - oy, w, h});
        return 1;
    }
    LPDDS image = obj->iiRes[LO_RES_OBJ].DDSSurface;
    const int mode = obj->iKind == IMG_SRC ? DXBLT_OPAQUE : DXBLT_CLIPPED;
    if (!DXBlt(to, x - ox, y - oy, w, h, image, x - r.x, y - r.y, mode))
        return Fail(obj->iKind == IMG_SRC ? "AO 3 - IMG_SRC - AOFLAG_IMGOBJ"
                                          : "AO 3 - IMG_OBJ - AOFLAG_IMGOBJ");
    return 1;
}

// The box around the selected piece's outline and its handles.
static XYWH OutlineBox(const HANDLES &h)
{
    return gSelected ? HANDLES_Box(h, 1.0f) : XYWH{0, 0, 0, 0};
}

// The closed outline through the selected piece's corners (4, 1, 2, 3, 4), then its
// handles over it.
static void DrawSelectionOutline(const IMGOBJ *obj)
{
    const int32_t(*pt)[2] = obj->ptCorner;
    int from = 3;
    for (int to = 0; to < 4; to++) {
        DXDrawLine2(gDDSPicture, pt[from][0], pt[from][1], pt[to][0], pt[to][1], gOutlinePenColor);
        from = to;
    }
    HANDLES h;
    HANDLES_Place(obj, &h);
    HANDLES_Draw(gDDSPicture, h, 1.0f, gOutlinePenColor);
}

int REDRAW_PicturePass(DIRTY *d, int *redrawn)
{
    const int whole = !sPictureValid;
    DIRTY changed = sPiecesGone;
    int others = sPiecesGone.n > 0; // more changed than one piece's place
    IMGOBJ *moved = nullptr;
    sPiecesGone.n = 0;
    const void *below = nullptr;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_IMGOBJ))
            continue;
        IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        const XYWH r = REDRAW_DrawnRect(o);
        const void *image = o->iiRes[LO_RES_OBJ].DDSSurface;
        if (!o->bDrawn || o->rcDrawn[0] != r.x || o->rcDrawn[1] != r.y || o->rcDrawn[2] != r.w ||
            o->rcDrawn[3] != r.h || o->pDrawnImage != image || o->pDrawnBelow != below) {
            if (!moved && o->bDrawn && o->pDrawnImage == image && o->pDrawnBelow == below &&
                o->iKind != IMG_SRC)
                moved = o;
            else
                others = 1;
            if (o->bDrawn)
                AO_AddDirty(&changed, o->rcDrawn[0], o->rcDrawn[1], o->rcDrawn[2], o->rcDrawn[3]);
            AO_AddDirty(&changed, r.x, r.y, r.w, r.h);
            o->rcDrawn[0] = r.x, o->rcDrawn[1] = r.y, o->rcDrawn[2] = r.w, o->rcDrawn[3] = r.h;
            o->pDrawnImage = image;
            o->pDrawnBelow = below;
            o->bDrawn = 1;
        }
        below = o;
    }
    HANDLES handles;
    std::memset(&handles, 0, sizeof handles);
    if (gSelected)
        HANDLES_Place(gSelected, &handles);
    const XYWH outline = OutlineBox(handles);
    if (std::memcmp(&outline, &sOutlineBox, sizeof outline) != 0 ||
        std::memcmp(&handles, &sOutlineDrawn, sizeof handles) != 0) {
        AO_AddDirty(&changed, sOutlineBox.x, sOutlineBox.y, sOutlineBox.w, sOutlineBox.h);
        AO_AddDirty(&changed, outline.x, outline.y, outline.w, outline.h);
        sOutlineBox = outline;
        sOutlineDrawn = handles;
    }
    if (whole) {
        changed.n = 0;
        AO_AddDirty(&changed, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h);
    }
    *redrawn = 0;
    if (!gDDSPicture || !gDDSPicture->pBits) {
        sPictureValid = 0;
        return gPictureExists ? Fail("No DC!") : 1;
    }
    // Shown at the screen's own pixels, the picture is not drawn into the buffer, which
    // nothing shows then; once the buffer shows again it is drawn whole.
    const int device = HIDPI_PicturePass(changed, whole);
    if (device) {
        sBufferStale = 1;
        others = 1;
    } else if (sBufferStale) {
        sBufferStale = 0;
        others = 1;
        changed.n = 0;
        AO_AddDirty(&changed, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h);
    }
    gDDSPicture->rcClip = gPictureRect; // pieces (blit mode 4) stay inside the picture
    // One piece moving over an unchanged picture: drawn over what is kept of the rest.
    const int kept = DRAG_Frame(moved, others || whole) && changed.n;
    for (int i = 0; i < changed.n; i++) {
        XYWH r = changed.r[i];
        if (!AO_Clip(gPictureRect, &r.x, &r.y, &r.w, &r.h))
            continue;
        if (kept && !DRAG_Redraw(r)) {
            sPictureValid = 0;
            return 0;
        }
        for (AO *e = gAOList; e && !device && !kept; e = e->pNext)
            if ((e->dwFlags & AOFLAG_IMGOBJ) &&
                !REDRAW_DrawPiece(gDDSPicture, 0, 0, reinterpret_cast<IMGOBJ *>(e), r)) {
                sPictureValid = 0;
                return 0;
            }
        AO_AddDirty(d, r.x, r.y, r.w, r.h);
        *redrawn = 1;
    }
    // The outline over what was redrawn (elsewhere the buffer holds it already).
    if (*redrawn && gSelected && !device)
        DrawSelectionOutline(gSelected);
    sPictureValid = 1;
    return 1;
}

int REDRAW_ShowPicture(const DIRTY &d)
{
    if (!gPictureExists)
        return 1;
    for (int i = 0; i < d.n; i++)
        if (!AO_CopyToWindow(gDDSPicture, d.r[i].x, d.r[i].y, d.r[i].w, d.r[i].h))
            return Fail("AO - Extra!");
    return 1;
}

void REDRAW_PieceLeaves(AO *entry, int deleted)
{
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(entry);
    DRAG_Drop(); // it may be the moving piece, or under or over it
    if (obj->bDrawn)
        AO_AddDirty(&sPiecesGone, obj->rcDrawn[0], obj->rcDrawn[1], obj->rcDrawn[2],
                    obj->rcDrawn[3]);
    if (!deleted)
        return;
    // The picture pass outlines gSelected: never leave it pointing at freed memory.
    if (gSelected == obj)
        gSelected = nullptr;
    IMGOBJ_ReleaseOwned(obj);
}

void REDRAW_Forget()
{
    sPiecesGone.n = 0;
    DRAG_Drop();
}
