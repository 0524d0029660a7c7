// Pixel blocks: zeroed and writable to their last byte at every size, large ones on
// huge-page boundaries.
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

#include "platform/memory.h"

TEST(PixelBlocks, AreZeroedWritableWholeAndAlignedWhenLarge)
{
    constexpr size_t kMB = size_t{1} << 20;
    for (size_t bytes :
         {size_t{1}, size_t{4096}, kMB - 1, kMB, 2 * kMB - 1, 2 * kMB, 2 * kMB + 1, 37 * kMB + 5}) {
        SCOPED_TRACE(bytes);
        uint8_t *p = static_cast<uint8_t *>(PLAT_PixelsAlloc(bytes));
        ASSERT_NE(p, nullptr);
#if !defined(__SANITIZE_ADDRESS__)
        if (bytes >= kMB) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % (2 * kMB), 0u);
        }
#endif
        // Every page reads zero, and the first and last bytes take writes.
        for (size_t at = 0; at < bytes; at += 4096)
            ASSERT_EQ(p[at], 0) << at;
        EXPECT_EQ(p[bytes - 1], 0);
        p[0] = 1, p[bytes - 1] = 2;
        PLAT_PixelsFree(p);
    }
    PLAT_PixelsFree(nullptr);
}
