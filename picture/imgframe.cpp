// imgframe.cpp — an image object's screen image rebuilt on the frame after an edit (for
// quality when unselected, fast while selected), its selection frame, and the photo's
// quarter turn.
// Depends on: pixels/ (surfaces, scaled and mirrored blits, rotation), picture/text.h.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "picture/caption.h"
#include "picture/compose.h"
#include "picture/picture_local.h"
#include "picture/text.h"
#include "platform/platform.h"
#include "platform/trail.h"

// The part of a piece that always stays inside the picture rectangle, in pixels.
static constexpr int32_t kKeepInside = 25;
// π as the selection outline uses it.
static constexpr double kPiFrame = 3.141592;

// ---- Per frame
// ------------------------------------------------------------------------------------

// Keeps at least 25 pixels of a piece inside the picture rectangle. The piece's exact size
// counts: its screen size may still be the one from before a resize or a load, until the
// rebuild later in this frame.
static void KeepReachable(IMGOBJ *obj)
{
    const XYWH pic = gPictureRect;
    AO &a = obj->ao;
    const int32_t w = static_cast<int32_t>(obj->fWidth), h = static_cast<int32_t>(obj->fHeight);
    // Where the window's resizes put it: held back here, it keeps its exact place in the
    // picture and returns there when the window grows again.
    const bool placed = obj->bPlaced && a.x == obj->xPlaced && a.y == obj->yPlaced;
    if (a.x <= pic.x - w + kKeepInside)
        a.x = pic.x - w + kKeepInside;
    if (a.x >= pic.x + pic.w - kKeepInside)
        a.x = pic.x + pic.w - kKeepInside;
    if (a.y <= pic.y - h + kKeepInside)
        a.y = pic.y - h + kKeepInside;
    if (a.y >= pic.y + pic.h - kKeepInside)
        a.y = pic.y + pic.h - kKeepInside;
    if (placed) {
        obj->xPlaced = a.x;
        obj->yPlaced = a.y;
    }
}

// The photo's screen image: the whole photo stretched, pixels dropped or repeated.
static int UpdatePhotoImage(IMGOBJ *obj)
{
    AO_PictureChanged();
    LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface, lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (!lo)
        return Fail("pImgObj->iiRes[LO_RES_OBJ].DDSSurface->GetDC(&hdcLo)");
    if (!hi)
        return Fail("pImgObj->iiRes[HI_RES_OBJ].DDSSurface->GetDC(&hdcHi)");
    int32_t hiW, hiH;
    IMGOBJ_HiSize(obj, &hiW, &hiH);
    if (obj->ao.iWidth > 0 && obj->ao.iHeight > 0 &&
        !DXStretchBlt(lo, 0, 0, obj->ao.iWidth, obj->ao.iHeight, hi, 0, 0, hiW, hiH, DXBLT_OPAQUE))
        return Fail("StretchBlt(Hi -> Lo) !)");
    gPictureExists = 1;
    return 1;
}

int IMGOBJ_AnimateProc(AO *entry)
{
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(entry);
    if (entry->bRemove) {
        AO_DelObj(entry);
        return 1;
    }
    const int dragged = obj->bSelected && gDraggingPiece;
    if (dragged) {
        entry->x = obj->xAnchor + gDragDX;
        entry->y = obj->yAnchor + gDragDY;
    }
    if (obj->iKind != IMG_SRC) {
        KeepReachable(obj);
        // A turned image is drawn from its box around the piece's centre: the box moves
        // with the piece between rebuilds (drags, moves that only update the outline).
        obj->rcRotated[0] = entry->x + (entry->iWidth - obj->rcRotated[2]) / 2;
        obj->rcRotated[1] = entry->y + (entry->iHeight - obj->rcRotated[3]) / 2;
        if (dragged)
            CalcSelectionFrame(obj);
    }
    if (!obj->bNeedsUpdate)
        return 1;
    obj->bNeedsUpdate = 0;
    if (obj->iKind == IMG_SRC)
        return UpdatePhotoImage(obj);
    if (UpdateImgObj(obj))
        return 1;
    return Fail(obj->iKind == IMG_OBJ       ? "UpdateImgObj(IMG_OBJ)!"
                : obj->iKind == IMG_TEXT    ? "UpdateImgText(IMG_TEXT)!"
                : obj->iKind == IMG_CAPTION ? "UpdateImgObj(IMG_CAPTION)!"
                                            : "UpdateImgObj(IMG_EMF)!");
}

// Makes the screen image's surface hold a box of w × h, the piece or its turned box (a
// large piece turned needs more than the picture rectangle: 1065 × 798 at 45 degrees is
// 1318 × 1318). It grows by a quarter at least, so a piece sized up step by step is not
// given a new surface at every step, and is not cleared: what is shown is drawn first.
static int FitScreenSurface(IMGOBJ *obj, int32_t w, int32_t h)
{
    LPDDS lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (lo && lo->iWidth >= w && lo->iHeight >= h)
        return 1;
    // Only the side that is too small grows.
    auto side = [](int32_t had, int32_t need) {
        return need > had ? DXGrownSize(had, need, MAX_SURFACE_SIDE) : had;
    };
    const int32_t nw = IMGOBJ_RoundUp8(side(lo ? lo->iWidth : 0, w < 1 ? 1 : w));
    const int32_t nh = side(lo ? lo->iHeight : 0, h < 1 ? 1 : h);
    obj->iiRes[LO_RES_OBJ].DDSSurface = IMGOBJ_MakeSurface(lo, nw, nh, nw, nh);
    return obj->iiRes[LO_RES_OBJ].DDSSurface ? 1 : Fail("CreateImgObjSurface(LO_RES_OBJ)");
}

// Quality path: the piece turned at its high resolution, then scaled to the screen.
static int RotateForQuality(IMGOBJ *obj, LPDDS hi, LPDDS lo, const DDBLTFX *fx)
{
    AO &a = obj->ao;
    int32_t rw = 0, rh = 0;
    CalcRotatedSize(a.iWidth, a.iHeight, obj->iAngle, &rw, &rh);
    obj->rcRotated[0] = a.x + (a.iWidth - rw) / 2;
    obj->rcRotated[1] = a.y + (a.iHeight - rh) / 2;
    obj->rcRotated[2] = rw;
    obj->rcRotated[3] = rh;
    int32_t iw, ih;
    if (a.iWidth < a.iHeight) {
        ih = obj->iSrcHeight;
        iw = static_cast<int32_t>(obj->iSrcHeight *
                                  (static_cast<float>(a.iWidth) / static_cast<float>(a.iHeight)));
    } else {
        iw = obj->iSrcWidth;
        ih = static_cast<int32_t>(obj->iSrcWidth *
                                  (static_cast<float>(a.iHeight) / static_cast<float>(a.iWidth)));
    }
    // Artwork larger than the picture buffer is turned in a surface of its own.
    LPDDS owned = nullptr;
    LPDDS scratch = PictureScratch(iw, ih, &owned);
    if (!scratch || !DXStretchBltFX(scratch, 0, 0, iw, ih, hi, 0, 0, obj->iSrcWidth,
                                    obj->iSrcHeight, DXBLT_OPAQUE, fx)) {
        DXReleaseSurface(owned);
        return Fail("DXStretchBlt(1) !");
    }
    LPDDS turned = DXRotateSurface(scratch, 0, 0, iw, ih, obj->iAngle);
    DXReleaseSurface(owned);
    if (!turned)
        return Fail("DXRotateSurface()!");
    if (!FitScreenSurface(obj, rw, rh)) {
        DXReleaseSurface(turned);
        return 0;
    }
    lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    const int ok =
        DXStretchBlt(lo, 0, 0, rw, rh, turned, 0, 0, turned->iWidth, turned->iHeight, DXBLT_OPAQUE);
    DXReleaseSurface(turned);
    return ok || Fail("DXStretchBlt(2)!");
}

// Fast path: scaled to the screen first, then turned at screen size.
static int RotateFast(IMGOBJ *obj, LPDDS lo)
{
    AO &a = obj->ao;
    LPDDS turned = DXRotateSurface(lo, 0, 0, a.iWidth, a.iHeight, obj->iAngle);
    if (!turned)
        return Fail("DXRotateSurface()!");
    const int32_t tw = turned->iWidth, th = turned->iHeight;
    if (!FitScreenSurface(obj, tw, th)) {
        DXReleaseSurface(turned);
        return 0;
    }
    lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    const int ok = DXBlt(lo, 0, 0, tw, th, turned, 0, 0, DXBLT_OPAQUE);
    DXReleaseSurface(turned);
    if (!ok)
        return Fail("DXBlt(rotated...)!");
    obj->rcRotated[0] = a.x + (a.iWidth - tw) / 2;
    obj->rcRotated[1] = a.y + (a.iHeight - th) / 2;
    obj->rcRotated[2] = tw;
    obj->rcRotated[3] = th;
    return 1;
}

DDBLTFX MirrorEffects(const IMGOBJ *obj)
{
    DDBLTFX fx = {100, 0};
    if (obj->bFlipH)
        fx.dwDDFX |= DDBLTFX_MIRRORLEFTRIGHT;
    if (obj->bFlipV)
        fx.dwDDFX |= DDBLTFX_MIRRORUPDOWN;
    return fx;
}

static int UpdateClipArt(IMGOBJ *obj, LPDDS hi, LPDDS lo)
{
    AO &a = obj->ao;
    const DDBLTFX fx = MirrorEffects(obj);
    if (gSelected != obj && obj->iAngle != 0)
        return RotateForQuality(obj, hi, lo, &fx);
    if (!FitScreenSurface(obj, a.iWidth, a.iHeight))
        return 0;
    lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (!DXStretchBltFX(lo, 0, 0, a.iWidth, a.iHeight, hi, 0, 0, obj->iSrcWidth, obj->iSrcHeight,
                        DXBLT_OPAQUE, &fx))
        return Fail("DXStretchBltFX !");
    return obj->iAngle == 0 || RotateFast(obj, lo);
}

static int UpdateText(IMGOBJ *obj, LPDDS hi, LPDDS lo)
{
    const DDBLTFX fx = MirrorEffects(obj);
    if (!FitScreenSurface(obj, obj->ao.iWidth, obj->ao.iHeight))
        return 0;
    lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (!DXStretchBltFX(lo, 0, 0, obj->ao.iWidth, obj->ao.iHeight, hi, 0, 0, obj->iSrcWidth,
                        obj->iSrcHeight, DXBLT_OPAQUE, &fx))
        return Fail("DXStretchBltFX !");
    if (!TextBubbleText(obj, 0, 0, 0))
        return Fail("TextBubbleText(()!");
    return 1;
}

int UpdateImgObj(IMGOBJ *obj)
{
    AO_PictureChanged(); // a new screen image, and the picture buffer's corner as scratch
    if (obj->iKind == IMG_CAPTION)
        return CAPTION_UpdateScreen(obj);
    if (obj->iKind != IMG_OBJ && obj->iKind != IMG_TEXT)
        return 1; // the photo is rebuilt by its AnimateProc; metafiles are left alone
    obj->ao.iWidth = static_cast<int32_t>(obj->fWidth);
    obj->ao.iHeight = static_cast<int32_t>(obj->fHeight);
    LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface, lo = obj->iiRes[LO_RES_OBJ].DDSSurface;
    if (!hi || !lo)
        return Fail("DXStretchBltFX !");
    // A piece too small to show has nothing to rebuild; its outline still follows.
    if (obj->ao.iWidth >= 1 && obj->ao.iHeight >= 1) {
        const int ok = obj->iKind == IMG_OBJ ? UpdateClipArt(obj, hi, lo) : UpdateText(obj, hi, lo);
        if (!ok)
            return 0;
    }
    CalcSelectionFrame(obj);
    return 1;
}

void CalcSelectionFrame(IMGOBJ *obj)
{
    const double W = obj->fWidth, H = obj->fHeight;
    const double cx = obj->ao.x + static_cast<int32_t>(W / 2);
    const double cy = obj->ao.y + static_cast<int32_t>(H / 2);
    const double r = std::sqrt((W / 2) * (W / 2) + (H / 2) * (H / 2));
    const int32_t a = static_cast<int32_t>(std::atan2(H / 2, W / 2) * 180 / kPiFrame);
    const int32_t angles[4] = {a + 270, 90 - a, a + 90, 270 - a};
    for (int k = 0; k < 4; k++) {
        const double t = (angles[k] + obj->iAngle) * kPiFrame / 180;
        obj->ptCorner[k][0] = static_cast<int32_t>(cx + r * std::sin(t));
        obj->ptCorner[k][1] = static_cast<int32_t>(cy - r * std::cos(t));
    }
}

// ---- Turning the photo ------------------------------------------------------------------------

// Gives the photo object the turned image: new surfaces of its size, the image copied in.
static int TakeTurnedImage(IMGOBJ *obj, LPDDS turned)
{
    obj->iSrcWidth = gPhotoWidth = turned->iWidth;
    obj->iSrcHeight = gPhotoHeight = turned->iHeight;
    if (!CreateImgObjSurface(obj, HI_RES_OBJ))
        return Fail("CreateImgObjSurface(HI_RES_OBJ)");
    if (!CreateImgObjSurface(obj, LO_RES_OBJ))
        return Fail("CreateImgObjSurface(LO_RES_OBJ)");
    if (!DXBlt(obj->iiRes[HI_RES_OBJ].DDSSurface, 0, 0, turned->iWidth, turned->iHeight, turned, 0,
               0, DXBLT_OPAQUE))
        return Fail("DXBlt()!");
    obj->bNeedsUpdate = 1;
    return 1;
}

int PhotoRotate(int32_t angle)
{
    if (!WaitForFullPhoto())
        return Fail("Rotation failed!");
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ || e->bRemove || e->AnimateProc == AO_DieProc)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (obj->iKind != IMG_SRC || !obj->iiRes[HI_RES_OBJ].DDSSurface)
            continue;
        LPDDS turned = DXRotatePhoto(obj->iiRes[HI_RES_OBJ].DDSSurface, 0, 0, obj->iSrcWidth,
                                     obj->iSrcHeight, angle);
        if (!turned)
            return Fail("Rotation failed!");
        const int ok = TakeTurnedImage(obj, turned);
        DXReleaseSurface(turned);
        if (!ok)
            return 0;
    }
    if (!ScreenResize(nullptr))
        return Fail("ScreenResize()");
    PICTURE_PhotoChanged();
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    return 1;
}
