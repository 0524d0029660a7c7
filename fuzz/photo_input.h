// photo_input.h — shared set-up of the photo-loader fuzz targets: the input bytes go
// into an in-memory file that the loader opens by name, and a fresh image object
// names that file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

#include "formats/formats.h"
#include "picture/imgobj.h"

// A new image object whose file name reads back `data`; null when the bytes cannot be
// stored. A pixel limit keeps single inputs fast; the checks under test are the same.
inline IMGOBJ *FuzzPhotoObject(const char *name, const uint8_t *data, size_t size)
{
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create(name, 0);
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return nullptr;
    gMaxPhotoPixels = 1 << 22;
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    obj->ao.iType = AO_TYPE_IMGOBJ;
    std::snprintf(obj->szFileName, sizeof obj->szFileName, "%s", path);
    return obj;
}
