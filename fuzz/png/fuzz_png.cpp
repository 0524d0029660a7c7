// Fuzz target: a PNG photo loaded from arbitrary bytes, as the open command loads it.

#include "fuzz/photo_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return FuzzPhotoLoad("fuzz_png", data, size, PngLoad);
}
