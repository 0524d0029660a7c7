// photo_input.h — shared set-up of the photo-loader fuzz targets: the input bytes go
// into an in-memory file that the loader opens by name, and the decoded rows go into a
// surface made for the size the decoder reports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

#include "formats/formats.h"
#include "platform/fake/fake_platform.h"
#include "platform/memory.h"
#include "platform/trail.h"

// A path that reads back `data`; null when the bytes cannot be stored. A pixel limit and
// a memory budget below the program's keep single inputs fast; the checks under test are
// the same. The fuzzers' RSS limit is the program's budget: an input that makes a reader
// hold much more than it counted is a finding.
inline const char *FuzzPhotoPath(const char *name, const uint8_t *data, size_t size)
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
    gMemoryBudget = int64_t{256} << 20;
    return path;
}

// The decoders' target: a surface of exactly the reported size, kept in *context.
inline LPDDS FuzzPhotoTarget(void *context, const PHOTOINFO *info)
{
    int32_t result = 0;
    LPDDS s = DXCreateSurfaceRaw(info->iWidth, info->iHeight, &result);
    *static_cast<LPDDS *>(context) = s;
    return s;
}

// Loads the bytes with `load`; every row of a loaded photo must be readable, and the
// JPEG buffer must be gone afterwards.
inline int FuzzPhotoLoad(const char *name, const uint8_t *data, size_t size,
                         int (*load)(const char *, PHOTOTARGET, void *, PHOTOINFO *))
{
    const char *path = FuzzPhotoPath(name, data, size);
    if (!path)
        return 0;
    LPDDS surface = nullptr;
    PHOTOINFO info = {};
    if (load(path, FuzzPhotoTarget, &surface, &info)) {
        if (!surface || surface->iWidth < info.iWidth || surface->iHeight < info.iHeight ||
            gDDSBuffer)
            __builtin_trap();
        volatile uint8_t last = *DXPixel(surface, info.iWidth - 1, info.iHeight - 1);
        (void)last;
    }
    DXReleaseSurface(surface);
    TrailClear();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
