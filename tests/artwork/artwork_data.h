// artwork_data.h — reading the generated artwork in the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pixels/pixels.h"
#include "shell/graphicsmap.h"
#include "support/data_files.h"

namespace artwork_test {

// A decoded bitmap that frees itself.
struct Image {
    DIBIMAGE dib{};
    bool ok = false;
    explicit Image(const std::vector<uint8_t> &bytes)
    {
        ok = !bytes.empty() && DibDecode(bytes.data(), bytes.size(), &dib, nullptr);
    }
    ~Image() { DibFreeImage(&dib); }
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    int w() const { return dib.iWidth; }
    int h() const { return dib.iHeight; }
    uint32_t At(int x, int y) const
    {
        const uint8_t *p = dib.pBits + static_cast<ptrdiff_t>(y) * dib.iPitch + x * 3;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    // Pixels of the rectangle that are not white.
    int Ink(int x, int y, int w, int h) const
    {
        int n = 0;
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                n += At(i, j) != 0xFFFFFF;
        return n;
    }
    bool SameRect(int ax, int ay, int bx, int by, int w, int h) const
    {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                if (At(ax + i, ay + j) != At(bx + i, by + j))
                    return false;
        return true;
    }
};

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
