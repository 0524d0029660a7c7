// memory.cpp — zeroed pixel blocks, large ones on huge pages; the memory budget.
#include "platform/memory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <vector>

#include "platform/trail.h"

int64_t gMemoryBudget = MEMORY_BUDGET;

// A size for people: "2.1 GB", or "300 MB" below a gigabyte; rounded up, so a file just
// over the budget does not read as needing what is allowed.
static void SizeText(int64_t bytes, char *out, size_t size)
{
    constexpr double kMB = 1024.0 * 1024, kGB = kMB * 1024;
    const double b = static_cast<double>(bytes);
    if (b >= kGB)
        std::snprintf(out, size, "%.1f GB", std::ceil(b / kGB * 10) / 10);
    else
        std::snprintf(out, size, "%.0f MB", std::ceil(b / kMB));
}

int MemoryBudgetAllows(int64_t bytes, const char *what)
{
    if (bytes >= 0 && bytes <= gMemoryBudget)
        return 1;
    char need[32], most[32];
    SizeText(bytes < 0 ? INT64_MAX : bytes, need, sizeof need);
    SizeText(gMemoryBudget, most, sizeof most);
    return Failf("%s needs %s of memory; at most %s may be used for one file.", what, need, most);
}

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

constexpr size_t kHuge = size_t{2} << 20;    // a huge page
constexpr size_t kLarge = size_t{1} << 20;   // from here on a block is mapped
constexpr size_t kPooled = size_t{32} << 10; // from here to kLarge a block shares a chunk
constexpr size_t kPage = 4096;
constexpr size_t kPoolHead = 64; // a pooled block starts this far into its span

// A huge page that mid-size blocks share, so a run of them (a layout's clip art, the
// pieces' screen surfaces) costs a fault per 2 MB instead of one per 4 KB.
struct CHUNK {
    uint8_t *at;                   // its first byte, on a 2 MB boundary
    std::map<size_t, size_t> free; // offset -> length of each free span, neighbours merged
    size_t used;                   // bytes in spans given out
    size_t touched;                // past this offset nothing was given out yet: still zero
};

// Sits just before every block: what to release and how.
struct alignas(16) BLOCKHEAD {
    void *base;    // the mapping, the span, or the allocation for a small block
    size_t length; // the mapping's or the span's length; 0 for a small block
    CHUNK *chunk;  // the chunk of a pooled block, else null
};

// The pool's lock and chunks (those in use, and at most one empty one). Made on first
// use and never destroyed, so a block freed while the program exits still finds them.
struct POOL {
    std::mutex lock;
    std::vector<CHUNK *> chunks;
};
POOL &Pool()
{
    static POOL *pool = new POOL;
    return *pool;
}

// A new chunk: a mapping trimmed to one 2 MB-aligned huge page. Null when none is had.
CHUNK *NewChunk()
{
    void *m =
        ::mmap(nullptr, 2 * kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED)
        return nullptr;
    uint8_t *base = static_cast<uint8_t *>(m);
    uint8_t *at =
        reinterpret_cast<uint8_t *>((reinterpret_cast<uintptr_t>(base) + kHuge - 1) & ~(kHuge - 1));
    if (at > base)
        ::munmap(base, static_cast<size_t>(at - base));
    if (base + 2 * kHuge > at + kHuge)
        ::munmap(at + kHuge, static_cast<size_t>(base + 2 * kHuge - (at + kHuge)));
#ifdef MADV_HUGEPAGE
    ::madvise(at, kHuge, MADV_HUGEPAGE);
#endif
    CHUNK *c = new (std::nothrow) CHUNK{at, {}, 0, 0};
    if (!c) {
        ::munmap(at, kHuge);
        return nullptr;
    }
    c->free[0] = kHuge;
    return c;
}

// A free span of `span` bytes from the first chunk that has one: its first byte, or
// null; *clean when no block was ever given out in it. Called with the pool's lock held.
uint8_t *TakeSpan(size_t span, CHUNK **chunk, bool *clean)
{
    for (size_t tries = 0; tries < 2; tries++) {
        for (CHUNK *c : Pool().chunks) {
            for (auto it = c->free.begin(); it != c->free.end(); ++it) {
                if (it->second < span)
                    continue;
                const size_t offset = it->first, rest = it->second - span;
                c->free.erase(it);
                if (rest)
                    c->free[offset + span] = rest;
                c->used += span;
                *clean = offset >= c->touched;
                if (offset + span > c->touched)
                    c->touched = offset + span;
                *chunk = c;
                return c->at + offset;
            }
        }
        CHUNK *c = NewChunk();
        if (!c)
            return nullptr;
        try {
            Pool().chunks.push_back(c);
        } catch (const std::bad_alloc &) {
            ::munmap(c->at, kHuge);
            delete c;
            return nullptr;
        }
    }
    return nullptr;
}

// A zeroed block of bytes from a shared chunk; null when none can be had.
void *PoolAlloc(size_t bytes)
{
    const size_t span = (kPoolHead + bytes + kPage - 1) & ~(kPage - 1);
    CHUNK *chunk = nullptr;
    bool clean = false;
    uint8_t *at;
    try {
        std::lock_guard<std::mutex> lock(Pool().lock);
        at = TakeSpan(span, &chunk, &clean);
    } catch (const std::bad_alloc &) {
        return nullptr; // the caller falls back on the allocator
    }
    if (!at)
        return nullptr;
    uint8_t *block = at + kPoolHead;
    if (!clean)
        std::memset(block, 0, bytes); // a span given back earlier
    *(reinterpret_cast<BLOCKHEAD *>(block) - 1) = BLOCKHEAD{at, span, chunk};
    return block;
}

// Gives a pooled block's span back to its chunk; an empty chunk goes unless it is the
// only empty one.
void PoolFree(const BLOCKHEAD &head)
try {
    std::lock_guard<std::mutex> lock(Pool().lock);
    std::vector<CHUNK *> &chunks = Pool().chunks;
    CHUNK *c = head.chunk;
    size_t offset = static_cast<size_t>(static_cast<uint8_t *>(head.base) - c->at);
    size_t length = head.length;
    auto next = c->free.lower_bound(offset);
    if (next != c->free.end() && next->first == offset + length) {
        length += next->second;
        next = c->free.erase(next);
    }
    if (next != c->free.begin()) {
        auto before = std::prev(next);
        if (before->first + before->second == offset) {
            offset = before->first;
            length += before->second;
            c->free.erase(before);
        }
    }
    c->free[offset] = length;
    c->used -= head.length;
    if (c->used)
        return;
    for (CHUNK *other : chunks) {
        if (other != c && other->used == 0) {
            chunks.erase(std::find(chunks.begin(), chunks.end(), c));
            ::munmap(c->at, kHuge);
            delete c;
            return;
        }
    }
} catch (const std::bad_alloc &) {
    // Out of memory for the free list: the span stays taken, nothing is corrupted.
}

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
            *head = BLOCKHEAD{base, length, nullptr};
            return reinterpret_cast<void *>(at);
        }
        // No mapping to be had: the allocator may still find the memory.
    }
    if (bytes >= kPooled && bytes < kLarge) {
        if (void *block = PoolAlloc(bytes))
            return block;
    }
    if (bytes > SIZE_MAX - sizeof(BLOCKHEAD))
        return nullptr;
    void *base = std::calloc(1, sizeof(BLOCKHEAD) + bytes);
    if (!base)
        return nullptr;
    BLOCKHEAD *head = static_cast<BLOCKHEAD *>(base);
    *head = BLOCKHEAD{base, 0, nullptr};
    return head + 1;
}

void PLAT_PixelsFree(void *block)
{
    if (!block)
        return;
    const BLOCKHEAD head = *(static_cast<BLOCKHEAD *>(block) - 1);
    if (head.chunk)
        PoolFree(head);
    else if (head.length)
        ::munmap(head.base, head.length);
    else
        std::free(head.base);
}

#endif
