// Fuzz target: the EXIF orientation reader over arbitrary APP1 segment bytes.
#include <cstddef>
#include <cstdint>

#include "formats/formats.h"
#include "platform/fake/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int32_t o = ExifOrientation(data, size);
    if (o < 1 || o > 8)
        __builtin_trap();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
