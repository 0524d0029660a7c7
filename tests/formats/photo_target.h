// photo_target.h — a decoder target for the photo tests: one surface, made at the size
// the decoder reports (at least minWidth wide), released with the target.
#pragma once

#include <filesystem>

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
