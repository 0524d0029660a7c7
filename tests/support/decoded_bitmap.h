// decoded_bitmap.h — a bitmap file decoded with the program's own decoder, for checking
// generated pictures; white (0xFFFFFF) is the transparent colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pixels/pixels.h"

struct DecodedBitmap {
    BITMAPINFOHEADER info{}; // as stored in the file
    DIBIMAGE dib{};
    bool ok = false;
    std::string why; // why decoding failed

    explicit DecodedBitmap(const std::vector<uint8_t> &bytes)
    {
        const char *reason = "missing";
        if (bytes.size() >= sizeof(BITMAPFILEHEADER) + sizeof info)
            std::memcpy(&info, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof info);
        ok = !bytes.empty() && DibDecode(bytes.data(), bytes.size(), &dib, &reason);
        why = reason ? reason : "";
    }
    ~DecodedBitmap() { DibFreeImage(&dib); }
    DecodedBitmap(const DecodedBitmap &) = delete;

    int w() const { return dib.iWidth; }
    int h() const { return dib.iHeight; }
    uint32_t At(int x, int y) const
    {
        const uint8_t *p = dib.pBits + static_cast<ptrdiff_t>(y) * dib.iPitch + x * 3;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    // Pixels of the rectangle (the whole bitmap by default) that are not white.
    int Ink(int x, int y, int w, int h) const
    {
        int n = 0;
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                n += At(i, j) != 0xFFFFFF;
        return n;
    }
    int Ink() const { return Ink(0, 0, w(), h()); }
};
