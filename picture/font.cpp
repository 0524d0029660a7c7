// font.cpp — bitmap fonts: measuring, drawing at once, and animated letters.
//
// Depends on the sprite sheet (gDDSSprite, pixels/), the display list (ao.h) and the
// glyph tables the artwork tool generates together with the sheet.
#include "picture/font.h"

#include <cstdlib>
#include <cstring>

#include "glyphtables.h"
#include "platform/trail.h"

// Font 12: one picture, glyph 0 ("A").
static constexpr GLYPHENTRY kGlyphsPicture[1] = {{0, 79}};

// Fonts 8, 9 and 12 have rows outside the sprite sheet; nothing draws with them. The
// narrow fonts 8 and 9 (glyphs 0-38: A-Z, the three accented capitals, 0-9) share the
// places of font 10's first 39 glyphs. Fonts 0 and 10 also hold the signs and capitals
// from glyph 100 on, on rows of their own (font 0's entries 65-99 stay empty).
static const FONTDEF sFonts[FONT_COUNT] = {
    {kGlyphsLarge, kGlyphCountMore, 12, 106, 0, kGlyphRowsLarge},
    {kGlyphsLarge, 65, 12, 106, 0},
    {kGlyphsSmall, 60, 0, 17, 238},
    {kGlyphsSmall, 60, 0, 17, 216},
    {kGlyphsSmall, 60, 0, 17, 238},
    {kGlyphsSmall, 60, 0, 17, 216},
    {kGlyphsSmall, 60, 0, 17, 216},
    {kGlyphsSmall, 60, 0, 17, 260},
    {kGlyphsText, 39, 0, 13, 1010},
    {kGlyphsText, 39, 0, 13, 1026},
    {kGlyphsText, kGlyphCountMore, 1, 13, 281, kGlyphRowsText},
    {kGlyphsIcons, 10, 1, 30, 296},
    {kGlyphsPicture, 1, 10, 79, 1687},
};

static_assert(sizeof(kGlyphsLarge) / sizeof(kGlyphsLarge[0]) == kGlyphCountMore);
static_assert(sizeof(kGlyphsSmall) / sizeof(kGlyphsSmall[0]) == 60);
static_assert(sizeof(kGlyphsText) / sizeof(kGlyphsText[0]) == kGlyphCountMore);
static_assert(sizeof(kGlyphsIcons) / sizeof(kGlyphsIcons[0]) == 10);
static_assert(sizeof(kGlyphRowsLarge) / sizeof(kGlyphRowsLarge[0]) == kGlyphCountMore);
static_assert(sizeof(kGlyphRowsText) / sizeof(kGlyphRowsText[0]) == kGlyphCountMore);
static_assert(FONT_FALLBACK >= 39, "the narrow fonts have no fallback glyph");

const FONTDEF *FontDef(int32_t font)
{
    if (font < 0 || font >= FONT_COUNT)
        return nullptr;
    return &sFonts[font];
}

// A font that can be drawn with, or null.
static const FONTDEF *DrawableFont(int32_t font)
{
    const FONTDEF *def = FontDef(font);
    return def && def->pGlyphs ? def : nullptr;
}

int32_t FontGlyphIndex(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return 65 + (c - 'a');
    if (c >= '0' && c <= '9')
        return 29 + (c - '0');
    switch (c) {
    case '[':
    case 0xC5:
        return 26;
    case '\\':
    case 0xC4:
        return 27;
    case ']':
    case 0xD6:
        return 28;
    case '-':
        return 39;
    case '.':
        return 40;
    case ' ':
        return 41;
    case '!':
        return 42;
    case ',':
        return 43;
    case '\'':
        return 44;
    case '%':
        return 45;
    case ':':
        return 46;
    case '>':
    case 0xAE:
        return 48;
    case '?':
        return 49;
    case '&':
        return 50;
    case '(':
        return 51;
    case ')':
        return 52;
    case 0xC9:
        return 54;
    case 0xD9:
        return 55;
    case 0xC8:
        return 56;
    case 0xCA:
        return 57;
    case 0xC0:
        return 58;
    case 0xDC:
        return 59;
    case '"':
        return 60;
    case '#':
        return 61;
    case 0xA4:
        return 62;
    case '/':
        return 63;
    case '+':
        return 64;
    case 0xE5:
        return 91;
    case 0xE4:
        return 92;
    case 0xF6:
        return 93;
    default: // the added signs and capitals, or the fallback
        return kGlyphIndexMore[c];
    }
}

static void GlyphOf(const FONTDEF *def, unsigned char c, int32_t *srcX, int32_t *width,
                    int32_t *row = nullptr)
{
    int32_t g = FontGlyphIndex(c);
    if (g >= def->iGlyphCount)
        g = FONT_FALLBACK;
    if (row)
        *row = def->pRows && g < def->iGlyphCount ? def->pRows[g] : def->iRow;
    if (g >= def->iGlyphCount) { // the icon font has no fallback glyph
        *srcX = 0;
        *width = 0;
        return;
    }
    *srcX = def->pGlyphs[g].x;
    *width = def->pGlyphs[g].w;
}

void FontGlyph(int32_t font, unsigned char c, int32_t *srcX, int32_t *width)
{
    const FONTDEF *def = DrawableFont(font);
    GlyphOf(def ? def : &sFonts[0], c, srcX, width);
}

int32_t FontStringWidth(int32_t font, const char *text)
{
    const FONTDEF *def = DrawableFont(font);
    if (!def)
        def = &sFonts[0];
    size_t n = text ? std::strlen(text) : 0;
    if (n == 0)
        return 0;
    int32_t total = 0;
    for (size_t i = 0; i < n; ++i) {
        int32_t x, w;
        GlyphOf(def, static_cast<unsigned char>(text[i]), &x, &w);
        total += w;
    }
    return total + static_cast<int32_t>(n - 1) * def->iSpacing;
}

// Left edge of a line of width lineWidth anchored at x.
static int32_t LineLeft(int32_t x, int32_t lineWidth, int32_t alignment)
{
    if (alignment == FONT_ALIGN_RIGHT)
        return x - lineWidth;
    if (alignment == 2 || alignment == 3)
        return x - lineWidth / 2;
    return x;
}

int BltFont(int32_t font, LPDDS surface, int32_t x, int32_t y, int32_t alignment, const char *text)
{
    return BltFontFrom(font, surface, gDDSSprite, 1, x, y, alignment, text);
}

int BltFontFrom(int32_t font, LPDDS surface, LPDDS sheet, int32_t k, int32_t x, int32_t y,
                int32_t alignment, const char *text)
{
    const FONTDEF *def = DrawableFont(font);
    if (!def)
        return Fail("No font type specified !");
    if (!text || !*text)
        return Fail("Zero lenght of string");
    int32_t left = LineLeft(x, FontStringWidth(font, text), alignment);
    int32_t offset = 0;
    for (const char *p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        int32_t srcX, w, row;
        GlyphOf(def, c, &srcX, &w, &row);
        if (w > 0 && surface && sheet) {
            // A failed copy is ignored: it leaves no lines in the trail either.
            size_t mark = TrailMark();
            if (!DXBlt(surface, k * (left + offset), k * y, k * w, k * def->iHeight, sheet,
                       k * srcX, k * row, DXBLT_SRCKEY))
                TrailRewind(mark);
        }
        offset += w + def->iSpacing;
    }
    return 1;
}

// Divisors and timings that differ between plain animated text and labels.
struct LETTERPACE {
    int32_t iFlyDivisor;
    int32_t iRiseDivisor;
    int32_t iRiseRate;
    int32_t iWait;
};
static const LETTERPACE sTextPace = {6, 7, 100, 8};
static const LETTERPACE sLabelPace = {3, 12, 50, 15};

static int AddLetterLine(const LETTERPACE &pace, int32_t font, int32_t group, int32_t x, int32_t y,
                         int32_t alignment, int32_t entrance, int32_t exit, const char *text,
                         int32_t parameter)
{
    // The narrow fonts 8 and 9 make no animated letters.
    const FONTDEF *def = font == 8 || font == 9 ? nullptr : DrawableFont(font);
    if (!def) {
        Fail("No font type specified !");
        return Fail("Couldn\xB4t add new font to list");
    }
    if (!text || !*text) {
        Fail("Zero lenght of string");
        return Fail("Couldn\xB4t add new font to list");
    }
    int32_t left = LineLeft(x, FontStringWidth(font, text), alignment);
    int32_t offset = 0;
    for (const char *p = text; *p; ++p) {
        int32_t srcX, gw, row;
        GlyphOf(def, static_cast<unsigned char>(*p), &srcX, &gw, &row);
        int32_t finalX = left + offset;
        offset += gw + def->iSpacing;

        LETTER *letter = reinterpret_cast<LETTER *>(AO_Alloc(sizeof(LETTER)));
        if (!letter) {
            Fail("Couldn\xB4t get memory for a font character");
            return Fail("Couldn\xB4t add new font to list");
        }
        AO &ao = letter->ao;
        ao.dwFlags = AOFLAG_SPRITE | AOFLAG_FLUSH;
        ao.iType = AO_TYPE_LETTER;
        ao.iState = LETTER_ARRIVING;
        ao.x = x - gw / 2;
        ao.y = y;
        ao.iWidth = gw;
        ao.iHeight = def->iHeight;
        ao.xSrc = srcX;
        ao.ySrc = row;
        ao.rcUpdate[0] = ao.x;
        ao.rcUpdate[1] = ao.y;
        ao.rcUpdate[2] = ao.iWidth;
        ao.rcUpdate[3] = ao.iHeight;
        ao.pSheet = gSpriteSheet;
        ao.AnimateProc = FONT_LetterProc;
        ao.iLayer = 9999;
        letter->iFont = font;
        letter->iGroup = group;
        letter->iEntrance = entrance;
        letter->iExit = exit;
        int32_t distance = std::abs(finalX - ao.x);
        if (entrance == FONT_ENTER_FLY) {
            letter->xTarget = finalX;
            letter->yTarget = y;
            letter->iSpeed = distance / pace.iFlyDivisor + 1;
        } else if (entrance == FONT_ENTER_RISE) {
            letter->xTarget = finalX;
            letter->yTarget = parameter;
            letter->iSpeed = distance / pace.iRiseDivisor + 1;
            letter->iRiseRate = pace.iRiseRate;
            letter->iWait = pace.iWait;
        }
        if (!AO_AddObj(&ao)) {
            std::free(letter);
            Fail("Couldn\xB4t add new font character to list");
            return Fail("Couldn\xB4t add new font to list");
        }
    }
    return 1;
}

int FONT_AddText(int32_t font, int32_t x, int32_t y, int32_t alignment, int32_t entrance,
                 int32_t exit, const char *text, int32_t parameter)
{
    return AddLetterLine(sTextPace, font, 0, x, y, alignment, entrance, exit, text, parameter);
}

int FONT_AddLabel(int32_t font, int32_t group, int32_t x, int32_t y, int32_t alignment,
                  int32_t entrance, int32_t exit, const char *text, int32_t parameter)
{
    return AddLetterLine(sLabelPace, font, group, x, y, alignment, entrance, exit, text, parameter);
}

// One frame of horizontal travel toward the target x; returns 1 when already there.
static int MoveAcross(LETTER *letter)
{
    AO &ao = letter->ao;
    if (ao.x == letter->xTarget)
        return 1;
    int32_t remaining = std::abs(letter->xTarget - ao.x);
    if (remaining < letter->iSpeed)
        letter->iSpeed = remaining;
    ao.x += ao.x < letter->xTarget ? letter->iSpeed : -letter->iSpeed;
    return 0;
}

// One frame of the rise: up toward the target line, then eaten from the top at it.
// Returns 1 once the letter has vanished.
static int RiseStep(LETTER *letter)
{
    AO &ao = letter->ao;
    if (letter->iWait > 0) {
        --letter->iWait;
        return 0;
    }
    letter->iRiseAccum += letter->iRiseRate;
    if (letter->iRiseAccum < 100)
        return 0;
    int32_t step = letter->iRiseAccum / 100;
    letter->iRiseAccum %= 100;
    if (letter->yTarget < ao.y) {
        ao.y -= step;
        return 0;
    }
    if (ao.iHeight < 1)
        return 1;
    if (step > ao.iHeight)
        step = ao.iHeight;
    ao.ySrc += step;
    ao.iHeight -= step;
    return 0;
}

int FONT_LetterProc(AO *entry)
{
    LETTER *letter = reinterpret_cast<LETTER *>(entry);
    AO &ao = letter->ao;
    // The update rectangle covers the old and the new box, so the window loses no trace.
    int32_t oldX = ao.x, oldY = ao.y, oldBottom = ao.y + ao.iHeight;
    switch (ao.iState) {
    case LETTER_ARRIVING:
        if (letter->iEntrance == FONT_ENTER_FLY) {
            if (MoveAcross(letter))
                ao.iState = LETTER_ARRIVED;
        } else if (letter->iEntrance == FONT_ENTER_RISE) {
            MoveAcross(letter);
            if (RiseStep(letter))
                ao.iState = LETTER_ARRIVED;
        } else {
            ao.iState = LETTER_ARRIVED;
        }
        break;
    case LETTER_ARRIVED:
        // A risen letter has vanished under its line: it has nothing left to show, so
        // it leaves rather than piling up in the list while the start screen runs.
        ao.iState = letter->iEntrance == FONT_ENTER_RISE ? LETTER_LEAVING : LETTER_RESTING;
        break;
    case LETTER_RESTING:
        break;
    default: // leaving
        AO_KillObj(entry, 1500, 110);
        return 1;
    }
    int32_t left = oldX < ao.x ? oldX : ao.x;
    int32_t right = (oldX > ao.x ? oldX : ao.x) + ao.iWidth;
    int32_t top = oldY < ao.y ? oldY : ao.y;
    int32_t bottom = ao.y + ao.iHeight;
    if (oldBottom > bottom)
        bottom = oldBottom;
    ao.rcUpdate[0] = left;
    ao.rcUpdate[1] = top;
    ao.rcUpdate[2] = right - left;
    ao.rcUpdate[3] = bottom - top;
    return 1;
}

static void LeaveWhere(int32_t font, int matchGroup, int32_t group)
{
    for (AO *p = gAOList; p; p = p->pNext) {
        if (p->iType != AO_TYPE_LETTER || p->AnimateProc != FONT_LetterProc)
            continue;
        LETTER *letter = reinterpret_cast<LETTER *>(p);
        if (letter->iFont == font && (!matchGroup || letter->iGroup == group))
            p->iState = LETTER_LEAVING;
    }
}

void FONT_LeaveFont(int32_t font)
{
    LeaveWhere(font, 0, 0);
}

void FONT_LeaveGroup(int32_t font, int32_t group)
{
    LeaveWhere(font, 1, group);
}
