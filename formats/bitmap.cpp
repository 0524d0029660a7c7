// bitmap.cpp — Windows bitmap photos (".bmp", ".dib", ".rle") through the pixel
// layer's DIB decoder.
//
// The header's size is checked against the photo limits before the decoder allocates.
#include <cstdlib>
#include <cstring>

#include "formats/formats.h"
#include "platform/trail.h"

// Reads a little-endian value at an offset, or 0 past the end.
static uint32_t Le(const uint8_t *p, size_t size, size_t at, int bytes)
{
    if (at + bytes > size)
        return 0;
    uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; k--)
        v = (v << 8) | p[at + k];
    return v;
}

int BitmapPeekSize(const uint8_t *data, size_t size, int64_t *w, int64_t *h)
{
    const size_t info = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
    const uint32_t headerSize = Le(data, size, info, 4);
    if (headerSize == 12) {
        *w = Le(data, size, info + 4, 2);
        *h = Le(data, size, info + 6, 2);
    } else if (headerSize >= 40 && info + 12 <= size) {
        *w = static_cast<int32_t>(Le(data, size, info + 4, 4));
        *h = static_cast<int32_t>(Le(data, size, info + 8, 4));
    } else {
        return 0;
    }
    if (*h < 0)
        *h = -*h; // top-down rows
    return 1;
}

// Decodes the file's bytes into the surface the target gives.
static int DecodeBitmapPhoto(const uint8_t *data, size_t size, PHOTOTARGET target, void *context,
                             PHOTOINFO *info)
{
    // Held while it decodes: the file and the decoded rows (3 bytes a pixel, rows
    // rounded up to 4 bytes), copied into the photo after.
    int64_t w = 0, h = 0;
    if (BitmapPeekSize(data, size, &w, &h) &&
        (!PhotoSizeAllowed(w, h) ||
         !PhotoLoadAllowed(w, h, static_cast<int64_t>(size) + (3 * w + 3) / 4 * 4 * h)))
        return 0;
    DIBIMAGE image = {};
    const char *why = nullptr;
    if (!DibDecode(data, size, &image, &why)) {
        if (why)
            Fail(why);
        return Fail("LoadImage() !");
    }
    if (!PhotoSizeAllowed(image.iWidth, image.iHeight)) {
        DibFreeImage(&image);
        return 0;
    }
    *info = {image.iWidth, image.iHeight, 3, 0, 0, 0, 0}; // run-length files may skip pixels
    LPDDS dest = PhotoTargetSurface(target, context, info);
    int ok = dest != nullptr;
    if (ok) {
        const size_t rowBytes = static_cast<size_t>(image.iWidth) * 3;
        for (int32_t y = 0; y < image.iHeight; y++)
            std::memcpy(DXPixel(dest, 0, y), image.pBits + static_cast<size_t>(y) * image.iPitch,
                        rowBytes);
    }
    DibFreeImage(&image);
    return ok;
}

// Largest bitmap file read: the largest photo at 32 bits a pixel, with room for headers.
static constexpr int64_t kMaxBitmapFile = MAX_PHOTO_PIXELS * 4 + (1 << 20);

int BitmapLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info)
{
    size_t size = 0;
    uint8_t *data = ReadPhotoFile(path, kMaxBitmapFile, &size);
    if (!data)
        return Fail("LoadImage() !");
    const int ok = DecodeBitmapPhoto(data, size, target, context, info);
    std::free(data);
    return ok;
}
