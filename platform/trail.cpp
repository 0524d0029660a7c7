// trail.cpp — the error trail.
#include "platform/trail.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "resources/strings/strings.h"

char gErrorTrail[ERROR_TRAIL_SIZE];
static size_t sTrailLength;

void TrailAppend(const char *text)
{
    size_t n = std::strlen(text);
    if (sTrailLength + n + 1 > ERROR_TRAIL_SIZE)
        return; // dropped whole: the trail keeps its first, most telling lines
    std::memcpy(gErrorTrail + sTrailLength, text, n + 1);
    sTrailLength += n;
}

int Fail(const char *line)
{
    size_t n = std::strlen(line);
    if (sTrailLength + n + 2 > ERROR_TRAIL_SIZE)
        return 0;
    std::memcpy(gErrorTrail + sTrailLength, line, n);
    sTrailLength += n;
    gErrorTrail[sTrailLength++] = '\n';
    gErrorTrail[sTrailLength] = '\0';
    return 0;
}

int Failf(const char *format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return Fail(line);
}

int TrailPending()
{
    return sTrailLength != 0;
}

void TrailClear()
{
    sTrailLength = 0;
    gErrorTrail[0] = '\0';
}

size_t TrailMark()
{
    return sTrailLength;
}

void TrailRewind(size_t mark)
{
    if (mark >= sTrailLength)
        return;
    sTrailLength = mark;
    gErrorTrail[sTrailLength] = '\0';
}

void ShowErrorTrail(int bNoOwner)
{
    if (!sTrailLength)
        return;
    PLAT_MessageBox(gErrorTrail, LoadText(STR_ERROR), PLAT_MB_OK | PLAT_MB_ICONSTOP, bNoOwner);
    TrailClear();
}
