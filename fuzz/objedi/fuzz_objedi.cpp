// Feeds arbitrary bytes to the graphics map reader ("obj.edi").
#include <cstddef>
#include <cstdint>

#include "interface/graphicsmap.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (GraphicsMapParse(data, size)) {
        // Every stored entry must be reachable through its id and nothing else.
        for (int32_t i = 0; i < gGraphicsCount; i++) {
            const GRAPHICSRECT *r = GraphicsRect(gGraphicsRects[i].iId);
            if (r != &gGraphicsRects[i])
                __builtin_trap();
        }
    }
    FreeObjects();
    TrailClear();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
