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
#include "picture/caption.h"
#include "picture/font.h"
#include "picture/imgobj.h"
#include "picture/picture_local.h"
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
        else if (obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT || obj->iKind == IMG_CAPTION)
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

static int DrawTile(const BACKDROP &b, const FRAMETILE &t, int32_t x, int32_t y)
{
    const int32_t k = b.k;
    if (!DXBlt(b.out, k * x, k * y, k * t.w, k * t.h, b.sheet, k * t.srcX, k * t.srcY, t.mode))
        return Fail("DropShadow - DXBlt!");
    return 1;
}

// The frame around the picture rectangle; the bottom and right tiles carry the shadow.
static int DrawFrame(const BACKDROP &b, const XYWH &r)
{
    for (int32_t i = 0; i <= r.w / 16; ++i) {
        if (!DrawTile(b, kTop, r.x + 16 * i, r.y - 13) ||
            !DrawTile(b, kBottom, r.x + 16 * i, r.y + r.h))
            return 0;
    }
    for (int32_t i = 0; i <= r.h / 16; ++i) {
        if (!DrawTile(b, kLeft, r.x - 13, r.y + 16 * i) ||
            !DrawTile(b, kRight, r.x + r.w, r.y + 16 * i))
            return 0;
    }
    return DrawTile(b, kTopLeft, r.x - 13, r.y - 13) &&
           DrawTile(b, kTopRight, r.x + r.w, r.y - 13) &&
           DrawTile(b, kBottomLeft, r.x - 13, r.y + r.h) &&
           DrawTile(b, kBottomRight, r.x + r.w, r.y + r.h);
}

// Before the first picture the empty picture area invites the first step: a heading
// and the keys that open a photo or a blank picture, drawn with the program's fonts.
static void DrawInvitation(const BACKDROP &b)
{
    const int32_t cx = PICTURE_AREA_LEFT + (gScreenWidth - PICTURE_AREA_MARGIN_W) / 2;
    const int32_t cy = PICTURE_AREA_TOP + (gScreenHeight - PICTURE_AREA_MARGIN_H) / 2;
    BltFontFrom(11, b.out, b.sheet, b.k, cx, cy - 95, FONT_ALIGN_CENTRE, "A"); // the camera
    BltFontFrom(3, b.out, b.sheet, b.k, cx, cy - 40, FONT_ALIGN_CENTRE, LoadText(STR_START_TITLE));
    for (int32_t line = 0; line < 3; line++)
        BltFontFrom(10, b.out, b.sheet, b.k, cx, cy + 5 + 24 * line, FONT_ALIGN_CENTRE,
                    LoadText(STR_START_LINE1 + line));
}

// The background art stretched over the drawing area, the logo, and before the first
// picture the invitation.
static int DrawBackdrop(const BACKDROP &b)
{
    const int32_t k = b.k;
    if (b.clp && !DXStretchBlt(b.out, 0, 0, k * gScreenWidth, k * gScreenHeight, b.clp, 0, 0,
                               b.clp->iWidth, b.clp->iHeight, DXBLT_OPAQUE))
        return Fail("DXStretchBlt! (backgnd)");
    if (b.logo && !DXBlt(b.out, k * LOGO_X, k * LOGO_Y, b.logo->iWidth, b.logo->iHeight, b.logo, 0,
                         0, DXBLT_SRCKEY))
        return Fail("DXBlt! (backgnd) 2");
    if (!gPictureExists && b.sheet)
        DrawInvitation(b);
    return 1;
}

// The photo's screen image and the frame around it.
static int DrawFramedPhoto(const BACKDROP &b)
{
    const int32_t k = b.k;
    for (AO *p = gAOList; p; p = p->pNext) {
        if (p->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
        LPDDS image = obj->iiRes[LO_RES_OBJ].DDSSurface;
        if (obj->iKind == IMG_SRC &&
            !(k == 1 ? DXBlt(b.out, p->x, p->y, p->iWidth, p->iHeight, image, 0, 0, DXBLT_OPAQUE)
                     : DXStretchBlt(b.out, k * p->x, k * p->y, k * p->iWidth, k * p->iHeight, image,
                                    0, 0, p->iWidth, p->iHeight, DXBLT_OPAQUE)))
            return Fail("DXBlt");
    }
    if (gPictureRect.w != 0 && gPictureRect.h != 0 && !DrawFrame(b, gPictureRect))
        return 0;
    return 1;
}

int BackgroundResize()
{
    const BACKDROP one = {gDDSBackgnd, gDDSSprite, gDDSClp, gDDSLogo, 1};
    BACKDROP two;
    const int twice = DEVUI_Backdrop(&two);
    if (!DrawBackdrop(one) || (twice && !DrawBackdrop(two)))
        return 0;
    // With a window, the whole of it is drawn again below, sprites and all; without one
    // the screen buffer gets the new background.
    if (!(gWindowDC ? AO_FrameBeforeRefresh() : AO_ProcessFlip())) {
        gFramesRunning = 0;
        return Fail("AO_ProcessFlip()");
    }
    if (!DrawFramedPhoto(one) || (twice && !DrawFramedPhoto(two)))
        return 0;
    if (!gWindowDC) {
        if (!DXBlt(gDDSScratch, 0, 0, gScreenWidth, gScreenHeight, gDDSBackgnd, 0, 0, DXBLT_OPAQUE))
            return Fail("DXBlt! (backgnd)");
        return 1;
    }
    // The new background shows at once, not only where sprites next flush.
    if (!AO_RefreshWindow())
        return 0;
    if (twice)
        DEVUI_BackdropDone();
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

// Where the surface composed into lies in the export: (0, 0) but for a part of it
// (COMPOSE_PieceAt), and whether scratch space may be the picture buffer's corner.
static int32_t sOriginX, sOriginY;
static int sOwnScratch;
static const IMGOBJ *sOnly; // the one piece composed (COMPOSE_PieceAt), or null: all

static PLACEMENT PlaceInExport(const IMGOBJ *obj, float sx, float sy)
{
    PLACEMENT p;
    p.x = static_cast<int32_t>(static_cast<float>(obj->ao.x - gPictureRect.x) * sx) - sOriginX;
    p.y = static_cast<int32_t>(static_cast<float>(obj->ao.y - gPictureRect.y) * sy) - sOriginY;
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
    if (!sOwnScratch && gDDSPicture && gDDSPicture->iWidth >= w && gDDSPicture->iHeight >= h) {
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

// Clip art: scaled to the piece's proportions at its own resolution, mirrored, turned,
// scaled to its export size and copied onto the export with the white key.
static int ComposeClipArt(LPDDS out, IMGOBJ *obj, float sx, float sy)
{
    PLACEMENT p = PlaceInExport(obj, sx, sy);
    if (p.w <= 0 || p.h <= 0)
        return 1;
    // Artwork with alpha is always blended: a key would cut its soft parts.
    if (gSmoothEdges || obj->pArtBgra) {
        return COMPOSE_ClipArtSmooth(out, obj, XYWH{p.x, p.y, p.w, p.h});
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
        if (p->iType != AO_TYPE_IMGOBJ || p->bRemove || p->AnimateProc == AO_DieProc ||
            (sOnly && p != &sOnly->ao))
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
        } else if (obj->iKind == IMG_CAPTION) {
            const PLACEMENT pl = PlaceInExport(obj, sx, sy);
            ok = CAPTION_Compose(view, obj, XYWH{pl.x, pl.y, pl.w, pl.h});
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
        if ((obj->iKind != IMG_OBJ && obj->iKind != IMG_TEXT && obj->iKind != IMG_CAPTION) ||
            (p->iWidth == w && p->iHeight == h))
            continue;
        p->iWidth = w;
        p->iHeight = h;
        obj->bNeedsUpdate = 1; // its screen image follows on the next frame
    }
}

int COMPOSE_Prepare(int32_t width, int32_t height)
{
    if (!WaitForFullPhoto()) // the photo's own pixels, not the screen-sized first decode
        return 0;
    DeselectAll();
    TakeExactSizes();
    if (width <= 0 || height <= 0 || gPictureRect.w <= 0 || gPictureRect.h <= 0)
        return Failf("Picture size %d x %d cannot be composed", width, height);
    return 1;
}

int ComposePieces(LPDDS out, int32_t width, int32_t height)
{
    if (!COMPOSE_Prepare(width, height))
        return 0;
    // Through a view exactly width × height, so a piece over an edge is cut there.
    LPDDS view = DXCreateSurfaceOver(out->pBits, width, height, out->iPitch);
    if (!view)
        return Fail("ComposePieces() !");
    const int ok = ComposeObjects(view, width, height, 0);
    DXReleaseSurface(view);
    return ok;
}

// Whether a display-list entry is a piece the composition draws.
static bool ComposedPiece(const AO *p)
{
    return p->iType == AO_TYPE_IMGOBJ && !p->bRemove && p->AnimateProc != AO_DieProc &&
           reinterpret_cast<const IMGOBJ *>(p)->iKind != IMG_SRC;
}

int COMPOSE_PieceBox(const IMGOBJ *obj, int32_t width, int32_t height, XYWH *box)
{
    if (!ComposedPiece(&obj->ao) || gPictureRect.w <= 0 || gPictureRect.h <= 0)
        return 0;
    const PLACEMENT p = PlaceInExport(obj, static_cast<float>(width) / gPictureRect.w,
                                      static_cast<float>(height) / gPictureRect.h);
    if (p.w <= 0 || p.h <= 0)
        return 0;
    int32_t rw = p.w, rh = p.h;
    if (obj->iKind != IMG_TEXT) // text is never turned
        CalcRotatedSize(p.w, p.h, obj->iAngle, &rw, &rh);
    *box = {p.x + (p.w - rw) / 2, p.y + (p.h - rh) / 2, rw, rh};
    return 1;
}

int COMPOSE_PieceAt(LPDDS view, IMGOBJ *obj, int32_t width, int32_t height, int32_t x, int32_t y)
{
    sOriginX = x, sOriginY = y, sOwnScratch = 1, sOnly = obj;
    const int ok = ComposeObjects(view, width, height, 0);
    sOriginX = sOriginY = 0, sOwnScratch = 0, sOnly = nullptr;
    return ok;
}

LPDDS BuildHiResImage2(int32_t width, int32_t height, int32_t components)
{
    if (!COMPOSE_Prepare(width, height))
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
