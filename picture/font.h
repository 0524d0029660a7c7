// font.h — bitmap fonts drawn from cells of the sprite sheet.
//
// A font is a glyph table (source x and width per glyph), a row of the sprite sheet,
// a height and a letter spacing. Text is 8-bit Windows Latin-1; one character-to-glyph
// map serves every font. The bubble font 0 and the interface font 10 draw every printable
// character of the code page that the text dialog writes. BltFont draws a line at once onto a
// surface; FONT_AddText and FONT_AddLabel make an animated line, one display-list entry (type 17)
// per letter.
#pragma once

#include <cstdint>

#include "picture/ao.h"

constexpr int32_t FONT_COUNT = 13;    // font numbers 0 to 12
constexpr int32_t FONT_FALLBACK = 47; // glyph of characters without one of their own

// Alignment of a line to its anchor x.
constexpr int32_t FONT_ALIGN_LEFT = 0;
constexpr int32_t FONT_ALIGN_RIGHT = 1;
constexpr int32_t FONT_ALIGN_CENTRE = 2; // 3 centres too

// Entrances and exit of animated letters.
constexpr int32_t FONT_ENTER_FLY = 1;  // fly from the anchor to the letter's place
constexpr int32_t FONT_ENTER_RISE = 6; // spread out, rise to a line and vanish under it
constexpr int32_t FONT_EXIT_SHRINK = 12;

// One font's layout.
struct FONTDEF {
    const struct GLYPHENTRY *pGlyphs;
    int32_t iGlyphCount;
    int32_t iSpacing;
    int32_t iHeight;
    int32_t iRow; // sprite-sheet row y
    // The row of each glyph, for fonts spread over several rows (font 0: glyphs 29 and
    // up from row 108, the added ones further down); null: every glyph on iRow.
    const int32_t *pRows = nullptr;
};

// Letter states, kept in the header's iState.
enum { LETTER_ARRIVING = 0, LETTER_ARRIVED = 1, LETTER_RESTING = 2, LETTER_LEAVING = 3 };

// An animated letter (display-list type 17): the header, then its own fields.
struct LETTER {
    AO ao;
    int32_t iFont;
    int32_t iWait; // frames before rising (entrance 6)
    int32_t xTarget, yTarget;
    int32_t iSpeed; // horizontal pixels per frame
    int32_t iEntrance;
    int32_t iExit;
    int32_t iRiseAccum; // hundredths of a pixel carried between frames
    int32_t iRiseRate;  // hundredths of a pixel per frame
    int32_t iGroup;     // labels: the control id
};

// The font table entry of a font number, or null outside 0 to 12.
const FONTDEF *FontDef(int32_t font);
// Glyph index of a Latin-1 character (the same map for every font).
int32_t FontGlyphIndex(unsigned char c);
// Source x and width of a character in a font; a glyph beyond the font's table is the
// fallback glyph, and a missing fallback has width 0 (draws nothing).
void FontGlyph(int32_t font, unsigned char c, int32_t *srcX, int32_t *width);
// Sum of glyph widths plus (length − 1) × spacing; 0 for empty text. Unknown font
// numbers measure with font 0.
int32_t FontStringWidth(int32_t font, const char *text);
// Draws text onto a surface from gDDSSprite with the white key; y is the top of the
// line, x its anchor by alignment. 0 for an unknown font or empty text. Failing glyph
// copies are ignored and leave nothing in the error trail.
int BltFont(int32_t font, LPDDS surface, int32_t x, int32_t y, int32_t alignment, const char *text);
// As BltFont, from the sheet `sheet` drawn at k times the 1x sheet's size, onto a surface
// k times the window's: the line is laid out in window pixels and every place multiplied.
int BltFontFrom(int32_t font, LPDDS surface, LPDDS sheet, int32_t k, int32_t x, int32_t y,
                int32_t alignment, const char *text);
// An animated line: one letter entry per character, each starting centred on (x, y).
// Entrance 6 rises to line `parameter`. 0 on failure (also for fonts 8 and 9); letters
// made so far stay.
int FONT_AddText(int32_t font, int32_t x, int32_t y, int32_t alignment, int32_t entrance,
                 int32_t exit, const char *text, int32_t parameter);
// FONT_AddText for an interface label: letters carry `group`, fly at a third of their
// distance per frame, and rise at half speed after 15 frames.
int FONT_AddLabel(int32_t font, int32_t group, int32_t x, int32_t y, int32_t alignment,
                  int32_t entrance, int32_t exit, const char *text, int32_t parameter);
// The letter's frame procedure (AnimateProc).
int FONT_LetterProc(AO *letter);
// Every letter of the font leaves.
void FONT_LeaveFont(int32_t font);
// Every letter of the font and group leaves.
void FONT_LeaveGroup(int32_t font, int32_t group);
