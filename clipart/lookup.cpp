// lookup.cpp — clip art found by name.
#include "clipart/lookup.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "platform/platform.h"

int ClipArt_PlainName(const char *name)
{
    return name && name[0] && !std::strchr(name, '/') && !std::strchr(name, '\\') &&
           std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

int ClipArt_Path(const char *name, int folder, char *path, size_t size)
{
    if (!ClipArt_PlainName(name))
        return 0;
    const int n = folder == 0 ? std::snprintf(path, size, "%sclipart%c%s", gMainDir,
                                              PLAT_PathSeparator(), name)
                              : std::snprintf(path, size, "%s%s", PLAT_UserStickerDir(), name);
    return n >= 0 && static_cast<size_t>(n) < size;
}

static bool IsFile(const char *path)
{
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

int ClipArt_FindFile(const char *name, char *path, size_t size)
{
    for (int folder = 0; folder < 2; folder++)
        if (ClipArt_Path(name, folder, path, size) && IsFile(path))
            return 1;
    return 0;
}
