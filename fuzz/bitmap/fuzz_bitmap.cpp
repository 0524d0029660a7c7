// Fuzz target: a Windows bitmap photo loaded from arbitrary bytes.

#include "fuzz/photo_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return FuzzPhotoLoad("fuzz_bitmap", data, size, BitmapLoad);
}
