// imgobj.cpp — image objects: the background photo, clip art and text pieces.
//
// An edit only changes numbers on an object and sets bNeedsUpdate; the object's own
// AnimateProc rebuilds its screen image on the next frame. Unselected pieces are
// rebuilt for quality (turned at high resolution, then scaled down); the selected
// piece is rebuilt fast (scaled first, turned at screen size) while it is edited.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

#include "clipart/lookup.h"
#include "formats/formats.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/text.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

IMGOBJ *gSelected;
int32_t gPictureExists;
int32_t gModified;
int32_t gPhotoWidth;
int32_t gPhotoHeight;
int32_t gPhotoComponents;
int32_t gDraggingPiece;
int32_t gDragDX;
int32_t gDragDY;

static PICTURE_NOTIFY sNotify;
static int32_t sNextPieceId;

void (*gpChangeBegin)(int32_t tag);
void (*gpChangeEnd)(int32_t tag);

void PICTURE_ChangeBegin(int32_t tag)
{
    if (gpChangeBegin)
        gpChangeBegin(tag);
}

void PICTURE_ChangeEnd(int32_t tag)
{
    if (gpChangeEnd)
        gpChangeEnd(tag);
}

void PICTURE_Init(const PICTURE_NOTIFY *notify)
{
    sNotify = notify ? *notify : PICTURE_NOTIFY{};
}

void PICTURE_Shutdown()
{
    sNotify = {};
}

void SetModified()
{
    const int32_t was = gModified;
    gModified = 1;
    if (!was && sNotify.Modified)
        sNotify.Modified();
}

void UpdateSelectionState()
{
    if (sNotify.SelectionChanged)
        sNotify.SelectionChanged();
}

// The part of a piece that always stays inside the picture rectangle, in pixels.
static constexpr int32_t kKeepInside = 25;
// π as the selection outline uses it.
static constexpr double kPiFrame = 3.141592;

// ---- Small helpers ------------------------------------------------------------------------

static int32_t RoundUp8(int32_t n)
{
    return n % 8 == 0 ? n : (n / 8) * 8 + 8;
}

// A small uniform integer source for first places: 0 … n − 1 (0 when n < 1).
static int32_t RandomBelow(int32_t n)
{
    static uint64_t state = 0x9E3779B97F4A7C15ull ^ PLAT_Milliseconds();
    if (n < 1)
        return 0;
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<int32_t>((state >> 33) % static_cast<uint64_t>(n));
}

// Frees a failed object: unlinks it if listed, releases its surfaces, path and block.
static void Discard(IMGOBJ *obj)
{
    if (gSelected == obj)
        gSelected = nullptr;
    AO_DelObj(&obj->ao);
}

// The common part of creation: a zero-filled record with its header filled in.
static IMGOBJ *NewImgObj(int32_t x, int32_t y, int32_t kind)
{
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    if (!obj) {
        Fail("No IMGOBJ mem");
        return nullptr;
    }
    obj->ao.dwFlags = AOFLAG_IMGOBJ;
    obj->ao.iType = AO_TYPE_IMGOBJ;
    obj->ao.x = obj->ao.xWorld = obj->ao.rcUpdate[0] = obj->xAnchor = x;
    obj->ao.y = obj->ao.yWorld = obj->ao.rcUpdate[1] = obj->yAnchor = y;
    obj->ao.pSheet = nullptr;
    obj->ao.AnimateProc = IMGOBJ_AnimateProc;
    obj->ao.iLayer = 1000;
    obj->iKind = kind;
    obj->bNeedsUpdate = 1;
    obj->iPieceId = ++sNextPieceId;
    return obj;
}

// Stores the name: the whole of it in pszFullPath for loading, and what fits of it in
// szFileName, which is all the layout file keeps.
static int StoreName(IMGOBJ *obj, const char *name)
{
    const size_t len = std::strlen(name);
    obj->pszFullPath = static_cast<char *>(std::malloc(len + 1));
    if (!obj->pszFullPath)
        return Fail("No IMGOBJ mem");
    std::memcpy(obj->pszFullPath, name, len + 1);
    const size_t keep = len < sizeof(obj->szFileName) - 1 ? len : sizeof(obj->szFileName) - 1;
    std::memcpy(obj->szFileName, name, keep);
    obj->szFileName[keep] = '\0';
    return 1;
}

// ---- Surfaces and the picture buffer --------------------------------------------------------

// As DXCreateSurface (white, white key; `old` released first), but a large surface's
// memory is asked to come in huge pages before it is first touched: a whole photo is
// then faulted in a few hundred steps instead of tens of thousands. The top-left
// keepW × keepH pixels, which a decoder is about to write, are not cleared.
static LPDDS MakeImageSurface(LPDDS old, int32_t width, int32_t height, int32_t keepW = 0,
                              int32_t keepH = 0)
{
    DXReleaseSurface(old);
    int32_t result = DD_OK;
    LPDDS s = DXCreateSurfaceRaw(width, height, &result);
    if (!s) {
        DXCreateSurfaceError(result);
        Fail("g_pDD->CreateSurface() failed!");
        return nullptr;
    }
    DXSetColorKey(s, 0xFFFFFF);
    if (keepW >= width && keepH >= height)
        return s;
    if (keepW <= 0 || keepH <= 0) {
        ClearSurface(s);
        return s;
    }
    DXFillRect(s, keepW, 0, width - keepW, keepH, 0xFFFFFF);
    DXFillRect(s, 0, keepH, width, height - keepH, 0xFFFFFF);
    return s;
}

// CreateImgObjSurface, leaving the image's own pixels uncleared when `filled` says the
// decoder or layout writes all of them.
static int MakeObjSurface(IMGOBJ *obj, int32_t index, int filled)
{
    if (index != HI_RES_OBJ && index != LO_RES_OBJ)
        return 0;
    // The photo's screen image never exceeds the picture rectangle: its screen surface
    // need not hold the whole photo (which may be hundreds of megabytes).
    const int screenPhoto = obj->iKind == IMG_SRC && index == LO_RES_OBJ;
    const int32_t srcW = screenPhoto ? 0 : obj->iSrcWidth;
    const int32_t srcH = screenPhoto ? 0 : obj->iSrcHeight;
    // A piece's artwork needs no more than its own size: a layout of twenty pieces would
    // otherwise clear twenty surfaces of window size it never uses.
    if (index == HI_RES_OBJ && obj->iKind != IMG_SRC && srcW > 0 && srcH > 0) {
        LPDDS s = MakeImageSurface(obj->iiRes[index].DDSSurface, RoundUp8(srcW), srcH);
        obj->iiRes[index].DDSSurface = s;
        return s != nullptr;
    }
    // A piece's screen image is drawn whole before it is shown and grows with the piece
    // (FitScreenSurface): it starts small and uncleared.
    if (index == LO_RES_OBJ && obj->iKind != IMG_SRC) {
        LPDDS s = MakeImageSurface(obj->iiRes[index].DDSSurface, 8, 8, 8, 8);
        obj->iiRes[index].DDSSurface = s;
        return s != nullptr;
    }
    int32_t w = RoundUp8(srcW);
    if (RoundUp8(gPictureRect.w) > w)
        w = RoundUp8(gPictureRect.w);
    if (w < 1280)
        w = 1280;
    int32_t h = srcH > gPictureRect.h ? srcH : gPictureRect.h;
    if (h < 1024)
        h = 1024;
    // The photo's screen image is drawn over the picture rectangle before it is shown:
    // not cleared either.
    const int32_t keepW = screenPhoto ? w : filled ? srcW : 0;
    const int32_t keepH = screenPhoto ? h : filled ? srcH : 0;
    LPDDS s = MakeImageSurface(obj->iiRes[index].DDSSurface, w, h, keepW, keepH);
    obj->iiRes[index].DDSSurface = s;
    return s != nullptr;
}

int CreateImgObjSurface(IMGOBJ *obj, int32_t index)
{
    return MakeObjSurface(obj, index, 0);
}

// ---- Clip art ---------------------------------------------------------------------------------

int64_t IMGOBJ_ArtworkBytes(const char *name)
{
    uint8_t head[64];
    ssize_t got = -1;
    for (int folder = 0; got < 0 && folder < 2; folder++) {
        char path[sizeof(gMainDir) + 160];
        if (!ClipArt_Path(name, folder, path, sizeof path))
            continue;
        const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT && errno != ENOTDIR)
            return -1;
        if (fd >= 0) {
            got = PLAT_FileReadAll(fd, head, sizeof head);
            const int error = errno;
            PLAT_FileClose(fd); // only read
            if (got < 0) {
                errno = error;
                return -1;
            }
        }
    }
    size_t size = 0;
    const uint8_t *res = got < 0 ? PLAT_FindResource(name, &size) : nullptr;
    int64_t w = 0, h = 0;
    if (got >= 0 ? !BitmapPeekSize(head, static_cast<size_t>(got), &w, &h)
                 : !res || !BitmapPeekSize(res, size, &w, &h))
        return 0;
    if (w < 1 || h < 1 || w > MAX_PHOTO_SIDE || h > MAX_PHOTO_SIDE)
        return 0;                   // refused when it is loaded
    return (3 * w + 3) / 4 * 4 * h; // the decoded rows become the artwork's surface
}

// The clip-art bitmap: the file in the clip-art folder, then the user's own sticker of
// that name, else the resource of that name.
static int LoadClipArtBitmap(const char *name, DIBIMAGE *image)
{
    // One buffer for the run of loads a layout makes: a fresh block for each file would
    // fault in every page again. A rare large file's block is not kept. (Not thread-local:
    // the leak checker of the sanitizer builds fails on a loaded module's thread storage.)
    static std::mutex bytesLock;
    static READBUFFER bytes;
    std::lock_guard<std::mutex> hold(bytesLock);
    int ok = 0;
    for (int folder = 0; !ok && folder < 2; folder++) {
        char path[sizeof(gMainDir) + 160];
        if (!ClipArt_Path(name, folder, path, sizeof path))
            continue;
        bool opened;
        ok = PLAT_FileReadInto(path, (256 << 20) - 1, &bytes, &opened) && bytes.size &&
             DibDecode(bytes.block.get(), bytes.size, image, nullptr);
    }
    if (bytes.capacity > (size_t{8} << 20))
        bytes = READBUFFER();
    if (!ok) {
        size_t size = 0;
        const uint8_t *res = PLAT_FindResource(name, &size);
        ok = res && DibDecode(res, size, image, nullptr);
    }
    return ok;
}

// First size (0.35 of the picture rectangle along the image's longer side) and a
// random place around the middle of the picture rectangle.
static void FirstSizeAndPlace(IMGOBJ *obj)
{
    const XYWH pic = gPictureRect;
    int32_t w, h;
    if (obj->iSrcHeight > obj->iSrcWidth) {
        h = static_cast<int32_t>(pic.h * 0.35);
        w = static_cast<int32_t>(static_cast<int64_t>(h) * obj->iSrcWidth / obj->iSrcHeight);
    } else {
        w = static_cast<int32_t>(pic.w * 0.35);
        h = static_cast<int32_t>(static_cast<int64_t>(w) * obj->iSrcHeight / obj->iSrcWidth);
    }
    obj->ao.iWidth = obj->ao.rcUpdate[2] = w;
    obj->ao.iHeight = obj->ao.rcUpdate[3] = h;
    obj->fWidth = static_cast<float>(w);
    obj->fHeight = static_cast<float>(h);
    obj->ao.x = pic.x + pic.w / 2 - w / 2 + (w / 2 - RandomBelow(w));
    obj->ao.y = pic.y + pic.h / 2 - h / 2 + (h / 2 - RandomBelow(h));
    obj->rcRotated[0] = obj->ao.x;
    obj->rcRotated[1] = obj->ao.y;
    obj->rcRotated[2] = w;
    obj->rcRotated[3] = h;
}

int ClipArtLoad(IMGOBJ *obj)
{
    struct stat st;
    if (gMainDir[0] && (::stat(gMainDir, &st) != 0 || !S_ISDIR(st.st_mode)))
        return Fail("SetCurrentDirectory() !");
    DIBIMAGE image = {};
    if (!LoadClipArtBitmap(obj->szFileName, &image))
        return Fail("LoadImage() !");
    if (!PhotoSizeAllowed(image.iWidth, image.iHeight)) {
        DibFreeImage(&image);
        return Fail("LoadImage() !");
    }
    obj->iSrcWidth = image.iWidth;
    obj->iSrcHeight = image.iHeight;
    obj->iSrcComponents = 3;
    // The decoded rows, laid out as a surface's, become the artwork surface itself: no
    // second block to fault in and copy into.
    LPDDS hi = DXCreateSurfaceOver(image.pBits, image.iWidth, image.iHeight, image.iPitch);
    if (!hi) {
        DibFreeImage(&image);
        return Fail("CreateImgObjSurface(HI_RES_OBJ)");
    }
    hi->bOwnsBits = 1;
    DXSetColorKey(hi, 0xFFFFFF);
    DXReleaseSurface(obj->iiRes[HI_RES_OBJ].DDSSurface);
    obj->iiRes[HI_RES_OBJ].DDSSurface = hi;
    if (!CreateImgObjSurface(obj, LO_RES_OBJ))
        return Fail("CreateImgObjSurface(LO_RES_OBJ)");
    FirstSizeAndPlace(obj);
    return 1;
}

// ---- Creation -----------------------------------------------------------------------------------

// The photo decoders' target: the object's two surfaces, made for the photo's size.
static LPDDS PhotoSurfaces(void *context, const PHOTOINFO *info)
{
    IMGOBJ *obj = static_cast<IMGOBJ *>(context);
    obj->iSrcWidth = info->iWidth;
    obj->iSrcHeight = info->iHeight;
    obj->iSrcComponents = info->iComponents;
    if (!MakeObjSurface(obj, HI_RES_OBJ, info->bFillsAll)) {
        Fail("CreateImgObjSurface(HI_RES_OBJ)");
        return nullptr;
    }
    if (!CreateImgObjSurface(obj, LO_RES_OBJ)) {
        Fail("CreateImgObjSurface(LO_RES_OBJ)");
        return nullptr;
    }
    return obj->iiRes[HI_RES_OBJ].DDSSurface;
}

// Decodes the photo file into the object.
static int LoadPhoto(IMGOBJ *obj)
{
    const int cursor = PLAT_SetWaitCursor();
    PHOTOINFO info = {};
    int ok = PhotoLoad(obj->pszFullPath, PhotoSurfaces, obj, &info);
    PLAT_RestoreCursor(cursor);
    obj->bIncomplete = ok && info.bIncomplete;
    return ok;
}

// The photo's size becomes the picture's.
static void TakePhotoSize(const IMGOBJ *obj)
{
    gPhotoWidth = obj->iSrcWidth;
    gPhotoHeight = obj->iSrcHeight;
    gPhotoComponents = obj->iSrcComponents;
}

// The photo: loaded, the picture buffer made large enough, the object listed and fitted.
static int AddPhoto(IMGOBJ *obj)
{
    if (!LoadPhoto(obj))
        return 0;
    gModified = 0;
    DeselectAll();
    AO_AddObj(&obj->ao);
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    if (!ScreenResize(nullptr))
        return Fail("ScreenResize()");
    TakePhotoSize(obj);
    if (sNotify.PhotoChanged)
        sNotify.PhotoChanged();
    return 1;
}

// Takes position and exact size from a template object.
static void TakeTemplate(IMGOBJ *obj, const IMGOBJ *tmpl)
{
    obj->ao.x = tmpl->ao.x;
    obj->ao.y = tmpl->ao.y;
    obj->fWidth = tmpl->fWidth;
    obj->fHeight = tmpl->fHeight;
}

// A clip-art or text piece: loaded, selected, rebuilt, listed.
static int AddPiece(IMGOBJ *obj, const void *text, const IMGOBJ *tmpl)
{
    const int isText = obj->iKind == IMG_TEXT;
    // A text piece's bubble is a bitmap of the clip-art folder too.
    if (!ClipArtLoad(obj))
        return Fail(isText ? "JpegLoad() IMG_TEXT failed!" : "BitmapLoad() IMG_OBJ failed!");
    if (isText && text) {
        std::memcpy(&obj->iTextStyle, text, sizeof(obj->iTextStyle));
        const char *s = static_cast<const char *>(text) + sizeof(int32_t);
        std::strncpy(obj->szText, s, sizeof(obj->szText) - 1);
        obj->szText[sizeof(obj->szText) - 1] = '\0';
    }
    if (tmpl)
        TakeTemplate(obj, tmpl);
    DeselectAll();
    SetModified();
    obj->bSelected = 1;
    gSelected = obj;
    if (!UpdateImgObj(obj))
        return Fail(isText ? "UpdateImgText(IMG_TEXT)!" : "UpdateImgObj(IMG_OBJ)!");
    UpdateSelectionState();
    AO_AddObj(&obj->ao);
    return 1;
}

IMGOBJ *IMGOBJ_AddObj(const char *name, int32_t kind, int32_t x, int32_t y, const void *text,
                      const IMGOBJ *tmpl)
{
    IMGOBJ *obj = NewImgObj(x, y, kind);
    if (!obj)
        return nullptr;
    if (!name || !*name) {
        Fail("Not a valid file.");
        Fail("Can't split path.");
        Discard(obj);
        return nullptr;
    }
    // Pieces are found again by this name from layout files: it must fit whole.
    if (kind != IMG_SRC && std::strlen(name) >= sizeof(obj->szFileName)) {
        Fail("File name is too long!");
        Fail("Can't split path.");
        Discard(obj);
        return nullptr;
    }
    if (!StoreName(obj, name)) {
        Discard(obj);
        return nullptr;
    }
    obj->iFileType = FileTypeOf(name);

    int ok;
    switch (kind) {
    case IMG_SRC:
        ok = AddPhoto(obj);
        break;
    case IMG_OBJ:
    case IMG_TEXT:
        ok = AddPiece(obj, text, tmpl);
        break;
    default:
        ok = Fail("IMGOBJ_AddObj: unknown kind");
    }
    if (!ok) {
        Discard(obj); // also unlinks a photo whose refit failed
        return nullptr;
    }
    return obj;
}

IMGOBJ *IMGOBJ_LoadPhoto(const char *path)
{
    IMGOBJ *obj = NewImgObj(0, 0, IMG_SRC);
    if (!obj)
        return nullptr;
    obj->iFileType = FileTypeOf(path);
    if (!StoreName(obj, path) || !LoadPhoto(obj)) {
        Discard(obj);
        return nullptr;
    }
    TakePhotoSize(obj);
    return obj;
}

IMGOBJ *IMGOBJ_AddObjSrcBuf(int32_t width, int32_t height, int32_t components, int filled)
{
    if (!PhotoSizeAllowed(width, height))
        return nullptr;
    IMGOBJ *obj = NewImgObj(0, 0, IMG_SRC);
    if (!obj)
        return nullptr;
    obj->ao.iWidth = obj->ao.rcUpdate[2] = width;
    obj->ao.iHeight = obj->ao.rcUpdate[3] = height;
    std::strcpy(obj->szFileName, "Tempname.jpg");
    obj->iFileType = 1;
    obj->iSrcWidth = width;
    obj->iSrcHeight = height;
    obj->iSrcComponents = components;
    const int cursor = PLAT_SetWaitCursor();
    int ok = 1;
    if (!MakeObjSurface(obj, HI_RES_OBJ, filled))
        ok = Fail("CreateImgObjSurface(HI_RES_OBJ)");
    else if (!CreateImgObjSurface(obj, LO_RES_OBJ))
        ok = Fail("CreateImgObjSurface(LO_RES_OBJ)");
    PLAT_RestoreCursor(cursor);
    if (!ok) {
        Discard(obj);
        return nullptr;
    }
    TakePhotoSize(obj);
    gModified = 0;
    AO_AddObj(&obj->ao);
    return obj;
}

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
    if (obj->ao.iWidth > 0 && obj->ao.iHeight > 0 &&
        !DXStretchBlt(lo, 0, 0, obj->ao.iWidth, obj->ao.iHeight, hi, 0, 0, obj->iSrcWidth,
                      obj->iSrcHeight, DXBLT_OPAQUE))
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
    return Fail(obj->iKind == IMG_OBJ    ? "UpdateImgObj(IMG_OBJ)!"
                : obj->iKind == IMG_TEXT ? "UpdateImgText(IMG_TEXT)!"
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
    const int32_t nw = RoundUp8(side(lo ? lo->iWidth : 0, w < 1 ? 1 : w));
    const int32_t nh = side(lo ? lo->iHeight : 0, h < 1 ? 1 : h);
    obj->iiRes[LO_RES_OBJ].DDSSurface = MakeImageSurface(lo, nw, nh, nw, nh);
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

// ---- Selection and editing ----------------------------------------------------------------------

void DeselectAll()
{
    gDraggingPiece = 0;
    gSelected = nullptr;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (obj->iKind == IMG_SRC)
            continue;
        if (obj->bSelected)
            obj->bNeedsUpdate = 1; // rebuilt at full quality now that it is let go
        obj->bSelected = 0;
    }
    UpdateSelectionState();
}

// The selected piece when it is one of the given kinds, else null.
static IMGOBJ *SelectedOf(int allowText)
{
    IMGOBJ *obj = gSelected;
    if (!obj || !(obj->iKind == IMG_OBJ || (allowText && obj->iKind == IMG_TEXT)))
        return nullptr;
    return obj;
}

int MoveSelected(int32_t dx, int32_t dy)
{
    if (IMGOBJ *obj = SelectedOf(1)) {
        obj->ao.x += dx;
        obj->ao.y += dy;
        SetModified();
    }
    return 1;
}

int ResizeSelected(float dw, float dh)
{
    if (IMGOBJ *obj = SelectedOf(1)) {
        obj->fWidth += dw;
        obj->fHeight += dh;
        if (obj->fWidth > gPictureRect.w)
            obj->fWidth = static_cast<float>(gPictureRect.w);
        if (obj->fHeight > gPictureRect.h)
            obj->fHeight = static_cast<float>(gPictureRect.h);
        if (obj->fWidth < 10.0f)
            obj->fWidth = 10.0f;
        if (obj->fHeight < 10.0f)
            obj->fHeight = 10.0f;
        SetModified();
    }
    return 1;
}

int RotateSelected(int32_t degrees)
{
    if (IMGOBJ *obj = SelectedOf(0)) {
        SetModified();
        int64_t angle = static_cast<int64_t>(obj->iAngle) + degrees;
        if (angle < 0)
            angle = angle % 360 + 360; // −10 → 350, −360 → 360
        else if (angle >= 361)
            angle %= 360; // 370 → 10, 720 → 0; 360 itself stays
        obj->iAngle = static_cast<int32_t>(angle);
    }
    return 1;
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
    if (sNotify.PhotoChanged)
        sNotify.PhotoChanged();
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    return 1;
}
