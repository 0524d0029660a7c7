// Feeds arbitrary bytes to the level reader, then makes and runs the buttons it places.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "interface/interface.h"
#include "platform/fake/fake_platform.h"
#include "platform/trail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char kMap[] = "G:1001 10,20,40,30\nG:1017 0,0,52,40\nG:2330 500,600,8,9\n";
    if (!gGraphicsMap &&
        !GraphicsMapParse(reinterpret_cast<const uint8_t *>(kMap), sizeof kMap - 1))
        __builtin_trap();
    if (LevelParse(data, size, "merrowick.lvl")) {
        for (int32_t i = 0; i < gLevel.iActionCount; i++)
            if (gLevel.pActions[i].right - gLevel.pActions[i].left != gLevel.pActions[i].iWidth)
                __builtin_trap();
        CONTROL_CreateGroup(0);
        for (AO *e = gAOList; e; e = e->pNext)
            e->AnimateProc(e);
    }
    AO_ClearList();
    FreeLevel();
    TrailClear();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
