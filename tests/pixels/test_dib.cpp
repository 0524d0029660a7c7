// Decoding of Windows bitmaps: every depth, RLE, and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

#include "pixels/pixels.h"
#include "support/bmp_builder.h"

namespace
{

uint32_t At(const DIBIMAGE &img, int x, int y)
{
    if (!img.pBits || x < 0 || y < 0 || x >= img.iWidth || y >= img.iHeight)
        return 0xBAD0BAD; // a failed decode fails the comparison instead of crashing
    const uint8_t *p = img.pBits + static_cast<size_t>(y) * img.iPitch + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

std::vector<uint32_t> FullPalette(int n)
{
    std::vector<uint32_t> p(n);
    for (int i = 0; i < n; i++)
        p[i] = ((i + 1) * 0x010203u * 7) & 0xFFFFFF; // none black: black means "no entry"
    return p;
}

// The image decoded from bytes; fails the test when it is refused.
DIBIMAGE Decode(const std::vector<uint8_t> &bytes)
{
    DIBIMAGE img{};
    const char *why = nullptr;
    EXPECT_EQ(DibDecode(bytes.data(), bytes.size(), &img, &why), 1) << why;
    return img;
}

// Why the bytes are refused; "" when they decode.
std::string Refusal(const std::vector<uint8_t> &bytes)
{
    DIBIMAGE img{};
    const char *why = nullptr;
    const int ok = DibDecode(bytes.data(), bytes.size(), &img, &why);
    EXPECT_EQ(img.pBits == nullptr, !ok);
    DibFreeImage(&img);
    return ok ? "" : why ? why : "?";
}

// Picture used by every format case: 3 × 2, top row first.
const uint32_t kColours[2][3] = {{0x102030, 0xFFFFFF, 0x00FF80}, {0x800000, 0x000000, 0x123456}};

// The picture stored in one format: rows bottom-up (or top-down), packed by `pack`.
std::vector<uint8_t> Rows(int bpp, uint32_t (*pack)(uint32_t), bool topDown)
{
    std::vector<uint8_t> out;
    for (int r = 0; r < 2; r++) {
        for (uint32_t c : kColours[topDown ? r : 1 - r])
            for (int b = 0; b < bpp / 8; b++)
                out.push_back((pack(c) >> (8 * b)) & 0xFF);
        PadRow(out); // rows start at multiples of 4 bytes
    }
    return out;
}

} // namespace

TEST(DibDecode, DirectColourInEveryHeaderDepthAndOrder)
{
    struct Case {
        uint32_t hdr;
        uint16_t bpp;
        uint32_t compression, r, g, b;
        uint32_t (*pack)(uint32_t);
        int tolerance;
    } cases[] = {
        {40, 24, 0, 0, 0, 0, [](uint32_t c) { return c; }, 0},
        {40, 16, 3, 0xF800, 0x07E0, 0x001F, // masks after the header
         [](uint32_t c) { return ((c >> 19 & 31) << 11) | ((c >> 10 & 63) << 5) | (c >> 3 & 31); },
         8},
        {124, 32, 3, 0xFF000000, 0xFF0000, 0xFF00, [](uint32_t c) { return c << 8; }, 0},
    };
    for (const Case &c : cases)
        for (bool topDown : {false, true}) {
            BmpLayout s;
            s.hdrSize = c.hdr, s.width = 3, s.height = topDown ? -2 : 2, s.bpp = c.bpp;
            s.compression = c.compression, s.masks[0] = c.r, s.masks[1] = c.g, s.masks[2] = c.b;
            s.pixels = Rows(c.bpp, c.pack, topDown);
            if (topDown) // some writers leave the last row's padding off
                s.pixels.resize(s.pixels.size() - (4 - 3 * c.bpp / 8 % 4) % 4);
            DIBIMAGE img = Decode(MakeBmp(s));
            for (int i = 0; i < 6 * 3; i++) // pixel i / 3, channel i % 3
                EXPECT_NEAR(int(At(img, i / 3 % 3, i / 9) >> (8 * (i % 3)) & 255),
                            int(kColours[i / 9][i / 3 % 3] >> (8 * (i % 3)) & 255), c.tolerance)
                    << c.hdr << "/" << c.bpp << "/" << c.compression << " " << i;
            DibFreeImage(&img);
        }
}

TEST(DibDecode, IndexedDepthsCoreHeaderAndMissingFileHeader)
{
    const std::vector<std::vector<int>> rows = {{0, 1, 2, 3, 1}, {3, 2, 1, 0, 2}, {1, 1, 0, 0, 3}};
    for (uint32_t hdr : {40u, 12u})
        for (int bpp : {1, 4, 8})
            // Bottom-up, top-down, no file header, a table of two colours (indices past
            // it are black; the core header implies its count from the pixel offset).
            for (int variant = 0; variant < 4; variant++) {
                bool topDown = variant == 1 && hdr == 40;
                auto idx = rows;
                for (auto &r : idx)
                    for (int &v : r)
                        v &= (1 << bpp) - 1;
                BmpLayout s;
                s.hdrSize = hdr, s.width = 5, s.height = topDown ? -3 : 3, s.bpp = bpp;
                s.palette = FullPalette(variant == 3 ? 2 : 1 << bpp);
                s.clrUsed = variant == 3 ? 2 : 0, s.fileHeader = variant != 2;
                s.pixels = PackIndexRows(idx, bpp, topDown);
                DIBIMAGE img = Decode(MakeBmp(s));
                EXPECT_EQ(img.iPitch, 16);
                for (int y = 0; y < 3; y++)
                    for (int x = 0; x < 5; x++)
                        EXPECT_EQ(At(img, x, y),
                                  idx[y][x] < int(s.palette.size()) ? s.palette[idx[y][x]] : 0u)
                            << hdr << "/" << bpp << "/" << variant << " " << x << "," << y;
                DibFreeImage(&img);
            }
}

TEST(DibDecode, Rle8AndRle4WithRunsStretchesAndDeltas)
{
    // RLE8, 6 × 3: bottom row a run of 3 × index 7, an absolute stretch 5, 6, 8 (padded
    // to an even length), a line end; the middle row skipped by a delta of (2, 1); top
    // row a run of 2 × index 9 from x = 2, the end. RLE4, 8 × 1: a run of 5 alternating
    // 1, 2 and an absolute stretch 3, 4, 5. Skipped pixels take colour 0.
    const struct {
        int32_t width, height, bpp;
        std::vector<uint8_t> codes;
        std::vector<std::vector<int>> want; // top row first
    } cases[] = {
        {6,
         3,
         8,
         {3, 7, 0, 3, 5, 6, 8, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 1},
         {{0, 0, 9, 9, 0, 0}, {0, 0, 0, 0, 0, 0}, {7, 7, 7, 5, 6, 8}}},
        {8, 1, 4, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 1}, {{1, 2, 1, 2, 1, 3, 4, 5}}},
    };
    for (const auto &c : cases) {
        BmpLayout s;
        s.width = c.width, s.height = c.height, s.bpp = c.bpp, s.compression = c.bpp == 8 ? 1 : 2;
        s.palette = FullPalette(1 << c.bpp);
        s.pixels = c.codes;
        DIBIMAGE img = Decode(MakeBmp(s));
        for (int y = 0; y < c.height; y++)
            for (int x = 0; x < c.width; x++)
                EXPECT_EQ(At(img, x, y), s.palette[c.want[y][x]]) << c.bpp << ": " << x << "," << y;
        DibFreeImage(&img);
    }
}

TEST(DibDecode, RefusesBadInputWithAReason)
{
    BmpLayout good;
    good.width = 4, good.height = 2, good.bpp = 8, good.palette = FullPalette(4), good.clrUsed = 4;
    good.pixels = PackIndexRows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 8);
    auto bytes = MakeBmp(good);
    EXPECT_EQ(Refusal(bytes), "");

    // Every truncation of a valid file is refused without reading past it.
    for (size_t n = 0; n + 1 < bytes.size(); n++)
        EXPECT_NE(Refusal({bytes.begin(), bytes.begin() + n}), "") << "cut to " << n;

    const std::pair<void (*)(BmpLayout &), const char *> cases[] = {
        // Each side allowed, the pixel count is not.
        {[](BmpLayout &s) { s.width = 60000, s.height = -60000; }, "bitmap too large"},
        {[](BmpLayout &s) { s.clrUsed = 5; }, "colour table runs into the pixel data"}, // 4 stored
        {[](BmpLayout &s) { s.bpp = 7; }, "unsupported bits per pixel"},
        // RLE: a run past the row (beyond its padding), a delta past the right edge.
        {[](BmpLayout &s) { s.compression = 1, s.pixels = {4, 1, 3, 1, 0, 1}; },
         "RLE run leaves the image"},
        {[](BmpLayout &s) { s.compression = 1, s.pixels = {0, 2, 5, 0, 0, 1}; },
         "RLE delta leaves the image"},
    };
    for (const auto &[change, reason] : cases) {
        BmpLayout s = good;
        change(s);
        EXPECT_EQ(Refusal(MakeBmp(s)), reason);
    }
}

TEST(DibDecode, RefusesMissingPixelsBeforeAllocating)
{
    // Tiny files claiming a 1.9 GB picture. With the address space capped well below
    // that, only a refusal made before allocating gives the true reason.
    BmpLayout rows;
    rows.width = 24999, rows.height = 25000, rows.pixels = {0, 0, 0, 0};
    BmpLayout rle = rows;
    rle.bpp = 8, rle.compression = 1, rle.palette = {0xFFFFFF}, rle.pixels = {0};
    rlimit old;
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    ASSERT_TRUE(getrlimit(RLIMIT_AS, &old) == 0 && pages > 0);
    rlimit cap = {static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (1u << 30), old.rlim_max};
    cap.rlim_cur = std::min(cap.rlim_cur, old.rlim_cur);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &cap), 0);
    const std::pair whys(Refusal(MakeBmp(rows)), Refusal(MakeBmp(rle)));
    setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(whys.first, "pixel rows outside the file");
    EXPECT_EQ(whys.second, "RLE data ends early");
}
