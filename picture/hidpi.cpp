// hidpi.cpp — the picture at the screen's own pixels on a scaled screen.
//
// The window image is in window pixels and the toolkit enlarges it to the screen, which
// blurs a photo and its pieces. So where the frames redraw the picture buffer, this
// second buffer is redrawn at the screen's device pixels, composed the way the export
// is at that size: the photo from its full-resolution image (scaled once per change of
// photo or size), every piece from its high-resolution image, cut to the redrawn part,
// and the selection outline at the same scale. The shell paints it over the picture.
// Depends on: the composition (compose.cpp), pixels/ (surfaces, blits, lines).
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "picture/compose.h"
#include "picture/handles.h"
#include "picture/picture_local.h"
#include "platform/trail.h"

static double sScale = 1; // device pixels per window pixel
static LPDDS sDevice;     // the picture at device pixels, sPlace's size
static LPDDS sPhoto;      // the photo alone at that size
static XYWH sPlace;       // where sDevice lies in the drawing area's device pixels
static int sValid;        // sDevice shows the picture the last frame drew

static void ForgetImages();

void PICTURE_SetDeviceScale(double scale)
{
    scale = scale > 4 ? 4 : scale < 1 ? 1 : scale;
    if (scale == sScale)
        return;
    sScale = scale;
    sValid = 0;
    AO_PictureChanged();
}

double PICTURE_DeviceScale()
{
    return sScale;
}

LPDDS PICTURE_DevicePicture(XYWH *place)
{
    if (!sValid || sScale <= 1 || !gPictureExists || !sDevice)
        return nullptr;
    *place = sPlace;
    return sDevice;
}

void PICTURE_ReleaseDevicePicture()
{
    DXReleaseSurface(sDevice), sDevice = nullptr;
    DXReleaseSurface(sPhoto), sPhoto = nullptr;
    ForgetImages();
    sValid = 0;
    sPlace = {0, 0, 0, 0};
}

// The picture rectangle in device pixels: its edges scaled and rounded.
static XYWH DevicePlace(const XYWH &r)
{
    return PICTURE_ToDevice(r, sScale);
}

// The photo, as the export scales it, at the device picture's size.
static int ScalePhoto()
{
    const IMGOBJ *photo = nullptr;
    for (AO *e = gAOList; e && !photo; e = e->pNext)
        if ((e->dwFlags & AOFLAG_IMGOBJ) && reinterpret_cast<IMGOBJ *>(e)->iKind == IMG_SRC)
            photo = reinterpret_cast<IMGOBJ *>(e);
    const LPDDS hi = photo ? photo->iiRes[HI_RES_OBJ].DDSSurface : nullptr;
    if (!hi) {
        DXFillRect(sPhoto, 0, 0, sPlace.w, sPlace.h, 0xFFFFFF);
        return 1;
    }
    // From the screen-sized picture while the whole photo is still decoded: it is at least
    // the device picture's size, and the picture is redrawn once the photo is whole.
    int32_t hiW, hiH;
    IMGOBJ_HiSize(photo, &hiW, &hiH);
    if (!DXStretchBlt(sPhoto, 0, 0, sPlace.w, sPlace.h, hi, 0, 0, hiW, hiH, DXBLT_OPAQUE))
        return Fail("DXStretchBlt ! IMG_SRC");
    return 1;
}

// Surfaces of the device picture's size (kept while the size stays).
static int FitSurfaces()
{
    if (sDevice && sDevice->iWidth == sPlace.w && sDevice->iHeight == sPlace.h)
        return 1;
    sDevice = DXCreateSurface(sDevice, sPlace.w, sPlace.h, DDSCAPS_SYSTEMOFFSCREEN);
    sPhoto = DXCreateSurface(sPhoto, sPlace.w, sPlace.h, DDSCAPS_SYSTEMOFFSCREEN);
    return sDevice && sPhoto;
}

// A rectangle of window pixels as device-picture pixels: grown by one against the float
// rounding of the pieces' places, cut to the picture. False when nothing is left.
static bool ToDevice(const XYWH &r, XYWH *out)
{
    const double sx = static_cast<double>(sPlace.w) / gPictureRect.w;
    const double sy = static_cast<double>(sPlace.h) / gPictureRect.h;
    const int32_t left = static_cast<int32_t>(std::floor((r.x - gPictureRect.x) * sx)) - 1;
    const int32_t top = static_cast<int32_t>(std::floor((r.y - gPictureRect.y) * sy)) - 1;
    const int32_t right = static_cast<int32_t>(std::ceil((r.x + r.w - gPictureRect.x) * sx)) + 1;
    const int32_t bottom = static_cast<int32_t>(std::ceil((r.y + r.h - gPictureRect.y) * sy)) + 1;
    int32_t x = left, y = top, w = right - left, h = bottom - top;
    if (!AO_Clip(XYWH{0, 0, sPlace.w, sPlace.h}, &x, &y, &w, &h))
        return false;
    *out = {x, y, w, h};
    return true;
}

// ---- The pieces' images at device pixels ------------------------------------------------
// A frame that moves a piece redraws only a few rectangles, but composing each piece
// there from its artwork would cost many times the window's frame. So each piece is
// composed once, alone, over black and over white, which gives its colour (premultiplied)
// and its coverage; while what it is made from stays, a move only blends that image at
// its new place (the composition is the same for a whole-pixel shift).

// What a piece's image was made from.
struct PIECEKEY {
    int32_t iPieceId, iWidth, iHeight, iAngle, bFlipH, bFlipV, iSrcWidth, iSrcHeight;
    int32_t iTextStyle, iFont, W, H, iSmooth, boxW, boxH;
    const void *hi, *bgra;
    char szText[204];
};
// A run of pixels of one row: wholly covered, or partly (blended); uncovered ones have
// no run.
struct RUN {
    int32_t x, n;
    int32_t bPartly;
};
struct PIECEIMAGE {
    PIECEKEY key;
    std::vector<uint8_t> colour;   // boxW × boxH: blue, green, red, premultiplied
    std::vector<uint8_t> coverage; // boxW × boxH
    std::vector<RUN> runs;         // row by row
    std::vector<int32_t> rowRuns;  // boxH + 1: where each row's runs begin
    size_t Bytes() const { return colour.size() + coverage.size() + runs.size() * sizeof(RUN); }
};
static std::unordered_map<const IMGOBJ *, PIECEIMAGE> sImages;
static size_t sImageBytes;
// The most the pieces' images may take; a piece beyond it is composed where it is drawn.
static constexpr size_t kImageBudget = size_t{256} << 20;

static PIECEKEY KeyOf(const IMGOBJ *obj, const XYWH &box)
{
    PIECEKEY k;
    std::memset(&k, 0, sizeof k);
    k.iPieceId = obj->iPieceId, k.iWidth = obj->ao.iWidth, k.iHeight = obj->ao.iHeight;
    k.iAngle = obj->iAngle, k.bFlipH = obj->bFlipH, k.bFlipV = obj->bFlipV;
    k.iSrcWidth = obj->iSrcWidth, k.iSrcHeight = obj->iSrcHeight;
    k.iTextStyle = obj->iTextStyle, k.iFont = obj->iFont, k.W = sPlace.w, k.H = sPlace.h;
    k.iSmooth = gSmoothEdges, k.boxW = box.w, k.boxH = box.h;
    k.hi = obj->iiRes[HI_RES_OBJ].DDSSurface, k.bgra = obj->pArtBgra;
    std::memcpy(k.szText, obj->szText, sizeof k.szText);
    return k;
}

// Composes the piece alone into its box over black and over white. 0: no memory.
static int MakeImage(IMGOBJ *obj, const XYWH &box, PIECEIMAGE *image)
{
    LPDDS white = DXCreateSurface(nullptr, box.w, box.h, DDSCAPS_SYSTEMOFFSCREEN);
    LPDDS black = DXCreateSurface(nullptr, box.w, box.h, DDSCAPS_SYSTEMOFFSCREEN);
    int ok = white && black;
    if (ok) {
        DXFillRect(black, 0, 0, box.w, box.h, 0);
        ok = COMPOSE_PieceAt(white, obj, sPlace.w, sPlace.h, box.x, box.y) &&
             COMPOSE_PieceAt(black, obj, sPlace.w, sPlace.h, box.x, box.y);
    }
    if (ok) {
        const size_t n = static_cast<size_t>(box.w) * box.h;
        image->colour.resize(n * 3);
        image->coverage.resize(n);
        image->rowRuns.assign(1, 0);
        for (int32_t y = 0; y < box.h; y++) {
            const uint8_t *b = DXPixel(black, 0, y), *w = DXPixel(white, 0, y);
            std::memcpy(&image->colour[static_cast<size_t>(y) * box.w * 3], b,
                        static_cast<size_t>(box.w) * 3);
            uint8_t *a = &image->coverage[static_cast<size_t>(y) * box.w];
            for (int32_t x = 0; x < box.w; x++) {
                const int spread = w[3 * x + 1] - b[3 * x + 1]; // what shows of the background
                a[x] = static_cast<uint8_t>(255 - (spread < 0 ? 0 : spread));
                if (!a[x])
                    continue;
                const int32_t partly = a[x] != 255;
                RUN *last = image->runs.size() > static_cast<size_t>(image->rowRuns.back())
                                ? &image->runs.back()
                                : nullptr;
                if (last && last->x + last->n == x && last->bPartly == partly)
                    last->n++;
                else
                    image->runs.push_back(RUN{x, 1, partly});
            }
            image->rowRuns.push_back(static_cast<int32_t>(image->runs.size()));
        }
    }
    DXReleaseSurface(white);
    DXReleaseSurface(black);
    return ok;
}

// The piece's image for its box, made anew when what it is made from changed; null when
// the budget is spent (the piece is then composed where it is drawn).
static const PIECEIMAGE *ImageFor(IMGOBJ *obj, const XYWH &box, int *ok)
{
    const PIECEKEY key = KeyOf(obj, box);
    auto found = sImages.find(obj);
    if (found != sImages.end() && std::memcmp(&found->second.key, &key, sizeof key) == 0)
        return &found->second;
    if (found != sImages.end()) {
        sImageBytes -= found->second.Bytes();
        sImages.erase(found);
    }
    if (sImageBytes + static_cast<size_t>(box.w) * box.h * 5 > kImageBudget)
        return nullptr;
    PIECEIMAGE image;
    image.key = key;
    if (!MakeImage(obj, box, &image)) {
        *ok = 0;
        return nullptr;
    }
    sImageBytes += image.Bytes();
    return &(sImages[obj] = std::move(image));
}

// Blends the image's part inside r at box onto the device picture.
static void BlendImage(const PIECEIMAGE &image, const XYWH &box, const XYWH &r)
{
    int32_t x = box.x, y = box.y, w = box.w, h = box.h;
    if (!AO_Clip(r, &x, &y, &w, &h))
        return;
    // In the image's own columns: [left, right).
    const int32_t left = x - box.x, right = left + w;
    for (int32_t row = y - box.y; row < y - box.y + h; row++) {
        const uint8_t *colour = &image.colour[static_cast<size_t>(row) * box.w * 3];
        const uint8_t *coverage = &image.coverage[static_cast<size_t>(row) * box.w];
        uint8_t *line = DXPixel(sDevice, box.x, box.y + row);
        for (int32_t k = image.rowRuns[row]; k < image.rowRuns[row + 1]; k++) {
            const RUN &run = image.runs[k];
            const int32_t from = run.x < left ? left : run.x;
            const int32_t to = run.x + run.n > right ? right : run.x + run.n;
            if (from >= to)
                continue;
            if (!run.bPartly) {
                std::memcpy(line + 3 * from, colour + 3 * from, static_cast<size_t>(to - from) * 3);
                continue;
            }
            for (int32_t i = from; i < to; i++) {
                const uint32_t rest = 255 - coverage[i];
                for (int c = 0; c < 3; c++) {
                    const uint32_t v = colour[3 * i + c] + (line[3 * i + c] * rest + 127) / 255;
                    line[3 * i + c] = static_cast<uint8_t>(v > 255 ? 255 : v);
                }
            }
        }
    }
}

static void ForgetImages()
{
    sImages.clear();
    sImageBytes = 0;
}

// Forgets the images of pieces no longer in the list.
static void ForgetGoneImages()
{
    if (sImages.empty())
        return;
    std::unordered_set<const IMGOBJ *> present;
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_IMGOBJ)
            present.insert(reinterpret_cast<const IMGOBJ *>(e));
    for (auto it = sImages.begin(); it != sImages.end();) {
        if (present.count(it->first)) {
            ++it;
            continue;
        }
        sImageBytes -= it->second.Bytes();
        it = sImages.erase(it);
    }
}

// The part r of the device picture: the photo, then the pieces in list order.
static int RedrawPart(const XYWH &r)
{
    if (!DXBlt(sDevice, r.x, r.y, r.w, r.h, sPhoto, r.x, r.y, DXBLT_OPAQUE))
        return Fail("DXBlt! (device picture)");
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        XYWH box;
        if (!COMPOSE_PieceBox(obj, sPlace.w, sPlace.h, &box))
            continue;
        int32_t x = box.x, y = box.y, w = box.w, h = box.h;
        if (!AO_Clip(r, &x, &y, &w, &h))
            continue;
        int ok = 1;
        if (const PIECEIMAGE *image = ImageFor(obj, box, &ok)) {
            BlendImage(*image, box, r);
            continue;
        }
        if (!ok)
            return 0;
        LPDDS view = DXCreateSurfaceOver(DXPixel(sDevice, r.x, r.y), r.w, r.h, sDevice->iPitch);
        ok = view && COMPOSE_PieceAt(view, obj, sPlace.w, sPlace.h, r.x, r.y);
        DXReleaseSurface(view);
        if (!ok)
            return Fail("The piece could not be drawn at the screen's pixels");
    }
    return 1;
}

// A line of the outline's colour with a square pen of t × t pixels covering the point,
// as the window's 2-pixel pen does (t / 2 above and left of it).
static void ThickLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t t)
{
    const int32_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int32_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int32_t err = dx + dy;
    for (;;) {
        DXFillRect(sDevice, x0 - t / 2, y0 - t / 2, t, t, gOutlinePenColor);
        if (x0 == x1 && y0 == y1)
            break;
        const int32_t e2 = 2 * err;
        if (e2 >= dy)
            err += dy, x0 += sx;
        if (e2 <= dx)
            err += dx, y0 += sy;
    }
}

// The selection outline through the piece's corners, as thick as the window's 2-pixel
// pen at this scale.
static void DrawOutline(const IMGOBJ *obj)
{
    const double sx = static_cast<double>(sPlace.w) / gPictureRect.w;
    const double sy = static_cast<double>(sPlace.h) / gPictureRect.h;
    int32_t pt[4][2];
    for (int k = 0; k < 4; k++) {
        pt[k][0] = static_cast<int32_t>(std::lround((obj->ptCorner[k][0] - gPictureRect.x) * sx));
        pt[k][1] = static_cast<int32_t>(std::lround((obj->ptCorner[k][1] - gPictureRect.y) * sy));
    }
    const int32_t t = static_cast<int32_t>(std::lround(2 * sScale));
    for (int from = 3, to = 0; to < 4; from = to++)
        ThickLine(pt[from][0], pt[from][1], pt[to][0], pt[to][1], t);
    // The handles, at the same places and this scale.
    HANDLES h;
    HANDLES_Place(obj, &h);
    auto device = [&](int32_t *p) {
        p[0] = static_cast<int32_t>(std::lround((p[0] - gPictureRect.x) * sx));
        p[1] = static_cast<int32_t>(std::lround((p[1] - gPictureRect.y) * sy));
    };
    for (auto &p : h.pt)
        device(p);
    device(h.stem);
    HANDLES_Draw(sDevice, h, static_cast<float>(sScale), gOutlinePenColor);
}

static int Pass(const DIRTY &changed, int whole)
{
    const XYWH place = DevicePlace(gPictureRect);
    if (place.w <= 0 || place.h <= 0)
        return 0;
    if (place.x != sPlace.x || place.y != sPlace.y || place.w != sPlace.w || place.h != sPlace.h)
        whole = 1;
    sPlace = place;
    if (!FitSurfaces())
        return 0;
    if (whole && !ScalePhoto())
        return 0;
    if (whole || changed.n)
        ForgetGoneImages();
    bool redrawn = false;
    if (whole) {
        if (!RedrawPart(XYWH{0, 0, sPlace.w, sPlace.h}))
            return 0;
        redrawn = true;
    } else {
        for (int i = 0; i < changed.n; i++) {
            XYWH r;
            if (!ToDevice(changed.r[i], &r))
                continue;
            if (!RedrawPart(r))
                return 0;
            redrawn = true;
        }
    }
    if (redrawn && gSelected)
        DrawOutline(gSelected);
    return 1;
}

int HIDPI_PicturePass(const DIRTY &changed, int whole)
{
    static bool failed; // the last try could not draw the picture at device pixels
    if (sScale <= 1 || !gPictureExists || gPictureRect.w <= 0 || gPictureRect.h <= 0) {
        sValid = 0;
        failed = false;
        return 0;
    }
    // What cannot be drawn at device pixels shows from the window image instead, and is
    // tried again only once something changed: not anew in every frame.
    if (failed && !whole && !changed.n)
        return 0;
    const size_t mark = TrailMark();
    sValid = Pass(changed, whole || !sValid);
    failed = !sValid;
    if (!sValid)
        TrailRewind(mark);
    return sValid;
}
