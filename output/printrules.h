// printrules.h — the print options' arithmetic and rules, without a window.
//
// The printed size and place of the picture in device pixels, the options' start
// values, which controls of the "Print options" dialog are enabled, the proportional
// width and height edits and the checks of a custom size. The dialog (printdialogs.h)
// and the print job (print.cpp) apply the results.
#pragma once

#include <cstddef>
#include <cstdint>

// Size modes and alignment codes. The vertical codes are 3, 1, 4: up, centre, down.
enum : int32_t { PRINT_PAPER = 1, PRINT_CUSTOM = 2 };
enum : int32_t { ALIGN_LEFT = 0, ALIGN_CENTER = 1, ALIGN_RIGHT = 2, ALIGN_UP = 3, ALIGN_DOWN = 4 };

// The printer's measures: the printable area in device pixels (the physical page less
// twice the physical offsets; its origin is device pixel 0, 0) and the dots per inch.
struct PRINTMEASURE {
    int32_t iPrintWidth;
    int32_t iPrintHeight;
    float fDpiX;
    float fDpiY;
};

// The print-size parameters the options dialog fills.
struct PRINTSIZE {
    int32_t iSizeMode; // PRINT_PAPER or PRINT_CUSTOM
    int32_t bStretch;  // paper: fill the printable area, else keep the proportions
    int32_t iWidthMM;  // custom size in millimetres
    int32_t iHeightMM;
    int32_t iMaxWidthMM; // the printable area in millimetres
    int32_t iMaxHeightMM;
    int32_t iHAlign; // ALIGN_LEFT, ALIGN_CENTER, ALIGN_RIGHT
    int32_t iVAlign; // ALIGN_UP, ALIGN_CENTER, ALIGN_DOWN
};

// The values before the dialog: paper, stretched, the photo's size at the printer's
// resolution and the printable area, both in whole millimetres, left and up.
void PrintSizeStart(const PRINTMEASURE *m, int32_t photoWidth, int32_t photoHeight, PRINTSIZE *ps);

// The printed size in device pixels, in single precision as the printer measures are:
// paper stretched fills the area; paper kept fits the photo's proportions into it;
// custom turns millimetres into pixels. 0 × 0 for an empty photo.
void PrintedSize(const PRINTSIZE *ps, const PRINTMEASURE *m, int32_t photoWidth,
                 int32_t photoHeight, int32_t *w, int32_t *h);
// Where a w × h picture goes on the printable area by the alignment codes.
void PrintedPosition(const PRINTSIZE *ps, const PRINTMEASURE *m, int32_t w, int32_t h, int32_t *x,
                     int32_t *y);

// Which controls of the options dialog are enabled for the checked size mode and
// "Stretch image" box.
struct PRINTENABLE {
    bool bStretch;   // "Stretch image"
    bool bCustom;    // "Keep proportions", both edits and their labels
    bool bAlignment; // the six alignment radios
};
PRINTENABLE PrintSizeEnabling(int32_t sizeMode, bool stretchChecked);

// Reads an edit's text as an unsigned number (digits only, at most 4294967295); 0 when
// it is not one.
int ReadUnsigned(const char *text, uint32_t *value);

// The partner edit's new value when one size edit changes: only while that edit has the
// keyboard focus (so the partner's own change does not come back), its text is a number,
// the photo's side `from` is not 0 and "Keep proportions" is checked. The value is
// trunc(v × to ÷ from + 0.5). 0 when the partner stays as it is.
int ProportionalPartner(const char *text, bool hasFocus, bool keepProportions, int32_t from,
                        int32_t to, int64_t *partner);

// Checks a custom width (width 1) or height (width 0) against 10 and the printable
// area's millimetres: 1 with the value, or 0 with the message for the user (strings 288
// and 307 for the width, 289 and 308 for the height) in `message`. An empty or
// non-numeric text counts as below 10.
int CheckCustomSide(const char *text, int width, int32_t maxMM, int32_t *value, char *message,
                    size_t size);
