// photodialoglogic.cpp — the photo size dialog's computations.
#include "shell/photodialoglogic.h"

#include <cctype>
#include <cstdio>

#include "platform/trail.h"
#include "resources/strings/strings.h"

int PhotoIsUpright(int32_t photoWidth, int32_t photoHeight)
{
    return !(photoHeight < photoWidth);
}

int PhotoSizeOfChoice(int32_t id, int32_t photoWidth, int32_t photoHeight, int32_t screenWidth,
                      int32_t screenHeight, int32_t *width, int32_t *height)
{
    static const int32_t kFixed[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
    const int upright = PhotoIsUpright(photoWidth, photoHeight);
    switch (id) {
    case PHOTOSIZE_ORIGINAL:
        *width = photoWidth, *height = photoHeight;
        return 1;
    case PHOTOSIZE_SCREEN:
        *width = screenWidth, *height = screenHeight;
        return 1;
    case 303:
    case 304:
    case 305: {
        const int32_t *fixed = kFixed[id - 303];
        *width = fixed[upright ? 1 : 0];
        *height = fixed[upright ? 0 : 1];
        return 1;
    }
    default:
        return 0;
    }
}

void PhotoSizeLabel(int32_t id, int32_t photoWidth, int32_t photoHeight, int32_t screenWidth,
                    int32_t screenHeight, char *out, size_t size)
{
    int32_t w = 0, h = 0;
    PhotoSizeOfChoice(id, photoWidth, photoHeight, screenWidth, screenHeight, &w, &h);
    if (id == PHOTOSIZE_ORIGINAL || id == PHOTOSIZE_SCREEN)
        std::snprintf(out, size, "%s  (%d x %d)",
                      LoadText(id == PHOTOSIZE_ORIGINAL ? STR_SIZE_ORIGINAL : STR_SIZE_SCREEN), w,
                      h);
    else if (id == PHOTOSIZE_CUSTOM)
        std::snprintf(out, size, "%s", LoadText(STR_SIZE_CUSTOM));
    else
        std::snprintf(out, size, "%d x %d", w, h);
}

int PhotoSizeNumber(const char *text, int32_t *value)
{
    const char *p = text;
    while (*p == ' ')
        ++p;
    int32_t n = 0, digits = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (++digits > 9)
            return 0;
        n = n * 10 + (*p++ - '0');
    }
    while (*p == ' ')
        ++p;
    if (!digits || *p)
        return 0;
    *value = n;
    return 1;
}

int ProportionalSide(int32_t value, int32_t numerator, int32_t denominator, int32_t *partner)
{
    if (denominator == 0)
        return 0;
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const double side = static_cast<double>(product) / denominator + 0.5;
    *partner = side >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(side);
    return 1;
}

int CustomSideValid(const char *text, int32_t stringId, int32_t *value)
{
    int32_t n = 0;
    if (PhotoSizeNumber(text, &n) && n >= PHOTOSIZE_MIN && n <= PHOTOSIZE_MAX) {
        *value = n;
        return 1;
    }
    char message[300];
    std::snprintf(message, sizeof message, LoadText(stringId), PHOTOSIZE_MIN, PHOTOSIZE_MAX);
    return Fail(message);
}
