// photo_target.h — a decoder target for the photo tests: one surface, made at the size
// the decoder reports (at least minWidth wide), released with the target.
#pragma once

#include <gtest/gtest.h>

#include "formats/formats.h"
#include "platform/trail.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

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

// An EXIF APP1 segment's payload holding one orientation entry, in either byte order.
inline std::vector<uint8_t> ExifSegment(int orientation, bool bigEndian = false)
{
    const uint8_t o = static_cast<uint8_t>(orientation);
    std::vector<uint8_t> s = {'E', 'x', 'i', 'f', 0, 0};
    s.insert(s.end(), bigEndian
                          ? std::initializer_list<uint8_t>{'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                                                           0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, o}
                          : std::initializer_list<uint8_t>{'I',  'I',  42, 0, 8, 0, 0, 0, 1, 0,
                                                           0x12, 0x01, 3,  0, 1, 0, 0, 0, o, 0});
    s.insert(s.end(), 6, 0);
    return s;
}

// A w × h JPEG whose quarters are red, green (top) and blue, yellow (bottom), stored with
// an EXIF orientation segment unless the orientation is 0.
inline void QuartersJpeg(const std::string &path, int32_t w, int32_t h, int orientation = 0,
                         bool bigEndian = false)
{
    LPDDS q = CreateJpegBuffer2(w, h, 3);
    ASSERT_NE(q, nullptr);
    DXFillRect(q, 0, 0, w / 2, h / 2, 0xFF0000);
    DXFillRect(q, w / 2, 0, w - w / 2, h / 2, 0x00FF00);
    DXFillRect(q, 0, h / 2, w / 2, h - h / 2, 0x0000FF);
    DXFillRect(q, w / 2, h / 2, w - w / 2, h - h / 2, 0xFFFF00);
    ASSERT_TRUE(JpegSave(q->pBits, path.c_str(), w, h, 3, 95)) << gErrorTrail;
    ReleaseJpegBuffer2(q);
    if (orientation == 0)
        return;
    const std::vector<uint8_t> jpeg = ReadBytes(path), app1 = ExifSegment(orientation, bigEndian);
    std::vector<uint8_t> file(jpeg.begin(), jpeg.begin() + 2); // SOI
    file.insert(file.end(), {0xFF, 0xE1, 0, static_cast<uint8_t>(app1.size() + 2)});
    file.insert(file.end(), app1.begin(), app1.end());
    file.insert(file.end(), jpeg.begin() + 2, jpeg.end());
    WriteFile(path, file);
}
