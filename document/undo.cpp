// undo.cpp — the edit history (see undo.h).
#include "document/undo.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "picture/ao.h"
#include "picture/caption.h"
#include "picture/crop.h"
#include "picture/imgobj.h"
#include "pixels/pixels.h"
#include "platform/platform.h"
#include "platform/trail.h"

namespace
{

// A piece as the history keeps it: what rebuilds it from its file and places it. Place
// and size are kept in picture widths and heights from the picture rectangle's corner:
// the window may be resized between a change and its undo, and the pieces follow the
// picture, not the window.
struct PIECESTATE {
    int32_t iId;
    int32_t iKind;
    char szFileName[128];
    double x, y;
    double fWidth, fHeight;
    int32_t iAngle, bFlipH, bFlipV;
    int32_t iTextStyle; // with szText: the piece's text description
    char szText[204];
    // A caption's whole text and style (szText holds only its beginning).
    std::string caption;
    CAPTIONSTYLE captionStyle;
};

struct CHANGE {
    std::optional<PIECESTATE> before, after; // none: the piece did not exist
};

// A cut of the photo: the rectangle, the whole size before it, and while the cut is done
// the whole image as it was (while it is undone the photo holds that image itself).
struct CROP {
    int32_t x, y, w, h;
    int32_t iFullWidth, iFullHeight;
    std::shared_ptr<DDSURFACE> kept;
};

std::shared_ptr<DDSURFACE> Keep(LPDDS surface)
{
    return std::shared_ptr<DDSURFACE>(surface, DXReleaseSurface);
}

struct STEP {
    int32_t iTag = 0;
    uint32_t dwBegin = 0, dwEnd = 0;
    int32_t iPhotoTurn = 0; // 90 or 270 when the step turned the photo
    std::optional<CROP> crop;
    std::vector<CHANGE> changes;
    std::vector<int32_t> orderBefore, orderAfter; // piece ids back to front, when it changed
};

std::deque<STEP> sSteps;
size_t sPosition;   // steps before it are done, from it on undone
int64_t sSaved;     // the position of the saved state, -1 when no step leads back to it
bool sOpen;         // a change is under way
int32_t sOpenTag;   //   its tag
uint32_t sOpenTime; //   when it began
std::vector<PIECESTATE> sOpenPieces; // the pieces when it began
int32_t sOpenTurn;                   // the photo turn made during it
std::optional<CROP> sOpenCrop;       // the cut of the photo made during it
bool sApplying;                      // undo or redo at work: their own changes are not recorded
bool sResumeDrag;                    // a change interrupted a drag, which goes on after it
void (*sChanged)();                  // told when what can be undone or redone may have changed

void Changed()
{
    if (sChanged)
        sChanged();
}

bool IsPiece(AO *e)
{
    if (e->iType != AO_TYPE_IMGOBJ || e->bRemove || e->AnimateProc != IMGOBJ_AnimateProc)
        return false;
    const int32_t kind = reinterpret_cast<IMGOBJ *>(e)->iKind;
    return kind == IMG_OBJ || kind == IMG_TEXT || kind == IMG_CAPTION;
}

// The picture rectangle's width and height, never 0.
double PictureW()
{
    return gPictureRect.w > 0 ? gPictureRect.w : 1;
}

double PictureH()
{
    return gPictureRect.h > 0 ? gPictureRect.h : 1;
}

PIECESTATE StateOf(const IMGOBJ *obj)
{
    PIECESTATE s{};
    s.iId = obj->iPieceId;
    s.iKind = obj->iKind;
    std::memcpy(s.szFileName, obj->szFileName, sizeof s.szFileName);
    s.szFileName[sizeof s.szFileName - 1] = '\0';
    s.x = (obj->ao.x - gPictureRect.x) / PictureW();
    s.y = (obj->ao.y - gPictureRect.y) / PictureH();
    s.fWidth = obj->fWidth / PictureW();
    s.fHeight = obj->fHeight / PictureH();
    s.iAngle = obj->iAngle;
    s.bFlipH = obj->bFlipH;
    s.bFlipV = obj->bFlipV;
    s.iTextStyle = obj->iTextStyle;
    std::memcpy(s.szText, obj->szText, sizeof s.szText);
    s.szText[sizeof s.szText - 1] = '\0';
    if (obj->iKind == IMG_CAPTION && obj->pCaption) {
        s.caption = obj->pCaption->text;
        s.captionStyle = obj->pCaption->style;
    }
    return s;
}

bool Same(const PIECESTATE &a, const PIECESTATE &b)
{
    return a.iId == b.iId && a.iKind == b.iKind && std::strcmp(a.szFileName, b.szFileName) == 0 &&
           a.x == b.x && a.y == b.y && a.fWidth == b.fWidth && a.fHeight == b.fHeight &&
           a.iAngle == b.iAngle && a.bFlipH == b.bFlipH && a.bFlipV == b.bFlipV &&
           a.iTextStyle == b.iTextStyle && std::strcmp(a.szText, b.szText) == 0 &&
           a.caption == b.caption &&
           std::memcmp(&a.captionStyle, &b.captionStyle, sizeof a.captionStyle) == 0;
}

std::vector<PIECESTATE> Pieces()
{
    std::vector<PIECESTATE> out;
    for (AO *e = gAOList; e; e = e->pNext)
        if (IsPiece(e))
            out.push_back(StateOf(reinterpret_cast<IMGOBJ *>(e)));
    return out;
}

std::vector<int32_t> Order(const std::vector<PIECESTATE> &pieces)
{
    std::vector<int32_t> ids;
    for (const PIECESTATE &p : pieces)
        ids.push_back(p.iId);
    return ids;
}

const PIECESTATE *Find(const std::vector<PIECESTATE> &pieces, int32_t id)
{
    for (const PIECESTATE &p : pieces)
        if (p.iId == id)
            return &p;
    return nullptr;
}

IMGOBJ *FindPiece(int32_t id)
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (IsPiece(e) && reinterpret_cast<IMGOBJ *>(e)->iPieceId == id)
            return reinterpret_cast<IMGOBJ *>(e);
    return nullptr;
}

// The difference between two lists of pieces as a step.
STEP Difference(const std::vector<PIECESTATE> &before, const std::vector<PIECESTATE> &after)
{
    STEP step;
    for (const PIECESTATE &b : before) {
        const PIECESTATE *a = Find(after, b.iId);
        if (!a)
            step.changes.push_back({b, std::nullopt});
        else if (!Same(b, *a))
            step.changes.push_back({b, *a});
    }
    for (const PIECESTATE &a : after)
        if (!Find(before, a.iId))
            step.changes.push_back({std::nullopt, a});
    // The stacking changed when the pieces present on both sides come in another order,
    // or when a piece came or went (it must come back at its place).
    std::vector<int32_t> common, commonAfter;
    for (const PIECESTATE &b : before)
        if (Find(after, b.iId))
            common.push_back(b.iId);
    for (const PIECESTATE &a : after)
        if (Find(before, a.iId))
            commonAfter.push_back(a.iId);
    if (common != commonAfter || before.size() != common.size() || after.size() != common.size()) {
        step.orderBefore = Order(before);
        step.orderAfter = Order(after);
    }
    return step;
}

void Place(IMGOBJ *obj, const PIECESTATE &s)
{
    // In the same picture rectangle these give back the very pixels and sizes kept.
    obj->ao.x = obj->xAnchor = gPictureRect.x + static_cast<int32_t>(std::lround(s.x * PictureW()));
    obj->ao.y = obj->yAnchor = gPictureRect.y + static_cast<int32_t>(std::lround(s.y * PictureH()));
    obj->fWidth = static_cast<float>(s.fWidth * PictureW());
    obj->fHeight = static_cast<float>(s.fHeight * PictureH());
    obj->ao.iWidth = static_cast<int32_t>(obj->fWidth);
    obj->ao.iHeight = static_cast<int32_t>(obj->fHeight);
    obj->iAngle = s.iAngle;
    obj->bFlipH = s.bFlipH;
    obj->bFlipV = s.bFlipV;
    obj->iTextStyle = s.iTextStyle;
    std::memcpy(obj->szText, s.szText, sizeof obj->szText);
    if (obj->iKind == IMG_CAPTION && obj->pCaption) {
        obj->pCaption->text = s.caption;
        obj->pCaption->style = s.captionStyle;
    }
    obj->bPlaced = 0; // measured anew against the picture rectangle
    obj->bNeedsUpdate = 1;
}

// A new piece made from a kept state: loaded from its file, selected and placed; it has an
// id of its own. Null with the trail filled.
IMGOBJ *Rebuild(const PIECESTATE &s)
{
    char text[4 + sizeof s.szText];
    std::memcpy(text, &s.iTextStyle, 4);
    std::memcpy(text + 4, s.szText, sizeof s.szText);
    const CAPTIONDESC caption = {s.captionStyle, s.caption.data(), s.caption.size()};
    const void *desc = s.iKind == IMG_TEXT      ? static_cast<const void *>(text)
                       : s.iKind == IMG_CAPTION ? &caption
                                                : nullptr;
    IMGOBJ *obj = IMGOBJ_AddObj(s.szFileName, s.iKind, 0, 0, desc, nullptr);
    if (!obj) {
        Fail(s.szFileName);
        Fail("A piece could not be rebuilt from its file.");
        return nullptr;
    }
    Place(obj, s);
    return obj;
}

// Brings a piece to the given state: rebuilt from its file, removed or changed.
IMGOBJ *Bring(int32_t id, const std::optional<PIECESTATE> &to, int *ok)
{
    IMGOBJ *obj = FindPiece(id);
    if (!to) {
        if (obj) {
            if (gSelected == obj)
                gSelected = nullptr;
            obj->bSelected = 0;
            obj->ao.bRemove = 1;
        }
        return nullptr;
    }
    if (!obj) {
        obj = Rebuild(*to);
        if (!obj) {
            *ok = 0;
            return nullptr;
        }
        obj->iPieceId = id;
        return obj;
    }
    Place(obj, *to);
    return obj;
}

// Restacks the pieces named in ids in that order (pieces not named keep their places).
void Restack(const std::vector<int32_t> &ids)
{
    std::vector<IMGOBJ *> now;
    for (AO *e = gAOList; e; e = e->pNext)
        if (IsPiece(e))
            now.push_back(reinterpret_cast<IMGOBJ *>(e));
    size_t i = 0;
    for (int32_t id : ids) {
        size_t j = i;
        while (j < now.size() && now[j]->iPieceId != id)
            j++;
        if (j == now.size())
            continue; // gone (could not be rebuilt)
        if (j != i) {
            AO_SwapObj(&now[i]->ao, &now[j]->ao);
            std::swap(now[i], now[j]);
        }
        i++;
    }
}

void Select(IMGOBJ *obj)
{
    DeselectAll();
    if (obj) {
        obj->bSelected = 1;
        gSelected = obj;
        UpdateSelectionState();
    }
}

void FollowSaved()
{
    if (sSaved >= 0 && static_cast<size_t>(sSaved) == sPosition) {
        gModified = 0;
    } else {
        gModified = 0; // so that the window hears of it
        SetModified();
    }
}

// Undoes or redoes a step's cut of the photo.
int ApplyCrop(CROP &crop, bool undo)
{
    if (undo) {
        if (!crop.kept ||
            !PhotoUncrop(crop.kept.get(), crop.iFullWidth, crop.iFullHeight, crop.x, crop.y))
            return Fail("The photo could not be given back its cut-away parts.");
        crop.kept.reset(); // the photo holds the whole image again
        return 1;
    }
    LPDDS kept = PhotoCrop(crop.x, crop.y, crop.w, crop.h);
    if (!kept)
        return Fail("The photo could not be cropped again.");
    crop.kept = Keep(kept);
    return 1;
}

int Apply(STEP &step, bool undo)
{
    sApplying = true;
    int ok = 1;
    if (step.crop && !ApplyCrop(*step.crop, undo))
        ok = 0;
    if (step.iPhotoTurn && undo && !PhotoRotate(360 - step.iPhotoTurn))
        ok = Fail("The photo could not be turned back.");
    if (step.iPhotoTurn && !undo && !PhotoRotate(step.iPhotoTurn))
        ok = Fail("The photo could not be turned again.");
    IMGOBJ *last = nullptr;
    for (const CHANGE &c : step.changes) {
        const std::optional<PIECESTATE> &to = undo ? c.before : c.after;
        const int32_t id = c.before ? c.before->iId : c.after->iId;
        if (IMGOBJ *obj = Bring(id, to, &ok))
            last = obj;
    }
    const std::vector<int32_t> &order = undo ? step.orderBefore : step.orderAfter;
    if (!order.empty())
        Restack(order);
    if (!step.changes.empty())
        Select(last);
    sApplying = false;
    return ok;
}

// Joins a run's step to the one before it when it continues it.
bool JoinsPrevious(const STEP &step)
{
    if (step.iTag < CHANGE_BUTTON && step.iTag != CHANGE_WHEEL)
        return false;
    if (sPosition == 0 || sPosition != sSteps.size() ||
        (sSaved >= 0 && static_cast<size_t>(sSaved) == sPosition))
        return false;
    const STEP &prev = sSteps.back();
    return prev.iTag == step.iTag && step.dwBegin - prev.dwEnd <= UNDO_RUN_GAP_MS &&
           prev.changes.size() == 1 && step.changes.size() == 1 && prev.changes[0].after &&
           step.changes[0].before && step.changes[0].after && prev.orderAfter.empty() &&
           step.orderAfter.empty() && prev.changes[0].after->iId == step.changes[0].before->iId;
}

uint32_t sGeneration;

void Push(STEP step)
{
    sGeneration++;
    if (JoinsPrevious(step)) {
        sSteps.back().changes[0].after = step.changes[0].after;
        sSteps.back().dwEnd = step.dwEnd;
        return;
    }
    sSteps.erase(sSteps.begin() + static_cast<std::ptrdiff_t>(sPosition), sSteps.end());
    if (sSaved > static_cast<int64_t>(sPosition))
        sSaved = -1; // the saved state was among the steps undone: no way back to it now
    sSteps.push_back(std::move(step));
    sPosition++;
    // Each cut keeps a whole photo: beyond UNDO_MAX_KEPT_PHOTOS of them the oldest steps go.
    auto keptPhotos = [] {
        int n = 0;
        for (const STEP &s : sSteps)
            n += s.crop && s.crop->kept;
        return n;
    };
    while (keptPhotos() > UNDO_MAX_KEPT_PHOTOS ||
           sSteps.size() > static_cast<size_t>(UNDO_MAX_STEPS)) {
        sSteps.pop_front();
        sPosition--;
        sSaved = sSaved > 0 ? sSaved - 1 : -1;
    }
    Changed();
}

void Begin(int32_t tag);

void End(int32_t tag)
{
    if (!sOpen || sOpenTag != tag || sApplying)
        return;
    sOpen = false;
    STEP step = Difference(sOpenPieces, Pieces());
    sOpenPieces.clear();
    step.iTag = tag;
    step.iPhotoTurn = sOpenTurn;
    step.crop = std::move(sOpenCrop);
    sOpenCrop.reset();
    step.dwBegin = sOpenTime;
    step.dwEnd = PLAT_Milliseconds();
    if (!step.changes.empty() || !step.orderAfter.empty() || step.iPhotoTurn || step.crop)
        Push(std::move(step));
    // The rest of a drag that a key or a menu command interrupted is a change of its own.
    if (tag != CHANGE_DRAG && sResumeDrag) {
        sResumeDrag = false;
        if (gDraggingPiece)
            Begin(CHANGE_DRAG);
    }
}

void Begin(int32_t tag)
{
    if (sApplying || (sOpen && sOpenTag == tag))
        return;
    const bool dragging = sOpen && sOpenTag == CHANGE_DRAG;
    if (sOpen)
        End(sOpenTag);
    sResumeDrag = dragging;
    sOpen = true;
    sOpenTag = tag;
    sOpenTime = PLAT_Milliseconds();
    sOpenTurn = 0;
    sOpenCrop.reset();
    sOpenPieces = Pieces();
}

size_t StateBytes(const std::optional<PIECESTATE> &s)
{
    return s ? sizeof(PIECESTATE) + s->caption.capacity() : 0;
}

} // namespace

void UNDO_Init(void (*changed)())
{
    sChanged = changed;
    UNDO_Clear();
}

void UNDO_Shutdown()
{
    UNDO_Clear();
    sChanged = nullptr;
}

void UNDO_ChangeBegin(int32_t tag)
{
    Begin(tag);
}

void UNDO_ChangeEnd(int32_t tag)
{
    End(tag);
}

uint32_t UNDO_Generation()
{
    return sGeneration;
}

void UNDO_Clear()
{
    sGeneration++;
    sSteps.clear();
    sPosition = 0;
    sSaved = 0;
    sOpen = sResumeDrag = false;
    sOpenPieces.clear();
    sOpenCrop.reset();
    Changed();
}

void UNDO_MarkSaved()
{
    const bool dragging = sOpen && sOpenTag == CHANGE_DRAG;
    if (sOpen)
        End(sOpenTag);
    sSaved = static_cast<int64_t>(sPosition);
    if (dragging && gDraggingPiece)
        Begin(CHANGE_DRAG); // the rest of a drag saved on the way is a change after the save
}

void UNDO_ForgetSaved()
{
    sSaved = -1;
}

int UNDO_CanUndo()
{
    return sPosition > 0 ? 1 : 0;
}

int UNDO_CanRedo()
{
    return sPosition < sSteps.size() ? 1 : 0;
}

int UNDO_Undo()
{
    if (sOpen)
        End(sOpenTag); // a change under way is finished first
    if (!UNDO_CanUndo())
        return Fail("Nothing to undo.");
    sPosition--;
    sGeneration++;
    const int ok = Apply(sSteps[sPosition], true);
    FollowSaved();
    Changed();
    return ok;
}

int UNDO_Redo()
{
    if (sOpen)
        End(sOpenTag);
    if (!UNDO_CanRedo())
        return Fail("Nothing to redo.");
    const int ok = Apply(sSteps[sPosition], false);
    sPosition++;
    sGeneration++;
    FollowSaved();
    Changed();
    return ok;
}

int UNDO_PhotoRotate(int32_t angle)
{
    Begin(CHANGE_PHOTOTURN);
    const int ok = PhotoRotate(angle);
    if (ok && sOpen && sOpenTag == CHANGE_PHOTOTURN)
        sOpenTurn = angle == 90 || angle == 180 || angle == 270 ? angle : 0;
    End(CHANGE_PHOTOTURN);
    return ok;
}

int UNDO_PhotoCrop(int32_t x, int32_t y, int32_t width, int32_t height)
{
    Begin(CHANGE_CROP);
    const int32_t fullW = gPhotoWidth, fullH = gPhotoHeight;
    LPDDS kept = PhotoCrop(x, y, width, height);
    if (kept) {
        if (sOpen && sOpenTag == CHANGE_CROP)
            sOpenCrop = CROP{x, y, width, height, fullW, fullH, Keep(kept)};
        else
            DXReleaseSurface(kept); // undo or redo at work: never here
        SetModified();
    }
    End(CHANGE_CROP);
    return kept != nullptr;
}

int32_t UNDO_StepCount()
{
    return static_cast<int32_t>(sSteps.size());
}

size_t UNDO_Bytes()
{
    size_t bytes = 0;
    for (const STEP &s : sSteps) {
        bytes += sizeof(STEP) + (s.orderBefore.size() + s.orderAfter.size()) * sizeof(int32_t);
        for (const CHANGE &c : s.changes)
            bytes += sizeof(CHANGE) + StateBytes(c.before) + StateBytes(c.after);
        if (s.crop && s.crop->kept)
            bytes += static_cast<size_t>(s.crop->kept->iPitch) * s.crop->kept->iHeight;
    }
    return bytes;
}

int UNDO_DuplicateSelected(int32_t dx, int32_t dy)
{
    if (!gSelected || !IsPiece(&gSelected->ao))
        return Fail("No piece is selected.");
    PIECESTATE copy = StateOf(gSelected);
    copy.x += dx / PictureW();
    copy.y += dy / PictureH();
    PICTURE_ChangeBegin(CHANGE_ADD);
    IMGOBJ *obj = Rebuild(copy);
    PICTURE_ChangeEnd(CHANGE_ADD);
    return obj != nullptr;
}
