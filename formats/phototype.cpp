// phototype.cpp — which reader a file's name asks for, the photo reader by type, and
// the decoders' target check.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include "formats/formats.h"
#include "platform/file.h"
#include "platform/platform.h"
#include "platform/trail.h"

int32_t FileTypeOf(const char *name)
{
    const char *dot = std::strrchr(name, '.');
    const char *sep = std::strrchr(name, PLAT_PathSeparator());
    if (!dot || (sep && dot < sep))
        return FILETYPE_NONE;
    auto starts = [dot](const char *ext) { return strncasecmp(dot, ext, std::strlen(ext)) == 0; };
    if (starts(".jpeg") || starts(".jpg"))
        return FILETYPE_JPEG;
    if (starts(".bmp") || starts(".dib") || starts(".rle"))
        return FILETYPE_BITMAP;
    if (starts(".mwi"))
        return FILETYPE_LAYOUT;
    if (starts(".png"))
        return FILETYPE_PNG;
    if (starts(".webp"))
        return FILETYPE_WEBP;
    return FILETYPE_NONE;
}

int IsPhotoType(int32_t type)
{
    return type == FILETYPE_JPEG || type == FILETYPE_BITMAP || type == FILETYPE_PNG ||
           type == FILETYPE_WEBP;
}

void BgraOverWhite(const uint8_t *bgra, size_t stride, LPDDS dest, int32_t width, int32_t height)
{
    for (int32_t y = 0; y < height; y++) {
        const uint8_t *s = bgra + static_cast<size_t>(y) * stride;
        uint8_t *d = DXPixel(dest, 0, y);
        for (int32_t x = 0; x < width; x++, s += 4, d += 3) {
            const unsigned a = s[3];
            for (int k = 0; k < 3; k++)
                d[k] = static_cast<uint8_t>((s[k] * a + 255 * (255 - a) + 127) / 255);
        }
    }
}

LPDDS PhotoTargetSurface(PHOTOTARGET target, void *context, const PHOTOINFO *info)
{
    LPDDS dest = target(context, info);
    if (dest && (dest->iWidth < info->iWidth || dest->iHeight < info->iHeight)) {
        Fail("The photo's surface is too small");
        return nullptr;
    }
    return dest;
}

int PhotoLoad(const char *path, PHOTOTARGET target, void *context, PHOTOINFO *info)
{
    switch (FileTypeOf(path)) {
    case FILETYPE_JPEG:
        return JpegLoad(path, target, context, info) || Fail("JpegLoad() failed!");
    case FILETYPE_BITMAP:
        return BitmapLoad(path, target, context, info) || Fail("BitmapLoad() failed!");
    case FILETYPE_PNG:
        return PngLoad(path, target, context, info) || Fail("PngLoad() failed!");
    case FILETYPE_WEBP:
        return WebpLoad(path, target, context, info) || Fail("WebpLoad() failed!");
    default:
        return Fail("You've choosen an invalid file extension.");
    }
}

// Read, not mapped: a file cut short under us must not fault.
uint8_t *ReadPhotoFile(const char *path, int64_t maxBytes, size_t *sizeOut)
{
    const int fd = PLAT_FileOpen(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Failf("can't open %s (%s)", path, PLAT_FileErrorText(errno));
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 2 || st.st_size > maxBytes) {
        PLAT_FileClose(fd);
        Failf("Not a usable photo file: %s", path);
        return nullptr;
    }
    // A file cut short meanwhile gives what it still holds; a failed read gives nothing.
    const size_t size = static_cast<size_t>(st.st_size);
    uint8_t *data = static_cast<uint8_t *>(std::malloc(size));
    const ssize_t got = data ? PLAT_FileReadAll(fd, data, size) : -1;
    const int error = data ? errno : ENOMEM;
    PLAT_FileClose(fd); // only read: a failed close loses nothing
    if (got < 2) {
        std::free(data);
        Failf("can't read %s (%s)", path, got < 0 ? std::strerror(error) : "cut short");
        return nullptr;
    }
    *sizeOut = static_cast<size_t>(got);
    return data;
}
