// Fuzz target: the bitmap decoder on arbitrary bytes.
#include <cstdint>
#include <cstdlib>

#include "pixels/pixels.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DIBIMAGE image;
    const char *why = nullptr;
    // A pixel limit keeps single inputs fast; the checks under test are the same.
    if (DibDecodeLimit(data, size, &image, &why, 1 << 20)) {
        // Touch every output byte so the sanitizers see any write past the rows.
        unsigned sum = 0;
        for (int32_t y = 0; y < image.iHeight; y++)
            for (int32_t x = 0; x < image.iPitch; x++)
                sum += image.pBits[static_cast<size_t>(y) * image.iPitch + x];
        if (sum == 0xFFFFFFFFu)
            std::abort(); // never: keeps the loop from being optimised away
        DibFreeImage(&image);
    }
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
