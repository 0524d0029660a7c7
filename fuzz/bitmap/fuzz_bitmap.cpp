// Fuzz target: a Windows bitmap photo loaded from arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

#include "formats/formats.h"
#include "picture/imgobj.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("fuzz_bitmap", 0);
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    gMaxPhotoPixels = 1 << 22;
    IMGOBJ *obj = reinterpret_cast<IMGOBJ *>(AO_Alloc(sizeof(IMGOBJ)));
    obj->ao.iType = AO_TYPE_IMGOBJ;
    std::snprintf(obj->szFileName, sizeof obj->szFileName, "%s", path);
    if (BitmapLoad(obj)) {
        // Every row of the photo must be readable in its surface.
        LPDDS hi = obj->iiRes[HI_RES_OBJ].DDSSurface;
        if (!hi || hi->iWidth < obj->iSrcWidth || hi->iHeight < obj->iSrcHeight)
            __builtin_trap();
        volatile uint8_t last = *DXPixel(hi, obj->iSrcWidth - 1, obj->iSrcHeight - 1);
        (void)last;
    }
    AO_DelObj(&obj->ao);
    TrailClear();
    return 0;
}
