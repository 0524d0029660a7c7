// ao.cpp — the display list and the frame processor.
//
// The list is a doubly linked list of zero-filled blocks in ascending layer order.
// A frame runs every entry's procedure, then redraws only what changed: sprites on the
// screen buffer over the background, image objects in the picture buffer, each in the
// rectangles where something moved, changed look, appeared or went away, and copies just
// those rectangles to the window image. A frame in which nothing changed touches nothing.
// Depends on: pixels/ (blits, lines, DIB loading), platform/ (window image, trail),
// picture/imgobj.h (the photo's state, the selection).
#include "picture/ao.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/trail.h"

AO *gAOList;
int32_t gFramesRunning;
int32_t gAOListCleared;
void *gWindowDC;
const void *gSpriteSheet;

static int sInitialised;

// ---- Entries and list links -----------------------------------------------------------

AO *AO_Alloc(size_t size)
{
    if (size < sizeof(AO))
        size = sizeof(AO);
    return static_cast<AO *>(std::calloc(1, size));
}

int AO_AddObj(AO *entry)
{
    if (!entry)
        return Fail("AO_AddObj() - no entry !");
    if (entry->iWidth < 0)
        entry->iWidth = 0;
    if (entry->iHeight < 0)
        entry->iHeight = 0;
    entry->pPrev = nullptr;
    entry->pNext = nullptr;
    entry->bRemove = 0;

    if (!gAOList) {
        gAOList = entry;
        return 1;
    }
    AO *last = nullptr;
    for (AO *at = gAOList; at; at = at->pNext) {
        if (at->iLayer > entry->iLayer) {
            AO_InsertBefore(at, entry);
            return 1;
        }
        last = at;
    }
    last->pNext = entry;
    entry->pPrev = last;
    return 1;
}

// Releases what an image object owns besides its block.
static void ReleaseImgObj(IMGOBJ *obj)
{
    for (IMGRES &res : obj->iiRes) {
        if (res.DDSSurface) {
            DXReleaseSurface(res.DDSSurface);
            res.DDSSurface = nullptr;
        }
    }
    std::free(obj->pszFullPath);
    obj->pszFullPath = nullptr;
}

static int CopyToWindow(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height);

// ---- Rectangles to redraw ---------------------------------------------------------------
// A short list of rectangles; when it is full, one box around them all takes their place.
struct DIRTY {
    static constexpr int kMax = 16;
    XYWH r[kMax];
    int n;
};

// The box around a and b.
static XYWH Union(const XYWH &a, const XYWH &b)
{
    const int64_t left = a.x < b.x ? a.x : b.x, top = a.y < b.y ? a.y : b.y;
    const int64_t r1 = a.x + static_cast<int64_t>(a.w), r2 = b.x + static_cast<int64_t>(b.w);
    const int64_t b1 = a.y + static_cast<int64_t>(a.h), b2 = b.y + static_cast<int64_t>(b.h);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>((r1 > r2 ? r1 : r2) - left),
            static_cast<int32_t>((b1 > b2 ? b1 : b2) - top)};
}

static bool Overlap(const XYWH &a, const XYWH &b)
{
    return a.x < b.x + static_cast<int64_t>(b.w) && b.x < a.x + static_cast<int64_t>(a.w) &&
           a.y < b.y + static_cast<int64_t>(b.h) && b.y < a.y + static_cast<int64_t>(a.h);
}

// Adds a rectangle; one that overlaps another is merged with it into their box (a piece's
// old and new place are mostly the same pixels), so nothing is redrawn twice.
static void AddDirty(DIRTY *d, int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (w <= 0 || h <= 0)
        return;
    XYWH r = {x, y, w, h};
    for (int i = 0; i < d->n;) {
        if (Overlap(r, d->r[i])) {
            r = Union(r, d->r[i]);
            d->r[i] = d->r[--d->n]; // and look again: the box may meet others now
            i = 0;
        } else {
            i++;
        }
    }
    if (d->n == DIRTY::kMax) {
        for (int i = 1; i < d->n; i++)
            d->r[0] = Union(d->r[0], d->r[i]);
        r = Union(r, d->r[0]);
        d->n = 0;
    }
    d->r[d->n++] = r;
}

// The part of (x, y, w, h) inside `clip`; false when they do not meet.
static bool Clip(const XYWH &clip, int32_t *x, int32_t *y, int32_t *w, int32_t *h)
{
    const int64_t left = *x > clip.x ? *x : clip.x, top = *y > clip.y ? *y : clip.y;
    const int64_t r1 = static_cast<int64_t>(*x) + *w, r2 = static_cast<int64_t>(clip.x) + clip.w;
    const int64_t b1 = static_cast<int64_t>(*y) + *h, b2 = static_cast<int64_t>(clip.y) + clip.h;
    const int64_t right = r1 < r2 ? r1 : r2, bottom = b1 < b2 ? b1 : b2;
    if (right <= left || bottom <= top)
        return false;
    *x = static_cast<int32_t>(left), *y = static_cast<int32_t>(top);
    *w = static_cast<int32_t>(right - left), *h = static_cast<int32_t>(bottom - top);
    return true;
}

static DIRTY sSpritesGone;  // places of sprites removed since the last frame
static DIRTY sPiecesGone;   // places of image objects removed since the last frame
static DIRTY sPictureShown; // parts of the window's picture overwritten from the screen buffer

int AO_DelObj(AO *entry)
{
    if (!entry)
        return 1;
    if (entry->pPrev)
        entry->pPrev->pNext = entry->pNext;
    else if (gAOList == entry)
        gAOList = entry->pNext;
    if (entry->pNext)
        entry->pNext->pPrev = entry->pPrev;
    entry->pPrev = entry->pNext = nullptr;

    // A sprite leaves nothing behind: its place gets the background back, in the screen
    // buffer and in the window at once (the frames may be paused), and the next frame
    // redraws the sprites it overlapped there.
    if (entry->dwFlags & AOFLAG_SPRITE) {
        const int32_t *r = entry->bDrawn ? entry->rcDrawn : &entry->x;
        int32_t place[4] = {r[0], r[1], entry->bDrawn ? r[2] : entry->iWidth,
                            entry->bDrawn ? r[3] : entry->iHeight};
        if (gDDSScratch && gDDSBackgnd &&
            DXBlt(gDDSScratch, place[0], place[1], place[2], place[3], gDDSBackgnd, place[0],
                  place[1], DXBLT_OPAQUE))
            CopyToWindow(gDDSScratch, place[0], place[1], place[2], place[3]);
        AddDirty(&sSpritesGone, place[0], place[1], place[2], place[3]);
    }

    if (entry->iType == AO_TYPE_IMGOBJ) {
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(entry);
        if (obj->bDrawn)
            AddDirty(&sPiecesGone, obj->rcDrawn[0], obj->rcDrawn[1], obj->rcDrawn[2],
                     obj->rcDrawn[3]);
        // The picture pass outlines gSelected: never leave it pointing at freed memory.
        if (gSelected == obj)
            gSelected = nullptr;
        ReleaseImgObj(obj);
    }
    std::free(entry);
    return 1;
}

int AO_ClearList()
{
    AO *entry = gAOList;
    while (entry) {
        AO *next = entry->pNext;
        if (!AO_DelObj(entry))
            return Fail("Error deleting object");
        entry = next;
    }
    gAOList = nullptr;
    gAOListCleared = 1;
    return 1;
}

int AO_DelLast()
{
    if (!gAOList)
        return 1;
    AO *last = gAOList;
    while (last->pNext)
        last = last->pNext;
    if (!AO_DelObj(last))
        return Fail("Error deleting object");
    return 1;
}

void AO_InsertBefore(AO *place, AO *entry)
{
    if (!entry || place == entry)
        return;
    if (!place) { // no place: the entry goes last
        AO *last = gAOList;
        while (last && last->pNext)
            last = last->pNext;
        entry->pPrev = last;
        entry->pNext = nullptr;
        if (last)
            last->pNext = entry;
        else
            gAOList = entry;
        return;
    }
    entry->pNext = place;
    entry->pPrev = place->pPrev;
    if (place->pPrev)
        place->pPrev->pNext = entry;
    else
        gAOList = entry;
    place->pPrev = entry;
}

// Swaps first and second where first->pNext == second.
static void SwapAdjacent(AO *first, AO *second)
{
    AO *before = first->pPrev;
    AO *after = second->pNext;
    second->pPrev = before;
    second->pNext = first;
    first->pPrev = second;
    first->pNext = after;
    if (before)
        before->pNext = second;
    else
        gAOList = second;
    if (after)
        after->pPrev = first;
}

void AO_SwapObj(AO *a, AO *b)
{
    if (!a || !b || a == b)
        return;
    if (a->pNext == b) {
        SwapAdjacent(a, b);
        return;
    }
    if (b->pNext == a) {
        SwapAdjacent(b, a);
        return;
    }
    AO *aPrev = a->pPrev, *aNext = a->pNext;
    AO *bPrev = b->pPrev, *bNext = b->pNext;
    a->pPrev = bPrev;
    a->pNext = bNext;
    b->pPrev = aPrev;
    b->pNext = aNext;
    if (aPrev)
        aPrev->pNext = b;
    else
        gAOList = b;
    if (aNext)
        aNext->pPrev = b;
    if (bPrev)
        bPrev->pNext = a;
    else
        gAOList = a;
    if (bNext)
        bNext->pPrev = a;
}

// ---- Dying entries and counting ---------------------------------------------------------

int AO_DieProc(AO *entry)
{
    if (entry->iState == 2) {
        entry->iState = 1;
        return 1;
    }
    if (!AO_DelObj(entry))
        return Fail("Couldn\xB4t delete object from list");
    return 1;
}

static void StartDying(AO *entry, int32_t xSrc, int32_t ySrc)
{
    entry->xSrc = xSrc;
    entry->ySrc = ySrc;
    entry->iState = 2;
    entry->AnimateProc = AO_DieProc;
}

void AO_KillType(int32_t type, int32_t xSrc, int32_t ySrc)
{
    for (AO *entry = gAOList; entry; entry = entry->pNext) {
        if (entry->iType == type)
            StartDying(entry, xSrc, ySrc);
    }
}

void AO_KillObj(AO *entry, int32_t xSrc, int32_t ySrc)
{
    if (!entry)
        return;
    StartDying(entry, xSrc, ySrc);
    if ((entry->dwFlags & AOFLAG_IMGOBJ) && reinterpret_cast<IMGOBJ *>(entry)->bDrawn) {
        const int32_t *r = reinterpret_cast<IMGOBJ *>(entry)->rcDrawn;
        AddDirty(&sPiecesGone, r[0], r[1], r[2], r[3]); // it leaves the picture
    }
    entry->dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
    entry->pSheet = gSpriteSheet;
}

int32_t AO_CountType(int32_t type)
{
    int32_t count = 0;
    for (AO *entry = gAOList; entry; entry = entry->pNext) {
        if (entry->iType == type && entry->bRemove != 1)
            count++;
    }
    return count;
}

// ---- Start-up and shutdown -------------------------------------------------------------

int AO_Init(void *)
{
    AO_PictureChanged(); // the buffers may be new
    // The drawing-area size (gScreenWidth, gScreenHeight) is kept up to date by the
    // shell from the window's size events; the window image is what we need here.
    gWindowDC = PLAT_GetWindowImage();
    if (!gWindowDC)
        return Fail("Couldn\xB4t get window DC");
    // Only whether there is a sheet matters here (gDDSSprite holds its pixels): the bytes
    // are looked up, not copied. Absent: sprites simply have no sheet.
    size_t size = 0;
    if (!gSpriteSheet)
        gSpriteSheet = PLAT_FindResource("SPRITE", &size);
    sInitialised = 1;
    return 1;
}

int AO_CleanUp(void *)
{
    if (!sInitialised)
        return 1;
    if (!AO_ClearList())
        return Fail("Couldn\xB4t clear linked list");
    // What the list's removal marked for the next frame belongs to the window just left.
    sSpritesGone.n = sPiecesGone.n = sPictureShown.n = 0;
    gWindowDC = nullptr;
    sInitialised = 0;
    return 1;
}

// ---- Copying to the window image -------------------------------------------------------

// Copies count 3-byte pixels into 4-byte ones whose fourth byte is 255.
static void WidenRow(uint8_t *to, const uint8_t *from, int32_t count)
{
    // Each pixel is read as 4 bytes, so the last, whose fourth may lie past the row, alone.
    for (int32_t i = 0; i < count - 1; i++) {
        uint32_t v;
        std::memcpy(&v, from + 3 * i, 4);
        v |= 0xFF000000u;
        std::memcpy(to + 4 * i, &v, 4);
    }
    if (count > 0) {
        const uint8_t *p = from + 3 * (count - 1);
        uint8_t *q = to + 4 * (count - 1);
        q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
    }
}

// Copies the rectangle (x, y, width, height) of src to the same place of the window
// image, clipped to both, and invalidates what was copied. 0 without a window image.
static int CopyToWindow(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height)
{
    PLAT_IMAGE *win = static_cast<PLAT_IMAGE *>(gWindowDC);
    if (!win || !win->pBits)
        return 0;
    int64_t left = x, top = y;
    int64_t right = left + width, bottom = top + height;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    int64_t maxRight = src->iWidth < win->iWidth ? src->iWidth : win->iWidth;
    int64_t maxBottom = src->iHeight < win->iHeight ? src->iHeight : win->iHeight;
    if (right > maxRight)
        right = maxRight;
    if (bottom > maxBottom)
        bottom = maxBottom;
    if (right <= left || bottom <= top)
        return 1; // nothing visible: like a blit of an empty rectangle, no failure

    const int32_t count = static_cast<int32_t>(right - left);
    for (int64_t row = top; row < bottom; row++) {
        const uint8_t *from = DXPixel(src, static_cast<int32_t>(left), static_cast<int32_t>(row));
        uint8_t *to = win->pBits + row * win->iPitch + left * win->iBytesPerPixel;
        if (win->iBytesPerPixel == 4)
            WidenRow(to, from, count);
        else
            std::memcpy(to, from, static_cast<size_t>(count) * 3);
    }
    PLAT_InvalidateWindow(static_cast<int32_t>(left), static_cast<int32_t>(top),
                          static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
    // The screen buffer holds no pieces: copied over the picture, it hides them there.
    if (src != gDDSPicture) {
        int32_t cx = static_cast<int32_t>(left), cy = static_cast<int32_t>(top);
        int32_t cw = static_cast<int32_t>(right - left), ch = static_cast<int32_t>(bottom - top);
        if (Clip(gPictureRect, &cx, &cy, &cw, &ch))
            AddDirty(&sPictureShown, cx, cy, cw, ch);
    }
    return 1;
}

// ---- The frame ---------------------------------------------------------------------------

// 1: go on drawing; 0: failed; -1: the list was cleared under the pass (frame done).
static int AnimatePass()
{
    // Only a clear during this pass ends it; one from between frames is history.
    gAOListCleared = 0;
    AO *entry = gAOList;
    while (entry) {
        AO *next = entry->pNext; // the procedure may delete its own entry
        if (entry->AnimateProc && !entry->AnimateProc(entry))
            return Fail("AO:AnimateProc failed !");
        if (gAOListCleared) {
            gAOListCleared = 0;
            return -1;
        }
        entry = next;
    }
    return 1;
}

static void Mix(uint64_t *h, int64_t v)
{
    *h = (*h ^ static_cast<uint64_t>(v)) * 0x100000001B3ull;
}

// ---- Sprites on the screen buffer -------------------------------------------------------

static int sPictureRedrawn; // this frame redrew part of the picture buffer

// How a sprite is drawn: place, source, update rectangle.
static uint64_t SpriteSignature(const AO *e)
{
    uint64_t h = 0xCBF29CE484222325ull;
    Mix(&h, reinterpret_cast<intptr_t>(e->pSheet));
    for (int32_t v :
         {e->x, e->y, e->iWidth, e->iHeight, e->xSrc, e->ySrc, e->rcUpdate[0], e->rcUpdate[1],
          e->rcUpdate[2], e->rcUpdate[3], static_cast<int32_t>(e->dwFlags)})
        Mix(&h, v);
    return h;
}

// Puts the background back in the rectangles, draws every sprite over it there (cut to
// them) and copies them to the window. `whole`: the whole screen.
static int DrawSprites(DIRTY *d, int whole)
{
    if (whole) {
        d->n = 0;
        AddDirty(d, 0, 0, gScreenWidth, gScreenHeight);
    }
    for (int i = 0; i < d->n; i++) {
        const XYWH &r = d->r[i];
        if (!DXBlt(gDDSScratch, r.x, r.y, r.w, r.h, gDDSBackgnd, r.x, r.y, DXBLT_OPAQUE))
            return Fail("AO 1");
    }
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_SPRITE))
            continue;
        LPDDS source = e->pSheet ? gDDSSprite : gDDSPicture;
        for (int i = 0; i < d->n; i++) {
            int32_t x = e->x, y = e->y, w = e->iWidth, h = e->iHeight;
            if (Clip(d->r[i], &x, &y, &w, &h) &&
                !DXBlt(gDDSScratch, x, y, w, h, source, e->xSrc + (x - e->x), e->ySrc + (y - e->y),
                       DXBLT_SRCKEY))
                return Fail(e->pSheet ? "AO 2" : "AO 3");
        }
        e->rcDrawn[0] = e->x, e->rcDrawn[1] = e->y, e->rcDrawn[2] = e->iWidth,
        e->rcDrawn[3] = e->iHeight;
        std::memcpy(e->rcFlushed, e->rcUpdate, sizeof e->rcFlushed);
        e->uDrawnSig = SpriteSignature(e);
        e->bDrawn = 1;
    }
    for (int i = 0; i < d->n; i++) {
        const XYWH &r = d->r[i];
        if (!CopyToWindow(gDDSScratch, r.x, r.y, r.w, r.h))
            return Fail("AO 4b - BitBlt!");
    }
    return 1;
}

// The sprites that moved, changed look, appeared or went away: their old and new places.
// An entry that only flushes (no sprite of its own) has its update rectangle copied
// from the screen buffer as it is when that rectangle changed.
static int SpritePass()
{
    if (!gDDSScratch || !gDDSScratch->pBits)
        return Fail("No DC!");
    DIRTY d = sSpritesGone, copy = {};
    sSpritesGone.n = 0;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & (AOFLAG_SPRITE | AOFLAG_FLUSH)))
            continue;
        const uint64_t sig = SpriteSignature(e);
        if (e->bDrawn && e->uDrawnSig == sig && (e->pSheet || !sPictureRedrawn))
            continue;
        if (!(e->dwFlags & AOFLAG_SPRITE)) {
            AddDirty(&copy, e->rcUpdate[0], e->rcUpdate[1], e->rcUpdate[2], e->rcUpdate[3]);
            e->uDrawnSig = sig, e->bDrawn = 1;
            continue;
        }
        if (e->bDrawn) {
            AddDirty(&d, e->rcDrawn[0], e->rcDrawn[1], e->rcDrawn[2], e->rcDrawn[3]);
            if (e->dwFlags & AOFLAG_FLUSH)
                AddDirty(&d, e->rcFlushed[0], e->rcFlushed[1], e->rcFlushed[2], e->rcFlushed[3]);
        }
        AddDirty(&d, e->x, e->y, e->iWidth, e->iHeight);
        if (e->dwFlags & AOFLAG_FLUSH)
            AddDirty(&d, e->rcUpdate[0], e->rcUpdate[1], e->rcUpdate[2], e->rcUpdate[3]);
    }
    if (d.n && !DrawSprites(&d, 0))
        return 0;
    for (int i = 0; i < copy.n; i++)
        if (!CopyToWindow(gDDSScratch, copy.r[i].x, copy.r[i].y, copy.r[i].w, copy.r[i].h))
            return Fail("AO 4b - BitBlt!");
    return 1;
}

// ---- Image objects in the picture buffer ------------------------------------------------
// The picture buffer keeps the last picture drawn. A frame redraws it where an image
// object's rectangle, screen image or place in the stacking changed, where one went
// away and where the selection outline moved; all of it after a rebuild or a scratch
// use of the buffer (AO_PictureChanged). What it redraws, and what a sprite's copy from
// the screen buffer covered, is copied to the window.
static int sPictureValid;           // the buffer holds the picture the objects' drawn state says
static int32_t sOutlineDrawn[4][2]; // the corners of the outline in the buffer
static XYWH sOutlineBox;            // and the box around it (w 0: no outline)

void AO_PictureChanged()
{
    sPictureValid = 0;
}

// Where an image object is drawn: its own rectangle, or its turned box.
static XYWH DrawnRect(const IMGOBJ *obj)
{
    const AO &ao = obj->ao;
    if (obj->iKind == IMG_SRC || obj->iAngle == 0)
        return {ao.x, ao.y, ao.iWidth, ao.iHeight};
    return {obj->rcRotated[0], obj->rcRotated[1], obj->rcRotated[2], obj->rcRotated[3]};
}

// The image object's part inside `clip`.
static int DrawImgObj(IMGOBJ *obj, const XYWH &clip)
{
    const XYWH r = DrawnRect(obj);
    int32_t x = r.x, y = r.y, w = r.w, h = r.h;
    if (!Clip(clip, &x, &y, &w, &h))
        return 1;
    LPDDS image = obj->iiRes[LO_RES_OBJ].DDSSurface;
    const int mode = obj->iKind == IMG_SRC ? DXBLT_OPAQUE : DXBLT_CLIPPED;
    if (!DXBlt(gDDSPicture, x, y, w, h, image, x - r.x, y - r.y, mode))
        return Fail(obj->iKind == IMG_SRC ? "AO 3 - IMG_SRC - AOFLAG_IMGOBJ"
                                          : "AO 3 - IMG_OBJ - AOFLAG_IMGOBJ");
    return 1;
}

// The box around the selected piece's outline, one pixel wider each way.
static XYWH OutlineBox()
{
    if (!gSelected)
        return {0, 0, 0, 0};
    int32_t left = gSelected->ptCorner[0][0], right = left;
    int32_t top = gSelected->ptCorner[0][1], bottom = top;
    for (const auto &c : gSelected->ptCorner) {
        left = c[0] < left ? c[0] : left, right = c[0] > right ? c[0] : right;
        top = c[1] < top ? c[1] : top, bottom = c[1] > bottom ? c[1] : bottom;
    }
    return {left - 1, top - 1, right - left + 3, bottom - top + 3};
}

// The closed outline through the selected piece's corners: 4, 1, 2, 3, 4.
static void DrawSelectionOutline(const IMGOBJ *obj)
{
    const int32_t(*pt)[2] = obj->ptCorner;
    int from = 3;
    for (int to = 0; to < 4; to++) {
        DXDrawLine2(gDDSPicture, pt[from][0], pt[from][1], pt[to][0], pt[to][1], gOutlinePenColor);
        from = to;
    }
}

// Redraws the picture buffer where it changed. `d` collects what to copy to the window.
static int PicturePass(DIRTY *d)
{
    const int whole = !sPictureValid;
    DIRTY changed = sPiecesGone;
    sPiecesGone.n = 0;
    const void *below = nullptr;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_IMGOBJ))
            continue;
        IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
        const XYWH r = DrawnRect(o);
        const void *image = o->iiRes[LO_RES_OBJ].DDSSurface;
        if (!o->bDrawn || o->rcDrawn[0] != r.x || o->rcDrawn[1] != r.y || o->rcDrawn[2] != r.w ||
            o->rcDrawn[3] != r.h || o->pDrawnImage != image || o->pDrawnBelow != below) {
            if (o->bDrawn)
                AddDirty(&changed, o->rcDrawn[0], o->rcDrawn[1], o->rcDrawn[2], o->rcDrawn[3]);
            AddDirty(&changed, r.x, r.y, r.w, r.h);
            o->rcDrawn[0] = r.x, o->rcDrawn[1] = r.y, o->rcDrawn[2] = r.w, o->rcDrawn[3] = r.h;
            o->pDrawnImage = image;
            o->pDrawnBelow = below;
            o->bDrawn = 1;
        }
        below = o;
    }
    const XYWH outline = OutlineBox();
    int32_t corners[4][2] = {};
    if (gSelected)
        std::memcpy(corners, gSelected->ptCorner, sizeof corners);
    if (std::memcmp(&outline, &sOutlineBox, sizeof outline) != 0 ||
        std::memcmp(corners, sOutlineDrawn, sizeof corners) != 0) {
        AddDirty(&changed, sOutlineBox.x, sOutlineBox.y, sOutlineBox.w, sOutlineBox.h);
        AddDirty(&changed, outline.x, outline.y, outline.w, outline.h);
        sOutlineBox = outline;
        std::memcpy(sOutlineDrawn, corners, sizeof corners);
    }
    if (whole) {
        changed.n = 0;
        AddDirty(&changed, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h);
    }
    sPictureRedrawn = 0;
    if (!gDDSPicture || !gDDSPicture->pBits) {
        sPictureValid = 0;
        return gPictureExists ? Fail("No DC!") : 1;
    }
    gDDSPicture->rcClip = gPictureRect; // pieces (blit mode 4) stay inside the picture
    for (int i = 0; i < changed.n; i++) {
        XYWH r = changed.r[i];
        if (!Clip(gPictureRect, &r.x, &r.y, &r.w, &r.h))
            continue;
        for (AO *e = gAOList; e; e = e->pNext)
            if ((e->dwFlags & AOFLAG_IMGOBJ) && !DrawImgObj(reinterpret_cast<IMGOBJ *>(e), r)) {
                sPictureValid = 0;
                return 0;
            }
        AddDirty(d, r.x, r.y, r.w, r.h);
        sPictureRedrawn = 1;
    }
    // The outline over what was redrawn (elsewhere the buffer holds it already).
    if (sPictureRedrawn && gSelected)
        DrawSelectionOutline(gSelected);
    sPictureValid = 1;
    return 1;
}

// Copies the rectangles of the picture buffer to the window.
static int ShowPicture(const DIRTY &d)
{
    if (!gPictureExists)
        return 1;
    for (int i = 0; i < d.n; i++)
        if (!CopyToWindow(gDDSPicture, d.r[i].x, d.r[i].y, d.r[i].w, d.r[i].h))
            return Fail("AO - Extra!");
    return 1;
}

int AO_RefreshWindow()
{
    if (!gDDSScratch || !gDDSScratch->pBits)
        return Fail("No DC!");
    // The sprites go back onto the fresh background first, so none of them blinks.
    sSpritesGone.n = 0;
    sPictureValid = 0;
    DIRTY picture = {};
    if (!PicturePass(&picture))
        return 0;
    DIRTY screen = {};
    if (!DrawSprites(&screen, 1))
        return 0;
    sPictureShown.n = 0;
    DIRTY all = {};
    AddDirty(&all, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h);
    return ShowPicture(all);
}

int AO_ProcessFlip()
{
    if (gFramesRunning) {
        int animated = AnimatePass();
        if (animated == 0)
            return 0;
        if (animated < 0)
            return 1;
    }
    DIRTY show = {};
    if (!PicturePass(&show) || !SpritePass())
        return 0;
    // Where a sprite's copy from the screen buffer went over the picture, the picture
    // goes back over it.
    for (int i = 0; i < sPictureShown.n; i++)
        AddDirty(&show, sPictureShown.r[i].x, sPictureShown.r[i].y, sPictureShown.r[i].w,
                 sPictureShown.r[i].h);
    sPictureShown.n = 0;
    const int ok = ShowPicture(show);
    sPictureShown.n = 0; // the picture's own copies cover nothing
    return ok;
}
