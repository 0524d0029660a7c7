// ao.cpp — the display list and the frame processor.
//
// The list is a doubly linked list of zero-filled blocks in ascending layer order.
// A frame runs every entry's procedure, then redraws only what changed: sprites on the
// screen buffer over the background, image objects in the picture buffer, each in the
// rectangles where something moved, changed look, appeared or went away, and copies just
// those rectangles to the window image. A frame in which nothing changed touches nothing.
// The picture buffer's part of a frame is redraw.cpp's: the list walks its entries by
// their flags and procedures only.
// Depends on: pixels/ (blits), platform/ (window image, trail).
#include "picture/ao.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>
#include <initializer_list>
#include <sys/platform/x86.h> // glibc's CPU features, read without a cpuid of our own

#include "picture/compose.h"
#include "picture/picture_local.h"
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

// ---- Rectangles to redraw ---------------------------------------------------------------
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

void AO_AddDirty(DIRTY *d, int32_t x, int32_t y, int32_t w, int32_t h)
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

bool AO_Clip(const XYWH &clip, int32_t *x, int32_t *y, int32_t *w, int32_t *h)
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
            AO_CopyToWindow(gDDSScratch, place[0], place[1], place[2], place[3]);
        DEVUI_Restore(place[0], place[1], place[2], place[3]);
        AO_AddDirty(&sSpritesGone, place[0], place[1], place[2], place[3]);
    }

    if (entry->iType == AO_TYPE_IMGOBJ)
        REDRAW_PieceLeaves(entry, 1);
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
    if (entry->dwFlags & AOFLAG_IMGOBJ)
        REDRAW_PieceLeaves(entry, 0); // it leaves the picture
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
    sSpritesGone.n = sPictureShown.n = 0;
    REDRAW_Forget();
    PICTURE_ReleaseDevicePicture();
    DEVUI_Release();
    gWindowDC = nullptr;
    sInitialised = 0;
    return 1;
}

// ---- Copying to the window image -------------------------------------------------------

// WidenRow 16 pixels a step with SSSE3: each 12 source bytes spread into four 4-byte
// pixels. Returns how many pixels it did; the last step's reads stay inside the row.
__attribute__((target("ssse3"))) static int32_t WidenRowSsse3(uint8_t *to, const uint8_t *from,
                                                              int32_t count)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    // 16 bytes are read for every 12 used: the step stops while 4 more lie in the row.
    for (; i + 16 <= count && 3 * (i + 16) + 4 <= 3 * count; i += 16) {
        for (int k = 0; k < 4; k++) {
            const __m128i v =
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 3 * (i + 4 * k)));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 4 * (i + 4 * k)),
                             _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
        }
    }
    return i;
}

// Copies count 3-byte pixels into 4-byte ones whose fourth byte is 255.
static void WidenRow(uint8_t *to, const uint8_t *from, int32_t count)
{
    static const bool kSsse3 = CPU_FEATURE_ACTIVE(SSSE3);
    const int32_t done = kSsse3 ? WidenRowSsse3(to, from, count) : 0;
    to += 4 * done, from += 3 * done, count -= done;
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

int AO_CopyToWindow(LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height)
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
        if (AO_Clip(gPictureRect, &cx, &cy, &cw, &ch))
            AO_AddDirty(&sPictureShown, cx, cy, cw, ch);
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
        AO_AddDirty(d, 0, 0, gScreenWidth, gScreenHeight);
    }
    for (int i = 0; i < d->n; i++) {
        const XYWH &r = d->r[i];
        if (!DXBlt(gDDSScratch, r.x, r.y, r.w, r.h, gDDSBackgnd, r.x, r.y, DXBLT_OPAQUE))
            return Fail("AO 1");
        DEVUI_Restore(r.x, r.y, r.w, r.h);
    }
    for (AO *e = gAOList; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_SPRITE))
            continue;
        LPDDS source = e->pSheet ? gDDSSprite : gDDSPicture;
        for (int i = 0; i < d->n; i++) {
            int32_t x = e->x, y = e->y, w = e->iWidth, h = e->iHeight;
            if (!AO_Clip(d->r[i], &x, &y, &w, &h))
                continue;
            if (!DXBlt(gDDSScratch, x, y, w, h, source, e->xSrc + (x - e->x), e->ySrc + (y - e->y),
                       DXBLT_SRCKEY))
                return Fail(e->pSheet ? "AO 2" : "AO 3");
            DEVUI_Sprite(e, x, y, w, h);
        }
        e->rcDrawn[0] = e->x, e->rcDrawn[1] = e->y, e->rcDrawn[2] = e->iWidth,
        e->rcDrawn[3] = e->iHeight;
        std::memcpy(e->rcFlushed, e->rcUpdate, sizeof e->rcFlushed);
        e->uDrawnSig = SpriteSignature(e);
        e->bDrawn = 1;
    }
    for (int i = 0; i < d->n; i++) {
        const XYWH &r = d->r[i];
        if (!AO_CopyToWindow(gDDSScratch, r.x, r.y, r.w, r.h))
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
            AO_AddDirty(&copy, e->rcUpdate[0], e->rcUpdate[1], e->rcUpdate[2], e->rcUpdate[3]);
            e->uDrawnSig = sig, e->bDrawn = 1;
            continue;
        }
        if (e->bDrawn) {
            AO_AddDirty(&d, e->rcDrawn[0], e->rcDrawn[1], e->rcDrawn[2], e->rcDrawn[3]);
            if (e->dwFlags & AOFLAG_FLUSH)
                AO_AddDirty(&d, e->rcFlushed[0], e->rcFlushed[1], e->rcFlushed[2], e->rcFlushed[3]);
        }
        AO_AddDirty(&d, e->x, e->y, e->iWidth, e->iHeight);
        if (e->dwFlags & AOFLAG_FLUSH)
            AO_AddDirty(&d, e->rcUpdate[0], e->rcUpdate[1], e->rcUpdate[2], e->rcUpdate[3]);
    }
    if (d.n && !DrawSprites(&d, 0))
        return 0;
    for (int i = 0; i < copy.n; i++)
        if (!AO_CopyToWindow(gDDSScratch, copy.r[i].x, copy.r[i].y, copy.r[i].w, copy.r[i].h))
            return Fail("AO 4b - BitBlt!");
    return 1;
}

int AO_RefreshWindow()
{
    if (!gDDSScratch || !gDDSScratch->pBits)
        return Fail("No DC!");
    // The sprites go back onto the fresh background first, so none of them blinks. The
    // picture buffer is redrawn only where it changed: the frame just before drew it.
    sSpritesGone.n = 0;
    DIRTY picture = {};
    if (!REDRAW_PicturePass(&picture, &sPictureRedrawn))
        return 0;
    DIRTY screen = {};
    if (!DrawSprites(&screen, 1))
        return 0;
    sPictureShown.n = 0;
    DIRTY all = {};
    AO_AddDirty(&all, gPictureRect.x, gPictureRect.y, gPictureRect.w, gPictureRect.h);
    return REDRAW_ShowPicture(all);
}

// A frame's animation, then the picture buffer redrawn where it changed, with what to
// show in `show`. -1: a clear ended the animate pass and the frame draws nothing more.
static int AnimateAndRedrawPicture(DIRTY *show)
{
    if (gFramesRunning) {
        int animated = AnimatePass();
        if (animated <= 0)
            return animated;
    }
    return REDRAW_PicturePass(show, &sPictureRedrawn);
}

int AO_FrameBeforeRefresh()
{
    DIRTY show = {};
    return AnimateAndRedrawPicture(&show) != 0;
}

int AO_ProcessFlip()
{
    DIRTY show = {};
    const int ready = AnimateAndRedrawPicture(&show);
    if (ready <= 0)
        return ready < 0;
    if (!SpritePass())
        return 0;
    // Where a sprite's copy from the screen buffer went over the picture, the picture
    // goes back over it.
    for (int i = 0; i < sPictureShown.n; i++)
        AO_AddDirty(&show, sPictureShown.r[i].x, sPictureShown.r[i].y, sPictureShown.r[i].w,
                    sPictureShown.r[i].h);
    sPictureShown.n = 0;
    const int ok = REDRAW_ShowPicture(show);
    sPictureShown.n = 0; // the picture's own copies cover nothing
    return ok;
}
