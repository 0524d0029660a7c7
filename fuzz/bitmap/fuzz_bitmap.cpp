// Fuzz target: a Windows bitmap photo loaded from arbitrary bytes.

#include "fuzz/photo_input.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IMGOBJ *obj = FuzzPhotoObject("fuzz_bitmap", data, size);
    if (!obj)
        return 0;
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
