// bmp_builder.h — writes small Windows bitmaps byte by byte for the tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

struct BmpLayout {
    uint32_t hdrSize = 40; // 12: the OS/2 core header
    int32_t width = 1;
    int32_t height = 1; // negative: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    std::vector<uint32_t> palette; // 0xRRGGBB, written as blue, green, red(, 0)
    uint32_t masks[3] = {0, 0, 0}; // written for bit fields and headers past 40 bytes
    bool fileHeader = true;
    std::vector<uint8_t> pixels; // the stored rows, exactly as in the file
};

inline std::vector<uint8_t> MakeBmp(const BmpLayout &s)
{
    auto put = [](std::vector<uint8_t> &v, uint32_t x, int bytes) {
        for (int i = 0; i < bytes; i++)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    const bool core = s.hdrSize == 12;
    std::vector<uint8_t> info, out;
    put(info, s.hdrSize, 4);
    put(info, s.width, core ? 2 : 4);
    put(info, static_cast<uint32_t>(s.height), core ? 2 : 4);
    put(info, 1, 2);
    put(info, s.bpp, 2);
    if (!core) {
        for (uint32_t v : {s.compression, s.sizeImage, 2835u, 2835u, s.clrUsed, 0u})
            put(info, v, 4);
        if (s.hdrSize > 40 || s.compression == 3)
            for (uint32_t m : s.masks)
                put(info, m, 4);
        while (info.size() < s.hdrSize)
            info.push_back(0);
    }
    for (uint32_t c : s.palette)
        put(info, c, core ? 3 : 4);
    if (s.fileHeader) {
        out = {'B', 'M'};
        put(out, static_cast<uint32_t>(14 + info.size() + s.pixels.size()), 4);
        put(out, 0, 4);
        put(out, static_cast<uint32_t>(14 + info.size()), 4);
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// Pads a row to a multiple of 4 bytes.
inline void PadRow(std::vector<uint8_t> &row)
{
    while (row.size() % 4)
        row.push_back(0);
}

// Rows of indices (top row first) packed at bpp bits, stored bottom-up unless topDown.
inline std::vector<uint8_t> PackIndexRows(const std::vector<std::vector<int>> &rows, int bpp,
                                          bool topDown = false)
{
    std::vector<uint8_t> out;
    for (size_t r = 0; r < rows.size(); r++) {
        const auto &src = rows[topDown ? r : rows.size() - 1 - r];
        std::vector<uint8_t> row((src.size() * bpp + 7) / 8, 0);
        for (size_t x = 0; x < src.size(); x++)
            row[x * bpp / 8] |= static_cast<uint8_t>(src[x] << (8 - bpp * (x % (8 / bpp) + 1)));
        PadRow(row);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A bitmap whose pixel (x, y) is colour(x, y) (0xRRGGBB), with its file header: 24-bit
// (32-bit: bit fields) and top-down unless told otherwise, its header hdrSize bytes.
template <class F>
std::vector<uint8_t> PictureBmp(int w, int h, F colour, bool topDown = true, uint32_t hdrSize = 40,
                                uint16_t bpp = 24)
{
    BmpLayout s;
    s.hdrSize = hdrSize, s.width = w, s.height = topDown ? -h : h, s.bpp = bpp;
    if (bpp == 32)
        s.compression = 3, s.masks[0] = 0xFF0000, s.masks[1] = 0xFF00, s.masks[2] = 0xFF;
    for (int r = 0; r < h; r++) {
        std::vector<uint8_t> row;
        for (int x = 0; x < w; x++) {
            const uint32_t c = colour(x, topDown ? r : h - 1 - r);
            row.insert(row.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
            if (bpp == 32)
                row.push_back(0);
        }
        PadRow(row);
        s.pixels.insert(s.pixels.end(), row.begin(), row.end());
    }
    return MakeBmp(s);
}

// A 24-bit bitmap of one colour (0xRRGGBB), with its file header.
inline std::vector<uint8_t> SolidBmp(int w, int h, uint32_t colour)
{
    return PictureBmp(w, h, [colour](int, int) { return colour; });
}

// Writes bytes to a file (relative paths: in the current folder).
inline void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

// w × h straight BGRA pixels, every one the 0xAARRGGBB colour.
inline std::vector<uint8_t> BgraPixels(int w, int h, uint32_t argb)
{
    std::vector<uint8_t> out;
    for (int k = 0; k < w * h; k++)
        out.insert(out.end(),
                   {uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16), uint8_t(argb >> 24)});
    return out;
}

// Whether two 0xRRGGBB colours differ by at most `levels` in each channel.
inline bool NearColour(uint32_t a, uint32_t b, int levels)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > levels)
            return false;
    return true;
}
