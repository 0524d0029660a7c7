// captionobj.cpp — the caption as a piece of the picture: creation, its screen image,
// its place in the export. Drawing itself is caption.cpp's.
// Depends on: picture/imgobj.h (pieces, selection), pixels/ (surfaces, rotated sizes).
#include <cmath>
#include <cstring>
#include <new>

#include "picture/caption.h"
#include "picture/picture_local.h"
#include "platform/trail.h"

namespace
{

// The letter size a new caption gets when none is asked for: a tenth of the picture's height.
float DefaultLetterPx()
{
    return gPictureRect.h > 0 ? gPictureRect.h / 10.0f : 40.0f;
}

// The box for the caption at letterPx, no larger than the picture rectangle (the letters
// shrink with it, proportions kept) and at least 10 pixels each way.
void SizeBox(IMGOBJ *obj, float letterPx)
{
    float w = 0, h = 0;
    CAPTION_NaturalSize(*obj->pCaption, letterPx, &w, &h);
    const float maxW = gPictureRect.w > 0 ? static_cast<float>(gPictureRect.w) : w;
    const float maxH = gPictureRect.h > 0 ? static_cast<float>(gPictureRect.h) : h;
    if (w > maxW || h > maxH) {
        const float k = std::min(maxW / w, maxH / h);
        w *= k, h *= k;
    }
    obj->fWidth = std::max(10.0f, std::floor(w));
    obj->fHeight = std::max(10.0f, std::floor(h));
    obj->ao.iWidth = static_cast<int32_t>(obj->fWidth);
    obj->ao.iHeight = static_cast<int32_t>(obj->fHeight);
}

// A short plain view of the text in szText (the edit history and the status compare it).
void KeepPreview(IMGOBJ *obj)
{
    const std::string &t = obj->pCaption->text;
    size_t n = std::min(t.size(), sizeof obj->szText - 1);
    while (n > 0 && n < t.size() && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80)
        n--;
    std::memset(obj->szText, 0, sizeof obj->szText);
    std::memcpy(obj->szText, t.data(), n);
    obj->iTextStyle = 0;
}

bool SameStyle(const CAPTIONSTYLE &a, const CAPTIONSTYLE &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

int CAPTION_AddPiece(IMGOBJ *obj, const CAPTIONDESC *desc, const IMGOBJ *tmpl)
{
    obj->pCaption = new (std::nothrow) CAPTION;
    if (!obj->pCaption)
        return Fail("No IMGOBJ mem");
    const bool copy = tmpl && tmpl->iKind == IMG_CAPTION && tmpl->pCaption;
    if (copy) {
        obj->pCaption->style = tmpl->pCaption->style;
        obj->pCaption->text = tmpl->pCaption->text;
    } else if (desc) {
        obj->pCaption->style = CAPTION_CleanStyle(desc->style);
        obj->pCaption->text =
            CAPTION_CleanText(desc->pszText ? desc->pszText : "", desc->pszText ? desc->cbText : 0);
    } else {
        obj->pCaption->style = CAPTION_DefaultStyle();
    }
    KeepPreview(obj);
    obj->iSrcWidth = obj->iSrcHeight = 0;
    obj->iSrcComponents = 3;
    if (tmpl) {
        obj->ao.x = tmpl->ao.x;
        obj->ao.y = tmpl->ao.y;
        obj->fWidth = tmpl->fWidth;
        obj->fHeight = tmpl->fHeight;
        if (copy) {
            obj->iAngle = tmpl->iAngle;
            obj->bFlipH = tmpl->bFlipH;
            obj->bFlipV = tmpl->bFlipV;
        }
    } else {
        SizeBox(obj, desc && desc->fLetterPx > 0 ? desc->fLetterPx : DefaultLetterPx());
        obj->ao.x = gPictureRect.x + (gPictureRect.w - obj->ao.iWidth) / 2;
        obj->ao.y = gPictureRect.y + (gPictureRect.h - obj->ao.iHeight) / 2;
    }
    obj->xAnchor = obj->ao.x;
    obj->yAnchor = obj->ao.y;
    obj->rcRotated[0] = obj->ao.x, obj->rcRotated[1] = obj->ao.y;
    obj->rcRotated[2] = static_cast<int32_t>(obj->fWidth);
    obj->rcRotated[3] = static_cast<int32_t>(obj->fHeight);
    DeselectAll();
    SetModified();
    obj->bSelected = 1;
    gSelected = obj;
    if (!UpdateImgObj(obj))
        return Fail("UpdateImgObj(IMG_CAPTION)!");
    UpdateSelectionState();
    AO_AddObj(&obj->ao);
    return 1;
}

float CAPTION_LetterPx(const IMGOBJ *obj)
{
    if (!obj || obj->iKind != IMG_CAPTION || !obj->pCaption)
        return 0;
    float w = 0, h = 0;
    constexpr float kRef = 100.0f;
    CAPTION_NaturalSize(*obj->pCaption, kRef, &w, &h);
    if (w <= 0 || h <= 0)
        return 0;
    return kRef * std::min(obj->fWidth / w, obj->fHeight / h);
}

int CAPTION_Change(IMGOBJ *obj, const CAPTIONDESC &desc)
{
    if (!obj || obj->iKind != IMG_CAPTION || !obj->pCaption)
        return 0;
    const float letter = desc.fLetterPx > 0 ? desc.fLetterPx : CAPTION_LetterPx(obj);
    const int32_t cx = obj->ao.x + obj->ao.iWidth / 2, cy = obj->ao.y + obj->ao.iHeight / 2;
    obj->pCaption->style = CAPTION_CleanStyle(desc.style);
    obj->pCaption->text =
        CAPTION_CleanText(desc.pszText ? desc.pszText : "", desc.pszText ? desc.cbText : 0);
    KeepPreview(obj);
    SizeBox(obj, letter > 0 ? letter : DefaultLetterPx());
    obj->ao.x = obj->xAnchor = cx - obj->ao.iWidth / 2;
    obj->ao.y = obj->yAnchor = cy - obj->ao.iHeight / 2;
    obj->bPlaced = 0;
    obj->bNeedsUpdate = 1;
    SetModified();
    return 1;
}

int CAPTION_UpdateScreen(IMGOBJ *obj)
{
    CAPTION *c = obj->pCaption;
    AO &a = obj->ao;
    a.iWidth = static_cast<int32_t>(obj->fWidth);
    a.iHeight = static_cast<int32_t>(obj->fHeight);
    if (!c)
        return Fail("UpdateImgObj(IMG_CAPTION)!");
    // Only what changed is drawn again: a refit of the window that leaves it its size,
    // a change of selection, a move.
    const bool same = c->drawnW == a.iWidth && c->drawnH == a.iHeight &&
                      c->drawnAngle == obj->iAngle && c->drawnFlipH == obj->bFlipH &&
                      c->drawnFlipV == obj->bFlipV && c->drawnText == c->text &&
                      SameStyle(c->drawnStyle, c->style);
    if (!same) {
        if (!CAPTION_RenderPlaced(*c, a.iWidth, a.iHeight, obj->iAngle, obj->bFlipH, obj->bFlipV,
                                  &c->screen))
            return 0;
        c->drawnW = a.iWidth, c->drawnH = a.iHeight, c->drawnAngle = obj->iAngle;
        c->drawnFlipH = obj->bFlipH, c->drawnFlipV = obj->bFlipV;
        c->drawnText = c->text;
        c->drawnStyle = c->style;
    }
    obj->rcRotated[2] = c->screen.w;
    obj->rcRotated[3] = c->screen.h;
    obj->rcRotated[0] = a.x + (a.iWidth - c->screen.w) / 2;
    obj->rcRotated[1] = a.y + (a.iHeight - c->screen.h) / 2;
    CalcSelectionFrame(obj);
    return 1;
}

void CAPTION_DrawScreen(LPDDS dst, const IMGOBJ *obj, const XYWH &r, const XYWH &part)
{
    if (!obj->pCaption)
        return;
    CAPTION_Blend(dst, part.x, part.y, obj->pCaption->screen, part.x - r.x, part.y - r.y, part.w,
                  part.h);
}

int CAPTION_Compose(LPDDS out, const IMGOBJ *obj, const XYWH &p)
{
    if (!obj->pCaption || p.w <= 0 || p.h <= 0)
        return 1;
    CAPTIONIMAGE img;
    if (!CAPTION_RenderPlaced(*obj->pCaption, p.w, p.h, obj->iAngle, obj->bFlipH, obj->bFlipV,
                              &img))
        return 0;
    CAPTION_Blend(out, p.x + (p.w - img.w) / 2, p.y + (p.h - img.h) / 2, img, 0, 0, img.w, img.h);
    return 1;
}

void CAPTION_Release(IMGOBJ *obj)
{
    delete obj->pCaption;
    obj->pCaption = nullptr;
}
