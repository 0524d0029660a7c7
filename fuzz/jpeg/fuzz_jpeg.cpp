// Fuzz target: a JPEG photo loaded from arbitrary bytes, as the open command loads it.

#include "fuzz/photo_input.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IMGOBJ *obj = FuzzPhotoObject("fuzz_jpeg", data, size);
    if (!obj)
        return 0;
    if (JpegLoad(obj) && (!obj->iiRes[HI_RES_OBJ].DDSSurface || gDDSBuffer))
        __builtin_trap(); // a loaded photo has its surface, and the buffer is gone
    AO_DelObj(&obj->ao);
    TrailClear();
    return 0;
}
