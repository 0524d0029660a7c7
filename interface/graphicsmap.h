// graphicsmap.h — the graphics map "obj.edi": sprite-sheet rectangles by graphics id.
//
// The file is text; every "G:" starts an entry whose id follows the colon and whose
// four values x, y, width, height follow comma-separated six bytes after the colon:
//     G:1001 12,40,52,44
// The map lives from start-up (LoadObjects) to shutdown (FreeObjects). No toolkit.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t GRAPHICS_ID_COUNT = 32768;     // ids 0 to 32767
constexpr int32_t GRAPHICS_RECT_CAPACITY = 4096; // entries the rectangle table holds
constexpr size_t GRAPHICS_FILE_MAX = 32768;      // bytes read from the file

// One sprite rectangle of the sheet "SPRITE" and its graphics id.
struct GRAPHICSRECT {
    int32_t x;
    int32_t y;
    int32_t iWidth;
    int32_t iHeight;
    int32_t iId;
};

extern int32_t *gGraphicsMap;        // GRAPHICS_ID_COUNT entries: table index or -1; null if none
extern GRAPHICSRECT *gGraphicsRects; // GRAPHICS_RECT_CAPACITY entries, gGraphicsCount used
extern int32_t gGraphicsCount;

// Builds the map from file bytes (at most GRAPHICS_FILE_MAX are looked at). Entries up
// to a refused one stay. 0 with the trail filled for a repeated id ("Graphics Id
// already used!" and the id), an id outside 0 to 32767, a full table or an entry
// whose values are missing ("G: Corrupted line!!").
int GraphicsMapParse(const uint8_t *data, size_t size);
// Reads "obj.edi" from gMainDir and builds the map; 0 with the trail filled.
int LoadObjects();
// Frees the map and the table.
void FreeObjects();
// The rectangle of a graphics id, or null when the id is outside the map or undefined.
const GRAPHICSRECT *GraphicsRect(int32_t id);
