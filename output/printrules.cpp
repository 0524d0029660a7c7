// printrules.cpp — the print options' arithmetic and rules.
#include "output/printrules.h"

#include <cstdio>

#include "resources/strings/strings.h"

constexpr float MM_PER_INCH = 25.4f;

// Millimetres of `pixels` device pixels at `dpi`, truncated.
static int32_t ToMM(int32_t pixels, float dpi)
{
    return dpi > 0.0f ? static_cast<int32_t>(static_cast<float>(pixels) * MM_PER_INCH / dpi) : 0;
}

void PrintSizeStart(const PRINTMEASURE *m, int32_t photoWidth, int32_t photoHeight, PRINTSIZE *ps)
{
    ps->iSizeMode = PRINT_PAPER;
    ps->bStretch = 1;
    ps->iWidthMM = ToMM(photoWidth, m->fDpiX);
    ps->iHeightMM = ToMM(photoHeight, m->fDpiY);
    ps->iMaxWidthMM = ToMM(m->iPrintWidth, m->fDpiX);
    ps->iMaxHeightMM = ToMM(m->iPrintHeight, m->fDpiY);
    ps->iHAlign = ALIGN_LEFT;
    ps->iVAlign = ALIGN_UP;
}

void PrintedSize(const PRINTSIZE *ps, const PRINTMEASURE *m, int32_t photoWidth,
                 int32_t photoHeight, int32_t *w, int32_t *h)
{
    *w = *h = 0;
    if (ps->iSizeMode == PRINT_CUSTOM) {
        *w = static_cast<int32_t>(static_cast<float>(ps->iWidthMM) * m->fDpiX / MM_PER_INCH);
        *h = static_cast<int32_t>(static_cast<float>(ps->iHeightMM) * m->fDpiY / MM_PER_INCH);
        return;
    }
    if (ps->bStretch) {
        *w = m->iPrintWidth;
        *h = m->iPrintHeight;
        return;
    }
    if (photoWidth <= 0 || photoHeight <= 0 || m->iPrintWidth <= 0 || m->iPrintHeight <= 0)
        return;
    const float pageRatio =
        static_cast<float>(m->iPrintWidth) / static_cast<float>(m->iPrintHeight);
    const float photoRatio = static_cast<float>(photoWidth) / static_cast<float>(photoHeight);
    const float r = pageRatio / photoRatio;
    // The other side follows in whole numbers; 64 bits so that a large page times a
    // large photo cannot overflow.
    if (pageRatio > photoRatio) {
        *w = static_cast<int32_t>(static_cast<float>(m->iPrintWidth) / r);
        *h = static_cast<int32_t>(int64_t{*w} * photoHeight / photoWidth);
    } else {
        *h = static_cast<int32_t>(static_cast<float>(m->iPrintHeight) * r);
        *w = static_cast<int32_t>(int64_t{*h} * photoWidth / photoHeight);
    }
}

void PrintedPosition(const PRINTSIZE *ps, const PRINTMEASURE *m, int32_t w, int32_t h, int32_t *x,
                     int32_t *y)
{
    *x = *y = 0;
    if (ps->iHAlign == ALIGN_CENTER)
        *x = m->iPrintWidth / 2 - w / 2;
    else if (ps->iHAlign == ALIGN_RIGHT)
        *x = m->iPrintWidth - w;
    if (ps->iVAlign == ALIGN_CENTER)
        *y = m->iPrintHeight / 2 - h / 2;
    else if (ps->iVAlign == ALIGN_DOWN)
        *y = m->iPrintHeight - h;
}

PRINTENABLE PrintSizeEnabling(int32_t sizeMode, bool stretchChecked)
{
    const bool paper = sizeMode == PRINT_PAPER;
    return {paper, !paper, !(paper && stretchChecked)};
}

int ReadUnsigned(const char *text, uint32_t *value)
{
    uint64_t v = 0;
    const char *p = text;
    if (!p || !*p)
        return 0;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > UINT32_MAX)
            return 0;
    }
    *value = static_cast<uint32_t>(v);
    return 1;
}

int ProportionalPartner(const char *text, bool hasFocus, bool keepProportions, int32_t from,
                        int32_t to, int64_t *partner)
{
    uint32_t v = 0;
    if (!hasFocus || !keepProportions || from == 0 || !ReadUnsigned(text, &v))
        return 0;
    *partner = static_cast<int64_t>(static_cast<double>(int64_t{v} * to) / from + 0.5);
    return 1;
}

int CheckCustomSide(const char *text, int width, int32_t maxMM, int32_t *value, char *message,
                    size_t size)
{
    constexpr int32_t MIN_MM = 10;
    uint32_t v = 0;
    const bool number = ReadUnsigned(text, &v);
    if (!number || v < static_cast<uint32_t>(MIN_MM)) {
        std::snprintf(message, size, LoadText(width ? STR_PRINT_BAD_WIDTH : STR_PRINT_BAD_HEIGHT),
                      MIN_MM, maxMM);
        return 0;
    }
    if (v > static_cast<uint32_t>(maxMM)) {
        std::snprintf(message, size, LoadText(width ? STR_PRINT_TOO_WIDE : STR_PRINT_TOO_HIGH),
                      maxMM);
        return 0;
    }
    *value = static_cast<int32_t>(v);
    return 1;
}
