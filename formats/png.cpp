// png.cpp — PNG photos through libpng's simplified reader.
//
// Every PNG variant (1 to 16 bits, palette, grey, with or without alpha) arrives as
// 8-bit blue, green, red in sRGB values; transparent areas are laid over white, the blank canvas's
// colour, so they show as canvas. The size is checked against the photo limits before
// the caller's surface is asked for; an opaque PNG decodes straight into that surface.
// The file is read through the file layer and decoded from memory.
#include <cstdlib>
#include <cstring>
#include <png.h>

#include "formats/formats.h"
#include "platform/platform.h"
#include "platform/trail.h"

// The largest PNG file read: far more than any photo within the size limits compresses to.
static constexpr int64_t kMaxPngFile = 1LL << 30;

static int DecodePng(const char *path, const uint8_t *data, size_t size, PHOTOTARGET target,
                     void *context, PHOTOINFO *info);

int PngLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info)
{
    // Read whole through the file layer, as the other photos are, then decoded from memory.
    size_t size = 0;
    uint8_t *data = ReadPhotoFile(path, kMaxPngFile, &size);
    if (!data)
        return 0;
    const int ok = DecodePng(path, data, size, target, context, info);
    std::free(data);
    return ok;
}

// Whether no chunk before the end chunk claims more bytes than the file has left. Such a
// file is refused before libpng allocates room for the chunk: a few bytes of a damaged
// file would otherwise ask for hundreds of megabytes. What else is wrong, libpng finds.
static bool ChunksFit(const uint8_t *data, size_t size)
{
    size_t at = 8; // past the signature
    while (size - at >= 8) {
        const uint32_t length = static_cast<uint32_t>(data[at]) << 24 | data[at + 1] << 16 |
                                data[at + 2] << 8 | data[at + 3];
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        if (size - at < 12 || length > size - at - 12)
            return false;
        at += 12 + static_cast<size_t>(length);
    }
    return true;
}

static int DecodePng(const char *path, const uint8_t *data, size_t size, PHOTOTARGET target,
                     void *context, PHOTOINFO *info)
{
    if (size < 8 || !ChunksFit(data, size)) {
        Failf("Not a readable PNG file: %s", path);
        return Fail("The file is cut short or damaged");
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        Failf("Not a readable PNG file: %s", path);
        return Fail(image.message);
    }
    // 16-bit samples without a gAMA, sRGB or iCCP chunk are sRGB-encoded, as 8-bit ones
    // are and as other programs show them; libpng would otherwise take them as linear
    // light and show them too light. Files that say their gamma keep it.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    // Held while it decodes: the file, one BGRA copy of a picture with alpha, row buffers
    // (counted once the size is known to be within the photo limits).
    const int alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    if (!PhotoSizeAllowed(image.width, image.height) ||
        !PhotoLoadAllowed(image.width, image.height,
                          static_cast<int64_t>(size) +
                              (alpha ? int64_t{4} * image.width * image.height : 0) +
                              int64_t{64} * image.width + (int64_t{1} << 20))) {
        png_image_free(&image);
        return 0;
    }
    *info = {static_cast<int32_t>(image.width), static_cast<int32_t>(image.height), 3, 1, 0, 0, 0};
    LPDDS dest = PhotoTargetSurface(target, context, info);
    if (!dest) {
        png_image_free(&image);
        return 0;
    }
    PLAT_SetStatusText(0, "Opening...");
    int ok;
    if (!alpha) {
        image.format = PNG_FORMAT_BGR; // 8 bits a channel, straight into the surface
        ok = png_image_finish_read(&image, nullptr, dest->pBits, dest->iPitch, nullptr);
    } else {
        // Laid over white as other programs show it (in sRGB values, as WebP is), through
        // one BGRA copy.
        image.format = PNG_FORMAT_BGRA;
        const size_t stride = static_cast<size_t>(image.width) * 4;
        uint8_t *bgra = static_cast<uint8_t *>(std::malloc(stride * image.height));
        ok = bgra &&
             png_image_finish_read(&image, nullptr, bgra, static_cast<png_int_32>(stride), nullptr);
        if (ok)
            BgraOverWhite(bgra, stride, dest, static_cast<int32_t>(image.width),
                          static_cast<int32_t>(image.height));
        else if (!bgra)
            Fail("Out of memory!");
        std::free(bgra);
    }
    if (!ok) {
        Fail(image.message);
        png_image_free(&image);
        return Failf("Not a readable PNG file: %s", path);
    }
    return 1;
}
