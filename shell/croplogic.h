// croplogic.h — what the Crop photo dialog computes: the proportions it offers, the
// rectangle a drag or typed numbers mark, kept inside the photo and to the proportions.
// Every rectangle is in the photo's pixels. No window needed.
#pragma once

#include <cstdint>

struct CROPBOX {
    int32_t x, y, w, h;
};

// The proportions in the dialog's order: free, as the photo, 1:1, 4:3, 3:2, 16:9, then
// the upright 3:4, 2:3, 9:16.
constexpr int CROP_RATIO_COUNT = 9;
enum : int {
    CROP_FREE = 0,
    CROP_ORIGINAL = 1,
};
// Width and height of proportion `ratio` for a photo of w × h; 0 (and nothing written)
// for free proportions or a number outside the list.
int CropRatio(int ratio, int32_t photoW, int32_t photoH, int32_t *num, int32_t *den);
// The label of a fixed proportion ("4:3"); null for the free and photo's ones, which the
// string table names.
const char *CropRatioName(int ratio);

// The rectangle a drag from (x0, y0) to (x1, y1) marks: the press corner stays, the other
// follows the pointer, inside the photo and to the proportions (the longer way the drag went
// decides the size). At least 1 × 1.
CROPBOX CropFromDrag(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int ratio, int32_t photoW,
                     int32_t photoH);
// A rectangle as typed, made whole: at least 1 × 1, no larger than the photo, to the
// proportions (the width leads, or the height with heightLeads; the other side follows and
// both shrink when it would not fit), then moved inside the photo.
CROPBOX CropFit(CROPBOX box, int ratio, int32_t photoW, int32_t photoH, int heightLeads = 0);
// The largest rectangle of the proportions, centred on the photo.
CROPBOX CropLargest(int ratio, int32_t photoW, int32_t photoH);
// Moved by (dx, dy) and kept inside the photo, its size unchanged.
CROPBOX CropMoved(CROPBOX box, int32_t dx, int32_t dy, int32_t photoW, int32_t photoH);
// Whether OK with this rectangle changes the photo: not the whole photo.
int CropCuts(const CROPBOX &box, int32_t photoW, int32_t photoH);
