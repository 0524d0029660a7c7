// artcache.cpp — decoded clip art shared among the pieces made from the same file.
#include "clipart/artcache.h"

#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "clipart/lookup.h"
#include "clipart/ownstickers.h"
#include "pixels/pixels.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/platform.h"

namespace
{

// What says a file is the one decoded: which file it is, its size and its time.
struct STAMP {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    int64_t mtimeNs = 0;
    bool operator==(const STAMP &) const = default;
};

// A held image: the image first, so a pointer to it is one to its entry.
struct ENTRY {
    CLIPART_IMAGE image = {};
    std::string key; // the path read, or the resource's name after a NUL
    STAMP file, alpha;
    int users = 0;
};

struct CACHE {
    std::mutex lock;
    std::vector<std::unique_ptr<ENTRY>> entries;
    // One buffer for the run of files a layout reads: a fresh block for each would fault
    // in every page again. A rare large file's block is not kept.
    READBUFFER bytes;
};

// Never destroyed: pieces may be freed after static destruction has begun.
CACHE &Cache()
{
    static CACHE *cache = new CACHE;
    return *cache;
}

STAMP StampOf(const char *path)
{
    struct stat st;
    STAMP s;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return s;
    s.dev = st.st_dev, s.ino = st.st_ino, s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

const CLIPART_IMAGE *Held(CACHE &c, const std::string &key, const STAMP &file, const STAMP &alpha)
{
    for (auto &e : c.entries)
        if (e->key == key && e->file == file && e->alpha == alpha) {
            e->users++;
            return &e->image;
        }
    return nullptr;
}

const CLIPART_IMAGE *Hold(CACHE &c, DIBIMAGE &dib, std::string key, const STAMP &file,
                          const STAMP &alpha)
{
    auto e = std::make_unique<ENTRY>();
    e->image = {dib.pBits, dib.iWidth, dib.iHeight, dib.iPitch, dib.pBgra};
    e->key = std::move(key);
    e->file = file, e->alpha = alpha;
    e->users = 1;
    c.entries.push_back(std::move(e));
    return &c.entries.back()->image;
}

} // namespace

const CLIPART_IMAGE *ClipArt_AcquireImage(const char *name)
{
    CACHE &c = Cache();
    std::lock_guard<std::mutex> hold(c.lock);
    const CLIPART_IMAGE *found = nullptr;
    for (int folder = 0; !found && folder < 2; folder++) {
        char path[sizeof(gMainDir) + 160];
        if (!ClipArt_Path(name, folder, path, sizeof path))
            continue;
        const STAMP file = StampOf(path);
        if (file.size < 0)
            continue;
        const STAMP alpha = StampOf(ClipArt_AlphaPath(path).c_str());
        if ((found = Held(c, path, file, alpha)))
            break;
        bool opened;
        DIBIMAGE dib = {};
        if (PLAT_FileReadInto(path, (256 << 20) - 1, &c.bytes, &opened) && c.bytes.size &&
            DibDecode(c.bytes.block.get(), c.bytes.size, &dib, nullptr)) {
            ClipArt_LoadAlpha(path, dib.iWidth, dib.iHeight, &dib.pBgra);
            found = Hold(c, dib, path, file, alpha);
        }
    }
    if (c.bytes.capacity > (size_t{8} << 20))
        c.bytes = READBUFFER();
    if (found)
        return found;
    // The program's own resources do not change while it runs.
    const std::string key = std::string(1, '\0') + name;
    if ((found = Held(c, key, {}, {})))
        return found;
    size_t size = 0;
    const uint8_t *res = PLAT_FindResource(name, &size);
    DIBIMAGE dib = {};
    if (!res || !DibDecode(res, size, &dib, nullptr))
        return nullptr;
    return Hold(c, dib, key, {}, {});
}

void ClipArt_ReleaseImage(const CLIPART_IMAGE *image)
{
    if (!image)
        return;
    CACHE &c = Cache();
    std::lock_guard<std::mutex> hold(c.lock);
    for (auto it = c.entries.begin(); it != c.entries.end(); ++it) {
        ENTRY &e = **it;
        if (&e.image != image)
            continue;
        if (--e.users == 0) {
            PLAT_PixelsFree(e.image.pBits);
            PLAT_PixelsFree(e.image.pBgra);
            c.entries.erase(it);
        }
        return;
    }
}

int ClipArt_HeldImages()
{
    CACHE &c = Cache();
    std::lock_guard<std::mutex> hold(c.lock);
    return static_cast<int>(c.entries.size());
}
