// photo_target.h — a decoder target for the photo tests: one surface, made at the size
// the decoder reports (at least minWidth wide), released with the target.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/formats.h"

struct PhotoTarget {
    LPDDS surface = nullptr;
    PHOTOINFO info = {};
    int32_t minWidth = 0; // wider than W8: the decoder copies instead of decoding in place
    int calls = 0;

    ~PhotoTarget() { DXReleaseSurface(surface); }

    static LPDDS Make(void *context, const PHOTOINFO *info)
    {
        auto *t = static_cast<PhotoTarget *>(context);
        t->calls++;
        const int32_t w = W8(info->iWidth) > t->minWidth ? W8(info->iWidth) : t->minWidth;
        t->surface = DXCreateSurface(t->surface, w, info->iHeight, DDSCAPS_SYSTEMOFFSCREEN);
        return t->surface;
    }
    // Loads the file with a decoder (JpegLoad, BitmapLoad, PhotoLoad).
    int Load(int (*load)(const char *, PHOTOTARGET, void *, PHOTOINFO *),
             const std::filesystem::path &path)
    {
        return load(path.c_str(), Make, this, &info);
    }
};

// Runs a tool that makes a test file (cjpeg, convert, cwebp), failing the test if it fails.
inline void MakeWith(const std::string &command)
{
    ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << command;
}

// Writes a w × h PPM with gradients and edges, every channel in use; returns its path.
inline std::string WritePpm(const std::string &path, int w, int h)
{
    std::string px;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            px += {static_cast<char>(x * 255 / w), static_cast<char>(y * 255 / h),
                   static_cast<char>((x / 8 + y / 8) % 2 ? 200 : 30)};
    std::ofstream(path, std::ios::binary) << "P6\n" << w << " " << h << "\n255\n" << px;
    return path;
}
