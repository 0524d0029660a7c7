// Pixel blocks: zeroed and writable to their last byte at every size, large ones on
// huge-page boundaries.
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "platform/memory.h"
#include "platform/trail.h"

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

// Mid-size blocks share huge pages: taken and given back in a shuffled order, every
// block comes zeroed, and none overlaps another (each keeps the bytes written into it).
TEST(PixelBlocks, SharedPagesGiveEveryBlockItsOwnZeroedBytes)
{
    std::mt19937 random(5);
    struct Held {
        uint8_t *p;
        size_t bytes;
        uint8_t mark;
    };
    std::vector<Held> held;
    auto check = [](const Held &h) {
        for (size_t at = 0; at < h.bytes; at += 997)
            ASSERT_EQ(h.p[at], h.mark) << at;
        ASSERT_EQ(h.p[h.bytes - 1], h.mark);
    };
    for (int step = 0; step < 600; step++) {
        if (!held.empty() && random() % 3 == 0) {
            const size_t i = random() % held.size();
            check(held[i]);
            PLAT_PixelsFree(held[i].p);
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        const size_t bytes = (size_t{24} << 10) + random() % (size_t{1030} << 10);
        uint8_t *p = static_cast<uint8_t *>(PLAT_PixelsAlloc(bytes));
        ASSERT_NE(p, nullptr);
        for (size_t at = 0; at < bytes; at += 997)
            ASSERT_EQ(p[at], 0) << "step " << step << " at " << at;
        ASSERT_EQ(p[bytes - 1], 0);
        const uint8_t mark = static_cast<uint8_t>(1 + step % 255);
        std::memset(p, mark, bytes);
        held.push_back({p, bytes, mark});
    }
    for (const Held &h : held) {
        check(h);
        PLAT_PixelsFree(h.p);
    }
}

// Exactly the budget may be held; a byte more, or a count that overflowed, says how much.
TEST(MemoryBudget, AllowsUpToTheBudgetAndNamesWhatNeedsMore)
{
    for (const auto [bytes, allowed] :
         {std::pair<int64_t, int>{MEMORY_BUDGET, 1}, {MEMORY_BUDGET + 1, 0}, {-1, 0}}) {
        TrailClear();
        EXPECT_EQ(MemoryBudgetAllows(bytes, "The photo"), allowed) << bytes;
        EXPECT_EQ(std::string(gErrorTrail).starts_with("The photo needs "), !allowed) << bytes;
    }
    TrailClear();
}
