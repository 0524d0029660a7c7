// text.h — text pieces (speech and thought bubbles, signs, banners) and the start
// screen's text feeder.
//
// A text piece is an image object of kind IMG_TEXT: a bubble bitmap with the user's
// text drawn into the style's text rectangle. The text is broken into at most five
// rows of the large font, each row centred, and the whole block is scaled, the same
// both ways, to the largest size that fits the rectangle, centred in it, on the screen
// and again at full resolution for export. The rectangle
// follows the piece's mirroring; the letters never do.
//
// The feeder (display-list type 85) shows the welcome and tips texts row by row in
// the interface's left column, each row rising letter by letter.
#pragma once

#include <cstdint>

#include "picture/ao.h"
#include "picture/imgobj.h"

// ---- Bubble styles -----------------------------------------------------------------

constexpr int32_t TEXT_STYLE_COUNT = 11;

struct TEXTSTYLE {
    int32_t iRadioId;       // dialog radio button (preview picture: iRadioId + 700)
    int32_t iLabelId;       // string id of the style's name
    const char *pszPreview; // preview bitmap resource
    char szFile[128];       // bubble bitmap in the clip-art folder
    int32_t rcText[4];      // text rectangle x, y, width, height at the reference size
    int32_t iRefWidth, iRefHeight;
};

extern const TEXTSTYLE gTextStyles[TEXT_STYLE_COUNT];

// ---- Bubble text layout ------------------------------------------------------------

constexpr int32_t BUBBLE_FONT = 0;
constexpr int32_t BUBBLE_ROW_HEIGHT = 111;
constexpr int32_t BUBBLE_ROW_CHARS = 29;
constexpr int32_t BUBBLE_ROW_WIDTH = 1150;
constexpr int32_t BUBBLE_MAX_ROWS = 5;
constexpr int32_t BUBBLE_ROW_SIZE = BUBBLE_ROW_CHARS + 1;

// Breaks bubble text into rows (breaks at spaces and hyphens, over-long words
// hyphenated without losing a letter, at most five rows) and drops trailing empty
// rows; the first row always stays. Returns the number of rows (at least 1).
int32_t BubbleTextRows(const char *text, char rows[BUBBLE_MAX_ROWS][BUBBLE_ROW_SIZE]);
// The style's text rectangle as fractions of the bubble (x, y, width, height),
// mirrored with the piece; style numbers outside the table use style 0.
void BubbleTextFractions(int32_t style, int32_t flipH, int32_t flipV, float out[4]);
// Where a text block bw × bh goes in the rectangle (x, y, w, h): scaled by the same
// factor both ways, as large as fits, centred. out = x, y, width, height; width or
// height 0 when nothing can show.
void BubbleFitBlock(int32_t bw, int32_t bh, int32_t x, int32_t y, int32_t w, int32_t h,
                    int32_t out[4]);
// Draws the piece's text: fullResolution 0 into its screen-resolution surface, 1 into
// gDDSPicture for an export of W × H (the bubble already drawn at (0, 0)). 0 on failure.
int TextBubbleText(IMGOBJ *obj, int32_t fullResolution, int32_t W, int32_t H);
// As TextBubbleText at full resolution, into any surface where the scaled bubble's
// top-left corner lies at (x, y).
int TextBubbleTextInto(IMGOBJ *obj, LPDDS target, int32_t x, int32_t y, int32_t W, int32_t H);

// ---- The text dialog's computable rules ----------------------------------------------

constexpr int32_t TEXT_DIALOG_MAX_CHARS = 98;

// Whether the bubble font draws the code page 1252 character (a glyph with some width;
// the space counts, line ends do not).
int TextBubbleDraws(unsigned char c);
// Turns Latin-1 letters into capitals in place (ß and characters without a capital stay).
void TextToCapitals(char *text);
// Copies at most 98 characters of in and a NUL into out (99 bytes). Returns the length.
int32_t TextDialogCopy(const char *in, char *out);
// Whether OK should act: some character below 0x80 or from 0xC5 up, or one the bubble
// font draws.
int TextDialogHasContent(const char *text);
// Offset of the first checked of count radio buttons; 0 when none is checked.
int32_t CheckedRadioOffset(const int32_t *checked, int32_t count);
// What OK does for the chosen style.
enum { TEXTDLG_NEW = 0, TEXTDLG_SAME_STYLE = 1, TEXTDLG_OTHER_STYLE = 2 };
int32_t TextDialogAction(const IMGOBJ *selected, int32_t style);

// ---- The text feeder -----------------------------------------------------------------

constexpr int32_t FEED_TEXT_SIZE = 2500;
constexpr int32_t FEED_MAX_ROWS = 25;
constexpr int32_t FEED_ROW_SIZE = 100;
constexpr int32_t FEED_FONT = 10;

struct FEEDENTRY {
    int32_t iString; // string id; −1 ends the table
    int32_t iFont;
    int32_t iFrames; // frames to wait after each row
    int32_t iOffset; // added to the line's y
};
extern const FEEDENTRY gFeedTable[];

struct TEXTFEED {
    AO ao;
    char szText[FEED_TEXT_SIZE];
    char aszRows[FEED_MAX_ROWS][FEED_ROW_SIZE];
    int32_t iEntry; // current feed table row; −1 before the first
    int32_t iRow;   // row shown last
    int32_t iRowCount;
    int32_t iCountdown; // frames before the next row
    int32_t xBox, yBox, wBox, hBox;
};

// Breaks feed text into rows of font 10 no wider than width: at most 99 characters,
// a line feed begins the next row. Returns the row count, or −1 with "No more rows!"
// when a 26th row would begin.
int32_t FeedTextRows(const char *text, int32_t width, char rows[FEED_MAX_ROWS][FEED_ROW_SIZE]);
// Creates the feeder over the box (start-up passes 15, 175, 165, 275, −1). 0 on failure.
int TEXTFEED_AddObj(int32_t x, int32_t y, int32_t width, int32_t height, int32_t firstEntry);
// The feeder's frame procedure.
int TEXTFEED_AnimateProc(AO *entry);
