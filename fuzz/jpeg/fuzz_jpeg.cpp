// Fuzz target: a JPEG photo loaded from arbitrary bytes, as the open command loads it.
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The bytes go into an in-memory file, which the loader opens by name.
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("fuzz_jpeg", 0);
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    // A pixel limit keeps single inputs fast; the checks under test are the same.
    gMaxPhotoPixels = 1 << 22;
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    obj->ao.iType = AO_TYPE_IMGOBJ;
    std::snprintf(obj->szFileName, sizeof obj->szFileName, "%s", path);
    if (JpegLoad(obj) && (!obj->iiRes[HI_RES_OBJ].DDSSurface || gDDSBuffer))
        __builtin_trap(); // a loaded photo has its surface, and the buffer is gone
    AO_DelObj(&obj->ao);
    TrailClear();
    return 0;
}
