// phototype.cpp — which reader a file's name asks for, the photo reader by type, and
// the decoders' target check.
#include <cstring>
#include <strings.h>

#include "formats/formats.h"
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
    return FILETYPE_NONE;
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
    default:
        return Fail("You've choosen an invalid file extension.");
    }
}
