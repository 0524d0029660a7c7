// ao.cpp — the display list and the frame processor.
//
// The list is a doubly linked list of zero-filled blocks in ascending layer order.
// A frame walks it five times: erase the sprites on the screen buffer, animate every
// entry, draw sprites (screen buffer) and image objects (picture buffer), flush the
// update rectangles of the screen buffer to the window image, and finally copy the
// picture rectangle, with the selection outline, to the window image.
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
BITMAPINFOHEADER *gSpriteBitmap;

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
    if (entry->dwFlags & AOFLAG_IMGOBJ)
        AO_PictureChanged();

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
static int sPictureCovered; // the window's picture area was overwritten from the screen buffer

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
    if (entry->dwFlags & AOFLAG_IMGOBJ)
        AO_PictureChanged();

    // A sprite leaves nothing behind: its place gets the background back, in the screen
    // buffer and in the window (no later flush covers a place nobody occupies).
    if ((entry->dwFlags & AOFLAG_SPRITE) && gDDSScratch && gDDSBackgnd &&
        DXBlt(gDDSScratch, entry->x, entry->y, entry->iWidth, entry->iHeight, gDDSBackgnd, entry->x,
              entry->y, 1))
        CopyToWindow(gDDSScratch, entry->x, entry->y, entry->iWidth, entry->iHeight);

    if (entry->iType == AO_TYPE_IMGOBJ) {
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(entry);
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
    entry->dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
    entry->pSheet = gSpriteBitmap;
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
    if (!gSpriteBitmap)
        gSpriteBitmap = DibLoad("SPRITE"); // absent: sprites simply have no sheet
    sInitialised = 1;
    return 1;
}

int AO_CleanUp(void *)
{
    if (!sInitialised)
        return 1;
    if (!AO_ClearList())
        return Fail("Couldn\xB4t clear linked list");
    gWindowDC = nullptr;
    sInitialised = 0;
    return 1;
}

// ---- Copying to the window image -------------------------------------------------------

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

    const size_t rowBytes = static_cast<size_t>(right - left) * 3;
    for (int64_t row = top; row < bottom; row++) {
        const uint8_t *from = DXPixel(src, static_cast<int32_t>(left), static_cast<int32_t>(row));
        uint8_t *to = win->pBits + row * win->iPitch + left * 3;
        std::memcpy(to, from, rowBytes);
    }
    PLAT_InvalidateWindow(static_cast<int32_t>(left), static_cast<int32_t>(top),
                          static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
    // The screen buffer holds no pieces: copied over the picture, it hides them there.
    const XYWH &p = gPictureRect;
    if (src != gDDSPicture && left < p.x + static_cast<int64_t>(p.w) && p.x < right &&
        top < p.y + static_cast<int64_t>(p.h) && p.y < bottom)
        sPictureCovered = 1;
    return 1;
}

// ---- The frame ---------------------------------------------------------------------------

static int ErasePass()
{
    for (AO *entry = gAOList; entry; entry = entry->pNext) {
        if (!(entry->dwFlags & AOFLAG_SPRITE))
            continue;
        if (!DXBlt(gDDSScratch, entry->x, entry->y, entry->iWidth, entry->iHeight, gDDSBackgnd,
                   entry->x, entry->y, 1)) {
            Fail("AO 1");
            return Failf("%d", entry->iType);
        }
    }
    return 1;
}

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

static int DrawImgObj(IMGOBJ *obj)
{
    const AO &ao = obj->ao;
    LPDDS image = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (obj->iKind == IMG_SRC) {
        if (!DXBlt(gDDSPicture, ao.x, ao.y, ao.iWidth, ao.iHeight, image, 0, 0, 1))
            return Fail("AO 3 - IMG_SRC - AOFLAG_IMGOBJ");
        return 1;
    }
    int ok;
    if (obj->iAngle == 0)
        ok = DXBlt(gDDSPicture, ao.x, ao.y, ao.iWidth, ao.iHeight, image, 0, 0, 4);
    else
        ok = DXBlt(gDDSPicture, obj->rcRotated[0], obj->rcRotated[1], obj->rcRotated[2],
                   obj->rcRotated[3], image, 0, 0, 4);
    if (!ok)
        return Fail("AO 3 - IMG_OBJ - AOFLAG_IMGOBJ");
    return 1;
}

// ---- What the picture shows ------------------------------------------------------------
// The picture buffer keeps the last picture drawn. A frame redraws it only when what it
// shows has changed: the signature of every image object's place, size, turn and screen
// image, the selection's outline and the picture rectangle, or a rebuild or a scratch use
// of the buffer since (AO_PictureChanged). It is copied to the window when redrawn, or
// when a sprite's copy from the screen buffer covered part of it there.
static uint64_t sPictureSignature;
static int sPictureValid;   // the buffer holds the picture of sPictureSignature
static int sPictureRedrawn; // this frame redrew it

void AO_PictureChanged()
{
    sPictureValid = 0;
}

static void Mix(uint64_t *h, int64_t v)
{
    *h = (*h ^ static_cast<uint64_t>(v)) * 0x100000001B3ull;
}

static uint64_t PictureSignature()
{
    uint64_t h = 0xCBF29CE484222325ull;
    Mix(&h, reinterpret_cast<intptr_t>(gDDSPicture));
    Mix(&h, gPictureExists);
    for (int32_t v : {gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h})
        Mix(&h, v);
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_IMGOBJ))
            continue;
        const IMGOBJ *o = reinterpret_cast<const IMGOBJ *>(e);
        Mix(&h, reinterpret_cast<intptr_t>(o));
        Mix(&h, reinterpret_cast<intptr_t>(o->iiRes[LO_RES_OBJ].DDSSurface));
        for (int32_t v : {e->x, e->y, e->iWidth, e->iHeight, o->iKind, o->iAngle, o->rcRotated[0],
                          o->rcRotated[1], o->rcRotated[2], o->rcRotated[3]})
            Mix(&h, v);
    }
    Mix(&h, reinterpret_cast<intptr_t>(gSelected));
    if (gSelected)
        for (const auto &corner : gSelected->ptCorner)
            Mix(&h, static_cast<int64_t>(corner[0]) << 32 ^ static_cast<uint32_t>(corner[1]));
    return h;
}

static int DrawPass()
{
    const uint64_t signature = PictureSignature();
    sPictureRedrawn = !sPictureValid || signature != sPictureSignature;
    for (AO *entry = gAOList; entry; entry = entry->pNext) {
        if (entry->dwFlags & AOFLAG_SPRITE) {
            LPDDS source = entry->pSheet ? gDDSSprite : gDDSPicture;
            if (!DXBlt(gDDSScratch, entry->x, entry->y, entry->iWidth, entry->iHeight, source,
                       entry->xSrc, entry->ySrc, 2))
                return Fail(entry->pSheet ? "AO 2" : "AO 3");
        }
        if (sPictureRedrawn && (entry->dwFlags & AOFLAG_IMGOBJ) &&
            !DrawImgObj(reinterpret_cast<IMGOBJ *>(entry))) {
            sPictureValid = 0;
            return 0;
        }
    }
    if (sPictureRedrawn) {
        sPictureSignature = signature;
        sPictureValid = 1;
    }
    return 1;
}

static int FlushPass()
{
    if (!gDDSScratch || !gDDSScratch->pBits)
        return Fail("No DC!");
    for (AO *entry = gAOList; entry; entry = entry->pNext) {
        if (!(entry->dwFlags & AOFLAG_FLUSH))
            continue;
        if (!CopyToWindow(gDDSScratch, entry->rcUpdate[0], entry->rcUpdate[1], entry->rcUpdate[2],
                          entry->rcUpdate[3]))
            return Fail("AO 4b - BitBlt!");
    }
    return 1;
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

static int PicturePass()
{
    if (!gPictureExists)
        return 1;
    if (!gDDSPicture || !gDDSPicture->pBits)
        return Fail("No DC!");
    if (!sPictureRedrawn && !sPictureCovered)
        return 1; // the window shows the picture as it is
    // The outline is drawn over a redrawn picture (and stays in the buffer until the next).
    if (sPictureRedrawn && gSelected)
        DrawSelectionOutline(gSelected);
    if (!CopyToWindow(gDDSPicture, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h))
        return Fail("AO - Extra!");
    sPictureCovered = 0;
    return 1;
}

int AO_RefreshWindow()
{
    if (!gDDSScratch || !gDDSScratch->pBits)
        return Fail("No DC!");
    // The sprites go back onto the fresh background first, so none of them blinks.
    if (!DrawPass())
        return 0;
    if (!CopyToWindow(gDDSScratch, 0, 0, gScreenWidth, gScreenHeight))
        return Fail("AO - Refresh!");
    return PicturePass();
}

int AO_ProcessFlip()
{
    if (!ErasePass())
        return 0;
    if (gFramesRunning) {
        int animated = AnimatePass();
        if (animated == 0)
            return 0;
        if (animated < 0)
            return 1;
    }
    if (!DrawPass())
        return 0;
    if (!FlushPass())
        return 0;
    return PicturePass();
}
