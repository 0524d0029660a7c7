// level.cpp — the level file: four lists of sprites placed at window positions, of
// which the action records become the on-screen buttons.
//
// Layout (little-endian): a 112-byte header with the four record counts at 0 and the
// name check at 76, then the static (12 bytes), foreground (16), path (20) and action
// (48) records in that order.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "interface/interface.h"
#include "platform/platform.h"
#include "platform/trail.h"

LEVEL gLevel;

// Larger files are not levels; the reader stops at this many bytes.
static constexpr size_t kLevelFileMax =
    LEVEL_HEADER_SIZE + 4 * 48 * static_cast<size_t>(LEVEL_MAX_RECORDS);

static int32_t ReadI32(const uint8_t *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

static uint16_t ReadU16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

int32_t LevelNameCheck(const char *name)
{
    int32_t sum = 0;
    for (const char *c = name; *c; c++)
        sum += static_cast<signed char>(*c);
    return sum;
}

void FreeLevel()
{
    std::free(gLevel.pStatic);
    std::free(gLevel.pForeground);
    std::free(gLevel.pPaths);
    std::free(gLevel.pActions);
    gLevel = LEVEL{};
}

// Visible unless wholly left of or above the window. A record whose right or bottom
// edge lies past the int range is far off the window and is dropped too.
static bool Visible(int32_t x, int32_t y, int32_t width, int32_t height)
{
    const int64_t right = static_cast<int64_t>(x) + width;
    const int64_t bottom = static_cast<int64_t>(y) + height;
    return right > 0 && bottom > 0 && right <= INT32_MAX && bottom <= INT32_MAX;
}

// The sprite rectangle of a record's graphic; null when the map does not define it (and,
// for static records, neither 2330). The skipped record is a note for the developer: the
// level loads, and the trail stays empty for the user's next message.
static const GRAPHICSRECT *RecordGraphic(int32_t id, bool undefinedTakesBlank)
{
    const GRAPHICSRECT *r = GraphicsRect(id);
    if (!r && undefinedTakesBlank && id >= 0 && id < GRAPHICS_ID_COUNT)
        r = GraphicsRect(LEVEL_UNDEFINED_GRAPHIC);
    if (!r) {
        char note[80];
        std::snprintf(note, sizeof note, "Level record skipped: graphics id %d is not in the map",
                      id);
        PLAT_DebugOutput(note);
    }
    return r;
}

// One of the four record arrays: where it starts and how many records it has.
struct ARRAYSPAN {
    const uint8_t *p;
    int32_t count;
};

static void KeepSprite(LEVELSPRITE *out, int32_t *kept, const uint8_t *rec, bool foreground)
{
    const int32_t id = ReadI32(rec), x = ReadI32(rec + 4), y = ReadI32(rec + 8);
    const GRAPHICSRECT *g = RecordGraphic(id, !foreground);
    if (!g || !Visible(x, y, g->iWidth, g->iHeight))
        return;
    LEVELSPRITE &s = out[(*kept)++];
    s = LEVELSPRITE{x,
                    y,
                    x + g->iWidth,
                    y + g->iHeight,
                    g->x,
                    g->y,
                    id,
                    static_cast<uint16_t>(foreground ? ReadU16(rec + 12) : 0)};
}

static void KeepAction(const uint8_t *rec)
{
    const int32_t id = ReadI32(rec), x = ReadI32(rec + 4), y = ReadI32(rec + 8);
    const GRAPHICSRECT *g = RecordGraphic(id, false);
    if (!g || !Visible(x, y, g->iWidth, g->iHeight))
        return;
    LEVELACTION &a = gLevel.pActions[gLevel.iActionCount++];
    a = LEVELACTION{};
    a.left = x;
    a.top = y;
    a.right = x + g->iWidth;
    a.bottom = y + g->iHeight;
    a.xSrc = g->x;
    a.ySrc = g->y;
    a.iWidth = g->iWidth;
    a.iHeight = g->iHeight;
    a.iGraphic = id;
    for (int k = 0; k < 8; k++)
        a.p[k] = ReadI32(rec + 12 + 4 * k);
    a.wFlags = ReadU16(rec + 44);
}

int LevelParse(const uint8_t *data, size_t size, const char *name)
{
    FreeLevel();
    if (!data || size < LEVEL_HEADER_SIZE)
        return Fail("Read file failed!");
    if (!name || ReadI32(data + 76) != LevelNameCheck(name))
        return 0; // made for another name: refused without a word
    static const size_t kRecordSize[4] = {12, 16, 20, 48};
    ARRAYSPAN span[4];
    size_t offset = LEVEL_HEADER_SIZE;
    for (int k = 0; k < 4; k++) {
        const int32_t count = ReadI32(data + 4 * k);
        if (count < 0 || count > LEVEL_MAX_RECORDS) {
            return Failf("Level file: %d records cannot be right", count);
        }
        const size_t bytes = kRecordSize[k] * static_cast<size_t>(count);
        if (bytes > size - offset)
            return Fail("Read file failed!");
        span[k] = ARRAYSPAN{data + offset, count};
        offset += bytes;
    }
    // Every list is allocated for its whole count before any record is read.
    gLevel.pStatic =
        static_cast<LEVELSPRITE *>(std::calloc(span[0].count + 1, sizeof(LEVELSPRITE)));
    gLevel.pForeground =
        static_cast<LEVELSPRITE *>(std::calloc(span[1].count + 1, sizeof(LEVELSPRITE)));
    gLevel.pPaths = static_cast<LEVELPATH *>(std::calloc(span[2].count + 1, sizeof(LEVELPATH)));
    gLevel.pActions =
        static_cast<LEVELACTION *>(std::calloc(span[3].count + 1, sizeof(LEVELACTION)));
    if (!gLevel.pStatic || !gLevel.pForeground || !gLevel.pPaths || !gLevel.pActions) {
        FreeLevel();
        return Fail("No level mem!");
    }
    for (int32_t i = 0; i < span[0].count; i++)
        KeepSprite(gLevel.pStatic, &gLevel.iStaticCount, span[0].p + 12 * i, false);
    for (int32_t i = 0; i < span[1].count; i++)
        KeepSprite(gLevel.pForeground, &gLevel.iForegroundCount, span[1].p + 16 * i, true);
    for (int32_t i = 0; i < span[2].count; i++) {
        const uint8_t *rec = span[2].p + 20 * i;
        gLevel.pPaths[gLevel.iPathCount++] = LEVELPATH{
            ReadI32(rec), ReadI32(rec + 4), ReadI32(rec + 8), ReadI32(rec + 12), ReadU16(rec + 16)};
    }
    for (int32_t i = 0; i < span[3].count; i++)
        KeepAction(span[3].p + 48 * i);
    return 1;
}

int LoadLevel(const char *name)
{
    struct stat st;
    if (gMainDir[0] && (::chdir(gMainDir) != 0))
        return Fail("SetCurrentDirectory() !");
    char path[sizeof gMainDir + 256];
    std::snprintf(path, sizeof path, "%s%s", gMainDir, name ? name : "");
    FILE *f = name ? std::fopen(path, "rb") : nullptr;
    if (!f)
        return Fail("Could not open the file.");
    // The level must be a plain file under the name its header was made for.
    if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return 0;
    }
    uint8_t *buffer = static_cast<uint8_t *>(std::malloc(kLevelFileMax));
    if (!buffer) {
        std::fclose(f);
        return Fail("No level mem!");
    }
    const size_t got = std::fread(buffer, 1, kLevelFileMax, f);
    const int closed = std::fclose(f) == 0;
    int ok = LevelParse(buffer, got, name);
    std::free(buffer);
    if (ok && !closed)
        ok = Fail("Close file failed!");
    return ok;
}
