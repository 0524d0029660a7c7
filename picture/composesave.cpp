// composesave.cpp — the picture composed at full resolution and written to a file, the
// JPEG encoded while the picture is still being composed.
//
// The encoder (a second thread, formats/) reads rows from the top as they become final.
// So the pieces are composed in an order that finishes the picture from the top: at
// each step the piece with the highest top of those that no earlier piece still to come
// overlaps (where two pieces overlap, list order decides, as the plain composition
// has it). Every row above all the pieces still to come is final. A piece draws inside
// its box only, so the picture is the plain composition's, pixel for pixel.
#include <cstring>
#include <new>
#include <vector>

#include "formats/formats.h"
#include "picture/compose.h"
#include "picture/imgobj.h"
#include "picture/picture_local.h"
#include "platform/trail.h"

// The photo's full-resolution image, which the composition takes.
static LPDDS FullPhoto(const IMGOBJ *photo)
{
    return photo->iiRes[HI_RES_OBJ].DDSSurface;
}

namespace
{
// One entry to compose and the rows it may write.
struct STEP {
    IMGOBJ *obj;
    int32_t top, bottom, left, right; // its box, grown by kMargin
    int32_t waitsFor = 0;             // earlier overlapping entries not yet composed
    bool done = false;
};
} // namespace

// Pixels a box is grown by: the rounding of a piece's place at another scale.
constexpr int32_t kMargin = 4;
// Rows of the photo copied between two reports to the encoder.
constexpr int32_t kPhotoBand = 128;

// The entries the composition draws, in list order, each with its box.
static bool ListSteps(std::vector<STEP> *steps, int32_t width, int32_t height, bool withPhoto)
{
    try {
        for (AO *p = gAOList; p; p = p->pNext) {
            if (p->iType != AO_TYPE_IMGOBJ || p->bRemove || p->AnimateProc == AO_DieProc)
                continue;
            IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(p);
            XYWH box = {0, 0, width, height};
            if (obj->iKind == IMG_SRC ? !withPhoto : !COMPOSE_PieceBox(obj, width, height, &box))
                continue;
            steps->push_back({obj, box.y - kMargin, box.y + box.h + kMargin, box.x - kMargin,
                              box.x + box.w + kMargin});
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

static bool Overlap(const STEP &a, const STEP &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The rows above every entry not yet composed.
static int32_t FinalRows(const std::vector<STEP> &steps, int32_t height)
{
    int32_t rows = height;
    for (const STEP &s : steps)
        if (!s.done && s.top < rows)
            rows = s.top;
    return rows < 0 ? 0 : rows;
}

// The photo scaled onto the view; at its own size copied in bands, each reported.
static int ComposePhoto(LPDDS view, const IMGOBJ *photo, int32_t width, int32_t height,
                        int32_t below, JPEGBEHIND *job)
{
    const LPDDS hi = FullPhoto(photo);
    if (width != photo->iSrcWidth || height != photo->iSrcHeight)
        return DXStretchBlt(view, 0, 0, width, height, hi, 0, 0, photo->iSrcWidth,
                            photo->iSrcHeight, DXBLT_OPAQUE);
    for (int32_t y = 0; y < height; y += kPhotoBand) {
        const int32_t n = height - y < kPhotoBand ? height - y : kPhotoBand;
        if (!DXBlt(view, 0, y, width, n, hi, 0, y, DXBLT_OPAQUE))
            return 0;
        if (job)
            JpegBehindRows(job, y + n < below ? y + n : below);
    }
    return 1;
}

// Composes the entries onto `view` from the top down, telling `job` (may be null) the
// final rows after each. 0 with the trail filled.
static int ComposeFromTop(LPDDS view, int32_t width, int32_t height, bool withPhoto,
                          JPEGBEHIND *job)
{
    std::vector<STEP> steps;
    if (!ListSteps(&steps, width, height, withPhoto))
        return Fail("Out of memory");
    const size_t n = steps.size();
    for (size_t i = 0; i < n; i++)
        for (size_t j = i + 1; j < n; j++)
            if (Overlap(steps[i], steps[j]))
                steps[j].waitsFor++;
    for (size_t left = n; left > 0; left--) {
        size_t next = n;
        for (size_t i = 0; i < n; i++)
            if (!steps[i].done && steps[i].waitsFor == 0 &&
                (next == n || steps[i].top < steps[next].top))
                next = i;
        STEP &s = steps[next]; // some entry is always free: the first one left is
        s.done = true;
        for (size_t j = next + 1; j < n; j++)
            if (!steps[j].done && Overlap(s, steps[j]))
                steps[j].waitsFor--;
        const int32_t below = FinalRows(steps, height);
        if (s.obj->iKind == IMG_SRC) {
            if (!ComposePhoto(view, s.obj, width, height, below, job))
                return Fail("DXStretchBlt ! IMG_SRC");
        } else if (!COMPOSE_PieceAt(view, s.obj, width, height, 0, 0)) {
            return 0;
        }
        if (job)
            JpegBehindRows(job, below);
    }
    return 1;
}

int PICTURE_SaveComposed(const char *name, int32_t width, int32_t height, int32_t quality,
                         IMGOBJ *ontoPhoto)
{
    if (!COMPOSE_Prepare(width, height))
        return 0;
    const int32_t type = FileTypeOf(name);
    const bool jpeg = type != FILETYPE_PNG && type != FILETYPE_WEBP;
    LPDDS out = ontoPhoto ? FullPhoto(ontoPhoto) : CreateJpegBuffer2(width, height, 3);
    if (!out)
        return Fail("CreateJpegBuffer2() !");
    // Through a view exactly width × height, so a piece over an edge is cut there and the
    // row padding stays as it is.
    LPDDS view = DXCreateSurfaceOver(out->pBits, width, height, out->iPitch);
    JPEGBEHIND *job = nullptr;
    int result = view ? 1 : Fail("CreateJpegBuffer2() !");
    if (result && jpeg) {
        job = JpegBehindStart(name, out->pBits, static_cast<size_t>(out->iPitch), width, height,
                              quality);
        result = job ? 1 : PICTURE_SAVE_FAILED;
    }
    if (result == 1) {
        gComposeAlone = job != nullptr; // the encoder has the other core
        result = ComposeFromTop(view, width, height, ontoPhoto == nullptr, job);
        gComposeAlone = 0;
    }
    if (job && !JpegBehindFinish(job, result == 1, name))
        result = result == 1 ? PICTURE_SAVE_FAILED : result;
    if (result == 1 && !jpeg &&
        !PictureSaveRows(out->pBits, static_cast<size_t>(out->iPitch), name, width, height,
                         quality))
        result = PICTURE_SAVE_FAILED;
    DXReleaseSurface(view);
    if (!ontoPhoto)
        ReleaseJpegBuffer2(out);
    return result;
}
