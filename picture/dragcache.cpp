// dragcache.cpp — the picture kept while one piece moves over it.
//
// A frame that moves a piece redraws its old and new places, and there every piece that
// overlaps them, each a keyed blit. While only that piece moves, the rest stays as it
// is: so the picture under it (the photo and the pieces below, composed once) and the
// pieces over it (composed once, kept as spans of the pixels they cover) are kept, and a
// frame copies the picture under it, the piece's own spans and the spans over it.
// Anything else that changes in the picture (another piece, the stacking, a rebuilt
// image, the photo, the picture's place, the screen's pixels) drops what is kept; the
// picture pass then draws as it always does.
// Depends on: redraw.cpp (drawing a piece), pixels/ (surfaces, blits).
#include <cstring>
#include <vector>

#include "picture/picture_local.h"
#include "platform/trail.h"

namespace
{

// A run of pixels of one row that are not the key: from column x, n of them, their
// colour at byte `at` of the kept colour (pieces over the moving one).
struct SPAN {
    int32_t x, n;
    uint32_t at;
};
// Spans row by row, from row `top` on.
struct SPANS {
    int32_t top = 0;
    std::vector<int32_t> rows; // one more than the rows: where each row's spans begin
    std::vector<SPAN> spans;
    void Clear() { rows.clear(), spans.clear(); }
};

struct KEPT {
    IMGOBJ *piece = nullptr; // the moving piece; null: nothing kept
    XYWH place{};            // the picture's rectangle it was kept for
    LPDDS picture = nullptr; // the picture buffer it was kept for
    LPDDS below = nullptr;   // the picture under the piece, the picture's size
    int over = 0;            // the pieces over it are kept in overSpans and colour
    SPANS overSpans;         // in window pixels
    std::vector<uint8_t> colour;
    const void *image = nullptr; // the piece's screen image its own spans are of
    int32_t w = 0, h = 0;        // and the size drawn of it (none kept: 0)
    SPANS own;                   // in the image's pixels
    int idle = 0;                // frames since it last moved
};
KEPT sKept;

// Frames without a move after which what is kept is freed (about three seconds).
constexpr int kIdleFrames = 32;

// A piece drawn by a keyed copy of its screen image (not blended, not the photo).
bool Keyed(const IMGOBJ *obj)
{
    const LPDDS image = obj->iiRes[LO_RES_OBJ].DDSSurface;
    return (obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT) &&
           !(obj->pArtBgra && obj->iKind == IMG_OBJ) && image && image->bHasColorKey;
}

uint32_t Pixel(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

// The spans of the pixels other than `key` in the part (sx, sy, w, h) of s, as columns
// from x0 and rows from y0; with `colour`, their pixels are copied there.
void FindSpans(LPDDS s, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t key, int32_t x0,
               int32_t y0, SPANS *out, std::vector<uint8_t> *colour)
{
    out->Clear();
    out->top = y0;
    out->rows.push_back(0);
    for (int32_t y = 0; y < h; y++) {
        const uint8_t *p = DXPixel(s, sx, sy + y);
        for (int32_t x = 0; x < w;) {
            if (Pixel(p + 3 * x) == key) {
                x++;
                continue;
            }
            const int32_t from = x;
            while (x < w && Pixel(p + 3 * x) != key)
                x++;
            SPAN span{x0 + from, x - from, 0};
            if (colour) {
                span.at = static_cast<uint32_t>(colour->size());
                colour->insert(colour->end(), p + 3 * from, p + 3 * x);
            }
            out->spans.push_back(span);
        }
        out->rows.push_back(static_cast<int32_t>(out->spans.size()));
    }
}

// Copies the spans' pixels inside r into the picture buffer, shifted by (dx, dy);
// source(span, row) gives the span's first pixel.
template <class SOURCE>
void CopySpans(const SPANS &sp, int32_t dx, int32_t dy, const XYWH &r, SOURCE source)
{
    const int32_t count = static_cast<int32_t>(sp.rows.size()) - 1;
    int32_t first = r.y - dy - sp.top, last = first + r.h;
    first = first < 0 ? 0 : first;
    last = last > count ? count : last;
    for (int32_t row = first; row < last; row++) {
        uint8_t *line = DXPixel(gDDSPicture, 0, sp.top + row + dy);
        for (int32_t k = sp.rows[row]; k < sp.rows[row + 1]; k++) {
            const SPAN &span = sp.spans[k];
            const int32_t x = span.x + dx;
            const int32_t from = x > r.x ? x : r.x;
            const int32_t to = x + span.n < r.x + r.w ? x + span.n : r.x + r.w;
            if (from < to)
                std::memcpy(line + 3 * from, source(span, row) + 3 * (from - x),
                            static_cast<size_t>(to - from) * 3);
        }
    }
}

// The pieces over `piece` composed once into spans; 0 (nothing kept of them) when one of
// them is not a keyed copy with the others' key, or without memory.
int KeepOver(IMGOBJ *piece, const XYWH &pic)
{
    // Their box in the picture, and their common key.
    int32_t left = pic.x + pic.w, top = pic.y + pic.h, right = pic.x, bottom = pic.y;
    uint32_t key = 0;
    int any = 0;
    for (AO *e = piece->ao.pNext; e; e = e->pNext) {
        if (!(e->dwFlags & AOFLAG_IMGOBJ))
            continue;
        const IMGOBJ *o = reinterpret_cast<const IMGOBJ *>(e);
        if (!Keyed(o))
            return 0;
        const uint32_t k = o->iiRes[LO_RES_OBJ].DDSSurface->dwColorKey;
        if (any && k != key)
            return 0;
        key = k, any = 1;
        XYWH r = REDRAW_DrawnRect(o);
        if (!AO_Clip(pic, &r.x, &r.y, &r.w, &r.h))
            continue;
        left = r.x < left ? r.x : left, top = r.y < top ? r.y : top;
        right = r.x + r.w > right ? r.x + r.w : right;
        bottom = r.y + r.h > bottom ? r.y + r.h : bottom;
    }
    sKept.overSpans.Clear();
    sKept.colour.clear();
    if (right <= left || bottom <= top) {
        sKept.overSpans.rows.push_back(0);
        return 1;
    }
    const XYWH box{left, top, right - left, bottom - top};
    LPDDS scratch = DXCreateSurface(nullptr, box.w, box.h, DDSCAPS_SYSTEMOFFSCREEN);
    if (!scratch)
        return 0;
    DXFillRect(scratch, 0, 0, box.w, box.h, key);
    scratch->rcClip = XYWH{0, 0, box.w, box.h};
    int ok = 1;
    for (AO *e = piece->ao.pNext; e && ok; e = e->pNext)
        if (e->dwFlags & AOFLAG_IMGOBJ)
            ok = REDRAW_DrawPiece(scratch, box.x, box.y, reinterpret_cast<IMGOBJ *>(e), box);
    if (ok)
        FindSpans(scratch, 0, 0, box.w, box.h, key, box.x, box.y, &sKept.overSpans, &sKept.colour);
    DXReleaseSurface(scratch);
    return ok;
}

// The moving piece's own spans, from its screen image as it is drawn now.
void KeepOwn(IMGOBJ *piece)
{
    const LPDDS image = piece->iiRes[LO_RES_OBJ].DDSSurface;
    const XYWH r = REDRAW_DrawnRect(piece);
    sKept.image = nullptr, sKept.w = sKept.h = 0;
    if (!Keyed(piece) || r.w <= 0 || r.h <= 0 || r.w > image->iWidth || r.h > image->iHeight)
        return;
    FindSpans(image, 0, 0, r.w, r.h, image->dwColorKey, 0, 0, &sKept.own, nullptr);
    sKept.image = image, sKept.w = r.w, sKept.h = r.h;
}

// Keeps the picture under `piece` and the pieces over it. 0 when it cannot (no photo
// under it all, memory); the trail is left as it was.
int Keep(IMGOBJ *piece)
{
    const XYWH pic = gPictureRect;
    // The picture buffer is drawn over the photo everywhere; without it, what is there
    // stays, which a kept picture could not know.
    AO *first = gAOList;
    while (first && !(first->dwFlags & AOFLAG_IMGOBJ))
        first = first->pNext;
    const IMGOBJ *photo = reinterpret_cast<const IMGOBJ *>(first);
    if (pic.w <= 0 || pic.h <= 0 || !photo || photo == piece || photo->iKind != IMG_SRC)
        return 0;
    const XYWH p = REDRAW_DrawnRect(photo);
    if (p.x > pic.x || p.y > pic.y || p.x + p.w < pic.x + pic.w || p.y + p.h < pic.y + pic.h)
        return 0;
    const size_t mark = TrailMark();
    sKept.below = DXCreateSurface(nullptr, pic.w, pic.h, DDSCAPS_SYSTEMOFFSCREEN);
    int ok = sKept.below != nullptr;
    if (ok)
        sKept.below->rcClip = XYWH{0, 0, pic.w, pic.h};
    for (AO *e = gAOList; ok && e != &piece->ao; e = e->pNext)
        if (e->dwFlags & AOFLAG_IMGOBJ)
            ok = REDRAW_DrawPiece(sKept.below, pic.x, pic.y, reinterpret_cast<IMGOBJ *>(e), pic);
    if (!ok) {
        TrailRewind(mark);
        DRAG_Drop();
        return 0;
    }
    sKept.over = KeepOver(piece, pic);
    TrailRewind(mark); // the pieces over it are then drawn one by one
    KeepOwn(piece);
    sKept.piece = piece, sKept.place = pic, sKept.picture = gDDSPicture;
    return 1;
}

} // namespace

void DRAG_Drop()
{
    DXReleaseSurface(sKept.below);
    sKept = KEPT{};
}

int DRAG_Frame(IMGOBJ *moved, int others)
{
    const XYWH &pic = gPictureRect, &was = sKept.place;
    if (others || sKept.picture != gDDSPicture || pic.x != was.x || pic.y != was.y ||
        pic.w != was.w || pic.h != was.h || (moved && moved != sKept.piece))
        DRAG_Drop();
    if (others)
        return 0; // kept from the next move on
    if (!moved) {
        if (sKept.piece && ++sKept.idle > kIdleFrames)
            DRAG_Drop();
        return sKept.piece != nullptr;
    }
    sKept.idle = 0;
    return sKept.piece || Keep(moved);
}

int DRAG_Redraw(const XYWH &r)
{
    IMGOBJ *piece = sKept.piece;
    const XYWH &pic = sKept.place;
    if (!DXBlt(gDDSPicture, r.x, r.y, r.w, r.h, sKept.below, r.x - pic.x, r.y - pic.y,
               DXBLT_OPAQUE))
        return Fail("AO 3 - IMG_SRC - AOFLAG_IMGOBJ");
    const XYWH at = REDRAW_DrawnRect(piece);
    const LPDDS image = piece->iiRes[LO_RES_OBJ].DDSSurface;
    if (image && image == sKept.image && at.w == sKept.w && at.h == sKept.h)
        CopySpans(sKept.own, at.x, at.y, r,
                  [&](const SPAN &s, int32_t row) { return DXPixel(image, s.x, row); });
    else if (!REDRAW_DrawPiece(gDDSPicture, 0, 0, piece, r))
        return 0;
    if (sKept.over) {
        CopySpans(sKept.overSpans, 0, 0, r,
                  [&](const SPAN &s, int32_t) { return &sKept.colour[s.at]; });
        return 1;
    }
    for (AO *e = piece->ao.pNext; e; e = e->pNext)
        if ((e->dwFlags & AOFLAG_IMGOBJ) &&
            !REDRAW_DrawPiece(gDDSPicture, 0, 0, reinterpret_cast<IMGOBJ *>(e), r))
            return 0;
    return 1;
}
