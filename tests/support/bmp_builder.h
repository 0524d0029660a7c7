// bmp_builder.h — writes small Windows bitmaps byte by byte for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

struct BmpSpec {
    uint32_t hdrSize = 40;
    int32_t width = 1;
    int32_t height = 1; // negative: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    std::vector<uint32_t> palette; // 0xRRGGBB, written as blue, green, red(, 0)
    uint32_t masks[3] = {0, 0, 0}; // written for bit fields
    bool fileHeader = true;
    std::vector<uint8_t> pixels; // the stored rows, exactly as in the file
};

inline void Put16(std::vector<uint8_t> &v, uint32_t x)
{
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}

inline void Put32(std::vector<uint8_t> &v, uint32_t x)
{
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

inline std::vector<uint8_t> MakeBmp(const BmpSpec &s)
{
    std::vector<uint8_t> info;
    Put32(info, s.hdrSize);
    if (s.hdrSize == 12) {
        Put16(info, s.width);
        Put16(info, s.height);
        Put16(info, 1);
        Put16(info, s.bpp);
    } else {
        Put32(info, s.width);
        Put32(info, static_cast<uint32_t>(s.height));
        Put16(info, 1);
        Put16(info, s.bpp);
        Put32(info, s.compression);
        Put32(info, s.sizeImage);
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, s.clrUsed);
        Put32(info, 0);
        if (s.hdrSize > 40) {
            for (uint32_t m : s.masks)
                Put32(info, m);
            while (info.size() < s.hdrSize)
                info.push_back(0);
        } else if (s.compression == 3) {
            for (uint32_t m : s.masks)
                Put32(info, m);
        }
    }
    for (uint32_t c : s.palette) {
        info.push_back(c & 0xFF);
        info.push_back((c >> 8) & 0xFF);
        info.push_back((c >> 16) & 0xFF);
        if (s.hdrSize != 12)
            info.push_back(0);
    }
    std::vector<uint8_t> out;
    if (s.fileHeader) {
        out.push_back('B');
        out.push_back('M');
        Put32(out, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
        Put32(out, 0);
        Put32(out, static_cast<uint32_t>(14 + info.size()));
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
        for (size_t x = 0; x < src.size(); x++) {
            int shift = 8 - bpp * static_cast<int>(x % (8 / bpp) + 1);
            row[x * bpp / 8] |= static_cast<uint8_t>(src[x] << shift);
        }
        PadRow(row);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A 24-bit bitmap of one colour (0xRRGGBB), with its file header.
inline std::vector<uint8_t> SolidBmp(int w, int h, uint32_t colour)
{
    BmpSpec s;
    s.width = w;
    s.height = h;
    std::vector<uint8_t> row;
    for (int x = 0; x < w; x++) {
        row.push_back(colour & 0xFF);
        row.push_back((colour >> 8) & 0xFF);
        row.push_back((colour >> 16) & 0xFF);
    }
    PadRow(row);
    for (int y = 0; y < h; y++)
        s.pixels.insert(s.pixels.end(), row.begin(), row.end());
    return MakeBmp(s);
}

// Writes bytes to a file (relative paths: in the current folder).
inline void WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}
