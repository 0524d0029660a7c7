// webp.cpp — WebP photos (lossy and lossless) through libwebp.
//
// An opaque picture decodes straight into the caller's surface as blue, green, red; one
// with alpha decodes into a BGRA copy that is laid over white, so transparent areas show
// as the canvas.
#include <cstdlib>
#include <cstring>
#include <webp/decode.h>

#include "formats/formats.h"
#include "platform/platform.h"
#include "platform/trail.h"

// Largest WebP file read: far more than any real photo of the allowed size needs.
static constexpr int64_t kMaxWebpFile = 1LL << 30;

// What decoding holds besides the photo: the file and row buffers, and whole-picture
// buffers: the BGRA copy of a picture with alpha, a lossless picture's own ARGB image, a
// lossy one's alpha plane and its decoding.
static int64_t DecoderBytes(const WebPBitstreamFeatures &f, size_t fileBytes)
{
    const int64_t pixels = static_cast<int64_t>(f.width) * f.height;
    int64_t bytes = static_cast<int64_t>(fileBytes) + int64_t{256} * f.width + (int64_t{1} << 20);
    if (f.has_alpha)
        bytes += 4 * pixels;
    if (f.format != 1) // lossless (or mixed)
        bytes += 4 * pixels;
    else if (f.has_alpha)
        bytes += 2 * pixels;
    return bytes;
}

// Decodes a picture with alpha into one BGRA copy and lays it over white.
static int DecodeWithAlpha(const uint8_t *data, size_t size, LPDDS dest, int32_t w, int32_t h)
{
    int width = 0, height = 0;
    uint8_t *bgra = WebPDecodeBGRA(data, size, &width, &height);
    const int ok = bgra && width == w && height == h;
    if (ok)
        BgraOverWhite(bgra, 4 * static_cast<size_t>(w), dest, w, h);
    WebPFree(bgra);
    return ok || Fail("WebP data is damaged");
}

int WebpLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info)
{
    size_t size = 0;
    uint8_t *data = ReadPhotoFile(path, kMaxWebpFile, &size);
    if (!data)
        return 0;
    WebPBitstreamFeatures features;
    int ok = WebPGetFeatures(data, size, &features) == VP8_STATUS_OK;
    if (!ok)
        Failf("Not a readable WebP file: %s", path);
    else if (features.has_animation)
        ok = Failf("An animated WebP file is not a photo: %s", path);
    else
        ok = PhotoSizeAllowed(features.width, features.height) &&
             PhotoLoadAllowed(features.width, features.height, DecoderBytes(features, size));
    LPDDS dest = nullptr;
    if (ok) {
        *info = {features.width, features.height, 3, 1, 0, 0, 0};
        dest = PhotoTargetSurface(target, context, info);
        ok = dest != nullptr;
    }
    if (ok) {
        PLAT_SetStatusText(0, "Opening...");
        if (features.has_alpha)
            ok = DecodeWithAlpha(data, size, dest, features.width, features.height);
        else {
            // Straight into the surface: its rows may be longer than the picture's.
            const size_t bytes = static_cast<size_t>(dest->iPitch) * (features.height - 1) +
                                 static_cast<size_t>(features.width) * 3;
            ok = WebPDecodeBGRInto(data, size, dest->pBits, bytes, dest->iPitch) != nullptr ||
                 Fail("WebP data is damaged");
        }
    }
    std::free(data);
    return ok;
}
