// caption.h — captions: text pieces in real fonts, any language, with emoji.
//
// A caption is an image object of kind IMG_CAPTION whose text (UTF-8, several lines) and
// style live in a CAPTION the object owns. It has no artwork: it is shaped with HarfBuzz
// and drawn with FreeType (fonts found through fontconfig) whenever its size changes, at
// screen size for the window and at the export's own size for export, print and mail,
// so it stays sharp at every size. The text fills the piece's box with its proportions
// kept: a box of another shape leaves room beside or above and below it.
//
// Each line is cut into runs of one script and one font: the chosen font first, then the
// fonts behind it for what it lacks (DejaVu, Noto, any installed font fontconfig finds
// for the character) and Noto Color Emoji for emoji. Right-to-left runs are shaped and
// ordered right to left; marks stay with their base character's font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/imgobj.h"
#include "pixels/pixels.h"

constexpr int32_t CAPTION_MAX_CHARS = 2000; // characters a caption holds
constexpr size_t CAPTION_MAX_BYTES = 8000;  // and their UTF-8 bytes at most
constexpr int32_t CAPTION_FONT_COUNT = 5;
constexpr int32_t CAPTION_MAX_OUTLINE = 250; // outline width, thousandths of the letter size
// The largest image a caption is drawn into, in pixels (an export's full page).
constexpr int64_t CAPTION_MAX_PIXELS = int64_t{64} << 20;

enum { CAPTION_ALIGN_LEFT = 0, CAPTION_ALIGN_CENTRE = 1, CAPTION_ALIGN_RIGHT = 2 };

struct CAPTIONSTYLE {
    int32_t iFont;      // 0 to CAPTION_FONT_COUNT − 1 (CAPTION_FontName)
    uint32_t crFill;    // 0xRRGGBB
    uint32_t crOutline; // 0xRRGGBB
    int32_t iOutline;   // outline width in thousandths of the letter size; 0: none
    int32_t bShadow;    // a soft shadow below and to the right
    int32_t iAlign;     // CAPTION_ALIGN_*
};

// What a caption object owns: its style and text, and its last screen image.
struct CAPTIONIMAGE {
    int32_t w = 0, h = 0;
    std::vector<uint8_t> bgra; // premultiplied blue, green, red, alpha; w × h × 4
};
struct CAPTION {
    CAPTIONSTYLE style{};
    std::string text; // cleaned UTF-8 (CAPTION_CleanText)
    // The screen image and what it was drawn for (redrawn only when one of them changes).
    CAPTIONIMAGE screen;
    int32_t drawnW = -1, drawnH = -1, drawnAngle = 0, drawnFlipH = 0, drawnFlipV = 0;
    std::string drawnText;
    CAPTIONSTYLE drawnStyle{};
};

// ---- Fonts ---------------------------------------------------------------------------------
// The font's name as the dialog lists it ("Comic Neue Bold"); an unknown number names font 0.
const char *CAPTION_FontName(int32_t font);
// 1 when the font itself is installed (else a caption in it is drawn in DejaVu Sans Bold).
int CAPTION_FontInstalled(int32_t font);
// A style every field of which is in range (unknown fonts and alignments become 0).
CAPTIONSTYLE CAPTION_CleanStyle(const CAPTIONSTYLE &style);
// The style a new caption starts with.
CAPTIONSTYLE CAPTION_DefaultStyle();

// ---- Text ----------------------------------------------------------------------------------
// Any bytes as a caption's text: valid UTF-8, what is not (bad sequences, surrogates,
// overlong forms) as U+FFFD; line ends as "\n", tabs as spaces, other control characters
// dropped; at most CAPTION_MAX_CHARS characters and CAPTION_MAX_BYTES bytes (*cut set
// when something was left off the end, when cut is given).
std::string CAPTION_CleanText(const char *bytes, size_t size, int *cut = nullptr);
// The number of characters (code points) of UTF-8 text.
int32_t CAPTION_CountChars(const std::string &utf8);

// ---- Drawing -------------------------------------------------------------------------------
// The size of the caption's box when its letters are letterPx pixels high (the font size).
void CAPTION_NaturalSize(const CAPTION &c, float letterPx, float *w, float *h);
// The caption drawn upright into a w × h image, fitted and aligned in it. 0 with a line in
// the trail when the image would be too large (CAPTION_MAX_PIXELS) or memory ran out.
int CAPTION_Render(const CAPTION &c, int32_t w, int32_t h, CAPTIONIMAGE *out);
// As CAPTION_Render, mirrored and turned by angle degrees clockwise: the image is the
// turned box (CalcRotatedSize of w, h), centred on the upright one.
int CAPTION_RenderPlaced(const CAPTION &c, int32_t w, int32_t h, int32_t angle, int flipH,
                         int flipV, CAPTIONIMAGE *out);
// Blends the part (sx, sy, w, h) of an image over dst at (x, y), clipped to dst.
void CAPTION_Blend(LPDDS dst, int32_t x, int32_t y, const CAPTIONIMAGE &img, int32_t sx, int32_t sy,
                   int32_t w, int32_t h);

// ---- The piece -----------------------------------------------------------------------------
// The text description IMGOBJ_AddObj takes for a caption: its style and text.
struct CAPTIONDESC {
    CAPTIONSTYLE style;
    const char *pszText;
    size_t cbText;
    float fLetterPx; // the letter size in window pixels; 0: a tenth of the picture (new) or
                     // the size it has (a change)
};
// Makes obj (kind IMG_CAPTION, from IMGOBJ_AddObj) a caption: from tmpl's caption when tmpl
// is one (its copy, in its place), else from desc, at the size its letters have at
// letterPx pixels, centred on the picture (tmpl, when given, still gives place and size).
// Selected, rebuilt and listed. 0 with the trail filled.
int CAPTION_AddPiece(IMGOBJ *obj, const CAPTIONDESC *desc, const IMGOBJ *tmpl);
// Gives a caption piece new text, style and letter size, keeping its centre (the box
// follows the new text). 0 when obj is no caption.
int CAPTION_Change(IMGOBJ *obj, const CAPTIONDESC &desc);
// The letter size a caption piece shows in window pixels (for the dialog's size field).
float CAPTION_LetterPx(const IMGOBJ *obj);
// Rebuilds a caption piece's screen image (UpdateImgObj calls it).
int CAPTION_UpdateScreen(IMGOBJ *obj);
// Draws a caption piece's screen image onto the picture buffer, the part (x, y, w, h)
// of its drawn rectangle r.
void CAPTION_DrawScreen(LPDDS dst, const IMGOBJ *obj, const XYWH &r, const XYWH &part);
// Composes a caption piece into the export at its place p there (before its turn),
// drawn at that size. 0 with the trail filled.
int CAPTION_Compose(LPDDS out, const IMGOBJ *obj, const XYWH &p);
// Frees what a caption object owns (IMGOBJ_ReleaseOwned calls it).
void CAPTION_Release(IMGOBJ *obj);
// Frees the fonts (at exit; they are opened again when needed).
void CAPTION_Shutdown();
