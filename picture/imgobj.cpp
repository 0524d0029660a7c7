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
#include <sys/stat.h>

#include "clipart/artcache.h"
#include "clipart/lookup.h"
#include "formats/formats.h"
#include "picture/caption.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/picture_local.h"
#include "picture/text.h"
#include "platform/file.h"
#include "platform/memory.h"
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

void PICTURE_ChangeBegin(int32_t tag)
{
    if (sNotify.ChangeBegin)
        sNotify.ChangeBegin(tag);
}

void PICTURE_ChangeEnd(int32_t tag)
{
    if (sNotify.ChangeEnd)
        sNotify.ChangeEnd(tag);
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

void PICTURE_PhotoChanged()
{
    if (sNotify.PhotoChanged)
        sNotify.PhotoChanged();
}

// ---- Small helpers ------------------------------------------------------------------------

int32_t IMGOBJ_RoundUp8(int32_t n)
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

// Lets go of the piece's alpha pixels: its own are freed, shared ones released.
static void ReleaseArt(IMGOBJ *obj)
{
    if (obj->pArt)
        ClipArt_ReleaseImage(obj->pArt);
    else
        PLAT_PixelsFree(obj->pArtBgra);
    obj->pArt = nullptr;
    obj->pArtBgra = nullptr;
}

void IMGOBJ_ReleaseOwned(IMGOBJ *obj)
{
    // A decode behind the photo stops before its surface goes.
    if (obj->pFullJob)
        JpegFullFinish(obj->pFullJob, 1);
    obj->pFullJob = nullptr;
    DXReleaseSurface(obj->pFullSurface);
    obj->pFullSurface = nullptr;
    for (IMGRES &res : obj->iiRes) {
        if (res.DDSSurface) {
            DXReleaseSurface(res.DDSSurface);
            res.DDSSurface = nullptr;
        }
    }
    std::free(obj->pszFullPath);
    obj->pszFullPath = nullptr;
    ReleaseArt(obj);
    CAPTION_Release(obj);
}

// ---- Surfaces and the picture buffer --------------------------------------------------------

LPDDS IMGOBJ_MakeSurface(LPDDS old, int32_t width, int32_t height, int32_t keepW, int32_t keepH)
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

// A photo's image number, new each time its full image is made: the autosave knows by it
// whether the photo rows it wrote are still the photo's.
static uint32_t NewImageSerial()
{
    static uint32_t serial;
    return ++serial;
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
        LPDDS s = IMGOBJ_MakeSurface(obj->iiRes[index].DDSSurface, IMGOBJ_RoundUp8(srcW), srcH);
        obj->iiRes[index].DDSSurface = s;
        return s != nullptr;
    }
    // A piece's screen image is drawn whole before it is shown and grows with the piece
    // (FitScreenSurface): it starts small and uncleared.
    if (index == LO_RES_OBJ && obj->iKind != IMG_SRC) {
        LPDDS s = IMGOBJ_MakeSurface(obj->iiRes[index].DDSSurface, 8, 8, 8, 8);
        obj->iiRes[index].DDSSurface = s;
        return s != nullptr;
    }
    if (obj->iKind == IMG_SRC && index == HI_RES_OBJ)
        obj->dwImageSerial = NewImageSerial(); // its pixels are about to be written
    int32_t w = IMGOBJ_RoundUp8(srcW);
    if (IMGOBJ_RoundUp8(gPictureRect.w) > w)
        w = IMGOBJ_RoundUp8(gPictureRect.w);
    if (w < 1280)
        w = 1280;
    int32_t h = srcH > gPictureRect.h ? srcH : gPictureRect.h;
    if (h < 1024)
        h = 1024;
    // The photo's screen image is drawn over the picture rectangle before it is shown:
    // not cleared either.
    const int32_t keepW = screenPhoto ? w : filled ? srcW : 0;
    const int32_t keepH = screenPhoto ? h : filled ? srcH : 0;
    LPDDS s = IMGOBJ_MakeSurface(obj->iiRes[index].DDSSurface, w, h, keepW, keepH);
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
    // The decoded artwork is shared with every other piece of that file: this piece's
    // surface only points at its rows, which nothing writes.
    const CLIPART_IMAGE *art = ClipArt_AcquireImage(obj->szFileName);
    if (!art)
        return Fail("LoadImage() !");
    if (!PhotoSizeAllowed(art->iWidth, art->iHeight)) {
        ClipArt_ReleaseImage(art);
        return Fail("LoadImage() !");
    }
    LPDDS hi = DXCreateSurfaceOver(art->pBits, art->iWidth, art->iHeight, art->iPitch);
    if (!hi) {
        ClipArt_ReleaseImage(art);
        return Fail("CreateImgObjSurface(HI_RES_OBJ)");
    }
    obj->iSrcWidth = art->iWidth;
    obj->iSrcHeight = art->iHeight;
    obj->iSrcComponents = 3;
    DXReleaseSurface(obj->iiRes[HI_RES_OBJ].DDSSurface);
    obj->iiRes[HI_RES_OBJ].DDSSurface = hi; // white-keyed as made
    ReleaseArt(obj);
    obj->pArt = art;
    obj->pArtBgra = art->pBgra;
    if (!CreateImgObjSurface(obj, LO_RES_OBJ))
        return Fail("CreateImgObjSurface(LO_RES_OBJ)");
    FirstSizeAndPlace(obj);
    return 1;
}

// ---- Creation -----------------------------------------------------------------------------------

// The photo decoders' target: the object's two surfaces, made for the photo's size. A
// photo decoded smaller goes into a surface of its own, shown until the full one is decoded.
static LPDDS PhotoSurfaces(void *context, const PHOTOINFO *info)
{
    IMGOBJ *obj = static_cast<IMGOBJ *>(context);
    const bool smaller = info->iFullWidth > info->iWidth || info->iFullHeight > info->iHeight;
    obj->iSrcWidth = smaller ? info->iFullWidth : info->iWidth;
    obj->iSrcHeight = smaller ? info->iFullHeight : info->iHeight;
    obj->iSrcComponents = info->iComponents;
    if (!MakeObjSurface(obj, HI_RES_OBJ, info->bFillsAll)) {
        Fail("CreateImgObjSurface(HI_RES_OBJ)");
        return nullptr;
    }
    if (!CreateImgObjSurface(obj, LO_RES_OBJ)) {
        Fail("CreateImgObjSurface(LO_RES_OBJ)");
        return nullptr;
    }
    if (!smaller)
        return obj->iiRes[HI_RES_OBJ].DDSSurface;
    LPDDS shown = IMGOBJ_MakeSurface(nullptr, IMGOBJ_RoundUp8(info->iWidth), info->iHeight,
                                     info->iWidth, info->iHeight);
    if (!shown) {
        Fail("CreateImgObjSurface(HI_RES_OBJ)");
        return nullptr;
    }
    obj->pFullSurface = obj->iiRes[HI_RES_OBJ].DDSSurface;
    obj->iiRes[HI_RES_OBJ].DDSSurface = shown;
    obj->iShownWidth = info->iWidth;
    obj->iShownHeight = info->iHeight;
    return shown;
}

static int LoadPhoto(IMGOBJ *obj);

// The largest the window shows the photo: its drawing area in device pixels.
static void ScreenFit(int32_t *width, int32_t *height)
{
    const double scale = PICTURE_DeviceScale();
    *width = static_cast<int32_t>(std::ceil(gScreenWidth * scale));
    *height = static_cast<int32_t>(std::ceil(gScreenHeight * scale));
}

// A JPEG for the window: decoded at screen size, its full resolution started behind it.
static int LoadPhotoForWindow(IMGOBJ *obj)
{
    if (obj->iFileType != FILETYPE_JPEG)
        return LoadPhoto(obj);
    const int cursor = PLAT_SetWaitCursor();
    PHOTOINFO info = {};
    int32_t fitW, fitH;
    ScreenFit(&fitW, &fitH);
    int fd = -1;
    int ok = JpegLoadScaled(obj->pszFullPath, fitW, fitH, PhotoSurfaces, obj, &info, &fd);
    if (ok && fd >= 0) {
        obj->pFullJob = JpegFullStart(fd, obj->pFullSurface, obj->iSrcWidth, obj->iSrcHeight);
        ok = obj->pFullJob != nullptr;
    }
    PLAT_RestoreCursor(cursor);
    obj->bIncomplete = ok && info.bIncomplete;
    return ok || Fail("JpegLoad() failed!");
}

void IMGOBJ_HiSize(const IMGOBJ *obj, int32_t *width, int32_t *height)
{
    const bool shown = obj->iShownWidth > 0;
    *width = shown ? obj->iShownWidth : obj->iSrcWidth;
    *height = shown ? obj->iShownHeight : obj->iSrcHeight;
}

int WaitForFullPhoto()
{
    int ok = 1;
    for (AO *e = gAOList; e; e = e->pNext) {
        if (e->iType != AO_TYPE_IMGOBJ)
            continue;
        IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(e);
        if (obj->iKind != IMG_SRC || obj->iShownWidth <= 0 || e->bRemove ||
            e->AnimateProc == AO_DieProc) // a photo on its way out is not waited for
            continue;
        if (!obj->pFullJob) { // its decode failed earlier
            ok = Failf("%s could not be read whole.", obj->pszFullPath);
            continue;
        }
        const bool waits = !JpegFullDone(obj->pFullJob);
        const int cursor = waits ? PLAT_SetWaitCursor() : 0;
        const int whole = JpegFullFinish(obj->pFullJob, 0);
        obj->pFullJob = nullptr;
        if (waits)
            PLAT_RestoreCursor(cursor);
        if (!whole) {
            DXReleaseSurface(obj->pFullSurface);
            obj->pFullSurface = nullptr;
            ok = Failf("%s could not be read whole.", obj->pszFullPath);
            continue;
        }
        DXReleaseSurface(obj->iiRes[HI_RES_OBJ].DDSSurface);
        obj->iiRes[HI_RES_OBJ].DDSSurface = obj->pFullSurface;
        obj->pFullSurface = nullptr;
        obj->iShownWidth = obj->iShownHeight = 0;
        obj->dwImageSerial = NewImageSerial(); // other pixels than the screen-sized ones
        obj->bNeedsUpdate = 1;                 // the screen image again, from the whole photo
        AO_PictureChanged();
    }
    return ok;
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
    if (!LoadPhotoForWindow(obj))
        return 0;
    gModified = 0;
    DeselectAll();
    AO_AddObj(&obj->ao);
    PLAT_InvalidateWindow(0, 0, gScreenWidth, gScreenHeight);
    if (!ScreenResize(nullptr))
        return Fail("ScreenResize()");
    TakePhotoSize(obj);
    PICTURE_PhotoChanged();
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
    case IMG_CAPTION:
        ok = CAPTION_AddPiece(obj, static_cast<const CAPTIONDESC *>(text), tmpl);
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
    if (!obj || !(obj->iKind == IMG_OBJ || obj->iKind == IMG_CAPTION ||
                  (allowText && obj->iKind == IMG_TEXT)))
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
