// memory.cpp — zeroed pixel blocks, large ones on huge pages.
#include "platform/memory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define MW_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MW_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef MW_ADDRESS_SANITIZER

// Under AddressSanitizer every block is the allocator's own, so overruns and leaks of
// pixel blocks are caught as for any other memory.
void *PLAT_PixelsAlloc(size_t bytes)
{
    return std::calloc(1, bytes ? bytes : 1);
}

void PLAT_PixelsFree(void *block)
{
    std::free(block);
}

#else

namespace
{

constexpr size_t kHuge = size_t{2} << 20;  // a huge page
constexpr size_t kLarge = size_t{1} << 20; // from here on a block is mapped

// Sits just before every block: what to release and how.
struct alignas(16) BLOCKHEAD {
    void *base;    // the mapping, or the allocation for a small block
    size_t length; // the mapping's length; 0 for a small block
};

} // namespace

void *PLAT_PixelsAlloc(size_t bytes)
{
    if (bytes >= kLarge && bytes <= SIZE_MAX - 2 * kHuge) {
        // The block starts on the first 2 MB boundary past room for its head; the
        // mapping reaches a whole number of huge pages beyond it. What lies before the
        // block is never touched, save the head's own page.
        const size_t span = (bytes + kHuge - 1) & ~(kHuge - 1);
        const size_t length = span + kHuge;
        void *base =
            ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base != MAP_FAILED) {
            const uintptr_t at =
                (reinterpret_cast<uintptr_t>(base) + sizeof(BLOCKHEAD) + kHuge - 1) & ~(kHuge - 1);
#ifdef MADV_HUGEPAGE
            ::madvise(reinterpret_cast<void *>(at), span, MADV_HUGEPAGE);
#endif
            BLOCKHEAD *head = reinterpret_cast<BLOCKHEAD *>(at) - 1;
            *head = BLOCKHEAD{base, length};
            return reinterpret_cast<void *>(at);
        }
        // No mapping to be had: the allocator may still find the memory.
    }
    if (bytes > SIZE_MAX - sizeof(BLOCKHEAD))
        return nullptr;
    void *base = std::calloc(1, sizeof(BLOCKHEAD) + bytes);
    if (!base)
        return nullptr;
    BLOCKHEAD *head = static_cast<BLOCKHEAD *>(base);
    *head = BLOCKHEAD{base, 0};
    return head + 1;
}

void PLAT_PixelsFree(void *block)
{
    if (!block)
        return;
    const BLOCKHEAD head = *(static_cast<BLOCKHEAD *>(block) - 1);
    if (head.length)
        ::munmap(head.base, head.length);
    else
        std::free(head.base);
}

#endif
