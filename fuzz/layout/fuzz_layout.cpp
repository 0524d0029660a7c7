// Feeds arbitrary bytes to the layout file reader. Clip art comes from a private folder
// holding the pieces the seeds name; the photo limit is lowered to keep inputs fast.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/layout.h"
#include "fuzz/photo_input.h"
#include "picture/ao.h"
#include "picture/imgobj.h"
#include "platform/fake/fake_platform.h"
#include "platform/platform.h"
#include "platform/trail.h"

// A small 24-bit bitmap file of one colour.
static void WriteBitmap(const std::string &path, int w, int h)
{
    const int row = (w * 3 + 3) / 4 * 4, size = 54 + row * h;
    unsigned char header[54] = {'B', 'M'};
    auto put = [&](int at, int v) {
        for (int i = 0; i < 4; i++)
            header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put(2, size), put(10, 54), put(14, 40), put(18, w), put(22, h);
    header[26] = 1, header[28] = 24;
    FILE *fp = std::fopen(path.c_str(), "wb");
    if (!fp)
        return;
    std::fwrite(header, 1, sizeof header, fp);
    for (int i = 0; i < row * h; i++)
        std::fputc(0x40, fp);
    std::fclose(fp);
}

static void StartOnce()
{
    static bool started;
    if (started)
        return;
    started = true;
    DXStartHeadless(DXNEED_PICTURE | DXNEED_TEXT);
    std::string dir = std::string(PLAT_TempDir()) + "fuzzmain/";
    std::system(("mkdir -p '" + dir + "clipart'").c_str());
    WriteBitmap(dir + "clipart/hat.clp", 40, 20);
    WriteBitmap(dir + "clipart/text4.clp", 80, 58);
    std::snprintf(gMainDir, sizeof gMainDir, "%s", dir.c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartOnce();
    const char *path = FuzzPhotoPath("layout", data, size);
    if (!path)
        return 0;
    if (LayoutRead(path, 1)) {
        // A loaded picture has one photo whose pixels are all there, and pieces within
        // the picture area.
        int photos = 0;
        for (AO *e = gAOList; e; e = e->pNext) {
            const IMGOBJ *o = reinterpret_cast<IMGOBJ *>(e);
            if (e->iType != AO_TYPE_IMGOBJ)
                continue;
            if (o->iKind == IMG_SRC) {
                const LPDDS hi = o->iiRes[HI_RES_OBJ].DDSSurface;
                if (++photos > 1 || !hi || hi->iWidth < gPhotoWidth || hi->iHeight < gPhotoHeight)
                    __builtin_trap();
            } else if (o->fWidth < 1 || o->fWidth > gPictureRect.w || o->fHeight < 1 ||
                       o->fHeight > gPictureRect.h || o->iAngle < 0 || o->iAngle > 360 ||
                       o->szText[sizeof o->szText - 1] != '\0') {
                __builtin_trap();
            }
        }
        if (photos != 1)
            __builtin_trap();
    }
    AO_ClearList();
    gAOListCleared = 0;
    gSelected = nullptr;
    TrailClear();
    FakePlatform() = FakePlatformLog(); // the fake keeps a log for tests; runs must not pile up
    return 0;
}
