// crop.cpp — cutting the photo down and giving it back (see crop.h).
#include "picture/crop.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "picture/ao.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/picture_local.h"
#include "platform/platform.h"
#include "platform/trail.h"

namespace
{

// A piece's place and size in the photo's pixels.
struct ONPHOTO {
    IMGOBJ *obj;
    double x, y, w, h;
};

IMGOBJ *ThePhoto()
{
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ || e->bRemove || e->AnimateProc == AO_DieProc)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (obj->iKind == IMG_SRC && obj->iiRes[HI_RES_OBJ].DDSSurface)
            return obj;
    }
    return nullptr;
}

std::vector<ONPHOTO> PiecesOnPhoto()
{
    std::vector<ONPHOTO> out;
    const XYWH r = gPictureRect;
    if (r.w <= 0 || r.h <= 0)
        return out;
    const double sx = double(gPhotoWidth) / r.w, sy = double(gPhotoHeight) / r.h;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ || e->bRemove || e->AnimateProc == AO_DieProc)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (obj->iKind == IMG_OBJ || obj->iKind == IMG_TEXT)
            out.push_back(
                {obj, (e->x - r.x) * sx, (e->y - r.y) * sy, obj->fWidth * sx, obj->fHeight * sy});
    }
    return out;
}

// Puts the pieces back on the photo after its origin moved by (dx, dy) photo pixels: the
// same spot of the photo, at the photo's new scale, no larger than the picture (in their
// proportions) and no smaller than 10.
void PutBack(const std::vector<ONPHOTO> &pieces, double dx, double dy)
{
    const XYWH r = gPictureRect;
    const double sx = double(r.w) / gPhotoWidth, sy = double(r.h) / gPhotoHeight;
    for (const ONPHOTO &p : pieces) {
        double w = p.w * sx, h = p.h * sy;
        const double fit = std::min({1.0, r.w / w, r.h / h});
        w = std::max(10.0, w * fit), h = std::max(10.0, h * fit);
        IMGOBJ *obj = p.obj;
        obj->ao.x = obj->xAnchor = r.x + static_cast<int32_t>(std::lround((p.x - dx) * sx));
        obj->ao.y = obj->yAnchor = r.y + static_cast<int32_t>(std::lround((p.y - dy) * sy));
        obj->fWidth = static_cast<float>(w), obj->fHeight = static_cast<float>(h);
        // The screen image is rebuilt to this size on the next frame, before it is drawn.
        obj->ao.iWidth = static_cast<int32_t>(obj->fWidth);
        obj->ao.iHeight = static_cast<int32_t>(obj->fHeight);
        // A piece over a part cut away stays within reach at the picture's edge, as the
        // frames would keep it.
        auto reach = [](int32_t v, int32_t from, int32_t size, int32_t side) {
            return v < from - size + 26   ? from - size + 26
                   : v > from + side - 26 ? from + side - 26
                                          : v;
        };
        obj->ao.x = obj->xAnchor = reach(obj->ao.x, r.x, obj->ao.iWidth, r.w);
        obj->ao.y = obj->yAnchor = reach(obj->ao.y, r.y, obj->ao.iHeight, r.h);
        obj->bPlaced = 0; // measured anew against the picture rectangle
        obj->bNeedsUpdate = 1;
        CalcSelectionFrame(obj);
    }
}

// Gives the photo (x, y, width, height) of src as its whole image and refits the picture,
// the pieces moved by (dx, dy) photo pixels. On success *old is the photo's image before
// (the caller's now); on failure the photo is as it was.
int TakeImage(IMGOBJ *photo, LPDDS src, int32_t x, int32_t y, int32_t width, int32_t height,
              double dx, double dy, LPDDS *old)
{
    const std::vector<ONPHOTO> pieces = PiecesOnPhoto();
    LPDDS before = photo->iiRes[HI_RES_OBJ].DDSSurface;
    const int32_t beforeW = photo->iSrcWidth, beforeH = photo->iSrcHeight;
    photo->iiRes[HI_RES_OBJ].DDSSurface = nullptr; // kept, not released by the new one
    photo->iSrcWidth = width, photo->iSrcHeight = height;
    if (!CreateImgObjSurface(photo, HI_RES_OBJ) ||
        !DXBlt(photo->iiRes[HI_RES_OBJ].DDSSurface, 0, 0, width, height, src, x, y, DXBLT_OPAQUE)) {
        DXReleaseSurface(photo->iiRes[HI_RES_OBJ].DDSSurface);
        photo->iiRes[HI_RES_OBJ].DDSSurface = before;
        photo->iSrcWidth = beforeW, photo->iSrcHeight = beforeH;
        return Fail("CreateImgObjSurface(HI_RES_OBJ)");
    }
    gPhotoWidth = width, gPhotoHeight = height;
    // The screen image is rebuilt from the new image on the next frame; its surface is
    // the picture rectangle's, whatever the photo's size.
    photo->bNeedsUpdate = 1;
    *old = before;
    const int fitted = ScreenResize(nullptr);
    PutBack(pieces, dx, dy);
    AO_PictureChanged();
    PICTURE_PhotoChanged();
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    // Not refitted (the background could not be drawn): the photo is cut all the same, and
    // the trail says what failed.
    return fitted ? 1 : (Fail("ScreenResize()"), 1);
}

} // namespace

LPDDS PhotoCrop(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!WaitForFullPhoto())
        return nullptr;
    IMGOBJ *photo = ThePhoto();
    if (!photo)
        return Fail("There is no photo to crop."), nullptr;
    if (x < 0 || y < 0 || width < 1 || height < 1 || x > photo->iSrcWidth - width ||
        y > photo->iSrcHeight - height)
        return Fail("The crop rectangle does not lie inside the photo."), nullptr;
    LPDDS old = nullptr;
    if (!TakeImage(photo, photo->iiRes[HI_RES_OBJ].DDSSurface, x, y, width, height, x, y, &old))
        return nullptr;
    return old;
}

int PhotoUncrop(LPDDS kept, int32_t width, int32_t height, int32_t x, int32_t y)
{
    IMGOBJ *photo = ThePhoto();
    if (!photo || !kept || width < 1 || height < 1 || width > kept->iWidth ||
        height > kept->iHeight)
        return Fail("The photo cannot be given back its cut-away parts.");
    LPDDS old = nullptr;
    if (!TakeImage(photo, kept, 0, 0, width, height, -x, -y, &old))
        return 0;
    DXReleaseSurface(old);
    return 1;
}
