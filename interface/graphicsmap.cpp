// graphicsmap.cpp — reading the graphics map "obj.edi".
#include "interface/graphicsmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/trail.h"

int32_t *gGraphicsMap;
GRAPHICSRECT *gGraphicsRects;
int32_t gGraphicsCount;

void FreeObjects()
{
    std::free(gGraphicsMap);
    std::free(gGraphicsRects);
    gGraphicsMap = nullptr;
    gGraphicsRects = nullptr;
    gGraphicsCount = 0;
}

const GRAPHICSRECT *GraphicsRect(int32_t id)
{
    if (!gGraphicsMap || id < 0 || id >= GRAPHICS_ID_COUNT)
        return nullptr;
    int32_t index = gGraphicsMap[id];
    if (index < 0 || index >= gGraphicsCount)
        return nullptr;
    return &gGraphicsRects[index];
}

// Reads a decimal like "%d" does (leading blanks, a sign, digits) without reading at
// or past end. Returns the position after the digits, or null when there are none or
// the value does not fit in 32 bits.
static const char *ReadDecimal(const char *p, const char *end, int32_t *value)
{
    while (p < end &&
           (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f'))
        p++;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        p++;
    }
    if (p >= end || *p < '0' || *p > '9')
        return nullptr;
    int64_t v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > 0x7FFFFFFFLL)
            return nullptr;
        p++;
    }
    *value = static_cast<int32_t>(negative ? -v : v);
    return p;
}

// The four values "x,y,w,h" at p; 0 when fewer than four are there.
static int ReadFourValues(const char *p, const char *end, int32_t out[4])
{
    for (int i = 0; i < 4; i++) {
        if (i > 0) {
            if (p >= end || *p != ',')
                return 0;
            p++;
        }
        p = ReadDecimal(p, end, &out[i]);
        if (!p)
            return 0;
    }
    return 1;
}

static int AllocateMap()
{
    FreeObjects();
    gGraphicsMap = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * GRAPHICS_ID_COUNT));
    if (!gGraphicsMap)
        return Fail("No map mem!");
    gGraphicsRects =
        static_cast<GRAPHICSRECT *>(std::calloc(GRAPHICS_RECT_CAPACITY, sizeof(GRAPHICSRECT)));
    if (!gGraphicsRects) {
        FreeObjects();
        return Fail("No map mem!");
    }
    for (int32_t i = 0; i < GRAPHICS_ID_COUNT; i++)
        gGraphicsMap[i] = -1;
    return 1;
}

// Adds the entry whose "G:" colon is at text[colon].
static int ParseEntry(const char *text, const char *end, size_t colon)
{
    int32_t id;
    if (!ReadDecimal(text + colon + 1, end, &id))
        return Fail("G: Corrupted line!!");
    if (id < 0 || id >= GRAPHICS_ID_COUNT) {
        Fail("Graphics Id out of range!");
        return Failf("%d", id);
    }
    if (gGraphicsMap[id] != -1) {
        Fail("Graphics Id already used!");
        return Failf("%d", id);
    }
    if (gGraphicsCount >= GRAPHICS_RECT_CAPACITY) {
        Fail("Graphics map full!");
        return Failf("%d", id);
    }
    int32_t v[4];
    const char *values = text + colon + 6;
    if (values >= end || !ReadFourValues(values, end, v))
        return Fail("G: Corrupted line!!");
    if (v[2] < 0 || v[3] < 0)
        return Fail("G: Corrupted line!!");
    GRAPHICSRECT &r = gGraphicsRects[gGraphicsCount];
    r.x = v[0];
    r.y = v[1];
    r.iWidth = v[2];
    r.iHeight = v[3];
    r.iId = id;
    gGraphicsMap[id] = gGraphicsCount++;
    return 1;
}

int GraphicsMapParse(const uint8_t *data, size_t size)
{
    if (!AllocateMap())
        return 0;
    if (size > GRAPHICS_FILE_MAX)
        size = GRAPHICS_FILE_MAX;
    const char *text = reinterpret_cast<const char *>(data);
    const char *end = text + size;
    for (size_t p = 1; p < size; p++) {
        if (text[p] == ':' && text[p - 1] == 'G') {
            if (!ParseEntry(text, end, p))
                return 0;
        }
    }
    return 1;
}

int LoadObjects()
{
    if (::chdir(gMainDir) != 0)
        return Fail("SetCurrentDirectory() !");
    FILE *f = std::fopen("obj.edi", "rb");
    if (!f)
        return Fail("Open file failed!");
    uint8_t *buffer = static_cast<uint8_t *>(std::malloc(GRAPHICS_FILE_MAX));
    if (!buffer) {
        std::fclose(f);
        return Fail("No objects mem!");
    }
    size_t got = std::fread(buffer, 1, GRAPHICS_FILE_MAX, f);
    int closed = std::fclose(f) == 0;
    if (got == 0 || !closed) {
        std::free(buffer);
        if (got == 0)
            Fail("Read file failed!");
        if (!closed)
            Fail("Close file failed!");
        return 0;
    }
    int ok = GraphicsMapParse(buffer, got);
    std::free(buffer);
    return ok;
}
