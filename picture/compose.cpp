// compose.cpp — fitting the picture into the window, the framed background, and the
// full-resolution composition.
//
// Depends on the display list and image objects (picture/), the surfaces, blits and
// rotation (pixels/), the export buffer (formats/) and the bubble text (text.h).
#include "picture/compose.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "formats/formats.h"
#include "picture/ao.h"
#include "picture/font.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "platform/memory.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

// ---- Fitting ------------------------------------------------------------------------------

XYWH PictureRectFor(int32_t srcWidth, int32_t srcHeight, int32_t areaWidth, int32_t areaHeight)
{
    XYWH r = {PICTURE_AREA_LEFT, PICTURE_AREA_TOP, 0, 0};
    if (srcWidth <= 0 || srcHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return r;
    float wide = static_cast<float>(srcHeight) / static_cast<float>(srcWidth);
    float tall = static_cast<float>(srcWidth) / static_cast<float>(srcHeight);
    int32_t w, h;
    if (srcWidth > srcHeight) {
        w = areaWidth;
        h = static_cast<int32_t>(static_cast<float>(areaWidth) * wide);
        if (h > areaHeight) {
            h = areaHeight;
            w = static_cast<int32_t>(static_cast<float>(areaHeight) * tall);
        }
    } else {
        h = areaHeight;
        w = static_cast<int32_t>(static_cast<float>(areaHeight) * tall);
        if (w > areaWidth) {
            w = areaWidth;
            h = static_cast<int32_t>(static_cast<float>(areaWidth) * wide);
        }
    }
    // A photo of extreme proportions (1 × 700) keeps at least one pixel each way, or
    // nothing could be composed from it.
    r.w = w < 1 ? 1 : w;
    r.h = h < 1 ? 1 : h;
    if (r.w < areaWidth)
        r.x += (areaWidth - r.w) / 2;
    if (r.h < areaHeight)
        r.y += (areaHeight - r.h) / 2;
    return r;
}

static void FitPhoto(IMGOBJ *photo)
{
    XYWH r =
        PictureRectFor(photo->iSrcWidth, photo->iSrcHeight, gScreenWidth - PICTURE_AREA_MARGIN_W,
                       gScreenHeight - PICTURE_AREA_MARGIN_H);
    photo->ao.x = r.x;
    photo->ao.y = r.y;
    photo->ao.iWidth = r.w;
    photo->ao.iHeight = r.h;
    photo->ao.rcUpdate[2] = r.w;
    photo->ao.rcUpdate[3] = r.h;
    gPictureRect = r;
    photo->bNeedsUpdate = 1;
}

// Moves and scales a piece from the old picture rectangle to the current one. The offset
// from the picture's corner is kept exactly between resizes and rounded to the nearest
// pixel (also left of and above the picture), as the size is, so a piece returns to its
// pixel when the window returns to its size.
static void FollowPicture(IMGOBJ *piece, const XYWH &old)
{
    const XYWH &now = gPictureRect;
    if (old.w <= 0 || old.h <= 0 || now.w <= 0 || now.h <= 0)
        return;
    piece->fScaleX = static_cast<float>(now.w) / static_cast<float>(old.w);
    piece->fScaleY = static_cast<float>(now.h) / static_cast<float>(old.h);
    if (!piece->bPlaced || piece->ao.x != piece->xPlaced || piece->ao.y != piece->yPlaced) {
        piece->dPlaceX = piece->ao.x - old.x;
        piece->dPlaceY = piece->ao.y - old.y;
    }
    piece->dPlaceX *= static_cast<double>(now.w) / old.w;
    piece->dPlaceY *= static_cast<double>(now.h) / old.h;
    piece->ao.x = piece->xPlaced = now.x + static_cast<int32_t>(std::floor(piece->dPlaceX + 0.5));
    piece->ao.y = piece->yPlaced = now.y + static_cast<int32_t>(std::floor(piece->dPlaceY + 0.5));
    piece->bPlaced = 1;
    piece->fWidth *= piece->fScaleX;
    piece->fHeight *= piece->fScaleY;
    piece->bNeedsUpdate = 1;
}

int ImageObjectResize(void *window)
{
    XYWH old = gPictureRect;
    for (AO *p = gAOList; p; p = p->pNext) {
        if (p->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
        if (obj->iKind == IMG_SRC)
            FitPhoto(obj);
        else if (obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT)
            FollowPicture(obj, old);
    }
    return 1;
}

// ---- The framed background ---------------------------------------------------------------

struct FRAMETILE {
    int32_t w, h;
    int32_t srcX, srcY;
    int32_t mode;
};
static const FRAMETILE kTop = {16, 13, 1636, 281, DXBLT_OPAQUE};
static const FRAMETILE kBottom = {16, 16, 1636, 312, DXBLT_OPAQUE};
static const FRAMETILE kLeft = {13, 16, 1622, 295, DXBLT_OPAQUE};
static const FRAMETILE kRight = {16, 16, 1653, 295, DXBLT_OPAQUE};
static const FRAMETILE kTopLeft = {13, 13, 1622, 281, DXBLT_OPAQUE};
static const FRAMETILE kTopRight = {16, 16, 1653, 281, DXBLT_SRCKEY};
static const FRAMETILE kBottomLeft = {13, 16, 1622, 312, DXBLT_SRCKEY};
static const FRAMETILE kBottomRight = {16, 16, 1653, 312, DXBLT_OPAQUE};

static int DrawTile(const FRAMETILE &t, int32_t x, int32_t y)
{
    if (!DXBlt(gDDSBackgnd, x, y, t.w, t.h, gDDSSprite, t.srcX, t.srcY, t.mode))
        return Fail("DropShadow - DXBlt!");
    return 1;
}

// The frame around the picture rectangle; the bottom and right tiles carry the shadow.
static int DrawFrame(const XYWH &r)
{
    for (int32_t i = 0; i <= r.w / 16; ++i) {
        if (!DrawTile(kTop, r.x + 16 * i, r.y - 13) || !DrawTile(kBottom, r.x + 16 * i, r.y + r.h))
            return 0;
    }
    for (int32_t i = 0; i <= r.h / 16; ++i) {
        if (!DrawTile(kLeft, r.x - 13, r.y + 16 * i) || !DrawTile(kRight, r.x + r.w, r.y + 16 * i))
            return 0;
    }
    return DrawTile(kTopLeft, r.x - 13, r.y - 13) && DrawTile(kTopRight, r.x + r.w, r.y - 13) &&
           DrawTile(kBottomLeft, r.x - 13, r.y + r.h) &&
           DrawTile(kBottomRight, r.x + r.w, r.y + r.h);
}

// Before the first picture the empty picture area invites the first step: a heading
// and the keys that open a photo or a blank picture, drawn with the program's fonts.
static void DrawInvitation()
{
    const int32_t cx = PICTURE_AREA_LEFT + (gScreenWidth - PICTURE_AREA_MARGIN_W) / 2;
    const int32_t cy = PICTURE_AREA_TOP + (gScreenHeight - PICTURE_AREA_MARGIN_H) / 2;
    BltFont(11, gDDSBackgnd, cx, cy - 95, FONT_ALIGN_CENTRE, "A"); // the camera
    BltFont(3, gDDSBackgnd, cx, cy - 40, FONT_ALIGN_CENTRE, LoadText(STR_START_TITLE));
    for (int32_t line = 0; line < 3; line++)
        BltFont(10, gDDSBackgnd, cx, cy + 5 + 24 * line, FONT_ALIGN_CENTRE,
                LoadText(STR_START_LINE1 + line));
}

int BackgroundResize()
{
    if (gDDSClp && !DXStretchBlt(gDDSBackgnd, 0, 0, gScreenWidth, gScreenHeight, gDDSClp, 0, 0,
                                 gDDSClp->iWidth, gDDSClp->iHeight, DXBLT_OPAQUE))
        return Fail("DXStretchBlt! (backgnd)");
    if (gDDSLogo && !DXBlt(gDDSBackgnd, LOGO_X, LOGO_Y, gDDSLogo->iWidth, gDDSLogo->iHeight,
                           gDDSLogo, 0, 0, DXBLT_SRCKEY))
        return Fail("DXBlt! (backgnd) 2");
    if (!gPictureExists && gDDSSprite)
        DrawInvitation();
    if (!AO_ProcessFlip()) {
        gFramesRunning = 0;
        return Fail("AO_ProcessFlip()");
    }
    for (AO *p = gAOList; p; p = p->pNext) {
        if (p->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
        if (obj->iKind == IMG_SRC && !DXBlt(gDDSBackgnd, p->x, p->y, p->iWidth, p->iHeight,
                                            obj->iiRes[LO_RES_OBJ].DDSSurface, 0, 0, DXBLT_OPAQUE))
            return Fail("DXBlt");
    }
    if (gPictureRect.w != 0 && gPictureRect.h != 0 && !DrawFrame(gPictureRect))
        return 0;
    if (!DXBlt(gDDSScratch, 0, 0, gScreenWidth, gScreenHeight, gDDSBackgnd, 0, 0, DXBLT_OPAQUE))
        return Fail("DXBlt! (backgnd)");
    // The new background shows at once, not only where sprites next flush.
    if (gWindowDC && !AO_RefreshWindow())
        return 0;
    return 1;
}

int ScreenResize(void *window)
{
    // Grown, the screen buffer and background are drawn whole again just below.
    if (!DXFitScreenSurfaces(gScreenWidth, gScreenHeight))
        return Fail("ScreenResize() - the screen buffer cannot grow");
    if (!ImageObjectResize(window))
        return Fail("ImageObjectResize()!");
    if (!BackgroundResize())
        return Fail("!!BackgroundResize()!!");
    return 1;
}

// ---- Full resolution ----------------------------------------------------------------------

// Where a piece lands in the export: window coordinates mapped by the size ratio.
struct PLACEMENT {
    int32_t x, y, w, h;
};

static PLACEMENT PlaceInExport(const IMGOBJ *obj, float sx, float sy)
{
    PLACEMENT p;
    p.x = static_cast<int32_t>(static_cast<float>(obj->ao.x - gPictureRect.x) * sx);
    p.y = static_cast<int32_t>(static_cast<float>(obj->ao.y - gPictureRect.y) * sy);
    p.w = static_cast<int32_t>(static_cast<float>(obj->ao.iWidth) * sx);
    p.h = static_cast<int32_t>(static_cast<float>(obj->ao.iHeight) * sy);
    return p;
}

static int Within(LPDDS s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return x >= 0 && y >= 0 && static_cast<int64_t>(x) + w <= s->iWidth &&
           static_cast<int64_t>(y) + h <= s->iHeight;
}

LPDDS PictureScratch(int32_t w, int32_t h, LPDDS *owned)
{
    *owned = nullptr;
    if (gDDSPicture && gDDSPicture->iWidth >= w && gDDSPicture->iHeight >= h) {
        AO_PictureChanged(); // its corner is overwritten: the next frame draws the picture anew
        return gDDSPicture;
    }
    *owned = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN);
    return *owned;
}

// Scales (0, 0, sw, sh) of image to (x, y, w, h) of the export with the white key.
static int PlaceImage(LPDDS out, int32_t x, int32_t y, int32_t w, int32_t h, LPDDS image,
                      int32_t sw, int32_t sh)
{
    if (Within(out, x, y, w, h)) {
        // Wholly inside: one keyed scaling onto the export gives the same pixels as
        // scaling into scratch space and copying with the key.
        if (!DXStretchBlt(out, x, y, w, h, image, 0, 0, sw, sh, DXBLT_SRCKEY))
            return Fail("IMG_OBJ - Blit onto hi-res buffer");
        return 1;
    }
    // Over an edge: scaled in scratch space first, then copied and so cut at the edge
    // (a scaling onto the export would squeeze the piece into what is visible). The
    // picture buffer may hold the image itself: then the scratch is a surface of its own.
    LPDDS owned = nullptr;
    LPDDS scratch = image == gDDSPicture
                        ? (owned = DXCreateSurface(nullptr, w, h, DDSCAPS_SYSTEMOFFSCREEN))
                        : PictureScratch(w, h, &owned);
    if (!scratch || !DXStretchBlt(scratch, 0, 0, w, h, image, 0, 0, sw, sh, DXBLT_OPAQUE)) {
        DXReleaseSurface(owned);
        return Fail("DXStretchBlt(2)!");
    }
    int ok = DXBlt(out, x, y, w, h, scratch, 0, 0, DXBLT_SRCKEY);
    DXReleaseSurface(owned);
    if (!ok)
        return Fail("IMG_OBJ - Blit onto hi-res buffer");
    return 1;
}

int32_t gSmoothEdges = 1;

// An artwork pixel as the smooth composition keeps it: blue, green and red in 16-bit
// lanes (bits 0, 16 and 32), so sums of weighted samples add up all three at once, and
// kKeyed in the top bit where the pixel is white-keyed.
constexpr uint64_t kKeyed = uint64_t{1} << 63;

static inline uint64_t Spread(uint32_t colour)
{
    return (colour & 0xFF) | static_cast<uint64_t>(colour & 0xFF00) << 8 |
           static_cast<uint64_t>(colour & 0xFF0000) << 16;
}

// Clip art with smooth edges: every pixel of the piece's turned box on the export is
// sampled N × N times back through the turn, the mirror and the scale into the artwork;
// white-key samples are transparent. The covered share of the samples blends their
// mean colour over the photo, so edges are soft and no white fringe shows.
//
// A sample's place in the artwork is (u, v) = ((X·c + Y·s + w/2)·fx, (−X·s + Y·c + h/2)·fy)
// for its offset (X, Y) from the piece's centre. The X terms are computed once per piece
// and column, the Y terms once per row; each row then finds the artwork pixel of every
// sample of every pixel, four pixels at a time, before the pixels are summed.
struct SMOOTH {
    LPDDS out;
    int32_t W, H, n;
    double c, s, cx, cy, fx, fy, hw, hh; // turn, centre, scale, half the placed size
    bool flipH, flipV;
    int32_t left, right, stride;    // the box's columns; stride: their count rounded up to 4
    double off[4];                  // where the samples lie within a pixel
    std::vector<double> colC, colS; // per sample column and box column: X·c and −(X·s)
    PixelsPtr<uint64_t> art;        // a keyed pixel, then the artwork's, spread (Spread)
    const uint64_t *pixels;         // the artwork's; pixels[-1] is the keyed one
};

// Where one pixel's samples along one axis fall in an unturned piece: the artwork
// columns (or rows) hit and how many samples hit each, in order.
struct AXISSAMPLES {
    int32_t count;
    int32_t at[4], weight[4];
};

// The samples of the pixel at position i along an axis: the sample places are
// (i + off[k] − centre + half)·scale, mirrored when flip, held to the last pixel.
static AXISSAMPLES SamplesAlong(const SMOOTH &m, int32_t i, double centre, double half,
                                double scale, int32_t size, bool flip)
{
    AXISSAMPLES s = {};
    for (int32_t k = 0; k < m.n; k++) {
        double t = ((i + m.off[k] - centre) + half) * scale;
        if (t < 0 || t >= size)
            continue;
        t = flip ? size - t : t;
        int32_t at = static_cast<int32_t>(t);
        at = at >= size ? size - 1 : at;
        if (s.count && s.at[s.count - 1] == at)
            s.weight[s.count - 1]++;
        else
            s.at[s.count] = at, s.weight[s.count++] = 1;
    }
    return s;
}

// Adds an artwork pixel, unless keyed, weight times to a pixel's lanes and hits.
static inline void AddSample(uint64_t pixel, uint32_t weight, uint64_t *sum, uint32_t *hits)
{
    const uint32_t counted = weight & (static_cast<uint32_t>(pixel >> 63) - 1); // 0 if keyed
    *sum += pixel * counted;
    *hits += counted;
}

// Writes the mean of a pixel's covered samples over the photo: the lanes' sums and the
// hits of kTotal samples.
template <uint32_t kTotal> static inline void BlendSamples(uint8_t *d, uint64_t sum, uint32_t hits)
{
    const uint32_t rest = kTotal - hits;
    auto mean = [&](uint32_t lane, uint8_t under) {
        return static_cast<uint8_t>((lane + under * rest + kTotal / 2) / kTotal);
    };
    d[0] = mean(sum & 0xFFFF, d[0]);
    d[1] = mean(sum >> 16 & 0xFFFF, d[1]);
    d[2] = mean(sum >> 32 & 0xFFFF, d[2]);
}

// Writes an artwork pixel's colour unless it is keyed.
static inline void PutPixel(uint8_t *d, uint64_t pixel)
{
    if (!(pixel & kKeyed))
        d[0] = static_cast<uint8_t>(pixel), d[1] = static_cast<uint8_t>(pixel >> 16),
        d[2] = static_cast<uint8_t>(pixel >> 32);
}

// Rows [top, bottom) of an unturned smooth piece: a sample's column in the artwork
// depends only on its pixel's column and its row only on the pixel's row, so each
// pixel adds the few artwork pixels its row and column samples meet, each weighted by
// how many samples meet it. cols holds the box columns' samples.
template <int32_t N>
static void ComposeUnturnedRows(const SMOOTH &m, const AXISSAMPLES *cols, int32_t top,
                                int32_t bottom)
{
    constexpr uint32_t kTotal = N * N;
    const int32_t width = m.right - m.left;
    for (int32_t y = top; y < bottom; y++) {
        const AXISSAMPLES rows = SamplesAlong(m, y, m.cy, m.hh, m.fy, m.H, m.flipV);
        if (!rows.count)
            continue;
        const uint64_t *lines[4];
        for (int32_t r = 0; r < rows.count; r++)
            lines[r] = m.pixels + static_cast<size_t>(rows.at[r]) * m.W;
        uint8_t *d = DXPixel(m.out, m.left, y);
        for (int32_t x = 0; x < width; x++, d += 3) {
            const AXISSAMPLES &c = cols[x];
            if (rows.count == 1 && c.count == 1 &&
                static_cast<uint32_t>(rows.weight[0] * c.weight[0]) == kTotal) {
                PutPixel(d, lines[0][c.at[0]]);
                continue;
            }
            uint64_t sum = 0;
            uint32_t hits = 0;
            for (int32_t r = 0; r < rows.count; r++) {
                for (int32_t k = 0; k < c.count; k++)
                    AddSample(lines[r][c.at[k]],
                              static_cast<uint32_t>(rows.weight[r] * c.weight[k]), &sum, &hits);
            }
            if (hits)
                BlendSamples<kTotal>(d, sum, hits);
        }
    }
}

typedef double D4 __attribute__((vector_size(32)));
typedef int64_t L4 __attribute__((vector_size(32)));
typedef int32_t I4 __attribute__((vector_size(16)));

// The artwork pixel (v·W + u) of sample (a, b) of box columns [from, to) (multiples of
// four) on a row whose sample rows have Y·s and Y·c; −1 where the sample lies outside the
// artwork.
__attribute__((always_inline)) static inline void SampleCellsBody(const SMOOTH &m, int32_t a,
                                                                  double ys, double yc,
                                                                  int32_t from, int32_t to,
                                                                  int32_t *cells)
{
    const D4 zero = {0, 0, 0, 0}, none = zero - 1;
    const D4 W = zero + m.W, H = zero + m.H, hw = zero + m.hw, hh = zero + m.hh;
    const D4 fx = zero + m.fx, fy = zero + m.fy, vys = zero + ys, vyc = zero + yc;
    const I4 lastU = I4{0, 0, 0, 0} + (m.W - 1), lastV = I4{0, 0, 0, 0} + (m.H - 1);
    const double *colC = m.colC.data() + static_cast<size_t>(a) * m.stride;
    const double *colS = m.colS.data() + static_cast<size_t>(a) * m.stride;
    for (int32_t x = from; x < to; x += 4) {
        D4 xc, xs;
        std::memcpy(&xc, colC + x, sizeof xc);
        std::memcpy(&xs, colS + x, sizeof xs);
        D4 u = ((xc + vys) + hw) * fx, v = ((xs + vyc) + hh) * fy;
        const L4 inside = (u >= zero) & (u < W) & (v >= zero) & (v < H);
        if (m.flipH)
            u = W - u;
        if (m.flipV)
            v = H - v;
        // Outside samples become pixel (−1, 0), so their index is −1.
        u = inside ? u : none;
        v = inside ? v : zero;
        I4 iu = __builtin_convertvector(u, I4), iv = __builtin_convertvector(v, I4);
        iu = iu > lastU ? lastU : iu; // a mirrored place at the far edge: the last pixel
        iv = iv > lastV ? lastV : iv;
        const I4 cell = iv * m.W + iu;
        std::memcpy(cells + x, &cell, sizeof cell);
    }
}

__attribute__((target("avx2"))) static void SampleCellsAvx2(const SMOOTH &m, int32_t a, double ys,
                                                            double yc, int32_t from, int32_t to,
                                                            int32_t *cells)
{
    SampleCellsBody(m, a, ys, yc, from, to, cells);
}

static void SampleCellsBase(const SMOOTH &m, int32_t a, double ys, double yc, int32_t from,
                            int32_t to, int32_t *cells)
{
    SampleCellsBody(m, a, ys, yc, from, to, cells);
}

// The box columns [*from, *to) of row y that the turned artwork may reach, in whole groups
// of four. The artwork covers the offsets (X, Y) from the centre with |X·c + Y·s| < w/2
// and |Y·c − X·s| < h/2: for the row's Y these are two spans of X, and outside both's
// common part (widened by two pixels against rounding) every sample is outside.
static void ReachedColumns(const SMOOTH &m, int32_t y, int32_t *from, int32_t *to)
{
    double lo = -1e30, hi = 1e30;
    // One bound: |X·k + Y·j| < half, over the row's Y range.
    auto slab = [&](double k, double j, double half) {
        if (std::fabs(k) < 1e-9)
            return; // no bound on X from this one
        double a = 1e30, b = -1e30;
        for (const double Y : {y - m.cy, y + 1 - m.cy})
            for (const double edge : {-half, half}) {
                const double X = (edge - Y * j) / k;
                a = X < a ? X : a, b = X > b ? X : b;
            }
        lo = a > lo ? a : lo, hi = b < hi ? b : hi;
    };
    slab(m.c, m.s, m.hw);
    slab(-m.s, m.c, m.hh);
    const double first = std::floor(m.cx + lo) - 2 - m.left,
                 last = std::ceil(m.cx + hi) + 2 - m.left;
    const int32_t width = m.right - m.left;
    *from = first <= 0 ? 0 : first >= width ? width : static_cast<int32_t>(first);
    *to = last <= 0 ? 0 : last >= width ? width : static_cast<int32_t>(last);
    *from &= ~3;
    *to = *to > *from ? (*to + 3) & ~3 : *from;
}

// Rows [top, bottom) of a smooth piece, with N·N·stride cells of working space.
template <int32_t N>
static void ComposeSmoothRows(const SMOOTH &m, int32_t *cells, int32_t top, int32_t bottom)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    const auto sampleCells = avx2 ? SampleCellsAvx2 : SampleCellsBase;
    constexpr int32_t kSamples = N * N;
    const int32_t stride = m.stride, width = m.right - m.left;
    for (int32_t y = top; y < bottom; y++) {
        int32_t from, to;
        ReachedColumns(m, y, &from, &to);
        for (int32_t b = 0; b < N; b++) {
            const double Y = y + m.off[b] - m.cy;
            for (int32_t a = 0; a < N; a++)
                sampleCells(m, a, Y * m.s, Y * m.c, from, to, cells + (b * N + a) * stride);
        }
        const int32_t end = to < width ? to : width;
        uint8_t *d = DXPixel(m.out, m.left + from, y);
        for (int32_t x = from; x < end; x++, d += 3) {
            const int32_t *at = cells + x;
            // A sample's place moves one way along each axis of the sample grid, so the
            // four corner samples bound all the others: all four in one artwork pixel, so
            // are the rest.
            const int32_t first = at[0];
            if (first >= 0 && first == at[(N - 1) * stride] && first == at[N * (N - 1) * stride] &&
                first == at[(kSamples - 1) * stride]) {
                PutPixel(d, m.pixels[first]);
                continue;
            }
            uint64_t sum = 0;
            uint32_t hits = 0;
            for (int32_t k = 0; k < kSamples; k++)
                AddSample(m.pixels[at[k * stride]], 1, &sum, &hits);
            if (hits)
                BlendSamples<kSamples>(d, sum, hits);
        }
    }
}

static int ComposeClipArtSmooth(LPDDS out, const IMGOBJ *obj, const PLACEMENT &p)
{
    const LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
    const int32_t W = obj->iSrcWidth, H = obj->iSrcHeight;
    if (!hi || W <= 0 || H <= 0 || W > hi->iWidth || H > hi->iHeight)
        return 1;
    int32_t rw, rh;
    CalcRotatedSize(p.w, p.h, obj->iAngle, &rw, &rh);
    SMOOTH m;
    m.out = out, m.W = W, m.H = H;
    const double rad = obj->iAngle * 3.14159265358979 / 180.0;
    m.c = std::cos(rad), m.s = std::sin(rad);
    m.cx = p.x + p.w / 2.0, m.cy = p.y + p.h / 2.0;
    m.fx = static_cast<double>(W) / p.w, m.fy = static_cast<double>(H) / p.h;
    m.hw = p.w / 2.0, m.hh = p.h / 2.0;
    m.flipH = obj->bFlipH, m.flipV = obj->bFlipV;
    // Enough samples to see every artwork pixel a destination pixel covers, at least 3
    // for smooth edges when enlarging; at most 4 × 4.
    const double ratio = m.fx > m.fy ? m.fx : m.fy;
    m.n = ratio > 3 ? 4 : 3;
    for (int32_t k = 0; k < m.n; k++)
        m.off[k] = (k + 0.5) / m.n;
    const int32_t x0 = p.x + (p.w - rw) / 2, y0 = p.y + (p.h - rh) / 2;
    m.left = x0 < 0 ? 0 : x0;
    m.right = x0 + rw > out->iWidth ? out->iWidth : x0 + rw;
    const int32_t top = y0 < 0 ? 0 : y0;
    const int32_t bottom = y0 + rh > out->iHeight ? out->iHeight : y0 + rh;
    if (m.right <= m.left || bottom <= top)
        return 1;
    // Turned pieces sample the artwork pixel of every sample; unturned ones, whose
    // column and row samples are independent, the columns' once for the piece.
    const bool unturned = m.s == 0.0 && m.c == 1.0;
    m.stride = (m.right - m.left + 3) & ~3; // whole groups of four pixels
    const int64_t area = static_cast<int64_t>(m.right - m.left) * (bottom - top);
    const int threads = area >= 200000 ? 2 : 1;
    std::vector<AXISSAMPLES> cols;
    std::vector<int32_t> cells;
    try {
        if (unturned) {
            cols.resize(static_cast<size_t>(m.right - m.left));
        } else {
            m.colC.resize(static_cast<size_t>(m.n) * m.stride);
            m.colS.resize(m.colC.size());
            cells.resize(static_cast<size_t>(threads) * m.n * m.n * m.stride);
        }
    } catch (const std::bad_alloc &) {
        return Fail("Out of memory");
    }
    // Its own block (huge pages when large): a fresh vector's zeroing and 4 KB faults
    // cost more than spreading the artwork into it.
    m.art.reset(static_cast<uint64_t *>(PLAT_PixelsAlloc((static_cast<size_t>(W) * H + 1) * 8)));
    if (!m.art)
        return Fail("Out of memory");
    const uint32_t key = hi->bHasColorKey ? hi->dwColorKey : 0xFFFFFF;
    m.art[0] = kKeyed; // where samples outside the artwork look
    m.pixels = m.art.get() + 1;
    for (int32_t v = 0; v < H; v++) {
        const uint8_t *px = DXPixel(hi, 0, v);
        uint64_t *line = m.art.get() + 1 + static_cast<size_t>(v) * W;
        for (int32_t u = 0; u < W; u++, px += 3) {
            const uint32_t colour = static_cast<uint32_t>(px[0] | px[1] << 8 | px[2] << 16);
            line[u] = Spread(colour) | (colour == key ? kKeyed : 0);
        }
    }
    if (unturned) {
        for (int32_t x = m.left; x < m.right; x++)
            cols[x - m.left] = SamplesAlong(m, x, m.cx, m.hw, m.fx, W, m.flipH);
    } else {
        for (int32_t a = 0; a < m.n; a++)
            for (int32_t i = 0; i < m.stride; i++) {
                const double X = m.left + i + m.off[a] - m.cx;
                m.colC[static_cast<size_t>(a) * m.stride + i] = X * m.c;
                m.colS[static_cast<size_t>(a) * m.stride + i] = -(X * m.s);
            }
    }
    // Rows [from, to) by the thread with working space k.
    auto rows = [&](int k, int32_t from, int32_t to) {
        if (unturned) {
            if (m.n == 3)
                ComposeUnturnedRows<3>(m, cols.data(), from, to);
            else
                ComposeUnturnedRows<4>(m, cols.data(), from, to);
            return;
        }
        int32_t *space = cells.data() + static_cast<size_t>(k) * m.n * m.n * m.stride;
        if (m.n == 3)
            ComposeSmoothRows<3>(m, space, from, to);
        else
            ComposeSmoothRows<4>(m, space, from, to);
    };
    // A large piece is shared between two threads, each with rows of its own.
    DXSplitRows(top, bottom, threads == 2, rows);
    return 1;
}

// Clip art: scaled to the piece's proportions at its own resolution, mirrored, turned,
// scaled to its export size and copied onto the export with the white key.
static int ComposeClipArt(LPDDS out, IMGOBJ *obj, float sx, float sy)
{
    PLACEMENT p = PlaceInExport(obj, sx, sy);
    if (p.w <= 0 || p.h <= 0)
        return 1;
    if (gSmoothEdges) {
        return ComposeClipArtSmooth(out, obj, p);
    }
    int32_t rw, rh;
    CalcRotatedSize(p.w, p.h, obj->iAngle, &rw, &rh);
    int32_t iw, ih;
    if (obj->ao.iWidth < obj->ao.iHeight) {
        ih = obj->iSrcHeight;
        iw = static_cast<int32_t>(static_cast<float>(obj->iSrcHeight) *
                                  (static_cast<float>(obj->ao.iWidth) / obj->ao.iHeight));
    } else {
        iw = obj->iSrcWidth;
        ih = static_cast<int32_t>(static_cast<float>(obj->iSrcWidth) *
                                  (static_cast<float>(obj->ao.iHeight) / obj->ao.iWidth));
    }
    if (iw < 1)
        iw = 1;
    if (ih < 1)
        ih = 1;
    DDBLTFX fx = MirrorEffects(obj);
    LPDDS owned = nullptr;
    LPDDS image = obj->iiRes[HI_RES_OBJ].DDSSurface;
    // The image already in the piece's proportions and unmirrored is used as it is.
    if (fx.dwDDFX || iw != obj->iSrcWidth || ih != obj->iSrcHeight) {
        image = PictureScratch(iw, ih, &owned);
        if (!image || !DXStretchBltFX(image, 0, 0, iw, ih, obj->iiRes[HI_RES_OBJ].DDSSurface, 0, 0,
                                      obj->iSrcWidth, obj->iSrcHeight, DXBLT_OPAQUE, &fx)) {
            DXReleaseSurface(owned);
            return Fail("DXStretchBlt(1) !");
        }
    }
    // A turn by a whole number of full circles is a plain copy: skipped.
    LPDDS turned = nullptr;
    if (obj->iAngle % 360 != 0) {
        turned = DXRotateSurface(image, 0, 0, iw, ih, obj->iAngle);
        if (!turned) {
            DXReleaseSurface(owned);
            return Fail("DXRotateSurface()!");
        }
    }
    int ok =
        PlaceImage(out, p.x + (p.w - rw) / 2, p.y + (p.h - rh) / 2, rw, rh, turned ? turned : image,
                   turned ? turned->iWidth : iw, turned ? turned->iHeight : ih);
    DXReleaseSurface(turned);
    DXReleaseSurface(owned);
    return ok;
}

// Text: the bubble scaled and mirrored, the text drawn at the export's resolution, then
// copied with the white key. Text is never turned.
static int ComposeText(LPDDS out, IMGOBJ *obj, int32_t W, int32_t H, float sx, float sy)
{
    PLACEMENT p = PlaceInExport(obj, sx, sy);
    if (p.w <= 0 || p.h <= 0)
        return 1;
    DDBLTFX fx = MirrorEffects(obj);
    LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
    if (Within(out, p.x, p.y, p.w, p.h)) {
        // Wholly inside: bubble and text go straight onto the export with the key.
        if (!DXStretchBltFX(out, p.x, p.y, p.w, p.h, hi, 0, 0, obj->iSrcWidth, obj->iSrcHeight,
                            DXBLT_SRCKEY, &fx))
            return Fail("DXStretchBlt(2)!");
        if (!TextBubbleTextInto(obj, out, p.x, p.y, W, H))
            return Fail("TextBubbleText(()!");
        return 1;
    }
    LPDDS owned;
    LPDDS scratch = PictureScratch(p.w, p.h, &owned);
    if (!scratch || !DXStretchBltFX(scratch, 0, 0, p.w, p.h, hi, 0, 0, obj->iSrcWidth,
                                    obj->iSrcHeight, DXBLT_OPAQUE, &fx)) {
        DXReleaseSurface(owned);
        return Fail("DXStretchBlt(2)!");
    }
    if (!TextBubbleTextInto(obj, scratch, 0, 0, W, H)) {
        DXReleaseSurface(owned);
        return Fail("TextBubbleText(()!");
    }
    int ok = DXBlt(out, p.x, p.y, p.w, p.h, scratch, 0, 0, DXBLT_SRCKEY);
    DXReleaseSurface(owned);
    if (!ok)
        return Fail("IMG_OBJ - Blit onto hi-res buffer");
    return 1;
}

// Every image object in list order onto `view`; the photo too when `withPhoto`.
static int ComposeObjects(LPDDS view, int32_t width, int32_t height, int withPhoto)
{
    const float sx = static_cast<float>(width) / static_cast<float>(gPictureRect.w);
    const float sy = static_cast<float>(height) / static_cast<float>(gPictureRect.h);
    for (AO *p = gAOList; p; p = p->pNext) {
        // A piece deleted or replaced since the last frame is no longer part of the picture.
        if (p->iType != AO_TYPE_IMGOBJ || p->bRemove || p->AnimateProc == AO_DieProc)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
        int ok = 1;
        if (obj->iKind == IMG_SRC && withPhoto) {
            ok = DXStretchBlt(view, 0, 0, width, height, obj->iiRes[HI_RES_OBJ].DDSSurface, 0, 0,
                              obj->iSrcWidth, obj->iSrcHeight, DXBLT_OPAQUE);
            if (!ok)
                Fail("DXStretchBlt ! IMG_SRC");
        } else if (obj->iKind == IMG_OBJ) {
            ok = ComposeClipArt(view, obj, sx, sy);
        } else if (obj->iKind == IMG_TEXT) {
            ok = ComposeText(view, obj, width, height, sx, sy);
        }
        if (!ok)
            return 0;
    }
    return 1;
}

// Every piece's screen size as its exact size makes it, as the frame's rebuild would: a
// picture no frame has drawn (a layout just read, the export without a window) still has
// the sizes the pieces were made with.
static void TakeExactSizes()
{
    for (AO *p = gAOList; p; p = p->pNext) {
        if (p->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
        const int32_t w = static_cast<int32_t>(obj->fWidth), h = static_cast<int32_t>(obj->fHeight);
        if ((obj->iKind != IMG_OBJ && obj->iKind != IMG_TEXT) ||
            (p->iWidth == w && p->iHeight == h))
            continue;
        p->iWidth = w;
        p->iHeight = h;
        obj->bNeedsUpdate = 1; // its screen image follows on the next frame
    }
}

static int CanCompose(int32_t width, int32_t height)
{
    DeselectAll();
    TakeExactSizes();
    if (width <= 0 || height <= 0 || gPictureRect.w <= 0 || gPictureRect.h <= 0)
        return Failf("Picture size %d x %d cannot be composed", width, height);
    return 1;
}

int ComposePieces(LPDDS out, int32_t width, int32_t height)
{
    if (!CanCompose(width, height))
        return 0;
    // Through a view exactly width × height, so a piece over an edge is cut there.
    LPDDS view = DXCreateSurfaceOver(out->pBits, width, height, out->iPitch);
    if (!view)
        return Fail("ComposePieces() !");
    const int ok = ComposeObjects(view, width, height, 0);
    DXReleaseSurface(view);
    return ok;
}

LPDDS BuildHiResImage2(int32_t width, int32_t height, int32_t components)
{
    if (!CanCompose(width, height))
        return nullptr;
    LPDDS out = CreateJpegBuffer2(width, height, components);
    if (!out) {
        Fail("CreateJpegBuffer2() !");
        return nullptr;
    }
    // Pieces are composed through a view exactly width pixels wide, so a piece over the
    // right edge is cut there and the row padding stays black.
    LPDDS view = DXCreateSurfaceOver(out->pBits, width, height, out->iPitch);
    if (!view) {
        ReleaseJpegBuffer2(out);
        Fail("CreateJpegBuffer2() !");
        return nullptr;
    }
    const int ok = ComposeObjects(view, width, height, 1);
    DXReleaseSurface(view);
    if (!ok) {
        ReleaseJpegBuffer2(out);
        return nullptr;
    }
    return out;
}
