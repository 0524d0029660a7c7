// picturesave.cpp — the composed picture as a PNG file (lossless, libpng's simplified
// writer) or a WebP file (lossy, libwebp), and the choice of writer by the file's name.
//
// Both go through SafeFileOpen like the JPEG writer: the encoded bytes reach a temporary
// file beside the target, which replaces it only once they are all on disk.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <webp/encode.h>

#include "formats/formats.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

// Checks the arguments every writer takes; 0 with the JPEG writer's line.
static int Saveable(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                    int32_t height)
{
    if (!pixels || !name || !*name || width < 1 || height < 1 ||
        stride < static_cast<size_t>(width) * 3)
        return Fail("PictureSave: nothing to save");
    return 1;
}

// Writes `bytes` of an encoded picture to `name` through a temporary file.
static int WriteEncoded(const char *name, const uint8_t *bytes, size_t size)
{
    SAFEFILE file;
    if (!SafeFileOpen(name, &file))
        return PLAT_FileFail("Can't open file", name, errno);
    if (std::fwrite(bytes, 1, size, file.pFile) != size) {
        const int error = errno ? errno : EIO;
        SafeFileAbort(&file);
        return PLAT_FileFail("Can't write file", name, error);
    }
    if (!SafeFileCommit(&file))
        return PLAT_FileFail("Can't write file", name, errno);
    return 1;
}

int PngSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                int32_t height)
{
    if (!Saveable(pixels, stride, name, width, height))
        return 0;
    if (stride > static_cast<size_t>(INT32_MAX))
        return Fail("PictureSave: nothing to save");
    PLAT_SetStatusText(0, "Saving...");
    SAFEFILE file;
    if (!SafeFileOpen(name, &file))
        return PLAT_FileFail("Can't open file", name, errno);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGR;     // the rows as they lie
    image.flags = PNG_IMAGE_FLAG_FAST; // a photo-sized picture in seconds, not tens of them
    const int ok = png_image_write_to_stdio(&image, file.pFile, 0, pixels,
                                            static_cast<png_int_32>(stride), nullptr);
    if (!ok) {
        const int error = std::ferror(file.pFile) ? (errno ? errno : EIO) : 0;
        SafeFileAbort(&file);
        Fail(image.message);
        png_image_free(&image);
        return error ? PLAT_FileFail("Can't write file", name, error)
                     : Failf("PngSave() failed: %s", name);
    }
    png_image_free(&image);
    if (!SafeFileCommit(&file))
        return PLAT_FileFail("Can't write file", name, errno);
    return 1;
}

int WebpSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                 int32_t height, int32_t quality)
{
    if (!Saveable(pixels, stride, name, width, height))
        return 0;
    if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
        return Failf("A WebP picture is at most %d pixels a side; this one is %d x %d.",
                     WEBP_MAX_DIMENSION, width, height);
    if (stride > static_cast<size_t>(INT32_MAX))
        return Fail("PictureSave: nothing to save");
    if (quality <= 0 || quality > 100)
        quality = PICTURE_DEFAULT_QUALITY;
    PLAT_SetStatusText(0, "Saving...");
    uint8_t *bytes = nullptr;
    const size_t size = WebPEncodeBGR(pixels, width, height, static_cast<int>(stride),
                                      static_cast<float>(quality), &bytes);
    if (!size) {
        WebPFree(bytes);
        return Fail("Out of memory!");
    }
    const int ok = WriteEncoded(name, bytes, size);
    WebPFree(bytes);
    return ok;
}

int PictureSaveRows(const uint8_t *pixels, size_t stride, const char *name, int32_t width,
                    int32_t height, int32_t quality)
{
    switch (name ? FileTypeOf(name) : FILETYPE_NONE) {
    case FILETYPE_PNG:
        return PngSaveRows(pixels, stride, name, width, height);
    case FILETYPE_WEBP:
        return WebpSaveRows(pixels, stride, name, width, height, quality);
    default:
        return JpegSaveRows(pixels, stride, name, width, height, quality);
    }
}
