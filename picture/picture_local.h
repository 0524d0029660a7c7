// picture_local.h — what the picture folder's files share among themselves. No other
// folder includes it: their contract is ao.h, imgobj.h, compose.h, text.h and font.h.
#pragma once

#include <cstdint>

#include "picture/ao.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"

// ---- The frames' rectangles (ao.cpp) ------------------------------------------------------

// A short list of rectangles; when it is full, one box around them all takes their place.
struct DIRTY {
    static constexpr int kMax = 16;
    XYWH r[kMax];
    int n;
};
// Adds a rectangle; one that overlaps another is merged with it into their box (a piece's
// old and new place are mostly the same pixels), so nothing is redrawn twice.
void AO_AddDirty(DIRTY *d, int32_t x, int32_t y, int32_t w, int32_t h);
// The part of (x, y, w, h) inside `clip`; false when they do not meet.
bool AO_Clip(const XYWH &clip, int32_t *x, int32_t *y, int32_t *w, int32_t *h);
// Copies the rectangle (x, y, width, height) of src to the same place of the window
// image, clipped to both, and invalidates what was copied. 0 without a window image.
int AO_CopyToWindow(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height);

// ---- The picture buffer's part of a frame (redraw.cpp) --------------------------------------

// Redraws the picture buffer where it changed; `d` collects what to copy to the window,
// *redrawn says whether any of the buffer was redrawn. 0 with the trail filled.
int REDRAW_PicturePass(DIRTY *d, int *redrawn);
// Where an image object is drawn: its own rectangle, or its turned box.
XYWH REDRAW_DrawnRect(const IMGOBJ *obj);
// Draws the part of image object obj inside `clip` (window pixels) onto `to`, whose pixel
// (0, 0) is the window's (ox, oy); keyed pieces are also cut to to->rcClip. 0 with the
// trail filled.
int REDRAW_DrawPiece(LPDDS to, int32_t ox, int32_t oy, IMGOBJ *obj, const XYWH &clip);
// Copies the rectangles of the picture buffer to the window (nothing before a photo).
int REDRAW_ShowPicture(const DIRTY &d);
// An image object leaves the picture: deleted (1: it no longer is the selection and its
// surfaces and path are freed), or dying as a sprite (0). Its place is redrawn next frame.
void REDRAW_PieceLeaves(AO *entry, int deleted);
// Forgets the places marked for the next frame (the window is left).
void REDRAW_Forget();

// ---- A piece on the move (dragcache.cpp) ---------------------------------------------------

// The picture pass's frame: `moved` is the one piece whose place alone changed (null: none),
// `others` says something else in the picture changed. 1: the picture under and over the
// moving piece is kept (kept now if need be) and DRAG_Redraw draws this frame's rectangles.
int DRAG_Frame(IMGOBJ *moved, int others);
// Redraws the part r (inside the picture) of the picture buffer from what is kept: the
// picture under the piece, the piece, the pieces over it. 0 with the trail filled.
int DRAG_Redraw(const XYWH &r);
// Forgets what is kept, and frees it.
void DRAG_Drop();

// ---- The full-resolution composition (compose.cpp, smooth.cpp) ------------------------

// Before a composition at width × height: no selection, every piece at the size its
// exact size makes. 0 with the trail filled for a size that cannot be composed.
int COMPOSE_Prepare(int32_t width, int32_t height);
// Set while another thread works beside the composition (the encoder): a large piece is
// then composed on one thread, not shared between two.
extern int gComposeAlone;
// Composes clip art `obj` with smooth edges into the rectangle `p` of the export `out`
// (the piece's place there before its turn). 0 with "Out of memory" in the trail; a piece
// without artwork draws nothing.
int COMPOSE_ClipArtSmooth(LPDDS out, const IMGOBJ *obj, const XYWH &p);
// The box a piece (any image object but the photo) covers in the picture composed at
// width × height; 0 for an entry the composition does not draw or a piece of no size.
int COMPOSE_PieceBox(const IMGOBJ *obj, int32_t width, int32_t height, XYWH *box);
// Composes the one piece obj, as the picture composed at width × height has it, onto
// `view`, which shows that composition's part from (x, y) on: the piece is cut at its
// edges, and scratch space never touches the picture buffer. 0 with the trail filled.
int COMPOSE_PieceAt(LPDDS view, IMGOBJ *obj, int32_t width, int32_t height, int32_t x, int32_t y);

// ---- The picture at the screen's own pixels (hidpi.cpp) ------------------------------------

// Redraws the picture at device pixels where the frame redrew the picture buffer:
// `changed` in window pixels, all of it when `whole`. Without a device scale above 1
// it does nothing; when it cannot (memory) the window shows the picture buffer and the
// trail is left as it was. 1: the picture at device pixels is what the window shows.
int HIDPI_PicturePass(const DIRTY &changed, int whole);

// ---- The window at twice its pixels (devui.cpp) --------------------------------------------

// What one background is drawn from and onto: the window's surfaces (k 1), or the 2x
// artwork and background (k 2), every place and size times k.
struct BACKDROP {
    LPDDS out, sheet, clp, logo;
    int32_t k;
};
// The 2x backdrop for a background rebuild: its artwork loaded (the first time) and its
// background and window sized to the drawing area. 0 when the 2x window is not wanted or
// cannot be had (memory, artwork); the trail is left as it was.
int DEVUI_Backdrop(BACKDROP *b);
// The 2x background is drawn whole and the frames' refresh has put it in the 2x window.
void DEVUI_BackdropDone();
// Puts the 2x background back into the 2x window at the window rectangle.
void DEVUI_Restore(int32_t x, int32_t y, int32_t w, int32_t h);
// Draws the part (x, y, w, h), in window pixels, of a sprite into the 2x window.
void DEVUI_Sprite(const AO *e, int32_t x, int32_t y, int32_t w, int32_t h);

// ---- Image objects (imgobj.cpp) -----------------------------------------------------------

// Releases what an image object owns besides its block: its two surfaces and full path.
void IMGOBJ_ReleaseOwned(IMGOBJ *obj);
// As DXCreateSurface (white, white key; `old` released first), but a large surface's
// memory is asked to come in huge pages before it is first touched: a whole photo is
// then faulted in a few hundred steps instead of tens of thousands. The top-left
// keepW × keepH pixels, which a decoder is about to write, are not cleared.
LPDDS IMGOBJ_MakeSurface(LPDDS old, int32_t width, int32_t height, int32_t keepW = 0,
                         int32_t keepH = 0);
// n rounded up to a multiple of 8.
int32_t IMGOBJ_RoundUp8(int32_t n);
// Tells the window that a new photo (or the photo turned) is there.
void PICTURE_PhotoChanged();
