// artwork_data.h — reading the generated artwork in the tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pixels/pixels.h"
#include "interface/graphicsmap.h"

namespace artwork_test {

inline std::string DataPath(const std::string &name)
{
    const char *dir = std::getenv("MW_DATA_DIR");
    if (!dir || !*dir)
        dir = MW_TEST_DATA_DIR;
    return std::string(dir) + "/" + name;
}

inline std::vector<uint8_t> ReadData(const std::string &name)
{
    std::vector<uint8_t> bytes;
    FILE *f = std::fopen(DataPath(name).c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

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
