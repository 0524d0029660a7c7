// Looks up the bitmaps embedded at build time (see embed.cmake).
#include "resources/resources.h"

#include "resources/bitmaps/embedded.h"

// Resource names compare as on the original platform: ASCII letters in any case.
static bool SameName(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
        if (ca != cb)
            return false;
        if (ca == 0)
            return true;
    }
}

const uint8_t *RES_Find(const char *name, size_t *size)
{
    if (size)
        *size = 0;
    if (!name)
        return nullptr;
    for (size_t i = 0; i < gEmbeddedResourceCount; ++i) {
        const EmbeddedResource &r = gEmbeddedResources[i];
        if (SameName(r.pszName, name)) {
            if (size)
                *size = static_cast<size_t>(r.pEnd - r.pBegin);
            return r.pBegin;
        }
    }
    return nullptr;
}
