// croplogic.cpp — the Crop photo dialog's arithmetic (see croplogic.h).
#include "shell/croplogic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

const struct {
    int32_t num, den;
    const char *name;
} kFixed[] = {{1, 1, "1:1"}, {4, 3, "4:3"}, {3, 2, "3:2"},  {16, 9, "16:9"},
              {3, 4, "3:4"}, {2, 3, "2:3"}, {9, 16, "9:16"}};

int32_t Clamp(int64_t v, int32_t lo, int32_t hi)
{
    return static_cast<int32_t>(v < lo ? lo : v > hi ? hi : v);
}

// The height of width w at num:den, at least 1.
int32_t HeightFor(int32_t w, int32_t num, int32_t den)
{
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(double(w) * den / num)));
}

int32_t WidthFor(int32_t h, int32_t num, int32_t den)
{
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(double(h) * num / den)));
}

} // namespace

int CropRatio(int ratio, int32_t photoW, int32_t photoH, int32_t *num, int32_t *den)
{
    if (ratio == CROP_ORIGINAL && photoW > 0 && photoH > 0) {
        *num = photoW, *den = photoH;
        return 1;
    }
    if (ratio < 2 || ratio >= CROP_RATIO_COUNT)
        return 0;
    *num = kFixed[ratio - 2].num, *den = kFixed[ratio - 2].den;
    return 1;
}

const char *CropRatioName(int ratio)
{
    return ratio >= 2 && ratio < CROP_RATIO_COUNT ? kFixed[ratio - 2].name : nullptr;
}

CROPBOX CropFromDrag(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int ratio, int32_t photoW,
                     int32_t photoH)
{
    x0 = Clamp(x0, 0, photoW - 1), y0 = Clamp(y0, 0, photoH - 1);
    x1 = Clamp(x1, 0, photoW), y1 = Clamp(y1, 0, photoH);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    // Room from the press corner toward the pointer, the press pixel included.
    const int32_t roomW = sx > 0 ? photoW - x0 : x0 + 1, roomH = sy > 0 ? photoH - y0 : y0 + 1;
    int32_t w = Clamp(std::abs(x1 - x0) + (sx < 0), 1, roomW);
    int32_t h = Clamp(std::abs(y1 - y0) + (sy < 0), 1, roomH);
    int32_t num, den;
    if (CropRatio(ratio, photoW, photoH, &num, &den)) {
        if (int64_t(w) * den >= int64_t(h) * num)
            h = HeightFor(w, num, den);
        else
            w = WidthFor(h, num, den);
        if (h > roomH)
            h = roomH, w = WidthFor(h, num, den);
        if (w > roomW)
            w = roomW, h = std::min(roomH, HeightFor(w, num, den));
    }
    const int32_t x = sx > 0 ? x0 : x0 + 1 - w, y = sy > 0 ? y0 : y0 + 1 - h;
    return {x, y, w, h};
}

CROPBOX CropFit(CROPBOX box, int ratio, int32_t photoW, int32_t photoH, int heightLeads)
{
    box.w = Clamp(box.w, 1, photoW), box.h = Clamp(box.h, 1, photoH);
    int32_t num, den;
    if (CropRatio(ratio, photoW, photoH, &num, &den)) {
        if (heightLeads)
            box.w = WidthFor(box.h, num, den);
        else
            box.h = HeightFor(box.w, num, den);
        if (box.w > photoW)
            box.w = photoW, box.h = HeightFor(box.w, num, den);
        if (box.h > photoH)
            box.h = photoH, box.w = std::min(photoW, WidthFor(box.h, num, den));
    }
    return CropMoved(box, 0, 0, photoW, photoH);
}

CROPBOX CropLargest(int ratio, int32_t photoW, int32_t photoH)
{
    CROPBOX box = CropFit({0, 0, photoW, photoH}, ratio, photoW, photoH);
    box.x = (photoW - box.w) / 2, box.y = (photoH - box.h) / 2;
    return box;
}

CROPBOX CropMoved(CROPBOX box, int32_t dx, int32_t dy, int32_t photoW, int32_t photoH)
{
    box.x = Clamp(int64_t(box.x) + dx, 0, std::max(0, photoW - box.w));
    box.y = Clamp(int64_t(box.y) + dy, 0, std::max(0, photoH - box.h));
    return box;
}

int CropCuts(const CROPBOX &box, int32_t photoW, int32_t photoH)
{
    return box.x != 0 || box.y != 0 || box.w != photoW || box.h != photoH;
}
