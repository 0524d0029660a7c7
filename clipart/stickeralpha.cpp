// stickeralpha.cpp — an own sticker's alpha file: the picture it was made from, at the
// sticker's size, with its alpha, as a PNG beside the sticker (libpng's simplified API,
// through the file layer).
#include <cstdlib>
#include <cstring>
#include <png.h>
#include <sys/stat.h>

#include "clipart/ownstickers.h"
#include "platform/file.h"
#include "platform/memory.h"

// An alpha file is never larger than a 500 × 500 picture stored uncompressed, and more.
static constexpr int64_t kMaxAlphaFile = 8LL << 20;

std::string ClipArt_AlphaPath(const char *stickerPath)
{
    std::string path = stickerPath ? stickerPath : "";
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
        path.resize(dot);
    return path + ".alpha.png";
}

int ClipArt_WriteAlphaPng(int fd, const uint8_t *bgra, int32_t width, int32_t height)
{
    if (!bgra || width <= 0 || height <= 0 || width > OWNSTICKER_MAX_INPUT_SIDE ||
        height > OWNSTICKER_MAX_INPUT_SIDE)
        return 0;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgra, 4 * width, nullptr))
        return 0;
    void *data = std::malloc(size);
    if (!data)
        return 0;
    const int ok = png_image_write_to_memory(&image, data, &size, 0, bgra, 4 * width, nullptr) &&
                   PLAT_FileWriteAll(fd, data, size);
    std::free(data);
    return ok;
}

int ClipArt_LoadAlpha(const char *stickerPath, int32_t width, int32_t height, uint8_t **bgra)
{
    *bgra = nullptr;
    if (width <= 0 || height <= 0 || width > OWNSTICKER_MAX_INPUT_SIDE ||
        height > OWNSTICKER_MAX_INPUT_SIDE)
        return 0;
    READBUFFER bytes;
    bool opened = false;
    const std::string path = ClipArt_AlphaPath(stickerPath);
    // Most stickers have none: looked for before anything is opened.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    if (!PLAT_FileReadInto(path.c_str(), kMaxAlphaFile, &bytes, &opened) || bytes.size < 8)
        return 0;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.block.get(), bytes.size))
        return 0;
    // A sticker replaced since, or a file that is not its own: the key is used.
    if (image.width != static_cast<png_uint_32>(width) ||
        image.height != static_cast<png_uint_32>(height)) {
        png_image_free(&image);
        return 0;
    }
    image.format = PNG_FORMAT_BGRA;
    uint8_t *pixels =
        static_cast<uint8_t *>(PLAT_PixelsAlloc(static_cast<size_t>(width) * height * 4));
    if (!pixels) {
        png_image_free(&image);
        return 0;
    }
    if (!png_image_finish_read(&image, nullptr, pixels, 4 * width, nullptr)) {
        png_image_free(&image);
        PLAT_PixelsFree(pixels);
        return 0;
    }
    *bgra = pixels;
    return 1;
}
