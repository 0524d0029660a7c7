// control.cpp — the seventeen on-screen buttons.
//
// Each button is a display-list sprite with three looks stacked in the sprite sheet
// (disabled, normal, highlighted). While pressed — by the mouse, or for a frame by
// PressControl from a menu command or key — it applies its editing step to the
// selected piece every frame, the step growing by one per frame up to 10.
#include <cstdlib>

#include "interface/interface.h"
#include "picture/font.h"
#include "picture/imgobj.h"
#include "platform/platform.h"
#include "platform/trail.h"
#include "resources/strings/strings.h"

void (*gpPostCommand)(int32_t commandId);

static constexpr int32_t kAccelRate = 50;
static constexpr int32_t kMaxStep = 10;
// Actions further apart than this mean the frames fall behind: only the outline follows.
static constexpr uint32_t kQuickUpdateMs = 100;
static constexpr int32_t kCommandText = 40034;
static constexpr int32_t kCommandClipArt = 40033;

// How much smaller a pressed button is drawn, by id.
static const int8_t kPressedShrink[CONTROL_COUNT + 1][2] = {
    {0, 0},   {-3, -4}, {-4, -5}, {-3, -5}, {-3, -5}, {-3, -5}, {-3, -5}, {-3, -5}, {-3, -5},
    {-2, -2}, {-2, -2}, {-2, -2}, {-2, -2}, {-2, -2}, {-2, -2}, {-1, -1}, {-1, -1}, {-1, -1},
};

static bool ValidId(int32_t id)
{
    return id >= 1 && id <= CONTROL_COUNT;
}

// The change tag of a button's run; a button of no known id (a level file may place one)
// has the tag of none.
static int32_t ButtonTag(int32_t id)
{
    return CHANGE_BUTTON + (ValidId(id) ? id : 0);
}

int CONTROL_AddObj(int32_t x, int32_t y, int32_t id, int32_t xSrc, int32_t ySrc, int32_t width,
                   int32_t height, int32_t p3, int32_t p4, int32_t p5, int32_t p6)
{
    CONTROL *c = reinterpret_cast<CONTROL *>(AO_Alloc(sizeof(CONTROL)));
    if (!c)
        return Fail("No CONTROL mem");
    c->xHome = c->ao.x = c->ao.xWorld = c->ao.rcUpdate[0] = x;
    c->yHome = c->ao.y = c->ao.yWorld = c->ao.rcUpdate[1] = y;
    c->iWidthHome = c->ao.iWidth = c->ao.rcUpdate[2] = width;
    c->iHeightHome = c->ao.iHeight = c->ao.rcUpdate[3] = height;
    c->iId = id;
    c->xSrcHome = c->ao.xSrc = xSrc;
    c->ySrcHome = c->ao.ySrc = ySrc;
    c->aValues[0] = p3;
    c->aValues[1] = p4;
    c->aValues[2] = p5;
    c->aValues[3] = p6;
    c->iAccelRate = kAccelRate;
    c->iStep = 1;
    c->ao.iType = AO_TYPE_CONTROL;
    c->ao.dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
    // Non-null: the looks come from the sprite sheet.
    c->ao.pSheet = gSpriteSheet ? gSpriteSheet : &c->ao;
    c->ao.AnimateProc = CONTROL_Proc;
    c->ao.iLayer = y + height - 200;
    AO_AddObj(&c->ao);
    return 1;
}

void CONTROL_CreateGroup(int32_t group)
{
    for (int32_t i = 0; i < gLevel.iActionCount; i++) {
        LEVELACTION &a = gLevel.pActions[i];
        if (a.bUsed || a.p[0] != group || a.p[1] != LEVEL_CONTROL_CLASS)
            continue;
        if (!CONTROL_AddObj(a.left, a.top, a.p[2], a.xSrc, a.ySrc, a.iWidth, a.iHeight, a.p[3],
                            a.p[4], a.p[5], a.p[6])) {
            Fail("CONTROL_AddObj() failed");
            ShowErrorTrail();
        }
        a.bUsed = 1;
    }
}

// Runs fn on every button with this number.
template <typename F> static void ForEachControl(int32_t id, F fn)
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_CONTROL && reinterpret_cast<CONTROL *>(e)->iId == id)
            fn(reinterpret_cast<CONTROL *>(e));
}

void EnableControl(int32_t id, int32_t on)
{
    ForEachControl(id, [on](CONTROL *c) { c->bEnabled = on ? 1 : 0; });
}

void PressControl(int32_t id)
{
    if (gMouseDown)
        return; // a held mouse button has the buttons
    ForEachControl(id, [](CONTROL *c) {
        if (c->bEnabled)
            c->iPressCount = 2;
    });
}

int CONTROL_PressPending()
{
    for (AO *e = gAOList; e; e = e->pNext)
        if (e->iType == AO_TYPE_CONTROL && reinterpret_cast<CONTROL *>(e)->bEnabled &&
            reinterpret_cast<CONTROL *>(e)->iPressCount > 0)
            return 1;
    return 0;
}

// ---- Labels -------------------------------------------------------------------------------------

void ControlLabelTexts(int32_t id, int32_t out[2])
{
    out[0] = out[1] = 0;
    if (id >= 1 && id <= 10)
        out[0] = 400 + id;
    else if (id == CTRL_MOVELEFT || id == CTRL_MOVERIGHT) {
        out[0] = id == CTRL_MOVELEFT ? 414 : 416;
        out[1] = out[0] + 1;
    } else if (id == CTRL_MOVEUP || id == CTRL_MOVEDOWN)
        out[0] = 418 + (id - CTRL_MOVEUP);
    else if (id >= CTRL_SELECTNEXT && id <= CTRL_CLIPART)
        out[0] = 411 + (id - CTRL_SELECTNEXT);
}

int ControlLabelPlaces(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, const int32_t t[2],
                       LABELPLACE out[2])
{
    if (id == CTRL_MOVELEFT || id == CTRL_MOVERIGHT) {
        const int32_t lx = id == CTRL_MOVELEFT ? x - 3 : x + w + 2;
        const int32_t align = id == CTRL_MOVELEFT ? FONT_ALIGN_RIGHT : FONT_ALIGN_LEFT;
        out[0] = LABELPLACE{lx, y - 13 + h / 2, align};
        out[1] = LABELPLACE{lx, y + h / 2, align};
        return 2;
    }
    int32_t dy = -4;
    if (id == CTRL_MOVEUP || id == CTRL_MOVEDOWN)
        dy = -5;
    else if (id == CTRL_TEXT || id == CTRL_CLIPART)
        dy = -2;
    const int32_t centre = x + w / 2, leftmost = t[0] / 2 + 10;
    out[0] = LABELPLACE{centre > leftmost ? centre : leftmost, y + h + dy, FONT_ALIGN_CENTRE};
    return 1;
}

static void AddLabel(const CONTROL *c)
{
    int32_t ids[2];
    ControlLabelTexts(c->iId, ids);
    if (!ids[0])
        return;
    const char *texts[2] = {LoadText(ids[0]), ids[1] ? LoadText(ids[1]) : ""};
    const int32_t widths[2] = {FontStringWidth(CONTROL_LABEL_FONT, texts[0]),
                               FontStringWidth(CONTROL_LABEL_FONT, texts[1])};
    LABELPLACE places[2];
    const int n =
        ControlLabelPlaces(c->iId, c->ao.x, c->ao.y, c->ao.iWidth, c->ao.iHeight, widths, places);
    for (int k = 0; k < n; k++)
        FONT_AddLabel(CONTROL_LABEL_FONT, c->iId, places[k].x, places[k].y, places[k].iAlign, 1, 12,
                      texts[k], 40);
}

int INTERFACE_Open()
{
    AO_KillType(AO_TYPE_TEXTFEED, 0, 0);
    FONT_LeaveFont(CONTROL_LABEL_FONT);
    FONT_LeaveFont(11);
    if (!LoadLevel("merrowick.lvl"))
        return 0;
    CONTROL_CreateGroup(0);
    return 1;
}

// ---- The frame procedure ------------------------------------------------------------------------

// Shows look `row` (0 disabled, 1 normal, 2 highlighted) at the home place, or pressed:
// one pixel down and right, a little smaller.
static void ShowLook(CONTROL *c, int32_t row, bool pressed)
{
    AO &a = c->ao;
    a.xSrc = c->xSrcHome;
    a.ySrc = c->ySrcHome + row * c->iHeightHome;
    a.x = c->xHome + (pressed ? 1 : 0);
    a.y = c->yHome + (pressed ? 1 : 0);
    a.iWidth = c->iWidthHome + (pressed && ValidId(c->iId) ? kPressedShrink[c->iId][0] : 0);
    a.iHeight = c->iHeightHome + (pressed && ValidId(c->iId) ? kPressedShrink[c->iId][1] : 0);
}

static void ResetStep(CONTROL *c)
{
    c->iStep = 1;
    c->iAccel = 0;
    c->dwLastTime = 0;
}

// A press ends, by whatever path (released, slid off the button, the button disabled): its
// run is one change, and a piece that followed by its outline alone is rebuilt now.
static void EndPress(CONTROL *c)
{
    PICTURE_ChangeEnd(ButtonTag(c->iId));
    if (c->bQuickUpdate) {
        c->bQuickUpdate = 0;
        if (gSelected && c->iId != CTRL_FLIPH && c->iId != CTRL_FLIPV)
            gSelected->bNeedsUpdate = 1;
    }
    ResetStep(c);
}

void ResizeSelectedProportional(float step)
{
    IMGOBJ *piece = gSelected;
    if (!piece || piece->fWidth <= 0 || piece->fHeight <= 0)
        return;
    if (piece->iSrcWidth > piece->iSrcHeight)
        ResizeSelected(step, step * piece->fHeight / piece->fWidth);
    else
        ResizeSelected(step * piece->fWidth / piece->fHeight, step);
}

// The button's editing step on the selection (there is one: the caller checked).
static void Act(int32_t id, int32_t s)
{
    switch (id) {
    case CTRL_BIGGER:
        ResizeSelectedProportional(static_cast<float>(s));
        break;
    case CTRL_SMALLER:
        ResizeSelectedProportional(static_cast<float>(-s));
        break;
    case CTRL_WIDER:
        ResizeSelected(static_cast<float>(s), 0);
        break;
    case CTRL_NARROWER:
        ResizeSelected(static_cast<float>(-s), 0);
        break;
    case CTRL_HIGHER:
        ResizeSelected(0, static_cast<float>(s));
        break;
    case CTRL_LOWER:
        ResizeSelected(0, static_cast<float>(-s));
        break;
    case CTRL_FLIPH:
        gSelected->bFlipH = !gSelected->bFlipH;
        break;
    case CTRL_FLIPV:
        gSelected->bFlipV = !gSelected->bFlipV;
        break;
    case CTRL_ROTATELEFT:
        RotateSelected(-s);
        break;
    case CTRL_ROTATERIGHT:
        RotateSelected(s);
        break;
    case CTRL_MOVELEFT:
        MoveSelected(-s, 0);
        break;
    case CTRL_MOVERIGHT:
        MoveSelected(s, 0);
        break;
    case CTRL_MOVEUP:
        MoveSelected(0, -s);
        break;
    case CTRL_MOVEDOWN:
        MoveSelected(0, s);
        break;
    default:
        break;
    }
}

static bool Repeats(int32_t id)
{
    return (id >= CTRL_BIGGER && id <= CTRL_LOWER) ||
           (id >= CTRL_ROTATELEFT && id <= CTRL_MOVEDOWN);
}

// A pressed frame: accelerate, note when frames fall behind, act.
static void Pressed(CONTROL *c)
{
    ShowLook(c, 2, true);
    c->iAccel += c->iAccelRate;
    if (c->iAccel > 99 && c->iStep < kMaxStep)
        c->iStep++;
    const uint32_t now = PLAT_Milliseconds();
    if (!c->bQuickUpdate && c->iStep > 1 && now - c->dwLastTime > kQuickUpdateMs)
        c->bQuickUpdate = 1;
    c->dwLastTime = now;

    const int32_t id = c->iId;
    if (Repeats(id)) {
        if (!gSelected)
            return;
        // The whole run of a held button is one change; it ends when the press does.
        PICTURE_ChangeBegin(ButtonTag(id));
        Act(id, c->iStep);
        if (!c->bQuickUpdate)
            gSelected->bNeedsUpdate = 1;
        else
            CalcSelectionFrame(gSelected);
        return;
    }
    // Single actions happen once per press.
    gMouseDown = 0;
    c->iPressCount = 0;
    switch (id) {
    case CTRL_FLIPH:
    case CTRL_FLIPV:
        if (gSelected) {
            PICTURE_ChangeBegin(CHANGE_FLIP);
            Act(id, c->iStep);
            gSelected->bNeedsUpdate = 1;
            SetModified();
            PICTURE_ChangeEnd(CHANGE_FLIP);
        }
        break;
    case CTRL_SELECTNEXT:
        SelectNext();
        break;
    case CTRL_TEXT:
    case CTRL_CLIPART:
        if (gpPostCommand)
            gpPostCommand(id == CTRL_TEXT ? kCommandText : kCommandClipArt);
        break;
    default:
        break;
    }
}

int CONTROL_Proc(AO *entry)
{
    CONTROL *c = reinterpret_cast<CONTROL *>(entry);
    if (!c->bEnabled) {
        // A press waiting here is dropped: enabled again, the button must not act on
        // whatever is selected then.
        c->iPressCount = 0;
        EndPress(c);
        ShowLook(c, 0, false);
        if (c->bHover) {
            c->bHover = 0;
            FONT_LeaveGroup(CONTROL_LABEL_FONT, c->iId);
        }
        return 1;
    }
    const int32_t hovered = !gDraggingPiece && gMouseX >= c->xHome &&
                            gMouseX <= c->xHome + c->iWidthHome && gMouseY >= c->yHome &&
                            gMouseY <= c->yHome + c->iHeightHome;
    if (hovered != c->bHover) {
        if (hovered && gShowButtonTexts)
            AddLabel(c);
        else if (!hovered)
            FONT_LeaveGroup(CONTROL_LABEL_FONT, c->iId);
        c->bHover = hovered;
    }
    if (c->iPressCount == 0 && !hovered) {
        EndPress(c);
        ShowLook(c, 1, false);
        return 1;
    }
    if (c->iPressCount > 0)
        c->iPressCount--;
    if (c->iPressCount == 0 && (!gMouseDown || gDraggingPiece)) {
        // Only hovered, or the press has just ended.
        EndPress(c);
        ShowLook(c, 2, false);
        return 1;
    }
    Pressed(c);
    return 1;
}
