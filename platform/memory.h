// memory.h — zeroed blocks for pixels, and the memory budget of reading one file.
//
// The first touch of fresh memory costs a page fault per 4 KB page, and for a large
// surface those faults are most of what making and first drawing it costs. Blocks of a
// megabyte or more are therefore mapped on 2 MB boundaries and advised onto huge pages,
// where the system offers them: one fault then serves 2 MB. Blocks from 32 KB share
// such huge pages, taking and giving back spans of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A zeroed block of bytes bytes, or null when there is no memory. Free it with
// PLAT_PixelsFree and nothing else.
void *PLAT_PixelsAlloc(size_t bytes);
// Frees a block from PLAT_PixelsAlloc; null is allowed.
void PLAT_PixelsFree(void *block);

// Frees a PLAT_PixelsAlloc block when its owner goes.
struct PixelsDeleter {
    void operator()(void *block) const { PLAT_PixelsFree(block); }
};
// An owned block of T from PLAT_PixelsAlloc.
template <class T> using PixelsPtr = std::unique_ptr<T[], PixelsDeleter>;

// ---- The memory budget -------------------------------------------------------------------
// What reading one file may make the program hold: the picture's own bytes and every
// whole-picture buffer its reader keeps (a decoder's copies and tables, the file itself
// when it is read whole, a layout's pieces). Readers count it from the file's headers
// before they allocate anything, and refuse a file beyond it.
constexpr int64_t MEMORY_BUDGET = int64_t{1536} << 20; // 1.5 GB
extern int64_t gMemoryBudget;                          // MEMORY_BUDGET; tests may lower it
// 1 when `bytes` fit the budget; otherwise 0 with the line "<what> needs 2.1 GB of memory;
// at most 1.5 GB may be used for one file."
int MemoryBudgetAllows(int64_t bytes, const char *what);
