// artwork_data.h — reading the generated artwork in the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "interface/graphicsmap.h"
#include "pixels/pixels.h"
#include "support/data_files.h"

namespace artwork_test
{

using Image = DecodedBitmap;

struct Sprite {
    int id, x, y, w, h;
};

// The graphics map as the program reads it (GraphicsMapParse); *ok is 0 when the
// file is missing or refused.
inline std::vector<Sprite> ReadGraphicsMap(bool *ok)
{
    std::vector<uint8_t> data = ReadData("obj.edi");
    std::vector<Sprite> out;
    *ok = !data.empty() && GraphicsMapParse(data.data(), data.size());
    for (int32_t i = 0; *ok && i < gGraphicsCount; ++i) {
        const GRAPHICSRECT &r = gGraphicsRects[i];
        out.push_back({r.iId, r.x, r.y, r.iWidth, r.iHeight});
    }
    FreeObjects();
    return out;
}

} // namespace artwork_test
