// data_files.h — files of the data folder (MW_DATA_DIR) and the source folder (MW_SOURCE_DIR),
// and bitmaps decoded with the program's own decoder; white (0xFFFFFF) is transparent.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pixels/pixels.h"
#include "support/temp_dir.h"

// A file of the data folder, or the folder itself for an empty name.
inline std::string DataPath(const std::string &name = "", const char *folder = "MW_DATA_DIR")
{
    const char *dir = std::getenv(folder);
    return std::string(dir ? dir : "") + "/" + name;
}

inline std::string SourcePath(const std::string &name)
{
    return DataPath(name, "MW_SOURCE_DIR");
}

// The bytes of a file of the data folder; empty when it is missing.
inline std::vector<uint8_t> ReadData(const std::string &name)
{
    return ReadBytes(DataPath(name));
}

// The pixel (x, y) of a decoded image, 0xRRGGBB.
inline uint32_t DibPixel(const DIBIMAGE &image, int x, int y)
{
    const uint8_t *p = image.pBits + static_cast<ptrdiff_t>(y) * image.iPitch + x * 3;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

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
    uint32_t At(int x, int y) const { return DibPixel(dib, x, y); }
    // Pixels of the rectangle (the whole bitmap by default) that are not white.
    int Ink(int x = 0, int y = 0, int w = -1, int h = -1) const
    {
        int n = 0;
        for (int j = y; j < y + (h < 0 ? dib.iHeight : h); ++j)
            for (int i = x; i < x + (w < 0 ? dib.iWidth : w); ++i)
                n += At(i, j) != 0xFFFFFF;
        return n;
    }
};
